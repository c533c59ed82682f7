// CFlatScrollBarWrapper: one window's flat scroll bars, through the platform's FlatSB_ calls.
#pragma once

#include "platform/controls/commctrl.h"
#include "platform/window/afx_wnd.h"

class CFlatScrollBarWrapper {
 public:
  BOOL Initialize(CWnd* wnd) {
    m_pWnd = wnd;
    return wnd ? InitializeFlatSB(wnd->m_hWnd) : FALSE;
  }
  HRESULT Uninitialize() { return UninitializeFlatSB(Hwnd()); }
  BOOL EnableScrollBar(int bar, UINT arrows) { return FlatSB_EnableScrollBar(Hwnd(), bar, arrows); }
  BOOL ShowScrollBar(int bar, BOOL show) { return FlatSB_ShowScrollBar(Hwnd(), bar, show); }
  BOOL GetScrollRange(int bar, int* minPos, int* maxPos) { return FlatSB_GetScrollRange(Hwnd(), bar, minPos, maxPos); }
  BOOL GetScrollInfo(int bar, LPSCROLLINFO info) { return FlatSB_GetScrollInfo(Hwnd(), bar, info); }
  int GetScrollPos(int bar) { return FlatSB_GetScrollPos(Hwnd(), bar); }
  BOOL GetScrollProp(int index, int* value) { return FlatSB_GetScrollProp(Hwnd(), index, value); }
  int SetScrollPos(int bar, int pos, BOOL redraw = TRUE) { return FlatSB_SetScrollPos(Hwnd(), bar, pos, redraw); }
  int SetScrollInfo(int bar, LPSCROLLINFO info, BOOL redraw = TRUE) {
    return FlatSB_SetScrollInfo(Hwnd(), bar, info, redraw);
  }
  int SetScrollRange(int bar, int minPos, int maxPos, BOOL redraw = TRUE) {
    return FlatSB_SetScrollRange(Hwnd(), bar, minPos, maxPos, redraw);
  }
  BOOL SetScrollProp(UINT index, INT_PTR value, BOOL redraw = TRUE) {
    return FlatSB_SetScrollProp(Hwnd(), index, value, redraw);
  }

 private:
  HWND Hwnd() const { return m_pWnd ? m_pWnd->m_hWnd : nullptr; }
  CWnd* m_pWnd = nullptr;
};
