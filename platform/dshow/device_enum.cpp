// The system device enumerator: one moniker per device of a category, each with its property bag
// and the filter it binds to. Its devices are the simulated hardware or the machine's own
// (platform/base/hardware_source.h; a description set in code counts as simulated), never both.
#include <functional>
#include <map>

#include "platform/com/class_table.h"
#include "platform/com/out_param.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/enumerators.h"
#include "platform/dshow/sim_filters.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/v4l2_capture_filter.h"
#include "platform/dshow/v4l2_devices.h"

namespace platform::dshow {

namespace {

class PropertyBag : public com::ComObject<IPropertyBag> {
 public:
  explicit PropertyBag(std::map<std::string, VARIANT> props) : props_(std::move(props)) {}
  ~PropertyBag() override {
    for (auto& [name, v] : props_) VariantClear(&v);
  }
  STDMETHODIMP Read(LPCOLESTR name, VARIANT* var, IErrorLog*) override {
    if (!name || !var) return E_POINTER;
    auto it = props_.find(name);
    if (it == props_.end()) return E_INVALIDARG;
    // A caller that asks for a type gets it converted where that is plain.
    if (var->vt == VT_BSTR && it->second.vt == VT_I4) {
      const std::string text = std::to_string(it->second.lVal);
      var->bstrVal = SysAllocString(text.c_str());
      return S_OK;
    }
    VariantInit(var);
    return VariantCopy(var, &it->second);
  }
  STDMETHODIMP Write(LPCOLESTR, VARIANT*) override { return E_ACCESSDENIED; }

 private:
  std::map<std::string, VARIANT> props_;
};

VARIANT Text(const std::string& s) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(s.c_str());
  return v;
}

VARIANT Number(LONG n) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = n;
  return v;
}

using Binder = std::function<HRESULT(REFIID, void**)>;

class DeviceMoniker : public com::ComObject<IMoniker> {
 public:
  DeviceMoniker(std::string displayName, std::map<std::string, std::string> texts, std::map<std::string, LONG> numbers,
                Binder binder)
      : displayName_(std::move(displayName)),
        texts_(std::move(texts)),
        numbers_(std::move(numbers)),
        binder_(std::move(binder)) {}
  STDMETHODIMP BindToObject(IBindCtx*, IMoniker*, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    return binder_(riid, ppv);
  }
  STDMETHODIMP BindToStorage(IBindCtx*, IMoniker*, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IPropertyBag) return E_NOINTERFACE;
    std::map<std::string, VARIANT> props;
    for (const auto& [k, v] : texts_) props[k] = Text(v);
    for (const auto& [k, v] : numbers_) props[k] = Number(v);
    auto* bag = new PropertyBag(std::move(props));
    *ppv = static_cast<IPropertyBag*>(bag);
    return S_OK;
  }
  STDMETHODIMP GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* name) override {
    return com::CopyOutText(displayName_, name);
  }

 private:
  std::string displayName_;
  std::map<std::string, std::string> texts_;
  std::map<std::string, LONG> numbers_;
  Binder binder_;
};

Binder BindDevice(const std::string& id) {
  return [id](REFIID riid, void** ppv) { return sim::CreateDeviceFilter(id, riid, ppv); };
}

Binder BindClass(const CLSID& clsid) {
  return [clsid](REFIID riid, void** ppv) { return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, riid, ppv); };
}

class SystemDeviceEnum : public com::ComObject<ICreateDevEnum> {
 public:
  STDMETHODIMP CreateClassEnumerator(REFCLSID category, IEnumMoniker** out, DWORD flags) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    std::vector<CComPtr<IMoniker>> monikers;
    auto add = [&](IMoniker* m) {
      CComPtr<IMoniker> p;
      p.Attach(m);
      monikers.push_back(p);
    };
    const std::string categoryText = GuidToString(category);
    for (const auto& d : sim::Hardware::Instance().Devices()) {
      if (!d.present) continue;
      const bool video = d.kind == sim::DeviceKind::AnalogCard || d.kind == sim::DeviceKind::UsbBox ||
                         d.kind == sim::DeviceKind::DvCamcorder || d.kind == sim::DeviceKind::HdvCamcorder;
      if (category == CLSID_VideoInputDeviceCategory && video) {
        if ((flags & CDEF_DEVMON_PNP_DEVICE) && !d.pnp) continue;
        std::map<std::string, std::string> texts{{"FriendlyName", d.name}, {"CLSID", GuidToString(GUID_NULL)}};
        if (!d.devicePath.empty()) texts["DevicePath"] = d.devicePath;
        if (!d.deviceClassGuid.empty()) texts["DeviceClassGUID"] = d.deviceClassGuid;
        const std::string display =
            d.pnp ? "@device:pnp:" + d.devicePath : "@device:cm:" + categoryText + "\\" + d.name;
        add(new DeviceMoniker(display, texts, {}, BindDevice(d.id)));
      } else if (category == CLSID_AudioInputDeviceCategory && d.kind == sim::DeviceKind::AudioInput) {
        std::map<std::string, LONG> numbers;
        if (d.waveInId >= 0) numbers["WaveInId"] = d.waveInId;
        add(new DeviceMoniker("@device:cm:" + categoryText + "\\" + d.name, {{"FriendlyName", d.name}}, numbers,
                              BindDevice(d.id)));
      }
    }
    if (category == CLSID_VideoInputDeviceCategory && !sim::Hardware::Instance().Simulated()) {
      for (const auto& node : v4l2::CaptureNodes()) {
        std::map<std::string, std::string> texts{
            {"FriendlyName", node.name}, {"CLSID", GuidToString(GUID_NULL)}, {"DevicePath", node.devicePath}};
        add(new DeviceMoniker("@device:pnp:" + node.devicePath, texts, {},
                              [node](REFIID riid, void** ppv) { return v4l2::CreateCaptureFilter(node, riid, ppv); }));
      }
    }
    if (category == CLSID_AudioRendererCategory) {
      const std::string prefix = "@device:cm:" + categoryText + "\\";
      add(new DeviceMoniker(prefix + "Default DirectSound Device", {{"FriendlyName", "Default DirectSound Device"}}, {},
                            BindClass(CLSID_DSoundRender)));
      add(new DeviceMoniker(prefix + "Default WaveOut Device", {{"FriendlyName", "Default WaveOut Device"}}, {},
                            BindClass(CLSID_AudioRender)));
      for (const auto& d : sim::Hardware::Instance().Devices()) {
        if (!d.present || d.kind != sim::DeviceKind::Playback) continue;
        const std::string ds = "DirectSound: " + d.dsDescription;
        add(new DeviceMoniker(prefix + ds, {{"FriendlyName", ds}}, {}, BindClass(CLSID_DSoundRender)));
        add(new DeviceMoniker(prefix + d.dsDescription, {{"FriendlyName", d.dsDescription}}, {},
                              BindClass(CLSID_AudioRender)));
      }
    }
    if (monikers.empty()) return S_FALSE;
    *out = new CEnumMoniker(std::move(monikers));
    return S_OK;
  }
};

}  // namespace

namespace internal {
HRESULT CreateSystemDeviceEnum(REFIID riid, void** ppv) { return com::HandOver(new SystemDeviceEnum(), riid, ppv); }
}  // namespace internal

}  // namespace platform::dshow
