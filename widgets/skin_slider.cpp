#include "widgets/skin_slider.h"

#include <algorithm>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/objects.h"
#include "platform/window/focus.h"
#include "platform/window/input.h"
#include "widgets/skin_geometry.h"

BOOL CSkinSlider::LoadPicture(Picture& picture, HINSTANCE module, UINT id, BOOL transparent, COLORREF key, int x,
                              int y) {
  picture.bitmap.Reset(skin::LoadModuleBitmap(module, id));
  picture.key = CLR_INVALID;
  if (!picture.bitmap.Get()) return FALSE;
  if (transparent) {
    if (key == SKIN_KEY_FROM_PIXEL) {
      HDC dc = CreateCompatibleDC(nullptr);
      HGDIOBJ old = SelectObject(dc, picture.bitmap.Get());
      key = GetPixel(dc, x, y);
      SelectObject(dc, old);
      DeleteDC(dc);
    }
    picture.key = key;
  }
  return TRUE;
}

BOOL CSkinSlider::SetChannelBitmaps(HINSTANCE module, UINT channelId, UINT filledId, BOOL transparent, COLORREF key,
                                    int x, int y) {
  if (channelId == 0) {
    m_channel.bitmap.Reset();
    m_filled.bitmap.Reset();
    m_bChannelLoaded = m_bHasFilled = FALSE;
    return TRUE;
  }
  if (!LoadPicture(m_channel, module, channelId, transparent, key, x, y)) return FALSE;
  m_bHasFilled = FALSE;
  if (filledId != 0) {
    if (!LoadPicture(m_filled, module, filledId, transparent, key, x, y)) {
      m_channel.bitmap.Reset();
      m_bChannelLoaded = FALSE;
      return FALSE;
    }
    m_bHasFilled = TRUE;
  }
  const SIZE size = skin::BitmapSize(m_channel.bitmap);
  m_nChannelWidth = size.cx;
  m_nChannelHeight = size.cy;
  if (m_hWnd) {
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(&m_rcClient);
  }
  m_bChannelLoaded = TRUE;
  return TRUE;
}

BOOL CSkinSlider::SetThumbBitmaps(HINSTANCE module, UINT thumbId, UINT dragThumbId, BOOL transparent, COLORREF key,
                                  int x, int y) {
  if (thumbId == 0) {
    m_thumb.bitmap.Reset();
    m_dragThumb.bitmap.Reset();
    m_bThumbLoaded = m_bHasDragThumb = FALSE;
    return TRUE;
  }
  if (!LoadPicture(m_thumb, module, thumbId, transparent, key, x, y)) return FALSE;
  m_bHasDragThumb = FALSE;
  if (dragThumbId != 0) {
    if (!LoadPicture(m_dragThumb, module, dragThumbId, transparent, key, x, y)) {
      m_thumb.bitmap.Reset();
      m_bThumbLoaded = FALSE;
      return FALSE;
    }
    m_bHasDragThumb = TRUE;
  }
  const SIZE size = skin::BitmapSize(m_thumb.bitmap);
  m_nThumbWidth = size.cx;
  m_nThumbHeight = size.cy;
  if (!m_bChannelLoaded && m_hWnd) {
    GetClientRect(&m_rcClient);
    m_nChannelWidth = m_rcClient.right;
    m_nChannelHeight = m_rcClient.bottom;
  }
  m_bThumbLoaded = TRUE;
  return TRUE;
}

void CSkinSlider::SetRange(int min, int max, BOOL redraw) {
  m_nMin = min;
  m_nMax = max;
  if (redraw && m_hWnd) Invalidate();
}

void CSkinSlider::SetMin(int value, BOOL redraw) {
  m_nMin = value;
  if (redraw && m_hWnd) Invalidate();
}

void CSkinSlider::SetMax(int value, BOOL redraw) {
  m_nMax = value;
  if (redraw && m_hWnd) Invalidate();
}

void CSkinSlider::SetPos(int pos) {
  m_nPos = std::max(std::min(pos, m_nMax), m_nMin);
  if (m_hWnd) Invalidate();
}

