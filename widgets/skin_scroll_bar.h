// Skin scroll bars: CSkinScrollBar draws a bar from a nine-piece skin bitmap and turns clicks
// and drags into WM_VSCROLL/WM_HSCROLL for its parent; CSkinScrollBarFrame hides a list's own
// bars behind a clipping window and shows two skin bars that mirror them.
#pragma once

#include "platform/controls/afx_controls.h"
#include "platform/window/scroll_bars.h"
#include "widgets/skin_geometry.h"

// Sent before SB_THUMBTRACK with wParam the scroll message and lParam the position.
constexpr UINT WM_SKINSCROLL_TRACK = WM_USER + 45;

class CSkinScrollBar : public CScrollBar {
 public:
  void SetBitmap(HBITMAP bitmap);
  BOOL IsVertical() const { return (GetStyle() & SBS_VERT) != 0; }
  skin::ScrollGeometry Geometry() const;
  int GetHotPart() const { return m_nHotPart; }
  BOOL IsDragging() const { return m_bDragging; }
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 protected:
  void OnSize(UINT type, int cx, int cy) override;
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override { return dc != nullptr; }
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnMouseMove(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  void OnTimer(UINT_PTR id) override;
  void OnMouseLeave() override;

 private:
  static constexpr UINT_PTR kRepeatTimer = 100;
  static constexpr UINT_PTR kFirstRepeatTimer = 200;
  int Along(CPoint point) const { return IsVertical() ? point.y : point.x; }
  int Position() const { return m_info.nTrackPos >= 0 && m_bDragging ? m_info.nTrackPos : m_info.nPos; }
  void Send(UINT code, int pos) const;
  void Step(int part, bool repeating);
  void Paint(HDC dc) const;
  CPoint CursorInClient() const;

  HBITMAP m_hBitmap = nullptr;  // not owned
  int m_nPiece = 0;
  int m_nLength = 0;
  SCROLLINFO m_info{};
  BOOL m_bDragging = FALSE;
  CPoint m_dragStart;
  int m_nDragStartPos = 0;
  int m_nPressedPart = skin::kPartNone;
  BOOL m_bRepeating = FALSE;
  int m_nHotPart = skin::kPartNone;
  BOOL m_bPressedPartLeft = FALSE;
  BOOL m_bTracking = FALSE;
};

class CSkinScrollBarFrame : public CWnd {
 public:
  // Puts a frame around the list, which keeps working as before; the frame belongs to its
  // window and deletes itself when that is destroyed. NULL when the list or bitmap is missing.
  static CSkinScrollBarFrame* Attach(HWND list, HBITMAP skin);
  // Puts the list back where the frame was and destroys the frame.
  static void Detach(HWND list);
  static CSkinScrollBarFrame* FromList(HWND list);

  CSkinScrollBar& VerticalBar() { return m_vertical; }
  CSkinScrollBar& HorizontalBar() { return m_horizontal; }
  int GetCornerKind() const { return m_nCorner; }
  // Copies the list's scroll state into the bars and lays them out.
  void Sync();

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;
  void OnTimer(UINT_PTR id) override;
  void PostNcDestroy() override { delete this; }

 private:
  static LRESULT ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void Layout();
  void SyncBar(CSkinScrollBar& bar, int which);

  int m_nPiece = 16;
  CSkinScrollBar m_horizontal;
  CSkinScrollBar m_vertical;
  CWnd m_limit;
  HBITMAP m_hBitmap = nullptr;
  BOOL m_bBusy = FALSE;
  int m_nCorner = 0;  // 0 none, 1 bars with a left vertical bar, 2 with a right one
  HWND m_hList = nullptr;
  WNDPROC m_pfnListProc = nullptr;
};
