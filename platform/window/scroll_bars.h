// Scroll information: the bars in a window's own non-client area (WS_VSCROLL/WS_HSCROLL) and the
// calls that serve both them and scroll bar controls (SB_CTL goes to the control's SBM_ messages).
#pragma once

#include "platform/base/win_types.h"

constexpr UINT SBM_SETSCROLLINFO = 0x00E9;
constexpr UINT SBM_GETSCROLLINFO = 0x00EA;
constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_CTL = 2;
constexpr int SB_BOTH = 3;
constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int nMin = 0;
  int nMax = 0;
  UINT nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};
using LPSCROLLINFO = SCROLLINFO*;

// A window's own bar shows itself when its range becomes scrollable and hides when it stops being
// so (unless SIF_DISABLENOSCROLL keeps it, disabled); the client area shrinks by the bar.
int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw);
BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info);
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND hwnd, int bar);
BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw);
BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos);
BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show);

namespace platform::win {

// Takes the fields of from that its fMask names, then keeps page and positions inside the range.
void MergeScrollInfo(SCROLLINFO& into, const SCROLLINFO& from);
// Copies out the fields that to->fMask asks for.
void CopyScrollInfo(const SCROLLINFO& from, SCROLLINFO* to);
// The highest position the thumb reaches: nMax less one page.
int MaxScrollPos(const SCROLLINFO& s);

}  // namespace platform::win
