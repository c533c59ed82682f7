// Property pages: a filter names its pages through ISpecifyPropertyPages, each page is an
// IPropertyPage made from the class table, and OleCreatePropertyFrame shows them in one modal
// frame. The frame lives in a higher layer, which installs itself here (SetPropertyFrameShower);
// without it the call fails with E_NOTIMPL. Every frame asked for is also logged.
#pragma once

#include <string>
#include <vector>

#include "platform/com/class_table.h"

DEFINE_GUID(IID_ISpecifyPropertyPages, 0xB196B28B, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
DEFINE_GUID(IID_IPropertyPageSite, 0xB196B28C, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
DEFINE_GUID(IID_IPropertyPage, 0xB196B28D, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);

struct CAUUID {
  ULONG cElems = 0;
  GUID* pElems = nullptr;  // task memory, freed by the caller
};

struct ISpecifyPropertyPages : public IUnknown {
  STDMETHOD(GetPages)(CAUUID* pages) PURE;
};
VIDARRO_INTERFACE(ISpecifyPropertyPages, IUnknown, IID_ISpecifyPropertyPages);

using LCID = DWORD;
struct MSG;  // the window system's, handed through untouched

struct PROPPAGEINFO {
  ULONG cb = sizeof(PROPPAGEINFO);
  LPOLESTR pszTitle = nullptr;  // task memory, freed by the caller
  SIZE size{};                  // pixels
  LPOLESTR pszDocString = nullptr;
  LPOLESTR pszHelpFile = nullptr;
  DWORD dwHelpContext = 0;
};

constexpr DWORD PROPPAGESTATUS_DIRTY = 0x1;
constexpr DWORD PROPPAGESTATUS_VALIDATE = 0x2;
constexpr DWORD PROPPAGESTATUS_CLEAN = 0x4;

struct IPropertyPageSite : public IUnknown {
  STDMETHOD(OnStatusChange)(DWORD flags) PURE;
  STDMETHOD(GetLocaleID)(LCID* locale) PURE;
  STDMETHOD(GetPageContainer)(IUnknown** container) PURE;
  STDMETHOD(TranslateAccelerator)(MSG* msg) PURE;
};
VIDARRO_INTERFACE(IPropertyPageSite, IUnknown, IID_IPropertyPageSite);

struct IPropertyPage : public IUnknown {
  STDMETHOD(SetPageSite)(IPropertyPageSite* site) PURE;
  STDMETHOD(Activate)(HWND parent, const RECT* rect, BOOL modal) PURE;
  STDMETHOD(Deactivate)() PURE;
  STDMETHOD(GetPageInfo)(PROPPAGEINFO* info) PURE;
  STDMETHOD(SetObjects)(ULONG count, IUnknown** objects) PURE;
  STDMETHOD(Show)(UINT cmdShow) PURE;
  STDMETHOD(Move)(const RECT* rect) PURE;
  STDMETHOD(IsPageDirty)() PURE;
  STDMETHOD(Apply)() PURE;
  STDMETHOD(Help)(LPCOLESTR helpDir) PURE;
  STDMETHOD(TranslateAccelerator)(MSG* msg) PURE;
};
VIDARRO_INTERFACE(IPropertyPage, IUnknown, IID_IPropertyPage);

HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount, IUnknown** objects,
                               ULONG pageCount, const CLSID* pages, LCID locale, DWORD reserved, LPVOID reserved2);

namespace platform::com {

struct PropertyFrameRequest {
  HWND owner = nullptr;
  UINT x = 0, y = 0;
  std::string caption;  // empty: none given
  ULONG objectCount = 0;
  IUnknown** objects = nullptr;  // valid during the call only
  std::vector<CLSID> pages;
};

// Shows the frame modally and returns when it closes.
using PropertyFrameShower = HRESULT (*)(const PropertyFrameRequest& request);
void SetPropertyFrameShower(PropertyFrameShower shower);

}  // namespace platform::com
