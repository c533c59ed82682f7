#include "platform/dshow/dsound.h"

#include <cstring>
#include <functional>
#include <string>

#include "platform/com/object.h"
#include "platform/com/out_param.h"
#include "platform/dshow/alsa_inputs.h"
#include "platform/dshow/sim_hardware.h"

namespace {

using platform::dshow::sim::DeviceDesc;
using platform::dshow::sim::DeviceKind;
using platform::dshow::sim::Hardware;

// A sound input's identifier, the same in every process: made from its ALSA name.
GUID IdentifierOf(const std::string& pcm) {
  std::uint64_t h = 1469598103934665603ULL;
  GUID id{};
  auto* bytes = reinterpret_cast<unsigned char*>(&id);
  for (std::size_t i = 0; i < sizeof id; ++i) {
    for (char c : "alsa:" + pcm + static_cast<char>('0' + i))
      h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    bytes[i] = static_cast<unsigned char>(h >> 32);
  }
  return id;
}

// The machine's sound inputs in the terms of the simulated ones.
std::vector<DeviceDesc> MachineInputs() {
  std::vector<DeviceDesc> out;
  for (const auto& in : platform::dshow::alsa::CaptureInputs()) {
    DeviceDesc d;
    d.kind = DeviceKind::AudioInput;
    d.name = d.dsDescription = in.name;
    d.dsModule = "snd";
    d.dsInterface = in.interfacePath;
    d.dsGuid = IdentifierOf(in.pcm);
    d.waveInId = in.waveInId;
    out.push_back(std::move(d));
  }
  return out;
}

// Shows the present devices of one kind in order until `visit` answers true; answers whether it did.
bool VisitDevicesOf(DeviceKind kind, const std::function<bool(const DeviceDesc&)>& visit) {
  if (kind == DeviceKind::AudioInput && !Hardware::Instance().Simulated()) {
    for (const auto& d : MachineInputs())
      if (visit(d)) return true;
    return false;
  }
  bool stopped = false;
  Hardware::Instance().Visit([&](const DeviceDesc& d) {
    stopped = d.present && d.kind == kind && visit(d);
    return stopped;
  });
  return stopped;
}

std::vector<DeviceDesc> DevicesOf(DeviceKind kind) {
  std::vector<DeviceDesc> out;
  VisitDevicesOf(kind, [&out](const DeviceDesc& d) {
    out.push_back(d);
    return false;
  });
  return out;
}

HRESULT Enumerate(DeviceKind kind, const char* primary, LPDSENUMCALLBACKA callback, LPVOID context) {
  if (!callback) return E_INVALIDARG;
  const auto devices = DevicesOf(kind);
  if (devices.empty()) return S_OK;
  if (!callback(nullptr, primary, "", context)) return S_OK;
  for (auto d : devices) {
    GUID id = d.dsGuid;
    if (!callback(&id, d.dsDescription.c_str(), d.dsModule.c_str(), context)) break;
  }
  return S_OK;
}

class PrivatePropertySet : public platform::com::ComObject<IKsPropertySet> {
 public:
  STDMETHODIMP Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD) override { return E_PROP_ID_UNSUPPORTED; }

  STDMETHODIMP Get(REFGUID set, DWORD id, LPVOID, DWORD, LPVOID data, DWORD length, DWORD* returned) override {
    if (set != DSPROPSETID_DirectSoundDevice) return E_PROP_SET_UNSUPPORTED;
    if (returned) *returned = 0;
    if (id == DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A) return Description(data, length, returned);
    if (id == DSPROPERTY_DIRECTSOUNDDEVICE_WAVEDEVICEMAPPING_A) return Mapping(data, length, returned);
    return E_PROP_ID_UNSUPPORTED;
  }

  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override {
    if (set != DSPROPSETID_DirectSoundDevice) return E_PROP_SET_UNSUPPORTED;
    if (id != DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A && id != DSPROPERTY_DIRECTSOUNDDEVICE_WAVEDEVICEMAPPING_A)
      return E_PROP_ID_UNSUPPORTED;
    if (support) *support = KSPROPERTY_SUPPORT_GET;
    return S_OK;
  }

 private:
  using Record = DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A_DATA;

