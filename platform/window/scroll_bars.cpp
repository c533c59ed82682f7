#include "platform/window/scroll_bars.h"

#include <algorithm>

#include "platform/window/paint.h"
#include "platform/window/window_internal.h"

using namespace platform::win;

namespace platform::win {

int MaxScrollPos(const SCROLLINFO& s) { return s.nMax - std::max(0, static_cast<int>(s.nPage) - 1); }

void MergeScrollInfo(SCROLLINFO& into, const SCROLLINFO& from) {
  if (from.fMask & SIF_RANGE) {
    into.nMin = from.nMin;
    into.nMax = from.nMax;
  }
  if (from.fMask & SIF_PAGE) into.nPage = from.nPage;
  if (from.fMask & SIF_POS) into.nPos = from.nPos;
  if (into.nMax < into.nMin) into.nMax = into.nMin;
  const UINT range = static_cast<UINT>(static_cast<int64_t>(into.nMax) - into.nMin + 1);
  if (into.nPage > range) into.nPage = range;
  const int top = std::max(into.nMin, MaxScrollPos(into));
  into.nPos = std::clamp(into.nPos, into.nMin, top);
  into.nTrackPos = std::clamp(into.nTrackPos, into.nMin, top);
}

void CopyScrollInfo(const SCROLLINFO& from, SCROLLINFO* to) {
  if (to->fMask & SIF_RANGE) {
    to->nMin = from.nMin;
    to->nMax = from.nMax;
  }
  if (to->fMask & SIF_PAGE) to->nPage = from.nPage;
  if (to->fMask & SIF_POS) to->nPos = from.nPos;
  if (to->fMask & SIF_TRACKPOS) to->nTrackPos = from.nTrackPos;
}

}  // namespace platform::win

namespace {

DWORD BarBits(int bar) { return bar == SB_HORZ ? WS_HSCROLL : bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL | WS_VSCROLL; }

bool Scrollable(const SCROLLINFO& s) {
  return s.nMax > s.nMin && static_cast<int64_t>(s.nPage) < static_cast<int64_t>(s.nMax) - s.nMin + 1;
}

// Shows or hides bars; when the client area changes the window hears WM_NCCALCSIZE and WM_SIZE and
// is drawn again whole.
void SetBarStyle(HWND hwnd, DWORD bits, bool show) {
  RECT before{};
  RECT after{};
  {
    std::lock_guard lock(TableLock());
    auto w = FindLocked(hwnd);
    if (!w) return;
    const DWORD style = show ? (w->style | bits) : (w->style & ~bits);
    if (style == w->style) return;
    before = ClientRectOf(*w);
    w->style = style;
    after = ClientRectOf(*w);
  }
  RECT wr{};
  GetWindowRect(hwnd, &wr);
  if (HWND parent = GetParent(hwnd); parent && (GetWindowLong(hwnd, GWL_STYLE) & WS_CHILD))
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&wr), 2);
  SendMessage(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&wr));
  if (!EqualRect(&before, &after))
    SendMessage(hwnd, WM_SIZE, SIZE_RESTORED,
                MAKELPARAM(static_cast<WORD>(after.right), static_cast<WORD>(after.bottom)));
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

}  // namespace

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw) {
  if (!IsWindow(hwnd) || !info) return 0;
  if (bar == SB_CTL)
    return static_cast<int>(SendMessage(hwnd, SBM_SETSCROLLINFO, redraw, reinterpret_cast<LPARAM>(info)));
  if (bar != SB_HORZ && bar != SB_VERT) return 0;
  int pos;
  bool scrollable;
  bool keep;
  bool shown;
  {
    std::lock_guard lock(TableLock());
    auto w = FindLocked(hwnd);
    if (!w) return 0;
    SCROLLINFO& s = w->bars[bar];
    MergeScrollInfo(s, *info);
    pos = s.nPos;
    scrollable = Scrollable(s);
    if (info->fMask & (SIF_RANGE | SIF_PAGE)) w->barKept[bar] = (info->fMask & SIF_DISABLENOSCROLL) != 0;
    keep = w->barKept[bar];
    shown = (w->style & BarBits(bar)) != 0;
  }
  // Only range and page changes show or hide a bar; a position alone never does.
  if (info->fMask & (SIF_RANGE | SIF_PAGE)) {
    if (scrollable || keep) SetBarStyle(hwnd, BarBits(bar), true);
    else SetBarStyle(hwnd, BarBits(bar), false);
  } else if (redraw && shown) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
  }
  if (redraw && (info->fMask & (SIF_RANGE | SIF_PAGE)) && (scrollable || keep))
    RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
  return pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info) {
  if (!IsWindow(hwnd) || !info) return FALSE;
  if (bar == SB_CTL) return static_cast<BOOL>(SendMessage(hwnd, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(info)));
  if (bar != SB_HORZ && bar != SB_VERT) return FALSE;
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w) return FALSE;
  CopyScrollInfo(w->bars[bar], info);
  return TRUE;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
  SCROLLINFO old;
  old.fMask = SIF_POS;
  if (!GetScrollInfo(hwnd, bar, &old)) return 0;
  SCROLLINFO s;
  s.fMask = SIF_POS;
  s.nPos = pos;
  SetScrollInfo(hwnd, bar, &s, redraw);
  return old.nPos;
}

int GetScrollPos(HWND hwnd, int bar) {
  SCROLLINFO s;
  s.fMask = SIF_POS;
  return GetScrollInfo(hwnd, bar, &s) ? s.nPos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
  if (!IsWindow(hwnd)) return FALSE;
  SCROLLINFO s;
  s.fMask = SIF_RANGE;
  s.nMin = minPos;
  s.nMax = maxPos;
  SetScrollInfo(hwnd, bar, &s, redraw);
  return TRUE;
}

BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos) {
  SCROLLINFO s;
  s.fMask = SIF_RANGE;
  if (!minPos || !maxPos || !GetScrollInfo(hwnd, bar, &s)) return FALSE;
  *minPos = s.nMin;
  *maxPos = s.nMax;
  return TRUE;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
  if (!IsWindow(hwnd)) return FALSE;
  if (bar == SB_CTL) return ShowWindow(hwnd, show ? SW_SHOW : SW_HIDE), TRUE;
  if (bar != SB_HORZ && bar != SB_VERT && bar != SB_BOTH) return FALSE;
  SetBarStyle(hwnd, BarBits(bar), show != FALSE);
  return TRUE;
}
