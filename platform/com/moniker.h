// Monikers, property bags and the running object table, as the system device enumerator and the
// graph's diagnostics use them.
#pragma once

#include <string>
#include <vector>

#include "platform/com/oleauto.h"

DEFINE_GUID(IID_IPersist, 0x0000010C, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IMoniker, 0x0000000F, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IEnumMoniker, 0x00000102, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IBindCtx, 0x0000000E, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IRunningObjectTable, 0x00000010, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IPropertyBag, 0x55272A00, 0x42CB, 0x11CE, 0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51);
DEFINE_GUID(IID_IErrorLog, 0x3127CA40, 0x446E, 0x11CE, 0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51);

struct IPersist : public IUnknown {
  STDMETHOD(GetClassID)(CLSID* classId) PURE;
};
VIDARRO_INTERFACE(IPersist, IUnknown, IID_IPersist);

// Bind contexts carry nothing here; callers pass NULL.
struct IBindCtx : public IUnknown {};
VIDARRO_INTERFACE(IBindCtx, IUnknown, IID_IBindCtx);

struct IErrorLog : public IUnknown {
  STDMETHOD(AddError)(LPCOLESTR propName, void* excepInfo) PURE;
};
VIDARRO_INTERFACE(IErrorLog, IUnknown, IID_IErrorLog);

struct IPropertyBag : public IUnknown {
  // E_INVALIDARG for a property the bag does not hold; the VARIANT is left empty then.
  STDMETHOD(Read)(LPCOLESTR propName, VARIANT* var, IErrorLog* errorLog) PURE;
  STDMETHOD(Write)(LPCOLESTR propName, VARIANT* var) PURE;
};
VIDARRO_INTERFACE(IPropertyBag, IUnknown, IID_IPropertyBag);

// The methods of a moniker that device enumeration and the running object table use.
struct IMoniker : public IUnknown {
  STDMETHOD(BindToObject)(IBindCtx* ctx, IMoniker* left, REFIID riid, void** ppv) PURE;
  STDMETHOD(BindToStorage)(IBindCtx* ctx, IMoniker* left, REFIID riid, void** ppv) PURE;
  // The text is task memory the caller frees with CoTaskMemFree.
  STDMETHOD(GetDisplayName)(IBindCtx* ctx, IMoniker* left, LPOLESTR* displayName) PURE;
};
VIDARRO_INTERFACE(IMoniker, IUnknown, IID_IMoniker);

struct IEnumMoniker : public IUnknown {
  STDMETHOD(Next)(ULONG count, IMoniker** monikers, ULONG* fetched) PURE;
  STDMETHOD(Skip)(ULONG count) PURE;
  STDMETHOD(Reset)() PURE;
  STDMETHOD(Clone)(IEnumMoniker** clone) PURE;
};
VIDARRO_INTERFACE(IEnumMoniker, IUnknown, IID_IEnumMoniker);

struct IRunningObjectTable : public IUnknown {
  STDMETHOD(Register)(DWORD flags, IUnknown* object, IMoniker* name, DWORD* cookie) PURE;
  STDMETHOD(Revoke)(DWORD cookie) PURE;
  STDMETHOD(IsRunning)(IMoniker* name) PURE;
  STDMETHOD(GetObject)(IMoniker* name, IUnknown** object) PURE;
};
VIDARRO_INTERFACE(IRunningObjectTable, IUnknown, IID_IRunningObjectTable);

HRESULT GetRunningObjectTable(DWORD reserved, IRunningObjectTable** table);
// An item moniker's display name is the delimiter followed by the item.
HRESULT CreateItemMoniker(LPCOLESTR delimiter, LPCOLESTR item, IMoniker** moniker);

namespace platform::com {
// Display names of what the running object table holds now, in registration order.
std::vector<std::string> RunningObjectNames();
// Display name of a moniker, or "" when it gives none.
std::string DisplayNameOf(IMoniker* moniker);
}  // namespace platform::com
