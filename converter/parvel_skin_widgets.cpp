#include "converter/parvel_skin_widgets.h"

#include "platform/base/strings.h"
#include "widgets/skin_bitmap.h"
#include "widgets/skin_geometry.h"
#include "platform/controls/commctrl.h"

BOOL CSkinBitmapButton::LoadBitmaps(HINSTANCE module, UINT id, int cx, int cy, BOOL oneImage) {
  const BOOL loaded = LoadBitmap(module, id, oneImage);
  if (loaded && cx > 0 && cy > 0) SetSize(cx, cy);
  return loaded;
}

void CSkinBitmapButton::OnMouseMove(UINT flags, CPoint point) {
  CSkinButton::OnMouseMove(flags, point);
  if (IsHovering() && ::GetFocus() != m_hWnd) SetFocus();
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

CSkinBitmapHeaderCtrl::~CSkinBitmapHeaderCtrl() {
  if (m_hBackground) DeleteObject(m_hBackground);
  if (m_hSeparator) DeleteObject(m_hSeparator);
  if (m_hLayoutFont) DeleteObject(m_hLayoutFont);
}

BOOL CSkinBitmapHeaderCtrl::Attach(HWND list, HINSTANCE module, UINT backgroundId, UINT separatorId,
                                   const std::string titles[5], HFONT titleFont) {
  HWND header = reinterpret_cast<HWND>(::SendMessage(list, LVM_GETHEADER, 0, 0));
  if (!header || !SubclassWindow(header)) return FALSE;
  m_hBackground = skin::LoadModuleBitmap(module, backgroundId);
  m_hSeparator = skin::LoadModuleBitmap(module, separatorId);
  m_hTitleFont = titleFont;
  for (int i = 0; i < 5; ++i) m_titles[i] = titles[i];
  // The header's own font sets its layout: the standard GUI font, 12 high and bold.
  LOGFONT layout{};
  ::GetObject(GetStockObject(DEFAULT_GUI_FONT), sizeof layout, &layout);
  layout.lfHeight = -kLayoutFontHeight;
  layout.lfWeight = kLayoutFontWeight;
  m_hLayoutFont = CreateFontIndirect(&layout);
  if (m_hLayoutFont) SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_hLayoutFont), TRUE);
  Invalidate();
  return TRUE;
}

void CSkinBitmapHeaderCtrl::OnWindowPosChanged(LPWINDOWPOS pos) {
  CWnd::OnWindowPosChanged(pos);
  Invalidate();
}

void CSkinBitmapHeaderCtrl::OnPaint() {
  PAINTSTRUCT ps;
  HDC target = BeginPaint(m_hWnd, &ps);
  CRect r;
  GetClientRect(&r);
  HDC dc = CreateCompatibleDC(target);
  HBITMAP canvas = CreateCompatibleBitmap(target, r.Width(), r.Height());
  HGDIOBJ oldCanvas = SelectObject(dc, canvas);
  RECT all{0, 0, r.Width(), r.Height()};
  HBRUSH fill = CreateSolidBrush(RGB(0x2E, 0x36, 0x3A));
  FillRect(dc, &all, fill);
  DeleteObject(fill);
  if (m_hBackground)
    for (int x = 0; x < r.Width(); ++x) skin::BlitBitmap(dc, x, 0, 1, kHeight, m_hBackground, 0, 0);
  SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, RGB(0, 0, 0));
  HGDIOBJ oldFont = m_hTitleFont ? SelectObject(dc, m_hTitleFont) : nullptr;
  const int count = static_cast<int>(SendMessage(HDM_GETITEMCOUNT));
  for (int i = 0; i < count; ++i) {
    RECT item{};
    if (!SendMessage(HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item))) continue;
    if (item.right <= item.left) continue;
    if (i < 5) {
      RECT text = item;
      DrawText(dc, m_titles[i].c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
    if (m_hSeparator) skin::BlitBitmap(dc, item.right - 2, 0, 2, kHeight, m_hSeparator, 0, 0);
  }
  if (oldFont) SelectObject(dc, oldFont);
  BitBlt(target, 0, 0, r.Width(), r.Height(), dc, 0, 0, SRCCOPY);
  SelectObject(dc, oldCanvas);
  DeleteObject(canvas);
  DeleteDC(dc);
  EndPaint(m_hWnd, &ps);
}
