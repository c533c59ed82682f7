// OLE drag and drop: drop sources and targets, registering a window as a target, and the drag
// loop itself. The loop runs on the calling thread as a nested modal loop fed by the window
// system's input (injected in tests): moves ask the target under the pointer, releasing the
// button drops, Esc cancels. Targets are called directly on the dragging thread.
#pragma once

#include "platform/base/win_types.h"
#include "platform/com/unknown.h"
#include "platform/ole/data_object.h"

using DROPEFFECT = DWORD;
constexpr DROPEFFECT DROPEFFECT_NONE = 0;
constexpr DROPEFFECT DROPEFFECT_COPY = 1;
constexpr DROPEFFECT DROPEFFECT_MOVE = 2;
constexpr DROPEFFECT DROPEFFECT_LINK = 4;
constexpr DROPEFFECT DROPEFFECT_SCROLL = 0x80000000;

// Key state bits of drag calls beyond the mouse ones (MK_LBUTTON...).
constexpr DWORD MK_ALT = 0x0020;

using SCODE = HRESULT;
constexpr HRESULT DRAGDROP_S_DROP = static_cast<HRESULT>(0x00040100);
constexpr HRESULT DRAGDROP_S_CANCEL = static_cast<HRESULT>(0x00040101);
constexpr HRESULT DRAGDROP_S_USEDEFAULTCURSORS = static_cast<HRESULT>(0x00040102);
constexpr HRESULT DRAGDROP_E_NOTREGISTERED = static_cast<HRESULT>(0x80040100);
constexpr HRESULT DRAGDROP_E_ALREADYREGISTERED = static_cast<HRESULT>(0x80040101);
constexpr HRESULT DRAGDROP_E_INVALIDHWND = static_cast<HRESULT>(0x80040102);

struct POINTL {
  LONG x = 0;
  LONG y = 0;
};

DEFINE_GUID(IID_IDropSource, 0x00000121, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IDropTarget, 0x00000122, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

struct IDropSource : public IUnknown {
  // S_OK to go on, DRAGDROP_S_DROP or DRAGDROP_S_CANCEL to end.
  STDMETHOD(QueryContinueDrag)(BOOL escapePressed, DWORD keyState) PURE;
  STDMETHOD(GiveFeedback)(DWORD effect) PURE;
};
VIDARRO_INTERFACE(IDropSource, IUnknown, IID_IDropSource);
using LPDROPSOURCE = IDropSource*;

// Points are screen coordinates; *effect comes in as the effects the source allows and goes
// out as the one the target would take.
struct IDropTarget : public IUnknown {
  STDMETHOD(DragEnter)(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect) PURE;
  STDMETHOD(DragOver)(DWORD keyState, POINTL pt, DWORD* effect) PURE;
  STDMETHOD(DragLeave)() PURE;
  STDMETHOD(Drop)(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect) PURE;
};
VIDARRO_INTERFACE(IDropTarget, IUnknown, IID_IDropTarget);
using LPDROPTARGET = IDropTarget*;

// Per thread, counted; RegisterDragDrop refuses (E_OUTOFMEMORY, as the platform does) on a
// thread that has not initialised OLE.
HRESULT OleInitialize(LPVOID reserved);
void OleUninitialize();

// The window keeps a reference to the target until RevokeDragDrop; a destroyed window's
// registration is never found again, but its reference is only dropped by RevokeDragDrop.
HRESULT RegisterDragDrop(HWND hwnd, IDropTarget* target);
HRESULT RevokeDragDrop(HWND hwnd);

// DRAGDROP_S_DROP with the effect the target's Drop answered (limited to okEffects), or
// DRAGDROP_S_CANCEL with DROPEFFECT_NONE: Esc, the source's answer, the capture taken away, a
// script that ran out, or a release over no target / a target that wanted none (that target
// hears DragLeave). A failing Drop returns its error with DROPEFFECT_NONE. E_UNEXPECTED while
// another drag runs on this thread.
HRESULT DoDragDrop(IDataObject* data, IDropSource* source, DWORD okEffects, DWORD* effect);

namespace platform::ole {
// The target registered for a window or, failing that, its nearest ancestor; with the window
// it belongs to. Null when there is none.
CComPtr<IDropTarget> FindDropTarget(HWND hwnd, HWND* owner);
// The mouse buttons and modifiers down, as drag calls pass them (MK_*).
DWORD CurrentKeyState();
// True while DoDragDrop runs on this thread.
bool DragInProgress();
}  // namespace platform::ole
