#include "platform/com/oleauto.h"

#include <cstdlib>
#include <cstring>

namespace {
constexpr std::size_t kPrefix = sizeof(UINT);
}

BSTR SysAllocStringLen(LPCOLESTR text, UINT length) {
  char* block = static_cast<char*>(std::malloc(kPrefix + length + 1));
  if (!block) return nullptr;
  std::memcpy(block, &length, kPrefix);
  BSTR result = block + kPrefix;
  if (text) std::memcpy(result, text, length);
  else std::memset(result, 0, length);
  result[length] = '\0';
  return result;
}

BSTR SysAllocString(LPCOLESTR text) {
  if (!text) return nullptr;
  return SysAllocStringLen(text, static_cast<UINT>(std::strlen(text)));
}

void SysFreeString(BSTR text) {
  if (text) std::free(text - kPrefix);
}

UINT SysStringLen(BSTR text) {
  if (!text) return 0;
  UINT length = 0;
  std::memcpy(&length, text - kPrefix, kPrefix);
  return length;
}

UINT SysStringByteLen(BSTR text) { return SysStringLen(text); }

void VariantInit(VARIANT* v) {
  if (!v) return;
  v->vt = VT_EMPTY;
  v->llVal = 0;
}

HRESULT VariantClear(VARIANT* v) {
  if (!v) return E_INVALIDARG;
  if (v->vt == VT_BSTR) SysFreeString(v->bstrVal);
  VariantInit(v);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* source) {
  if (!dest || !source) return E_INVALIDARG;
  if (dest == source) return S_OK;
  VariantClear(dest);
  if (source->vt == VT_BSTR) {
    dest->vt = VT_BSTR;
    dest->bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
    if (source->bstrVal && !dest->bstrVal) {
      VariantInit(dest);
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }
  if (source->vt & VT_ARRAY) return DISP_E_BADVARTYPE;
  *dest = *source;
  return S_OK;
}

namespace platform::com {
std::string FromBstr(BSTR text) { return text ? std::string(text, SysStringLen(text)) : std::string(); }
}  // namespace platform::com
