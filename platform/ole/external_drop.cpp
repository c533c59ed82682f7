#include "platform/ole/external_drop.h"

#include "platform/ole/drop_files.h"
#include "platform/window/focus.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"

namespace platform::ole {
namespace {

HWND FileAcceptor(HWND hwnd) {
  for (HWND h = hwnd; h && IsWindow(h);) {
    if (GetWindowLong(h, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) return h;
    if (!(GetWindowLong(h, GWL_STYLE) & WS_CHILD)) break;
    h = GetParent(h);
  }
  return nullptr;
}

DROPEFFECT ToTarget(IDropTarget* target, POINT screen, const std::vector<std::string>& paths, DWORD keyState) {
  CComPtr<IDataObject> data = CreateGlobalDataObject(CF_HDROP, BuildDropFiles(paths));
  if (!data) return DROPEFFECT_NONE;
  const POINTL pt{screen.x, screen.y};
  DWORD effect = kFileManagerEffects;
  if (FAILED(target->DragEnter(data, keyState | MK_LBUTTON, pt, &effect))) return DROPEFFECT_NONE;
  if ((effect & ~DROPEFFECT_SCROLL) == DROPEFFECT_NONE) {
    target->DragLeave();
    return DROPEFFECT_NONE;
  }
  effect = kFileManagerEffects;
  if (FAILED(target->Drop(data, keyState, pt, &effect))) return DROPEFFECT_NONE;
  return effect & kFileManagerEffects;
}

DROPEFFECT ToWindow(HWND acceptor, POINT screen, const std::vector<std::string>& paths) {
  POINT client = screen;
  ScreenToClient(acceptor, &client);
  HGLOBAL list = BuildDropFiles(paths, client, FALSE);
  if (!list) return DROPEFFECT_NONE;
  if (!PostMessage(acceptor, WM_DROPFILES, reinterpret_cast<WPARAM>(list), 0)) {
    DragFinish(reinterpret_cast<HDROP>(list));
    return DROPEFFECT_NONE;
  }
  return DROPEFFECT_COPY;
}

DROPEFFECT Deliver(HWND hwnd, POINT screen, const std::vector<std::string>& paths, DWORD keyState) {
  if (!hwnd || !IsWindow(hwnd)) return DROPEFFECT_NONE;
  HWND owner = nullptr;
  if (CComPtr<IDropTarget> target = FindDropTarget(hwnd, &owner)) return ToTarget(target, screen, paths, keyState);
  if (HWND acceptor = FileAcceptor(hwnd)) return ToWindow(acceptor, screen, paths);
  return DROPEFFECT_NONE;
}

}  // namespace

DROPEFFECT DropFilesOnWindow(HWND hwnd, POINT client, const std::vector<std::string>& paths, DWORD keyState) {
  POINT screen = client;
  if (!ClientToScreen(hwnd, &screen)) return DROPEFFECT_NONE;
  return Deliver(hwnd, screen, paths, keyState);
}

DROPEFFECT DropFilesAt(POINT screen, const std::vector<std::string>& paths, DWORD keyState) {
  return Deliver(WindowFromPoint(screen), screen, paths, keyState);
}

}  // namespace platform::ole