  // With a buffer smaller than the whole answer only the size is given (*returned).
  static HRESULT Description(LPVOID data, DWORD length, DWORD* returned) {
    if (!data || length < sizeof(Record)) return E_INVALIDARG;
    auto* record = static_cast<Record*>(data);
    // Called once per device while a list is built: a simulated device is found through the
    // hardware's index, so describing a list of thousands stays linear.
    const auto answer = [&](const DeviceDesc& d, bool capture, int index) {
      const std::size_t needed =
          sizeof(Record) + d.dsDescription.size() + 1 + d.dsModule.size() + 1 + d.dsInterface.size() + 1;
      if (returned) *returned = static_cast<DWORD>(needed);
      if (length < needed) return S_OK;
      char* text = static_cast<char*>(data) + sizeof(Record);
      auto put = [&text](const std::string& s) {
        std::memcpy(text, s.c_str(), s.size() + 1);
        char* at = text;
        text += s.size() + 1;
        return at;
      };
      record->Type = DIRECTSOUNDDEVICE_TYPE_WDM;
      record->DataFlow = capture ? DIRECTSOUNDDEVICE_DATAFLOW_CAPTURE : DIRECTSOUNDDEVICE_DATAFLOW_RENDER;
      record->Description = put(d.dsDescription);
      record->Module = put(d.dsModule);
      record->Interface = put(d.dsInterface);
      record->WaveDeviceId = static_cast<ULONG>(capture && d.waveInId >= 0 ? d.waveInId : index);
      return S_OK;
    };
    const GUID id = record->DeviceId;
    if (id == GUID_NULL) return E_INVALIDARG;
    DeviceDesc found;
    int place = 0;
    if (!Hardware::Instance().Simulated()) {
      int captureIndex = 0;
      bool seen = false;
      VisitDevicesOf(DeviceKind::AudioInput, [&](const DeviceDesc& d) {
        seen = d.dsGuid == id;
        if (seen) {
          found = d;
          place = captureIndex;
        }
        ++captureIndex;
        return seen;
      });
      if (seen) return answer(found, true, place);
    } else if (Hardware::Instance().FindBySoundId(id, DeviceKind::AudioInput, &found, &place)) {
      return answer(found, true, place);
    }
    if (Hardware::Instance().FindBySoundId(id, DeviceKind::Playback, &found, &place))
      return answer(found, false, place);
    return E_INVALIDARG;
  }

  static HRESULT Mapping(LPVOID data, DWORD length, DWORD* returned) {
    using Map = DSPROPERTY_DIRECTSOUNDDEVICE_WAVEDEVICEMAPPING_A_DATA;
    if (!data || length < sizeof(Map)) return E_INVALIDARG;
    auto* map = static_cast<Map*>(data);
    if (!map->DeviceName) return E_INVALIDARG;
    const bool capture = map->DataFlow == DIRECTSOUNDDEVICE_DATAFLOW_CAPTURE;
    const bool found =
        VisitDevicesOf(capture ? DeviceKind::AudioInput : DeviceKind::Playback, [&](const DeviceDesc& d) {
          if (d.dsDescription != map->DeviceName) return false;
          map->DeviceId = d.dsGuid;
          if (returned) *returned = sizeof(Map);
          return true;
        });
    return found ? S_OK : E_INVALIDARG;
  }
};

class PrivateFactory : public platform::com::ComObject<IClassFactory> {
 public:
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return platform::com::HandOver(new PrivatePropertySet(), riid, ppv);
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

}  // namespace

HRESULT DirectSoundCaptureEnumerateA(LPDSENUMCALLBACKA callback, LPVOID context) {
  return Enumerate(DeviceKind::AudioInput, "Primary Sound Capture Driver", callback, context);
}

HRESULT DirectSoundEnumerateA(LPDSENUMCALLBACKA callback, LPVOID context) {
  return Enumerate(DeviceKind::Playback, "Primary Sound Driver", callback, context);
}

HRESULT DirectSoundDllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (clsid != CLSID_DirectSoundPrivate) return CLASS_E_CLASSNOTAVAILABLE;
  // A class registered under the identifier (a test's stand-in driver) answers first.
  if (SUCCEEDED(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, riid, ppv))) return S_OK;
  return platform::com::HandOver(new PrivateFactory(), riid, ppv);
}
