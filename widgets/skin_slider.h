// CSkinSlider: a horizontal track bar on a static control, drawn from a channel bitmap (with an
// optional filled channel left of the thumb) and a thumb bitmap (with an optional drag thumb),
// each opaque or transparent at a key colour. It tells its parent about every change.
#pragma once

#include "platform/controls/afx_controls.h"
#include "widgets/skin_bitmap.h"

// Posted to the parent with wParam the control id and lParam the position.
constexpr UINT WM_SKINSLIDER_TRACK = 0x28D1;    // while the thumb is dragged to another pixel
constexpr UINT WM_SKINSLIDER_CHANGED = 0x28D2;  // on release, and after each handled key

// Key colour meaning "the colour of the bitmap's pixel at (x, y)".
constexpr COLORREF SKIN_KEY_FROM_PIXEL = 0xFF000000;

class CSkinSlider : public CStatic {
 public:
  BOOL SetChannelBitmaps(HINSTANCE module, UINT channelId, UINT filledId, BOOL transparent, COLORREF key, int x = 0,
                         int y = 0);
  BOOL SetThumbBitmaps(HINSTANCE module, UINT thumbId, UINT dragThumbId, BOOL transparent, COLORREF key, int x = 0,
                       int y = 0);
  void SetRange(int min, int max, BOOL redraw = FALSE);
  void SetMin(int value, BOOL redraw = FALSE);
  void SetMax(int value, BOOL redraw = FALSE);
  // Clamped to [min, max] (the maximum applied first).
  void SetPos(int pos);
  int GetPos() const { return m_nPos; }
  int GetMin() const { return m_nMin; }
  int GetMax() const { return m_nMax; }
  int SetStep(int step);
  void SetThumbMargins(int left, int top, int right, int bottom);
  void EnableTracking(BOOL enable);
  void SetDrawFocus(BOOL draw, BOOL redraw = FALSE);
  BOOL IsDragging() const { return m_bDragging; }
  // The thumb centre of the current position, in client pixels.
  int ThumbCentre() const;

 protected:
  BOOL OnEraseBkgnd(CDC* dc) override { return dc != nullptr; }
  void OnPaint() override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnMouseMove(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  UINT OnGetDlgCode() override;
  void OnKeyDown(UINT ch, UINT repeat, UINT flags) override;
  void OnSetFocus(CWnd* oldWnd) override;
  void OnKillFocus(CWnd* newWnd) override;
  void OnDestroy() override;

 private:
  struct Picture {
    skin::OwnedBitmap bitmap;
    COLORREF key = CLR_INVALID;  // CLR_INVALID: opaque
  };
  static BOOL LoadPicture(Picture& picture, HINSTANCE module, UINT id, BOOL transparent, COLORREF key, int x, int y);
  void DrawPicture(HDC dc, const Picture& picture, int x, int y, int w, int h, int xSrc, int ySrc) const;
  bool CopyParentBackground(HDC dc, int w, int h) const;
  void Notify(UINT msg) const;
  int Travel() const;

  int m_nMax = 100, m_nMin = 0, m_nPos = 0, m_nPage = 20;
  RECT m_rcClient{};
  int m_nChannelWidth = 0, m_nChannelHeight = 0;
  int m_nThumbWidth = 0, m_nThumbHeight = 0;
  int m_nMarginLeft = 0, m_nMarginRight = 0, m_nMarginTop = 0, m_nMarginBottom = 0;
  int m_nGrabOffset = 0;
  BOOL m_bHasFilled = FALSE, m_bHasDragThumb = FALSE;
  BOOL m_bThumbLoaded = FALSE, m_bChannelLoaded = FALSE;
  BOOL m_bDragging = FALSE, m_bFocus = FALSE, m_bDrawFocus = TRUE, m_bEnabled = TRUE;
  Picture m_channel, m_filled, m_thumb, m_dragThumb;
};
