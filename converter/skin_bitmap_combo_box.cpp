#include "converter/skin_bitmap_combo_box.h"

#include <string>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/text.h"

CSkinBitmapComboBox::CSkinBitmapComboBox(HINSTANCE module, UINT arrowId)
    : m_arrows(skin::LoadModuleBitmap(module, arrowId)) {}

void CSkinBitmapComboBox::SetBackgroundBrush(HBRUSH brush) {
  m_hBackground = brush;
  if (m_hWnd) Invalidate();
}

void CSkinBitmapComboBox::SetTextColor(COLORREF colour) {
  m_crText = colour;
  if (m_hWnd) Invalidate();
}

void CSkinBitmapComboBox::SetFontObject(HFONT font) {
  if (m_hWnd) SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

int CSkinBitmapComboBox::ArrowImage() const {
  if (m_hWnd && !IsWindowEnabled()) return kDisabledImage;
  return m_bPressed ? kPressedImage : kNormalImage;
}

BOOL CSkinBitmapComboBox::PreTranslateMessage(MSG* msg) {
  if (msg->hwnd == m_hWnd && msg->message == WM_LBUTTONDBLCLK) msg->message = WM_LBUTTONDOWN;
  return CComboBox::PreTranslateMessage(msg);
}

void CSkinBitmapComboBox::SetPressed(bool pressed) {
  if (pressed == m_bPressed) return;
  m_bPressed = pressed;
  Invalidate(FALSE);
}

void CSkinBitmapComboBox::DrawFace(HDC target) {
  RECT client;
  GetClientRect(&client);
  const int w = client.right, h = client.bottom;
  if (w <= 0 || h <= 0) return;
  HDC dc = CreateCompatibleDC(target);
  HBITMAP canvas = CreateCompatibleBitmap(target, w, h);
  HGDIOBJ oldCanvas = SelectObject(dc, canvas);

  // The parent's pattern, continued at the control's place; without one, what the parent
  // paints its statics on.
  HWND parent = ::GetParent(m_hWnd);
  RECT inParent = client;
  ::MapWindowPoints(m_hWnd, parent, reinterpret_cast<POINT*>(&inParent), 2);
  HBRUSH brush = m_hBackground;
  if (!brush && parent)
    brush = reinterpret_cast<HBRUSH>(
        ::SendMessage(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(m_hWnd)));
  if (!brush) brush = GetSysColorBrush(COLOR_BTNFACE);
  SetBrushOrgEx(dc, -inParent.left, -inParent.top, nullptr);
  FillRect(dc, &client, brush);

  const SIZE strip = skin::BitmapSize(m_arrows);
  const int arrowWidth = strip.cx / 3;
  if (arrowWidth > 0) {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ oldSource = SelectObject(source, m_arrows.Get());
    StretchBlt(dc, w - arrowWidth, 0, arrowWidth, h, source, ArrowImage() * arrowWidth, 0, arrowWidth, strip.cy,
               SRCCOPY);
    SelectObject(source, oldSource);
    DeleteDC(source);
  }

  HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  if (!font && parent) font = reinterpret_cast<HFONT>(::SendMessage(parent, WM_GETFONT, 0, 0));
  HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, m_crText);
  std::string text;
  if (const int selection = GetCurSel(); selection >= 0) GetLBText(selection, text);
  RECT box{4, 0, w - arrowWidth, h};
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &box,
           DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  if (oldFont) SelectObject(dc, oldFont);

  BitBlt(target, 0, 0, w, h, dc, 0, 0, SRCCOPY);
  SelectObject(dc, oldCanvas);
  DeleteObject(canvas);
  DeleteDC(dc);
}

void CSkinBitmapComboBox::OnPaint() {
  CPaintDC paint(this);
  DrawFace(paint.GetSafeHdc());
}

void CSkinBitmapComboBox::OnEnable(BOOL enable) {
  CComboBox::OnEnable(enable);
  Invalidate(FALSE);
}

void CSkinBitmapComboBox::OnLButtonDown(UINT flags, CPoint point) {
  RECT client;
  GetClientRect(&client);
  SetPressed(PtInRect(&client, point) != FALSE);
  CComboBox::OnLButtonDown(flags, point);
}

void CSkinBitmapComboBox::OnLButtonUp(UINT flags, CPoint point) {
  SetPressed(false);
  CComboBox::OnLButtonUp(flags, point);
}

BOOL CSkinBitmapComboBox::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (msg == WM_COMMAND) {
    const UINT code = HIWORD(wParam);
    if (code == CBN_CLOSEUP || code == CBN_KILLFOCUS) SetPressed(false);
    if (code == CBN_SELCHANGE) Invalidate(FALSE);
  }
  // The parent still hears every notification.
  return CComboBox::OnChildNotify(msg, wParam, lParam, result);
}