int CSkinSlider::SetStep(int step) {
  const int previous = m_nPage;
  m_nPage = step;
  return previous;
}

void CSkinSlider::SetThumbMargins(int left, int top, int right, int bottom) {
  m_nMarginLeft = left;
  m_nMarginTop = top;
  m_nMarginRight = right;
  m_nMarginBottom = bottom;
}

void CSkinSlider::EnableTracking(BOOL enable) {
  m_bEnabled = enable;
  if (!enable && m_bDragging) {
    m_bDragging = FALSE;
    ::ReleaseCapture();
  }
  if (m_hWnd) Invalidate();
}

void CSkinSlider::SetDrawFocus(BOOL draw, BOOL redraw) {
  m_bDrawFocus = draw;
  if (redraw && m_hWnd) Invalidate();
}

int CSkinSlider::Travel() const {
  return skin::SliderTravel(m_nChannelWidth, m_nMarginLeft, m_nMarginRight, m_nThumbWidth);
}

int CSkinSlider::ThumbCentre() const {
  return skin::SliderCentreForPos(m_nPos, m_nMin, m_nMax, m_nMarginLeft, m_nThumbWidth, Travel());
}

void CSkinSlider::Notify(UINT msg) const {
  if (HWND parent = ::GetParent(m_hWnd))
    ::PostMessage(parent, msg, static_cast<WPARAM>(::GetDlgCtrlID(m_hWnd)), static_cast<LPARAM>(m_nPos));
}

void CSkinSlider::DrawPicture(HDC dc, const Picture& picture, int x, int y, int w, int h, int xSrc, int ySrc) const {
  if (!picture.bitmap.Get() || w <= 0 || h <= 0) return;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, picture.bitmap.Get());
  if (picture.key == CLR_INVALID) BitBlt(dc, x, y, w, h, memory, xSrc, ySrc, SRCCOPY);
  else TransparentBlt(dc, x, y, w, h, memory, xSrc, ySrc, w, h, picture.key);
  SelectObject(memory, old);
  DeleteDC(memory);
}

// The parent's own pixels under the control, so that a transparent channel shows the dialog's
// skin rather than a box; they never hold this control's earlier thumb.
bool CSkinSlider::CopyParentBackground(HDC dc, int w, int h) const {
  HWND parent = ::GetParent(m_hWnd);
  if (!parent) return false;
  POINT at{0, 0};
  ::MapWindowPoints(m_hWnd, parent, &at, 1);
  HDC source = ::GetDC(parent);
  if (!source) return false;
  const BOOL copied = BitBlt(dc, 0, 0, w, h, source, at.x, at.y, SRCCOPY);
  ::ReleaseDC(parent, source);
  return copied != FALSE;
}

