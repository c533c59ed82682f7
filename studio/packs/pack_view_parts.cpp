#include "pack_view_parts.h"

#include "platform/gdi/sys_colors.h"

namespace studio::packs {

void RegisterPackViewClass(const char* className, WNDPROC proc) {
  WNDCLASS existing{};
  if (GetClassInfo(nullptr, className, &existing)) return;
  WNDCLASS wc{};
  wc.lpfnWndProc = proc;
  wc.lpszClassName = className;
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  RegisterClass(&wc);
}

HWND PackChild(const char* cls, const char* text, DWORD style, int id, HWND parent, DWORD exStyle) {
  return CreateWindowEx(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

}  // namespace studio::packs
