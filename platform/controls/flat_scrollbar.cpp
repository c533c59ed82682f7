// Flat scroll bars: per-window properties over the ordinary scroll information.
#include <map>
#include <mutex>

#include "platform/controls/commctrl.h"
#include "platform/window/monitors.h"

namespace {

struct FlatBars {
  std::mutex mutex;
  std::map<HWND, std::map<int, INT_PTR>> props;  // windows that called InitializeFlatSB
  std::map<std::pair<HWND, int>, UINT> disabled;
};

FlatBars& Flat() {
  static FlatBars* f = new FlatBars;
  return *f;
}

INT_PTR DefaultProp(int index) {
  switch (index) {
    case WSB_PROP_CYVSCROLL:
    case WSB_PROP_CYHSCROLL: return GetSystemMetrics(SM_CYHSCROLL);
    case WSB_PROP_CXHSCROLL:
    case WSB_PROP_CXVSCROLL: return GetSystemMetrics(SM_CXVSCROLL);
    case WSB_PROP_CXHTHUMB:
    case WSB_PROP_CYVTHUMB: return 16;
    case WSB_PROP_VBKGCOLOR:
    case WSB_PROP_HBKGCOLOR: return static_cast<INT_PTR>(0xFFFFFFFF);
    case WSB_PROP_VSTYLE:
    case WSB_PROP_HSTYLE: return FSB_REGULAR_MODE;
    default: return 0;
  }
}

}  // namespace

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
  if (!IsWindow(hwnd) || bar > static_cast<UINT>(SB_BOTH) || arrows > ESB_DISABLE_BOTH) return FALSE;
  if (bar == static_cast<UINT>(SB_CTL)) {
    EnableWindow(hwnd, arrows == ESB_DISABLE_BOTH ? FALSE : TRUE);
    return TRUE;
  }
  std::lock_guard lock(Flat().mutex);
  for (int b : {SB_HORZ, SB_VERT})
    if (bar == static_cast<UINT>(b) || bar == static_cast<UINT>(SB_BOTH)) Flat().disabled[{hwnd, b}] = arrows;
  return TRUE;
}

BOOL InitializeFlatSB(HWND hwnd) {
  if (!IsWindow(hwnd)) return FALSE;
  std::lock_guard lock(Flat().mutex);
  auto& all = Flat().props;
  for (auto it = all.begin(); it != all.end();) it = IsWindow(it->first) ? std::next(it) : all.erase(it);
  all[hwnd];
  return TRUE;
}

HRESULT UninitializeFlatSB(HWND hwnd) {
  std::lock_guard lock(Flat().mutex);
  return Flat().props.erase(hwnd) ? S_OK : E_FAIL;
}

BOOL FlatSB_EnableScrollBar(HWND hwnd, int bar, UINT arrows) {
  return EnableScrollBar(hwnd, static_cast<UINT>(bar), arrows);
}
BOOL FlatSB_ShowScrollBar(HWND hwnd, int bar, BOOL show) { return ShowScrollBar(hwnd, bar, show); }
BOOL FlatSB_GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos) {
  return GetScrollRange(hwnd, bar, minPos, maxPos);
}
BOOL FlatSB_GetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info) { return GetScrollInfo(hwnd, bar, info); }
int FlatSB_GetScrollPos(HWND hwnd, int bar) { return GetScrollPos(hwnd, bar); }
int FlatSB_SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) { return SetScrollPos(hwnd, bar, pos, redraw); }
int FlatSB_SetScrollInfo(HWND hwnd, int bar, LPSCROLLINFO info, BOOL redraw) {
  return SetScrollInfo(hwnd, bar, info, redraw);
}
int FlatSB_SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
  int old = GetScrollPos(hwnd, bar);
  SetScrollRange(hwnd, bar, minPos, maxPos, redraw);
  return old;
}

BOOL FlatSB_GetScrollProp(HWND hwnd, int index, int* value) {
  if (!value) return FALSE;
  std::lock_guard lock(Flat().mutex);
  auto it = Flat().props.find(hwnd);
  if (it == Flat().props.end() || !IsWindow(hwnd)) return FALSE;
  auto p = it->second.find(index);
  *value = static_cast<int>(p == it->second.end() ? DefaultProp(index) : p->second);
  return TRUE;
}

BOOL FlatSB_SetScrollProp(HWND hwnd, UINT index, INT_PTR value, BOOL) {
  std::lock_guard lock(Flat().mutex);
  auto it = Flat().props.find(hwnd);
  if (it == Flat().props.end() || !IsWindow(hwnd) || index == 0 || index > 0x0FFF) return FALSE;
  it->second[static_cast<int>(index)] = value;
  return TRUE;
}
