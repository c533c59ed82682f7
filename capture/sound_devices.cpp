#include "capture/sound_devices.h"

#include <algorithm>
#include <cstring>

#include "capture/device_walk.h"
#include "platform/base/strings.h"
#include "platform/com/com_ptr.h"
#include "platform/dshow/dsound.h"

HRESULT CreateDirectSoundObject(IKsPropertySet** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  CComPtr<IClassFactory> factory;
  HRESULT hr =
      DirectSoundDllGetClassObject(CLSID_DirectSoundPrivate, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr) || !factory) return FAILED(hr) ? hr : E_FAIL;
  return factory->CreateInstance(nullptr, IID_IKsPropertySet, reinterpret_cast<void**>(out));
}

BOOL GetDeviceDescription(GUID id, int* waveId, std::string* description, std::string* module,
                          std::string* interfacePath) {
  CComPtr<IKsPropertySet> props;
  if (FAILED(CreateDirectSoundObject(&props))) return FALSE;
  using Record = DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A_DATA;
  Record record;
  record.DeviceId = id;
  DWORD needed = 0;
  if (FAILED(props->Get(DSPROPSETID_DirectSoundDevice, DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A, nullptr, 0, &record,
                        sizeof record, &needed)) ||
      needed == 0)
    return FALSE;
  // The answer holds the record and its texts; a driver that names a smaller size still gets
  // a buffer the record fits in, so copying the record in can never overrun it.
  std::vector<BYTE> buffer(std::max<std::size_t>(needed, sizeof(Record)), 0);
  std::memcpy(buffer.data(), &record, sizeof record);
  DWORD returned = 0;
  if (SUCCEEDED(props->Get(DSPROPSETID_DirectSoundDevice, DSPROPERTY_DIRECTSOUNDDEVICE_DESCRIPTION_A, nullptr, 0,
                           buffer.data(), static_cast<DWORD>(buffer.size()), &returned))) {
    const auto* answer = reinterpret_cast<const Record*>(buffer.data());
    auto text = [&buffer](const char* p) -> std::string {
      // Texts must lie inside the answer; anything else is ignored.
      const char* begin = reinterpret_cast<const char*>(buffer.data());
      const char* end = begin + buffer.size();
      if (!p || p < begin || p >= end) return {};
      return std::string(p, strnlen(p, static_cast<std::size_t>(end - p)));
    };
    if (waveId) *waveId = static_cast<int>(answer->WaveDeviceId);
    if (description) *description = text(answer->Description);
    if (module) *module = text(answer->Module);
    if (interfacePath) *interfacePath = text(answer->Interface);
  }
  return TRUE;
}

HRESULT GetDeviceIdByWaveName(const char* waveName, BOOL capture, GUID* out) {
  if (!waveName || !out) return E_POINTER;
  CComPtr<IKsPropertySet> props;
  HRESULT hr = CreateDirectSoundObject(&props);
  if (FAILED(hr)) return hr;
  DSPROPERTY_DIRECTSOUNDDEVICE_WAVEDEVICEMAPPING_A_DATA map;
  std::string name = waveName;
  map.DeviceName = name.data();
  map.DataFlow = capture ? DIRECTSOUNDDEVICE_DATAFLOW_CAPTURE : DIRECTSOUNDDEVICE_DATAFLOW_RENDER;
  DWORD returned = 0;
  hr = props->Get(DSPROPSETID_DirectSoundDevice, DSPROPERTY_DIRECTSOUNDDEVICE_WAVEDEVICEMAPPING_A, nullptr, 0, &map,
                  sizeof map, &returned);
  if (SUCCEEDED(hr)) *out = map.DeviceId;
  return hr;
}

BOOL CSoundDeviceList::Collect(GUID* guid, LPCSTR, LPCSTR, LPVOID context) {
  auto* list = static_cast<std::vector<std::unique_ptr<CSoundDeviceItem>>*>(context);
  auto item = std::make_unique<CSoundDeviceItem>();
  if (guid) {
    item->id = *guid;
    GetDeviceDescription(*guid, &item->waveId, &item->description, &item->module, &item->interfacePath);
    item->idText = GuidToString(*guid);
  }
  list->push_back(std::move(item));
  return TRUE;
}

void CSoundDeviceList::Enumerate() {
  Clear();
  DirectSoundCaptureEnumerateA(Collect, &capture_);
  DirectSoundEnumerateA(Collect, &playback_);
}

void CSoundDeviceList::Clear() {
  capture_.clear();
  playback_.clear();
}

std::string CSoundDeviceList::GetInterfaceByWaveId(int waveId) const {
  for (const auto& d : capture_)
    if (d->waveId == waveId) return d->interfacePath;
  return {};
}

std::string CSoundDeviceList::GetDescriptionByWaveId(int waveId) const {
  for (const auto& d : capture_)
    if (d->waveId == waveId) return d->description;
  return {};
}

namespace {
bool HoldsAfterFirst(const std::string& haystack, const std::string& needle) {
  const auto pos = platform::ToUpperAscii(haystack).find(platform::ToUpperAscii(needle));
  return pos != std::string::npos && pos > 0;
}
}  // namespace

int CSoundDeviceList::FindWaveIdByInterfaceText(BOOL playback, const std::string& text) const {
  for (const auto& d : playback ? playback_ : capture_)
    if (HoldsAfterFirst(d->interfacePath, text)) return d->waveId;
  return -1;
}

std::string CSoundDeviceList::GetDescriptionByInterfaceText(const std::string& text) const {
  for (const auto& d : capture_)
    if (HoldsAfterFirst(d->interfacePath, text)) return d->description;
  return {};
}

std::string CSoundDeviceList::GetAudioInputNameByInterfaceText(const std::string& text) const {
  const int waveId = FindWaveIdByInterfaceText(FALSE, text);
  if (waveId < 0) return {};
  CComPtr<IEnumMoniker> monikers = capture::CategoryMonikers(CLSID_AudioInputDeviceCategory, 0);
  if (!monikers) return {};
  std::string name;
  capture::VisitDeviceBags(monikers, [&](IMoniker*, IPropertyBag* bag) {
    platform::com::ScopedVariant wave;
    if (FAILED(bag->Read("WaveInId", wave.get(), nullptr)) || wave->vt != VT_I4 || wave->lVal != waveId) return false;
    capture::ReadBagString(bag, "FriendlyName", &name);  // the whole name, never cut
    return true;
  });
  return name;
}
