// CScrollBar: a scroll bar control ("ScrollBar", SB_CTL) as a window object. Its own class so the
// WM_HSCROLL/WM_VSCROLL handlers of every window can name it; the control behind it is the
// controls layer's, registered with the standard controls.
#pragma once

#include <algorithm>

#include "platform/window/afx_wnd.h"
#include "platform/window/scroll_bars.h"

class CScrollBar : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("ScrollBar", "", style, rect, parent, id);
  }
  BOOL SetScrollInfo(LPSCROLLINFO info, BOOL redraw = TRUE) {
    return ::SetScrollInfo(m_hWnd, SB_CTL, info, redraw) >= 0;
  }
  BOOL GetScrollInfo(LPSCROLLINFO info, UINT mask = SIF_ALL) {
    info->fMask = mask;
    return ::GetScrollInfo(m_hWnd, SB_CTL, info);
  }
  int SetScrollPos(int pos, BOOL redraw = TRUE) { return ::SetScrollPos(m_hWnd, SB_CTL, pos, redraw); }
  int GetScrollPos() const { return ::GetScrollPos(m_hWnd, SB_CTL); }
  void SetScrollRange(int lo, int hi, BOOL redraw = TRUE) { ::SetScrollRange(m_hWnd, SB_CTL, lo, hi, redraw); }
  void GetScrollRange(int* lo, int* hi) const { ::GetScrollRange(m_hWnd, SB_CTL, lo, hi); }
  int GetScrollLimit() {
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE;
    if (!::GetScrollInfo(m_hWnd, SB_CTL, &si)) return 0;
    return si.nMax - std::max(0, static_cast<int>(si.nPage) - 1);
  }
  void ShowScrollBar(BOOL show = TRUE) { ::ShowScrollBar(m_hWnd, SB_CTL, show); }
};
