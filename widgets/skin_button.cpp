#include "widgets/skin_button.h"

#include <algorithm>

#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/region.h"
#include "platform/gdi/text.h"
#include "platform/window/afx_app.h"
#include "platform/window/focus.h"
#include "platform/window/input.h"
#include "platform/window/resources.h"
#include "widgets/mask_region.h"
#include "widgets/skin_geometry.h"

CSkinButton::CSkinButton() = default;

CSkinButton::~CSkinButton() = default;

BOOL CSkinButton::TakeFrames(HBITMAP strip, int frameWidth, int frameHeight, BOOL noStateCopies) {
  skin::OwnedBitmap owned(strip);
  m_bLoaded = 0;
  for (auto& frame : m_frames) frame.Reset();
  if (!strip || frameWidth <= 0 || frameHeight <= 0) return FALSE;
  m_nFrameWidth = frameWidth;
  m_nFrameHeight = frameHeight;
  for (int i = 0; i < 5; ++i) {
    // Without state copies every state shows frame 0 and no mask cuts the window.
    const int source = noStateCopies ? 0 : i;
    m_frames[i].Reset(skin::CopyBitmapArea(strip, source * frameWidth, 0, frameWidth, frameHeight));
    if (!m_frames[i].Get()) return FALSE;
  }
  m_bFullRect = noStateCopies ? 1 : 0;
  m_bLoaded = 1;
  UpdateRegion();
  return TRUE;
}

BOOL CSkinButton::LoadBitmap(HINSTANCE module, UINT id, BOOL noStateCopies) {
  HBITMAP strip = skin::LoadModuleBitmap(module, id);
  const SIZE size = skin::BitmapSize(strip);
  return TakeFrames(strip, size.cx / 5, size.cy, noStateCopies);
}

BOOL CSkinButton::LoadBitmap(UINT id, int frameWidth, int frameHeight) {
  HBITMAP strip = skin::LoadModuleBitmap(nullptr, id);
  const SIZE size = skin::BitmapSize(strip);
  // A strip too small for five frames of that size is refused rather than read past its end.
  if (frameWidth <= 0 || frameHeight <= 0 || size.cx < frameWidth * 5 || size.cy < frameHeight) {
    skin::OwnedBitmap discard(strip);
    m_bLoaded = 0;
    return FALSE;
  }
  return TakeFrames(strip, frameWidth, frameHeight, FALSE);
}

void CSkinButton::UpdateRegion() {
  if (!m_bLoaded || !m_hWnd) return;
  HRGN region = m_bFullRect ? CreateRectRgn(0, 0, m_nFrameWidth, m_nFrameHeight)
                            : BuildRegionFromBitmap(m_frames[4], m_crMask, 0);
  if (region) SetWindowRgn(region, TRUE);
}

void CSkinButton::PreSubclassWindow() {
  ::SendMessage(m_hWnd, BM_SETSTYLE, (GetStyle() & 0xFF) | BS_OWNERDRAW, TRUE);
  m_hCursor = ::LoadCursor(nullptr, IDC_HAND);
  if (!m_font) SetFont("Arial", 20, 500);
  CButton::PreSubclassWindow();
  UpdateRegion();
}

void CSkinButton::MoveTo(int x, int y) {
  ::SetWindowPos(m_hWnd, nullptr, x, y, m_nFrameWidth, m_nFrameHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  Invalidate();
}

void CSkinButton::SetToolTip(UINT stringId, BOOL activate) { m_toolTip.SetString(this, stringId, activate); }

void CSkinButton::SetToolTipText(const std::string& text, BOOL activate) { m_toolTip.SetText(this, text, activate); }

void CSkinButton::SetDrawOrigin(int x, int y) {
  m_nOriginX = x;
  m_nOriginY = y;
  ResetHover();
}

void CSkinButton::SetSize(int cx, int cy) {
  m_nFrameWidth = cx;
  m_nFrameHeight = cy;
}

void CSkinButton::SetDisabledFrame(int index) { m_nDisabledFrame = std::clamp(index, 0, 4); }

void CSkinButton::SetState(int state) {
  m_nFixedState = std::clamp(state, 0, 3);
  ResetHover();
}

void CSkinButton::SetTextColors(COLORREF colour) { std::fill(std::begin(m_crText), std::end(m_crText), colour); }

void CSkinButton::SetFont(const std::string& face, int height, int weight) {
  auto font = std::make_unique<CFont>();
  if (!font->CreateFont(height, 0, 0, 0, weight, FALSE, FALSE, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face.c_str())) return;
  m_font = std::move(font);
}

void CSkinButton::ResetHover() {
  m_bHover = 0;
  if (m_hWnd) Invalidate();
}

BOOL CSkinButton::PreTranslateMessage(MSG* msg) {
  // A fast second click is a click, not a double click.
  if (msg->hwnd == m_hWnd && msg->message == WM_LBUTTONDBLCLK) msg->message = WM_LBUTTONDOWN;
  m_toolTip.Relay(msg);
  return CButton::PreTranslateMessage(msg);
}

void CSkinButton::OnMouseMove(UINT flags, CPoint point) {
  CButton::OnMouseMove(flags, point);
  const bool leftDown = (flags & MK_LBUTTON) != 0;
  // A press that started elsewhere does not light the button up.
  if (leftDown && !m_bHover) return;
  if (::GetCapture() != m_hWnd && (GetOwner() || GetParent())) {
    m_bHover = 1;
    ::SetCapture(m_hWnd);
    if (leftDown) m_bPressed = 1;
    Invalidate();
    return;
  }
  POINT screen = point;
  ClientToScreen(&screen);
  if (::WindowFromPoint(screen) != m_hWnd) {
    if (m_bHover) {
      m_bHover = 0;
      m_bPressed = 0;
      Invalidate();
    }
    if (!leftDown) ::ReleaseCapture();
  }
}

void CSkinButton::OnLButtonDown(UINT flags, CPoint point) {
  m_bPressed = 1;
  CButton::OnLButtonDown(flags, point);
}

void CSkinButton::OnLButtonUp(UINT flags, CPoint point) {
  m_bPressed = 0;
  CButton::OnLButtonUp(flags, point);
  ResetHover();
}

BOOL CSkinButton::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) {
  if (!m_hCursor) return CButton::OnSetCursor(wnd, hitTest, message);
  ::SetCursor(m_hCursor);
  return TRUE;
}

BOOL CSkinButton::OnEraseBkgnd(CDC*) { return TRUE; }

void CSkinButton::DrawItem(LPDRAWITEMSTRUCT item) {
  if (!m_bLoaded || !item) return;
  const bool disabled = (item->itemState & ODS_DISABLED) != 0;
  const skin::ButtonLook look = skin::SkinButtonLook(disabled, m_nDisabledFrame, m_nFixedState, m_bHover, m_bPressed);
  if (look.clearsHover) m_bHover = 0;
  skin::BlitBitmap(item->hDC, 0, 0, m_nFrameWidth, m_nFrameHeight, m_frames[look.frame], m_nOriginX, m_nOriginY);
  if (!m_bShowText) return;
  const std::string caption = GetWindowText().substr(0, 255);
  const int saved = ::SaveDC(item->hDC);
  ::SetBkMode(item->hDC, TRANSPARENT);
  ::SetTextColor(item->hDC, m_crText[look.textColour]);
  if (m_font) ::SelectObject(item->hDC, static_cast<HFONT>(*m_font));
  RECT r{0, 0, m_nFrameWidth, m_nFrameHeight};
  ::DrawText(item->hDC, caption.c_str(), static_cast<int>(caption.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  ::RestoreDC(item->hDC, saved);
}
