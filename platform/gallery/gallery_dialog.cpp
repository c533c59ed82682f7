#include "gallery_dialog.h"

#include <algorithm>
#include <string>

#include "gallery_ids.h"
#include "platform/base/strings.h"
#include "platform/shell/file_dialog.h"
#include "platform/shell/folder_browser.h"
#include "platform/window/afx_app.h"
#include "platform/window/resources.h"

namespace {

constexpr int kPlayFrameWidth = 64;
constexpr int kPlayFrameHeight = 24;

// A text of the string table, empty when the library lacks it.
std::string ResourceText(UINT id) {
  return platform::LoadStdString(AfxFindResourceHandle(MAKEINTRESOURCE(id), RT_STRING), id).value_or("");
}

HBITMAP ResourceBitmap(UINT id) { return ::LoadBitmap(AfxGetResourceHandle(), MAKEINTRESOURCE(id)); }

// Draws a bitmap (or the part of it at sx, sy, sw, sh) stretched into r.
void Stretch(HDC dc, const RECT& r, HBITMAP bitmap, int sx, int sy, int sw, int sh) {
  HDC source = ::CreateCompatibleDC(dc);
  HGDIOBJ old = ::SelectObject(source, bitmap);
  ::StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source, sx, sy, sw, sh, SRCCOPY);
  ::SelectObject(source, old);
  ::DeleteDC(source);
}

}  // namespace

BEGIN_MESSAGE_MAP(CGalleryDlg, CDialog)
ON_WM_ERASEBKGND()
ON_WM_CTLCOLOR()
ON_WM_DRAWITEM()
ON_WM_TIMER()
ON_WM_DESTROY()
ON_BN_CLICKED(IDC_PLAY, &CGalleryDlg::OnPlay)
ON_BN_CLICKED(IDC_ABOUT, &CGalleryDlg::OnAbout)
ON_BN_CLICKED(IDC_OPEN, &CGalleryDlg::OnOpen)
ON_BN_CLICKED(IDC_FOLDER, &CGalleryDlg::OnFolder)
END_MESSAGE_MAP()

CGalleryDlg::CGalleryDlg(CWnd* parent) : CDialog(IDD_GALLERY, parent) {}

CGalleryDlg::~CGalleryDlg() {
  for (auto& [colour, brush] : brushes_) ::DeleteObject(brush);
  if (background_) ::DeleteObject(background_);
  if (play_) ::DeleteObject(play_);
}

BOOL CGalleryDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  background_ = ResourceBitmap(IDB_SKIN_BACKGROUND);
  play_ = ResourceBitmap(IDB_SKIN_PLAY);
  SetDlgItemText(IDC_NAME, "Holiday 2026");
  CheckDlgButton(IDC_FAST, BST_CHECKED);
  ::CheckRadioButton(m_hWnd, IDC_QUALITY, IDC_HIGH, IDC_HIGH);
  SetTimer(kClockTimer, kClockMs);
  return TRUE;
}

BOOL CGalleryDlg::OnEraseBkgnd(CDC* dc) {
  if (!background_) return CDialog::OnEraseBkgnd(dc);
  RECT client;
  GetClientRect(&client);
  BITMAP bm{};
  ::GetObject(background_, sizeof bm, &bm);
  Stretch(dc->GetSafeHdc(), client, background_, 0, 0, bm.bmWidth, bm.bmHeight);
  return TRUE;
}

COLORREF CGalleryDlg::SkinColourAt(int y) {
  RECT client;
  GetClientRect(&client);
  BITMAP bm{};
  if (!background_ || !::GetObject(background_, sizeof bm, &bm) || client.bottom <= 0)
    return GetSysColor(COLOR_BTNFACE);
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, background_);
  const int row = std::clamp(static_cast<int>(static_cast<long>(y) * bm.bmHeight / client.bottom), 0, bm.bmHeight - 1);
  const COLORREF colour = ::GetPixel(dc, 0, row);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  return colour;
}

// Labels, check boxes and radio buttons take the skin's colour behind them and white text.
HBRUSH CGalleryDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) {
  if (ctlColor != CTLCOLOR_STATIC && ctlColor != CTLCOLOR_BTN) return CDialog::OnCtlColor(dc, wnd, ctlColor);
  RECT r;
  ::GetWindowRect(wnd->GetSafeHwnd(), &r);
  POINT middle{r.left, (r.top + r.bottom) / 2};
  ::ScreenToClient(m_hWnd, &middle);
  const COLORREF colour = SkinColourAt(middle.y);
  ::SetTextColor(dc->GetSafeHdc(), RGB(255, 255, 255));
  ::SetBkColor(dc->GetSafeHdc(), colour);
  HBRUSH& brush = brushes_[colour];
  if (!brush) brush = ::CreateSolidBrush(colour);
  return brush;
}

// The play button's four frames: normal, hot, pressed, disabled.
void CGalleryDlg::OnDrawItem(int id, LPDRAWITEMSTRUCT item) {
  if (id != IDC_PLAY || !play_) {
    CDialog::OnDrawItem(id, item);
    return;
  }
  const int frame = (item->itemState & ODS_DISABLED)   ? 3
                    : (item->itemState & ODS_SELECTED) ? 2
                    : (item->itemState & ODS_HOTLIGHT) ? 1
                                                       : 0;
  Stretch(item->hDC, item->rcItem, play_, frame * kPlayFrameWidth, 0, kPlayFrameWidth, kPlayFrameHeight);
}

void CGalleryDlg::OnTimer(UINT_PTR id) {
  if (id != kClockTimer) {
    CDialog::OnTimer(id);
    return;
  }
  ++seconds_;
  SetDlgItemText(IDC_ELAPSED, platform::Format(ResourceText(IDS_ELAPSED).c_str(), seconds_));
}

void CGalleryDlg::OnDestroy() {
  KillTimer(kClockTimer);
  CDialog::OnDestroy();
}

void CGalleryDlg::OnPlay() {
  std::string name;
  GetDlgItemText(IDC_NAME, name);
  AfxMessageBox(platform::Format(ResourceText(IDS_PLAY_TEXT).c_str(), name.c_str()), MB_OK | MB_ICONINFORMATION);
}

void CGalleryDlg::OnAbout() {
  CDialog about(IDD_ABOUT, this);
  about.DoModal();
}

void CGalleryDlg::OnOpen() {
  CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY,
                     "Video files (*.mpg;*.m2ts)|*.mpg;*.m2ts|All files|*.*||", this);
  if (dialog.DoModal() == IDOK) SetDlgItemText(IDC_NAME, dialog.GetFileTitle());
}

void CGalleryDlg::OnFolder() {
  char name[MAX_PATH] = {};
  BROWSEINFO info;
  info.hwndOwner = m_hWnd;
  info.pszDisplayName = name;
  info.lpszTitle = "Choose the output folder";
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_EDITBOX;
  LPITEMIDLIST chosen = SHBrowseForFolder(&info);
  char path[MAX_PATH] = {};
  if (chosen && SHGetPathFromIDList(chosen, path)) SetDlgItemText(IDC_FOLDER_TEXT, path);
  ILFree(chosen);
}
