#include "audiorec/capture_filter_lookup.h"

#include "capture/device_walk.h"
#include "platform/base/strings.h"

HRESULT FindCaptureFilter(const CLSID& category, const std::string& name, IBaseFilter** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (name.empty()) return E_FAIL;
  HRESULT hr = S_OK;
  for (const bool exact : {true, false}) {
    CComPtr<IEnumMoniker> monikers = capture::CategoryMonikers(category, 0, &hr);
    if (!monikers) return E_FAIL;
    hr = E_FAIL;
    capture::VisitDeviceBags(monikers, [&](IMoniker* moniker, IPropertyBag* bag) {
      std::string friendly;
      if (!capture::ReadBagString(bag, "FriendlyName", &friendly) || friendly.empty()) return false;
      const bool match = exact ? platform::EqualsNoCase(friendly, name) : name.find(friendly) != std::string::npos;
      if (!match) return false;
      hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(out));
      return true;
    });
    if (SUCCEEDED(hr) && *out) return S_OK;
  }
  return E_FAIL;
}
