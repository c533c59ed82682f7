#include "widgets/skin_icon_button.h"

#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/icon.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/text.h"
#include "platform/window/afx_app.h"
#include "platform/window/focus.h"
#include "platform/window/resources.h"

CSkinIconButton::CSkinIconButton()
    : m_crInactiveBg(GetSysColor(COLOR_BTNFACE)),
      m_crInactiveFg(GetSysColor(COLOR_BTNTEXT)),
      m_crActiveBg(GetSysColor(COLOR_BTNFACE)),
      m_crActiveFg(GetSysColor(COLOR_BTNTEXT)) {}

CSkinIconButton::~CSkinIconButton() {
  if (m_hIconOut && m_hIconOut != m_hIconIn) DestroyIcon(m_hIconOut);
  if (m_hIconIn) DestroyIcon(m_hIconIn);
  if (m_hCursor) DestroyCursor(m_hCursor);
  DropBackground();
}

void CSkinIconButton::DropBackground() {
  if (m_hBackgroundDc) {
    SelectObject(m_hBackgroundDc, m_hOldBackground);
    DeleteDC(m_hBackgroundDc);
  }
  if (m_hBackground) DeleteObject(m_hBackground);
  m_hBackgroundDc = nullptr;
  m_hBackground = nullptr;
  m_hOldBackground = nullptr;
}

void CSkinIconButton::PreSubclassWindow() {
  m_bDefault = (GetStyle() & 0x0F) == BS_DEFPUSHBUTTON;
  ::SendMessage(m_hWnd, BM_SETSTYLE, (GetStyle() & 0xFF & ~0x0F) | BS_OWNERDRAW, TRUE);
  CButton::PreSubclassWindow();
}

void CSkinIconButton::SetIcons(UINT inId, UINT outId) {
  HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCE(inId), RT_GROUP_ICON);
  HICON in = static_cast<HICON>(LoadImage(module, MAKEINTRESOURCE(inId), IMAGE_ICON, 0, 0, 0));
  HICON out = outId ? static_cast<HICON>(LoadImage(module, MAKEINTRESOURCE(outId), IMAGE_ICON, 0, 0, 0)) : nullptr;
  SetIcon(in, out);
}

void CSkinIconButton::SetIcon(HICON in, HICON out) {
  if (m_hIconOut && m_hIconOut != m_hIconIn) DestroyIcon(m_hIconOut);
  if (m_hIconIn) DestroyIcon(m_hIconIn);
  m_hIconIn = in;
  m_hIconOut = out ? out : in;
  m_nIconWidth = m_nIconHeight = 0;
  ICONINFO info{};
  if (in && GetIconInfo(in, &info)) {
    m_nIconWidth = static_cast<int>(info.xHotspot) * 2;
    m_nIconHeight = static_cast<int>(info.yHotspot) * 2;
    // An icon's hot spot is its centre; where it is not set, the picture tells the size.
    if (m_nIconWidth == 0 && info.hbmColor) {
      BITMAP bm{};
      if (::GetObject(info.hbmColor, sizeof(bm), &bm)) {
        m_nIconWidth = bm.bmWidth;
        m_nIconHeight = bm.bmHeight;
      }
    }
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
  }
  if (m_hWnd) RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

BOOL CSkinIconButton::SetBtnCursor(int cursorId) {
  if (m_hCursor) DestroyCursor(m_hCursor);
  m_hCursor = nullptr;
  if (cursorId == -1) return TRUE;
  HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCE(cursorId), RT_GROUP_CURSOR);
  m_hCursor = static_cast<HCURSOR>(LoadImage(module, MAKEINTRESOURCE(cursorId), IMAGE_CURSOR, 0, 0, 0));
  return m_hCursor != nullptr;
}

void CSkinIconButton::SetFlat(BOOL flat) {
  m_bFlat = flat;
  if (m_hWnd) Invalidate();
}

void CSkinIconButton::SetAlign(int align) {
  if (align < kIconLeft || align > kIconRight) return;
  m_nAlign = align;
  if (m_hWnd) Invalidate();
}

