#include "widgets/skin_check_box.h"

#include <algorithm>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/text.h"
#include "platform/window/focus.h"
#include "platform/window/input.h"
#include "widgets/skin_geometry.h"

CSkinCheckBox::CSkinCheckBox(HINSTANCE module, UINT bitmapId, int boxSize)
    : m_nBoxSize(std::max(boxSize, 0)), m_source(skin::LoadModuleBitmap(module, bitmapId)) {}

void CSkinCheckBox::PreSubclassWindow() {
  m_bTextLeft = (GetStyle() & BS_LEFTTEXT) || (GetExStyle() & WS_EX_RIGHT) ? 1 : 0;
  m_caption = GetWindowText();
  if (HWND parent = ::GetParent(m_hWnd)) m_hFont = reinterpret_cast<HFONT>(::SendMessage(parent, WM_GETFONT, 0, 0));
  if (!IsWindowEnabled()) {
    m_bDisabled = 1;
    m_nFrame = 5;
  }
  ::SendMessage(m_hWnd, BM_SETSTYLE, (GetStyle() & 0xF0) | BS_OWNERDRAW, FALSE);
  CButton::PreSubclassWindow();
  m_hCursor = ::LoadCursor(nullptr, IDC_HAND);
  Invalidate();
}

BOOL CSkinCheckBox::PreTranslateMessage(MSG* msg) {
  // A fast second click counts as a click, not as a double click.
  if (msg->hwnd == m_hWnd && msg->message == WM_LBUTTONDBLCLK) msg->message = WM_LBUTTONDOWN;
  return CButton::PreTranslateMessage(msg);
}

void CSkinCheckBox::ShowFrame(bool held) {
  const int frame = skin::CheckBoxFrame(m_bChecked, held, m_bDisabled);
  if (frame == m_nFrame) return;
  m_nFrame = frame;
  if (m_hWnd) {
    Invalidate(FALSE);
    UpdateWindow();
  }
}

LRESULT CSkinCheckBox::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == BM_GETCHECK) return m_bChecked ? 1 : 0;
  if (msg == BM_SETCHECK) {
    m_bChecked = wParam == 1 ? 1 : 0;
    ShowFrame(MouseHolds() || m_bSpaceHeld);
    return 0;
  }
  return CButton::WindowProc(msg, wParam, lParam);
}

void CSkinCheckBox::OnPaint() {
  CPaintDC paint(this);
  RECT client;
  GetClientRect(&client);
  if (client.right <= 0 || client.bottom <= 0) return;
  // The row is the larger of the text height and the box, centred in the control.
  int textHeight = 0;
  {
    HGDIOBJ old = m_hFont ? SelectObject(paint, m_hFont) : nullptr;
    SIZE size{};
    GetTextExtentPoint32(paint, "Dummy", 5, &size);
    textHeight = size.cy + 1;
    if (old) SelectObject(paint, old);
  }
  const int row = std::max(textHeight, m_nBoxSize);
  const int top = client.bottom >= row ? (client.bottom - row) / 2 : 0;
  const int height = client.bottom >= row ? row : client.bottom;

  HBRUSH background = m_hBackground ? m_hBackground : CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  // A patterned dialog background continues under the control.
  RECT inParent = client;
  ::MapWindowPoints(m_hWnd, ::GetParent(m_hWnd), reinterpret_cast<POINT*>(&inParent), 2);
  SetBrushOrgEx(paint, -inParent.left, -inParent.top, nullptr);
  FillRect(paint, &client, background);
  if (!m_hBackground) DeleteObject(background);

  const int boxX = m_bTextLeft ? client.right - m_nBoxSize : 0;
  const int boxY = top + (height - m_nBoxSize) / 2;
  if (m_source.Get() && m_nBoxSize > 0) {
    // The key colour around the box picture is the control's background.
    HDC memory = CreateCompatibleDC(paint);
    HGDIOBJ old = SelectObject(memory, m_source.Get());
    TransparentBlt(paint, boxX, boxY, m_nBoxSize, m_nBoxSize, memory, m_nFrame * m_nBoxSize, 0, m_nBoxSize, m_nBoxSize,
                   m_crTransparent);
    SelectObject(memory, old);
    DeleteDC(memory);
  }
  const int saved = SaveDC(paint);
  SetBkMode(paint, TRANSPARENT);
  if (m_hFont) SelectObject(paint, m_hFont);
  RECT text{m_nBoxSize + 5, top, client.right, top + height};
  UINT format = DT_VCENTER | DT_SINGLELINE;
  if (m_bTextLeft) {
    text = RECT{0, top, client.right - 6 - m_nBoxSize, top + height};
    format |= DT_RIGHT;
  }
  DrawCaption(paint, text, format, m_caption);
  RestoreDC(paint, saved);
}

void CSkinCheckBox::DrawCaption(HDC dc, RECT text, UINT format, const std::string& caption) {
  ::SetTextColor(dc, m_crText);
  DrawText(dc, caption.c_str(), static_cast<int>(caption.size()), &text, format);
}

void CSkinCheckBox::OnEnable(BOOL enable) {
  m_bDisabled = enable ? 0 : 1;
  ShowFrame(false);
  CButton::OnEnable(enable);
}

void CSkinCheckBox::OnKeyDown(UINT ch, UINT repeat, UINT flags) {
  if (ch == VK_SPACE) {
    if (!m_bSpaceHeld) {
      m_bSpaceHeld = 1;
      if (!m_bMouseHeld) ShowFrame(true);
    }
  } else if (m_bSpaceHeld) {
    m_bSpaceHeld = 0;
    if (!m_bMouseHeld) ShowFrame(false);
  }
  CButton::OnKeyDown(ch, repeat, flags);
}

void CSkinCheckBox::OnKeyUp(UINT ch, UINT repeat, UINT flags) {
  if (ch == VK_SPACE && m_bSpaceHeld) {
    m_bSpaceHeld = 0;
    if (!m_bMouseHeld) {
      m_bChecked = !m_bChecked;
      ShowFrame(false);
    }
  }
  CButton::OnKeyUp(ch, repeat, flags);
}

void CSkinCheckBox::OnLButtonDown(UINT flags, CPoint point) {
  m_bMouseHeld = 1;
  m_bMouseInside = 1;
  ShowFrame(true);
  CButton::OnLButtonDown(flags, point);
}

void CSkinCheckBox::OnMouseMove(UINT flags, CPoint point) {
  if (m_bMouseHeld) {
    RECT client;
    GetClientRect(&client);
    const bool inside = PtInRect(&client, point) != FALSE;
    if (inside != (m_bMouseInside != 0)) {
      m_bMouseInside = inside ? 1 : 0;
      ShowFrame(inside || m_bSpaceHeld);
    }
  }
  CButton::OnMouseMove(flags, point);
}

void CSkinCheckBox::OnLButtonUp(UINT flags, CPoint point) {
  if (m_bMouseHeld) {
    m_bMouseHeld = 0;
    RECT client;
    GetClientRect(&client);
    if (PtInRect(&client, point)) m_bChecked = !m_bChecked;
    m_bMouseInside = 0;
    ShowFrame(m_bSpaceHeld != 0);
  }
  CButton::OnLButtonUp(flags, point);
}

void CSkinCheckBox::OnKillFocus(CWnd* newWnd) {
  if (m_bSpaceHeld) {
    m_bSpaceHeld = 0;
    ShowFrame(false);
  }
  CButton::OnKillFocus(newWnd);
}

BOOL CSkinCheckBox::OnSetCursor(CWnd*, UINT, UINT) {
  ::SetCursor(m_hCursor);
  return TRUE;
}
