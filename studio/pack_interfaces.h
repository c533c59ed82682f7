// The interfaces between the main program and its editor and burner packs. The slot order is
// the packs' contract: unused slots stay so that later ones keep their places.
#pragma once

#include "platform/com/oleauto.h"
#include "platform/com/unknown.h"
#include "platform/window/messages.h"
#include "widgets/project_document.h"

DEFINE_GUID(IID_IPack, 0x8AC909FC, 0x759C, 0x467F, 0x83, 0xC4, 0x46, 0x7A, 0x2C, 0xE1, 0xF5, 0xBD);
DEFINE_GUID(IID_IPackHost, 0xA627EF86, 0x096C, 0x4AA6, 0xBA, 0x0B, 0x7E, 0xD6, 0x31, 0x6C, 0x60, 0xF7);

struct IPackHost : public IUnknown {
  STDMETHOD(Reserved3)(int value) PURE;
  // A new BSTR the caller frees; E_FAIL for a key the host does not know.
  STDMETHOD(GetValue)(LPCSTR key, BSTR* value) PURE;
  STDMETHOD(Command)(LPCSTR sender, LPCSTR text) PURE;
  STDMETHOD_(int, MessageBox)(LPCSTR text, UINT type) PURE;
  STDMETHOD(DisableMainControls)(BOOL disable) PURE;
  STDMETHOD(CreateSkin)(void** skin) PURE;
  STDMETHOD(Reserved9)(int value) PURE;
  STDMETHOD(GetCurrentPage)(int* page) PURE;
};
VIDARRO_INTERFACE(IPackHost, IUnknown, IID_IPackHost);

struct IPack : public IUnknown {
  STDMETHOD(Reserved3)() PURE;
  STDMETHOD(SetHost)(IPackHost* host) PURE;
  STDMETHOD(Uninitialize)() PURE;
  STDMETHOD(CreateWindow)(DWORD style, const RECT* area, HWND parent) PURE;
  STDMETHOD(DestroyWindow)() PURE;
  STDMETHOD(MoveWindow)(const RECT* area) PURE;
  // Nonzero while the pack must not be left or closed.
  STDMETHOD_(int, QueryBusy)(int reserved) PURE;
  STDMETHOD(Show)(BOOL show) PURE;
  STDMETHOD(Reserved11)() PURE;
  STDMETHOD(Reserved12)() PURE;
  STDMETHOD(LoadProject)(IProjectDocument* document) PURE;
  STDMETHOD(SaveProject)(IProjectDocument* document) PURE;
  STDMETHOD(Reserved15)() PURE;
  // S_OK means yes or done.
  STDMETHOD(Command)(LPCSTR sender, LPCSTR text) PURE;
  STDMETHOD(DropData)(HANDLE data) PURE;
  STDMETHOD(DragOver)(POINT* point, DWORD* effect) PURE;
  STDMETHOD(Reserved19)() PURE;
  // S_OK: the pack consumed the message.
  STDMETHOD(FilterMessage)(MSG* message) PURE;
};
VIDARRO_INTERFACE(IPack, IUnknown, IID_IPack);
