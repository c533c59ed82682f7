#include "converter/parvel_skin_widgets.h"

#include "platform/base/strings.h"
#include "widgets/skin_geometry.h"

BOOL CSkinBitmapButton::LoadBitmaps(HINSTANCE module, UINT id, int cx, int cy, BOOL oneImage) {
  const BOOL loaded = LoadBitmap(module, id, oneImage);
  if (loaded && cx > 0 && cy > 0) SetSize(cx, cy);
  return loaded;
}

BEGIN_MESSAGE_MAP(CSkinColorEdit, CEdit)
ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

CSkinColorEdit::~CSkinColorEdit() {
  if (m_hBrush) DeleteObject(m_hBrush);
}

void CSkinColorEdit::SetColors(COLORREF brush, COLORREF textBackground, COLORREF text) {
  if (m_hBrush) DeleteObject(m_hBrush);
  m_hBrush = CreateSolidBrush(brush);
  m_crTextBack = textBackground;
  m_crText = text;
  if (m_hWnd) Invalidate();
}

HBRUSH CSkinColorEdit::CtlColor(CDC* dc, UINT) {
  if (!m_hBrush || !dc) return nullptr;
  ::SetTextColor(dc->GetSafeHdc(), m_crText);
  ::SetBkColor(dc->GetSafeHdc(), m_crTextBack);
  return m_hBrush;
}

void CTextProgressCtrl::SetRange(int min, int max) {
  m_nMin = min;
  m_nMax = max;
  CProgressCtrl::SetRange32(min, max);
  m_nDrawnWidth = -1;
  if (m_hWnd) Invalidate();
}

int CTextProgressCtrl::SetPos(int pos) {
  const int old = m_nPos;
  // Past the end starts again from the beginning.
  m_nPos = pos > m_nMax ? m_nMin : pos;
  if (m_hWnd) {
    CProgressCtrl::SetPos(m_nPos);
    if (FilledWidth() != m_nDrawnWidth) Invalidate();
  }
  return old;
}

int CTextProgressCtrl::FilledWidth() const {
  if (!m_hWnd) return 0;
  CRect r;
  GetClientRect(&r);
  return skin::FillLength(m_nPos, m_nMin, m_nMax, r.Width()).value_or(0);
}

std::string CTextProgressCtrl::Text() const {
  const int percent = skin::FillLength(m_nPos, m_nMin, m_nMax, 100).value_or(0);
  const std::string prefix = m_hWnd ? GetWindowText() : std::string();
  return prefix.empty() ? platform::Format("%d%%", percent) : platform::Format("%s  %d%%", prefix.c_str(), percent);
}

void CTextProgressCtrl::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(m_hWnd, &ps);
  CRect r;
  GetClientRect(&r);
  if (m_nMin < m_nMax) {
    const int filled = FilledWidth();
    m_nDrawnWidth = filled;
    RECT left{r.left, r.top, r.left + filled, r.bottom};
    RECT right{r.left + filled, r.top, r.right, r.bottom};
    HBRUSH green = CreateSolidBrush(kFilled);
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    FillRect(dc, &left, green);
    FillRect(dc, &right, white);
    DeleteObject(green);
    DeleteObject(white);
    const std::string text = Text();
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
    for (int part = 0; part < 2; ++part) {
      const RECT& clip = part == 0 ? left : right;
      const int saved = SaveDC(dc);
      IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
      ::SetTextColor(dc, GetSysColor(part == 0 ? COLOR_WINDOW : COLOR_HIGHLIGHT));
      RECT box = r;
      DrawText(dc, text.c_str(), -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      RestoreDC(dc, saved);
    }
    if (oldFont) SelectObject(dc, oldFont);
  }
  EndPaint(m_hWnd, &ps);
}
