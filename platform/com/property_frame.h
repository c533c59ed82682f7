// Property pages: a filter names its pages through ISpecifyPropertyPages and the program asks for
// a frame with OleCreatePropertyFrame. There is no page UI here; each request is recorded so that
// callers and tests can see what was asked.
#pragma once

#include <string>
#include <vector>

#include "platform/com/class_table.h"

DEFINE_GUID(IID_ISpecifyPropertyPages, 0xB196B28B, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);

struct CAUUID {
  ULONG cElems = 0;
  GUID* pElems = nullptr;  // task memory, freed by the caller
};

struct ISpecifyPropertyPages : public IUnknown {
  STDMETHOD(GetPages)(CAUUID* pages) PURE;
};
VIDARRO_INTERFACE(ISpecifyPropertyPages, IUnknown, IID_ISpecifyPropertyPages);

using LCID = DWORD;

HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount, IUnknown** objects,
                               ULONG pageCount, const CLSID* pages, LCID locale, DWORD reserved, LPVOID reserved2);

namespace platform::com {
struct PropertyFrameRequest {
  HWND owner = nullptr;
  std::string caption;
  ULONG objectCount = 0;
  std::vector<CLSID> pages;
};
std::vector<PropertyFrameRequest> PropertyFrameRequests();
void ClearPropertyFrameRequests();
}  // namespace platform::com
