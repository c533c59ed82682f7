// BSTR and VARIANT, as property bags hand out device names and identifiers.
#pragma once

#include <string>

#include "platform/com/class_table.h"

// A BSTR points at UTF-8 text preceded by its byte length and followed by a terminator.
using BSTR = OLECHAR*;

BSTR SysAllocString(LPCOLESTR text);
BSTR SysAllocStringLen(LPCOLESTR text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);

using VARTYPE = WORD;
enum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_BSTR = 8,
  VT_BOOL = 11,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_ARRAY = 0x2000,
};
using VARIANT_BOOL = short;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

struct VARIANT {
  VARTYPE vt = VT_EMPTY;
  union {
    LONG lVal;
    ULONG ulVal;
    short iVal;
    WORD uiVal;
    BYTE bVal;
    LONGLONG llVal;
    ULONGLONG ullVal;
    INT intVal;
    UINT uintVal;
    VARIANT_BOOL boolVal;
    BSTR bstrVal;
  };
  VARIANT() : llVal(0) {}
};
using VARIANTARG = VARIANT;

void VariantInit(VARIANT* v);
HRESULT VariantClear(VARIANT* v);
HRESULT VariantCopy(VARIANT* dest, const VARIANT* source);

namespace platform::com {
// The text of a BSTR as a std::string ("" for NULL).
std::string FromBstr(BSTR text);

// A VARIANT cleared when it goes.
class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&v_); }
  ~ScopedVariant() { VariantClear(&v_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  VARIANT* operator&() { return &v_; }
  VARIANT* get() { return &v_; }
  const VARIANT& operator*() const { return v_; }
  const VARIANT* operator->() const { return &v_; }

 private:
  VARIANT v_;
};
}  // namespace platform::com