void CSkinIconButton::SetDrawCaption(BOOL draw) {
  m_bDrawCaption = draw;
  if (m_hWnd) Invalidate();
}

void CSkinIconButton::SetColour(COLORREF& slot, COLORREF colour, BOOL repaint) {
  slot = colour;
  if (repaint && m_hWnd) Invalidate();
}

void CSkinIconButton::SetFlatFocus(BOOL flatFocus, BOOL repaint) {
  m_bFlatFocus = flatFocus;
  if (repaint && m_hWnd) Invalidate();
}

void CSkinIconButton::SetToolTip(UINT stringId, BOOL activate) { m_toolTip.SetString(this, stringId, activate); }

void CSkinIconButton::SetToolTipText(const std::string& text, BOOL activate) {
  m_toolTip.SetText(this, text, activate);
}

void CSkinIconButton::ActivateToolTip(BOOL activate) { m_toolTip.Activate(activate); }

void CSkinIconButton::SetPressed(BOOL pressed) {
  m_bHeldPressed = pressed;
  ::ReleaseCapture();
  if (m_hWnd) Invalidate();
}

void CSkinIconButton::SetTransparent(BOOL repaint) {
  m_bTransparent = TRUE;
  DropBackground();
  if (repaint && m_hWnd) Invalidate();
}

BOOL CSkinIconButton::PreTranslateMessage(MSG* msg) {
  m_toolTip.Relay(msg);
  return CButton::PreTranslateMessage(msg);
}

LRESULT CSkinIconButton::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  // A fast second click is a click, not a double click.
  if (msg == WM_LBUTTONDBLCLK) msg = WM_LBUTTONDOWN;
  return CButton::DefWindowProc(msg, wParam, lParam);
}

void CSkinIconButton::OnCaptureChanged(CWnd* wnd) {
  // Losing the mouse to another window ends the hot look too.
  if (m_bMouseOver) {
    m_bMouseOver = FALSE;
    Invalidate();
  }
  CButton::OnCaptureChanged(wnd);
}

BOOL CSkinIconButton::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) {
  if (!m_hCursor) return CButton::OnSetCursor(wnd, hitTest, message);
  ::SetCursor(m_hCursor);
  return TRUE;
}

void CSkinIconButton::OnKillFocus(CWnd* newWnd) {
  CButton::OnKillFocus(newWnd);
  if (m_bFlat && m_bMouseOver) {
    m_bMouseOver = FALSE;
    Invalidate();
  }
}

void CSkinIconButton::OnMouseMove(UINT flags, CPoint point) {
  CButton::OnMouseMove(flags, point);
  if (!m_bFlat) return;
  const bool leftDown = (flags & MK_LBUTTON) != 0;
  if (leftDown && !m_bMouseOver) return;
  if (::GetCapture() != m_hWnd && ::GetActiveWindow() && (GetOwner() || GetParent())) {
    m_bMouseOver = TRUE;
    ::SetCapture(m_hWnd);
    Invalidate();
    return;
  }
  POINT screen = point;
  ClientToScreen(&screen);
  if (::WindowFromPoint(screen) != m_hWnd) {
    if (m_bMouseOver) {
      m_bMouseOver = FALSE;
      Invalidate();
    }
    if (!leftDown) ::ReleaseCapture();
  }
}

BOOL CSkinIconButton::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) {
    if (result) *result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    return TRUE;
  }
  return CButton::OnChildNotify(msg, wParam, lParam, result);
}

void CSkinIconButton::OnSysColorChange() {
  CButton::OnSysColorChange();
  DropBackground();
}

