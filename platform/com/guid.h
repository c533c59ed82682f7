// GUID, IID and CLSID with the platform's layout, comparison and text form.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "platform/base/win_types.h"

struct GUID {
  DWORD Data1 = 0;
  WORD Data2 = 0;
  WORD Data3 = 0;
  BYTE Data4[8] = {};
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using LPGUID = GUID*;
using LPCLSID = CLSID*;

constexpr bool IsEqualGUID(REFGUID a, REFGUID b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}
constexpr bool IsEqualIID(REFIID a, REFIID b) { return IsEqualGUID(a, b); }
constexpr bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return IsEqualGUID(a, b); }
constexpr bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }
constexpr bool operator!=(REFGUID a, REFGUID b) { return !IsEqualGUID(a, b); }
// Orders GUIDs field by field, so they can key ordered maps.
bool operator<(REFGUID a, REFGUID b);

// Declares a named GUID constant the way the SDK spells them:
// DEFINE_GUID(IID_IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, ...).
#define DEFINE_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
  inline constexpr GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

DEFINE_GUID(GUID_NULL, 0x00000000, 0x0000, 0x0000, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00);
inline constexpr const GUID& IID_NULL = GUID_NULL;
inline constexpr const GUID& CLSID_NULL = GUID_NULL;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, as StringFromGUID2 writes it.
std::string GuidToString(REFGUID guid);
// Reads the braced form (braces optional, any case); false on anything else.
bool GuidFromString(const std::string& text, GUID* guid);
// StringFromGUID2: writes the braced form with its terminator; returns the characters written
// including the terminator, or 0 when the buffer is too small (39 are needed).
int StringFromGUID2(REFGUID guid, char* buffer, int size);

struct GuidHash {
  std::size_t operator()(REFGUID g) const noexcept;
};