void CSkinSlider::OnPaint() {
  CPaintDC paint(this);
  RECT client;
  GetClientRect(&client);
  const int w = client.right, h = client.bottom;
  if (w <= 0 || h <= 0) return;
  // Everything is composed off screen and copied once, so nothing flickers.
  HDC memory = CreateCompatibleDC(paint);
  HBITMAP canvas = CreateBitmap(w, h, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(memory, canvas);
  const bool seeThrough = !m_bChannelLoaded || m_channel.key != CLR_INVALID;
  if (!seeThrough || !CopyParentBackground(memory, w, h)) {
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillRect(memory, &client, face);
    DeleteObject(face);
  }

  const int centre = ThumbCentre();
  if (m_bChannelLoaded) {
    const bool enabled = m_bEnabled && IsWindowEnabled();
    if (m_bHasFilled && enabled) {
      DrawPicture(memory, m_filled, 0, 0, centre, m_nChannelHeight, 0, 0);
      DrawPicture(memory, m_channel, centre, 0, m_nChannelWidth - centre, m_nChannelHeight, centre, 0);
    } else {
      DrawPicture(memory, m_channel, 0, 0, m_nChannelWidth, m_nChannelHeight, 0, 0);
    }
  }
  if (m_bThumbLoaded && m_bEnabled && IsWindowEnabled()) {
    const Picture& thumb = m_bDragging && m_bHasDragThumb ? m_dragThumb : m_thumb;
    DrawPicture(memory, thumb, centre - m_nThumbWidth / 2, m_nMarginTop, m_nThumbWidth, m_nThumbHeight, 0, 0);
  }
  if (m_bDrawFocus && m_bFocus && m_bEnabled) DrawFocusRect(memory, &client);
  BitBlt(paint, 0, 0, w, h, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(canvas);
  DeleteDC(memory);
}

void CSkinSlider::OnLButtonDown(UINT flags, CPoint point) {
  if (m_bEnabled) {
    ::SetCapture(m_hWnd);
    ::SetFocus(m_hWnd);
    m_bDragging = TRUE;
    const int centre = ThumbCentre();
    // Grabbed on the thumb: it keeps its place under the mouse; elsewhere it jumps there.
    m_nGrabOffset = std::abs(point.x - centre) <= m_nThumbWidth / 2 ? point.x - centre : 0;
    OnMouseMove(flags, point);
    Invalidate();
  }
  CStatic::OnLButtonDown(flags, point);
}

void CSkinSlider::OnMouseMove(UINT flags, CPoint point) {
  if (m_bDragging && m_bEnabled) {
    const int low = skin::SliderMinCentre(m_nMarginLeft, m_nThumbWidth);
    const int high = skin::SliderMaxCentre(m_nChannelWidth, m_nMarginRight, m_nThumbWidth);
    const int centre = std::clamp(point.x - m_nGrabOffset, low, std::max(low, high));
    if (centre != ThumbCentre()) {
      SetPos(skin::SliderPosForCentre(centre, m_nMin, m_nMax, m_nMarginLeft, m_nThumbWidth, Travel()));
      Notify(WM_SKINSLIDER_TRACK);
    }
  }
  CStatic::OnMouseMove(flags, point);
}

void CSkinSlider::OnLButtonUp(UINT flags, CPoint point) {
  if (m_bEnabled) {
    ::ReleaseCapture();
    m_bDragging = FALSE;
    Invalidate();
    Notify(WM_SKINSLIDER_CHANGED);
  }
  CStatic::OnLButtonUp(flags, point);
}

UINT CSkinSlider::OnGetDlgCode() {
  // Tab still moves on to the next control.
  if (GetKeyState(VK_TAB) < 0) return CStatic::OnGetDlgCode();
  return DLGC_WANTARROWS;
}

void CSkinSlider::OnKeyDown(UINT ch, UINT repeat, UINT flags) {
  if (!m_bEnabled) {
    CStatic::OnKeyDown(ch, repeat, flags);
    return;
  }
  int pos = m_nPos;
  switch (ch) {
    case VK_PRIOR: pos -= m_nPage; break;
    case VK_NEXT: pos += m_nPage; break;
    case VK_END: pos = m_nMax; break;
    case VK_HOME: pos = m_nMin; break;
    case VK_LEFT:
    case VK_UP: pos -= 1; break;
    case VK_RIGHT:
    case VK_DOWN: pos += 1; break;
    default: CStatic::OnKeyDown(ch, repeat, flags); return;
  }
  SetPos(pos);
  Notify(WM_SKINSLIDER_CHANGED);
}

void CSkinSlider::OnSetFocus(CWnd* oldWnd) {
  CStatic::OnSetFocus(oldWnd);
  m_bFocus = TRUE;
  Invalidate();
}

void CSkinSlider::OnKillFocus(CWnd* newWnd) {
  CStatic::OnKillFocus(newWnd);
  m_bFocus = FALSE;
  Invalidate();
}

void CSkinSlider::OnDestroy() {
  CStatic::OnDestroy();
  m_channel.bitmap.Reset();
  m_filled.bitmap.Reset();
  m_thumb.bitmap.Reset();
  m_dragThumb.bitmap.Reset();
}
