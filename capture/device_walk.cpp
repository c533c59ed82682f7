#include "capture/device_walk.h"

#include "platform/com/class_table.h"

namespace capture {

CComPtr<IEnumMoniker> CategoryMonikers(const CLSID& category, DWORD flags, HRESULT* result) {
  CComPtr<ICreateDevEnum> devEnum;
  CComPtr<IEnumMoniker> monikers;
  HRESULT hr = devEnum.CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER);
  if (SUCCEEDED(hr)) hr = devEnum->CreateClassEnumerator(category, &monikers, flags);
  if (hr != S_OK) monikers = nullptr;
  if (result) *result = hr;
  return monikers;
}

bool VisitDeviceBags(IEnumMoniker* monikers, const std::function<bool(IMoniker*, IPropertyBag*)>& visit) {
  IMoniker* m = nullptr;
  while (monikers->Next(1, &m, nullptr) == S_OK) {
    CComPtr<IMoniker> moniker;
    moniker.Attach(m);
    CComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)))) continue;
    if (visit(moniker, bag)) return true;
  }
  return false;
}

bool ReadBagString(IPropertyBag* bag, const char* name, std::string* value) {
  platform::com::ScopedVariant v;
  v.get()->vt = VT_BSTR;
  const bool present = SUCCEEDED(bag->Read(name, v.get(), nullptr)) && v->vt == VT_BSTR;
  *value = present ? platform::com::FromBstr(v->bstrVal) : std::string();
  return present;
}

bool FirstTypeIs(IPin* pin, const GUID& major) {
  CComPtr<IEnumMediaTypes> types;
  if (FAILED(pin->EnumMediaTypes(&types)) || !types) return false;
  AM_MEDIA_TYPE* mt = nullptr;
  if (types->Next(1, &mt, nullptr) != S_OK || !mt) return false;
  const bool match = mt->majortype == major;
  DeleteMediaType(mt);
  return match;
}

}  // namespace capture
