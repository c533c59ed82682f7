#include "uploader/link_statics.h"

#include "platform/base/process.h"
#include "platform/window/afx_wnd.h"

namespace {

constexpr UINT_PTR kBlinkTimer = 1;

BOOL HandCursor() {
  ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
  return TRUE;
}

void Open(const std::string& address) {
  if (!address.empty()) ShellExecute(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

CLabelLink::~CLabelLink() {
  if (m_hFont) DeleteObject(m_hFont);
}

void CLabelLink::SetFontFace(const std::string& face) {
  m_strFace = face;
  RemakeFont();
}

void CLabelLink::SetFontHeight(int height) {
  m_nHeight = height;
  RemakeFont();
}

bool CLabelLink::SetFontWeight(int weight) {
  if (weight < 100 || weight > 900 || weight % 100 != 0) return false;
  m_nWeight = weight;
  RemakeFont();
  return true;
}

void CLabelLink::SetTextColor(COLORREF colour) {
  m_crText = colour;
  if (m_hWnd) Invalidate();
}

void CLabelLink::RemakeFont() {
  if (m_hFont) DeleteObject(m_hFont);
  m_hFont = CreateFont(-m_nHeight, 0, 0, 0, m_nWeight, 0, 0, 0, 0, 0, 0, 0, 0, m_strFace.c_str());
  if (m_hWnd) Invalidate();
}

void CLabelLink::Blink(UINT ms, bool colour, COLORREF other) {
  m_bBlinkColour = colour;
  m_crOther = other;
  m_bBlinkOff = false;
  if (ms == 0) {
    KillTimer(kBlinkTimer);
  } else {
    SetTimer(kBlinkTimer, ms, nullptr);
  }
  Invalidate();
}

void CLabelLink::OnTimer(UINT_PTR id) {
  if (id != kBlinkTimer) return CStatic::OnTimer(id);
  m_bBlinkOff = !m_bBlinkOff;
  Invalidate();
}

void CLabelLink::OnPaint() {
  CPaintDC dc(this);
  if (!m_hFont) RemakeFont();
  CRect r;
  GetClientRect(&r);
  HDC hdc = dc.GetSafeHdc();
  HBRUSH background =
      reinterpret_cast<HBRUSH>(GetParent() ? GetParent()->SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc),
                                                                      reinterpret_cast<LPARAM>(m_hWnd))
                                           : 0);
  if (background) FillRect(hdc, &r, background);
  if (m_bBlinkOff && !m_bBlinkColour) return;
  HGDIOBJ old = SelectObject(hdc, m_hFont ? reinterpret_cast<HGDIOBJ>(m_hFont) : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(hdc, TRANSPARENT);
  ::SetTextColor(hdc, m_bBlinkOff ? m_crOther : m_crText);
  dc.DrawText(GetWindowText(), &r, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
  SelectObject(hdc, old);
}

BOOL CLabelLink::OnSetCursor(CWnd*, UINT, UINT) { return HandCursor(); }

void CLabelLink::OnLButtonUp(UINT, CPoint) { Open(m_strLink); }

void CHyperLink::OnPaint() {
  CPaintDC dc(this);
  CRect r;
  GetClientRect(&r);
  HDC hdc = dc.GetSafeHdc();
  if (m_hBrush) {
    // The pattern lines up with the dialog's, so the link sits on the background unseen.
    CRect inParent = r;
    MapWindowPoints(GetParent(), reinterpret_cast<LPPOINT>(&inParent), 2);
    SetBrushOrgEx(hdc, -inParent.left, -inParent.top, nullptr);
    FillRect(hdc, &r, m_hBrush);
  }
  if (HBITMAP bitmap = GetBitmap()) {
    HDC memory = CreateCompatibleDC(hdc);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(hdc, 0, 0, r.Width(), r.Height(), memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    return;
  }
  SetBkMode(hdc, TRANSPARENT);
  ::SetTextColor(hdc, RGB(0x99, 0x91, 0x82));
  HGDIOBJ old = SelectObject(hdc, reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)));
  dc.DrawText(GetWindowText(), &r, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
  SelectObject(hdc, old);
}

BOOL CHyperLink::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) {
  return m_bHand ? HandCursor() : CStatic::OnSetCursor(wnd, hitTest, message);
}

void CHyperLink::OnLButtonUp(UINT, CPoint) { Open(m_strLink); }
