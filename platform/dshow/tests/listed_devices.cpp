#include "platform/dshow/tests/listed_devices.h"

#include <gtest/gtest.h>

#include "platform/com/oleauto.h"
#include "platform/dshow/uuids.h"

namespace dshowtest {
namespace {

std::string Read(IPropertyBag* bag, const char* name) {
  platform::com::ScopedVariant v;
  v.get()->vt = VT_BSTR;
  if (!bag || FAILED(bag->Read(name, v.get(), nullptr))) return "";
  return platform::com::FromBstr(v->bstrVal);
}

}  // namespace

std::vector<ListedDevice> ListedVideoDevices() {
  std::vector<ListedDevice> out;
  CComPtr<ICreateDevEnum> devEnum;
  EXPECT_EQ(devEnum.CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  IEnumMoniker* e = nullptr;
  if (devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &e, CDEF_DEVMON_PNP_DEVICE) != S_OK) return out;
  CComPtr<IEnumMoniker> monikers;
  monikers.Attach(e);
  IMoniker* m = nullptr;
  while (monikers->Next(1, &m, nullptr) == S_OK) {
    ListedDevice l;
    l.moniker.Attach(m);
    CComPtr<IPropertyBag> bag;
    m->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag));
    l.name = Read(bag, "FriendlyName");
    l.path = Read(bag, "DevicePath");
    l.classGuid = Read(bag, "DeviceClassGUID");
    out.push_back(l);
  }
  return out;
}

CComPtr<IBaseFilter> BindListedVideoDevice(const std::string& name) {
  CComPtr<IBaseFilter> filter;
  for (auto& l : ListedVideoDevices()) {
    if (l.name == name) {
      EXPECT_EQ(l.moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter)), S_OK);
    }
  }
  return filter;
}

}  // namespace dshowtest