void CSkinIconButton::DrawItem(LPDRAWITEMSTRUCT item) {
  if (!item) return;
  HDC dc = item->hDC;
  const bool pressed = m_bHeldPressed || (item->itemState & ODS_SELECTED);
  const bool focused = (item->itemState & ODS_FOCUS) != 0;
  const bool disabled = (item->itemState & ODS_DISABLED) != 0;
  const bool active = m_bMouseOver || pressed;
  SetBkMode(dc, TRANSPARENT);
  RECT r = item->rcItem;
  if (!m_bFlat && (focused || m_bDefault)) {
    HBRUSH black = reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    FrameRect(dc, &r, black);
    InflateRect(&r, -1, -1);
  }
  if (m_bTransparent) {
    const int w = item->rcItem.right - item->rcItem.left, h = item->rcItem.bottom - item->rcItem.top;
    if (!m_hBackgroundDc) {
      // The parent's pixels under the button, taken once.
      HWND parent = ::GetParent(m_hWnd);
      HDC parentDc = ::GetDC(parent);
      m_hBackgroundDc = CreateCompatibleDC(parentDc);
      m_hBackground = CreateBitmap(w, h, 1, 32, nullptr);
      m_hOldBackground = SelectObject(m_hBackgroundDc, m_hBackground);
      RECT inParent = item->rcItem;
      ::MapWindowPoints(m_hWnd, parent, reinterpret_cast<POINT*>(&inParent), 2);
      BitBlt(m_hBackgroundDc, 0, 0, w, h, parentDc, inParent.left, inParent.top, SRCCOPY);
      ::ReleaseDC(parent, parentDc);
    }
    BitBlt(dc, item->rcItem.left, item->rcItem.top, w, h, m_hBackgroundDc, 0, 0, SRCCOPY);
  } else {
    HBRUSH fill = CreateSolidBrush(active ? m_crActiveBg : m_crInactiveBg);
    FillRect(dc, &r, fill);
    DeleteObject(fill);
  }
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_3DHILIGHT);
  if (pressed) {
    if (!m_bFlat) {
      HBRUSH frame = CreateSolidBrush(shadow);
      FrameRect(dc, &r, frame);
      DeleteObject(frame);
    } else if (m_bDrawBorder) {
      CDC::FromHandle(dc)->Draw3dRect(&r, shadow, light);
    }
  } else if (!m_bFlat) {
    RECT edge = r;
    DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
  } else if (m_bDrawBorder && m_bMouseOver) {
    CDC::FromHandle(dc)->Draw3dRect(&r, light, shadow);
  }

  const std::string caption = m_bDrawCaption ? GetWindowText() : std::string();
  const int shift = pressed ? 1 : 0;
  RECT text = r;
  HICON icon = active ? m_hIconIn : m_hIconOut;
  if (icon) {
    const int iw = m_nIconWidth, ih = m_nIconHeight;
    int x = r.left + (r.right - r.left - iw) / 2;
    int y = r.top + (r.bottom - r.top - ih) / 2;
    if (!caption.empty()) {
      if (m_nAlign == kIconLeft) {
        x = r.left + 3;
        text.left += iw + 3;
      } else if (m_nAlign == kIconAbove) {
        y = r.top + 3;
        text.top += ih;
      } else {
        x = r.right - 3 - iw;
        text.right = x;
      }
    }
    DrawState(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, x + shift, y + shift, iw, ih,
              DST_ICON | (disabled ? DSS_DISABLED : 0));
  }
  if (!caption.empty()) {
    RECT measure{0, 0, 0, 0};
    DrawText(dc, caption.c_str(), static_cast<int>(caption.size()), &measure, DT_CALCRECT | DT_SINGLELINE);
    const int tw = measure.right, th = measure.bottom;
    const int tx = text.left + (text.right - text.left - tw) / 2 + shift;
    const int ty = text.top + (text.bottom - text.top - th) / 2 + shift;
    ::SetTextColor(dc, active ? m_crActiveFg : m_crInactiveFg);
    DrawState(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(caption.c_str()), static_cast<WPARAM>(caption.size()), tx,
              ty, tw, th, DST_PREFIXTEXT | (disabled ? DSS_DISABLED : 0));
  }
  if (focused && (!m_bFlat || m_bFlatFocus)) {
    RECT focus = item->rcItem;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(dc, &focus);
  }
}
