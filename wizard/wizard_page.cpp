#include "wizard_page.h"

#include <cstdlib>

#include "platform/window/resources.h"
#include "platform/base/file_system.h"
#include "wizard_ids.h"
#include "wizard_text.h"

namespace {

int TextNumber(UINT id, int fallback) {
  const std::string text = wizard::Text(id);
  return text.empty() ? fallback : std::atoi(text.c_str());
}

void MakeFont(CFont& font, UINT heightId, int height, UINT weightId, int weight) {
  std::string face = wizard::Text(IDS_FONT_FACE);
  if (face.empty()) face = "Arial";
  if (!font.CreateFont(TextNumber(heightId, height), 0, 0, 0, TextNumber(weightId, weight), 0, 0, 0, DEFAULT_CHARSET, 0,
                       0, 0, 0, face.c_str()))
    font.CreateStockObject(DEFAULT_GUI_FONT);
}

}  // namespace

BEGIN_MESSAGE_MAP(CWizardPage, CDialog)
ON_WM_ERASEBKGND()
ON_WM_LBUTTONDOWN()
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CWizardPage::CWizardPage(UINT pageId) : CDialog(pageId), m_nPageId(pageId) {}

BOOL CWizardPage::OnInitDialog() {
  CDialog::OnInitDialog();
  MakeFont(m_fontLarge, IDS_LARGE_FONT_HEIGHT, 18, IDS_LARGE_FONT_WEIGHT, 800);
  MakeFont(m_fontMiddle, IDS_MIDDLE_FONT_HEIGHT, 14, IDS_MIDDLE_FONT_WEIGHT, 600);
  MakeFont(m_fontSmall, IDS_SMALL_FONT_HEIGHT, 12, IDS_SMALL_FONT_WEIGHT, 500);
  SetWindowPos(nullptr, 0, 0, kWidth, kHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  return TRUE;
}

void CWizardPage::SetBackground(UINT bitmapId, HINSTANCE module) {
  m_backgroundBrush.DeleteObject();
  m_backgroundOwner.DeleteObject();
  m_background = module ? ::LoadBitmap(module, MAKEINTRESOURCE(bitmapId)) : nullptr;
  if (m_background) {
    m_backgroundOwner.Attach(m_background);
    m_backgroundBrush.CreatePatternBrush(&m_backgroundOwner);
  }
  if (m_hWnd) Invalidate();
}

void CWizardPage::SetItemFont(int id, int x, int y, int cx, int cy, HFONT font) {
  HWND item = ::GetDlgItem(m_hWnd, id);
  if (!item) return;
  ::SendMessage(item, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  ::MoveWindow(item, x, y, cx, cy, TRUE);
}

void CWizardPage::SetTextColour(int id, COLORREF colour) {
  for (auto& [item, c] : m_colours)
    if (item == id) {
      c = colour;
      if (HWND w = ::GetDlgItem(m_hWnd, id)) ::InvalidateRect(w, nullptr, TRUE);
      return;
    }
  m_colours.emplace_back(id, colour);
}

HBRUSH CWizardPage::OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) {
  if (ctlColor == CTLCOLOR_STATIC && wnd) {
    const int id = wnd->GetDlgCtrlID();
    for (const auto& [item, colour] : m_colours)
      if (item == id) {
        if (!m_backgroundBrush.GetSafeHandle()) {
          HBRUSH plain = CDialog::OnCtlColor(dc, wnd, ctlColor);
          dc->SetTextColor(colour);
          return plain;
        }
        dc->SetTextColor(colour);
        dc->SetBkMode(TRANSPARENT);
        // The label shows the part of the page picture at its place.
        RECT place;
        ::GetWindowRect(wnd->m_hWnd, &place);
        ScreenToClient(&place);
        ::SetBrushOrgEx(dc->GetSafeHdc(), -place.left, -place.top, nullptr);
        return static_cast<HBRUSH>(m_backgroundBrush);
      }
  }
  return CDialog::OnCtlColor(dc, wnd, ctlColor);
}

BOOL CWizardPage::OnEraseBkgnd(CDC* dc) {
  if (!m_background) return CDialog::OnEraseBkgnd(dc);
  BITMAP bm{};
  ::GetObject(m_background, sizeof bm, &bm);
  HDC source = ::CreateCompatibleDC(dc->GetSafeHdc());
  HGDIOBJ old = ::SelectObject(source, m_background);
  ::BitBlt(dc->GetSafeHdc(), 0, 0, bm.bmWidth, bm.bmHeight, source, 0, 0, SRCCOPY);
  ::SelectObject(source, old);
  ::DeleteDC(source);
  return TRUE;
}

void CWizardPage::OnLButtonDown(UINT flags, CPoint point) {
  // The whole window is dragged by any spot of a page.
  if (CWnd* host = GetParent()) host->PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, 0);
  CDialog::OnLButtonDown(flags, point);
}

unsigned long long CWizardPage::GetFreeSpaceMB(const std::string& path) {
  std::uint64_t bytes = 0;
  if (path.empty() || !platform::FolderFreeBytes(path, &bytes)) return 0;
  return bytes >> 20;
}
