#include "lanvik_dlg.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "about_dlg.h"
#include "lanvik_app.h"
#include "lanvik_ids.h"
#include "platform/base/process.h"
#include "platform/window/menu.h"
#include "platform/window/monitors.h"
#include "platform/window/window.h"
#include "qnlog/qn_log.h"
#include "skin_bitmap.h"
#include "skin_ids.h"
#include "widgets/system_info.h"

namespace starter {
namespace {

struct ButtonPlace {
  int id;
  UINT bitmap;
  UINT tip;
  int x, y;
};
// The wizard's bitmap comes from the image library when it is there; see SetUpSkin.
constexpr ButtonPlace kButtons[] = {
    {IDC_HELP_BUTTON, IDB_STARTER_HELP, IDS_TIP_HELP, 672, 21},
    {IDC_MINIMIZE, IDB_STARTER_MINIMIZE, IDS_TIP_MINIMIZE, 710, 21},
    {IDOK, IDB_STARTER_CLOSE, IDS_TIP_EXIT, 748, 21},
    {IDC_LAUNCH_WIZARD, IDB_STARTER_WIZARD, IDS_TIP_WIZARD, 37, 98},
    {IDC_LAUNCH_ADVANCED, IDB_STARTER_ADVANCED, IDS_TIP_ADVANCED, 289, 98},
    {IDC_LAUNCH_AUDIO, IDB_STARTER_AUDIO, IDS_TIP_AUDIO, 541, 98},
    {IDC_EXIT, IDB_STARTER_EXIT, IDS_TIP_EXIT, 689, 472},
};

struct TextPlace {
  int id;
  int x, y, width, height;
};
constexpr int kColumns[3] = {56, 296, 536};
constexpr TextPlace kTexts[] = {
    {IDC_WIZARD_LEAD, kColumns[0], 280, 208, 20},      {IDC_WIZARD_HEADING, kColumns[0], 310, 208, 30},
    {IDC_WIZARD_TEXT, kColumns[0], 350, 208, 100},     {IDC_ADVANCED_LEAD, kColumns[1], 280, 208, 20},
    {IDC_ADVANCED_HEADING, kColumns[1], 310, 208, 30}, {IDC_ADVANCED_TEXT, kColumns[1], 350, 208, 100},
    {IDC_AUDIO_LEAD, kColumns[2], 280, 220, 20},       {IDC_AUDIO_HEADING, kColumns[2], 310, 208, 30},
    {IDC_AUDIO_TEXT, kColumns[2], 350, 208, 100},
};

bool IsHeading(int id) { return id == IDC_WIZARD_HEADING || id == IDC_ADVANCED_HEADING || id == IDC_AUDIO_HEADING; }
bool IsLead(int id) { return id == IDC_WIZARD_LEAD || id == IDC_ADVANCED_LEAD || id == IDC_AUDIO_LEAD; }

HFONT MakeFont(const std::string& face, UINT heightId, int fallbackHeight, int weight) {
  const std::string text = LoadText(heightId);
  const int height = text.empty() ? fallbackHeight : std::atoi(text.c_str());
  return ::CreateFont(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str());
}

}  // namespace

BEGIN_MESSAGE_MAP(CLanvikDlg, CDialog)
ON_WM_ERASEBKGND()
ON_WM_CTLCOLOR()
ON_WM_TIMER()
ON_WM_LBUTTONDOWN()
ON_WM_SYSCOMMAND()
ON_BN_CLICKED(IDC_LAUNCH_WIZARD, &CLanvikDlg::OnLaunchWizard)
ON_BN_CLICKED(IDC_LAUNCH_ADVANCED, &CLanvikDlg::OnLaunchAdvanced)
ON_BN_CLICKED(IDC_LAUNCH_AUDIO, &CLanvikDlg::OnLaunchAudioRecorder)
ON_BN_CLICKED(IDC_HELP_BUTTON, &CLanvikDlg::OnHelpButton)
ON_BN_CLICKED(IDC_MINIMIZE, &CLanvikDlg::OnMinimize)
ON_BN_CLICKED(IDC_EXIT, &CLanvikDlg::OnExit)
ON_COMMAND(ID_HELP_GUIDE, &CLanvikDlg::OnHelpGuide)
ON_COMMAND(ID_HELP_SUPPORT, &CLanvikDlg::OnHelpSupport)
ON_COMMAND(ID_HELP_SYSTEM_INFO, &CLanvikDlg::OnHelpSystemInfo)
ON_COMMAND(ID_HELP_ABOUT, &CLanvikDlg::OnAbout)
END_MESSAGE_MAP()

CLanvikDlg::CLanvikDlg(const CLanvikApp& app, CWnd* parent) : CDialog(IDD_LANVIK_DIALOG, parent), app_(app) {}

CLanvikDlg::~CLanvikDlg() {
  auto release = [](auto object) {
    if (object) ::DeleteObject(object);
  };
  release(backgroundBrush_), release(background_), release(picture_), release(corners_);
  release(headingFont_), release(leadFont_), release(textFont_);
  if (helpMenu_) ::DestroyMenu(helpMenu_);
}

BOOL CLanvikDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (HMENU system = ::GetSystemMenu(m_hWnd, FALSE)) {
    ::AppendMenu(system, MF_SEPARATOR, 0, nullptr);
    ::AppendMenu(system, MF_STRING, kAboutCommand, LoadText(IDS_PRODUCT_TITLE).c_str());
  }
  SetUpSkin();
  LayOut();
  ::SetWindowRgn(m_hWnd, CornerRegion(corners_, kWidth, kHeight), TRUE);
  ::SetForegroundWindow(m_hWnd);
  ::SetActiveWindow(m_hWnd);
  return TRUE;
}

void CLanvikDlg::SetUpSkin() {
  const StarterLibraries& libraries = app_.Libraries();
  background_ = LoadBitmapFrom(libraries.ui, IDB_STARTER_BACKGROUND, nullptr, 0);
  if (background_) backgroundBrush_ = ::CreatePatternBrush(background_);
  corners_ = LoadBitmapFrom(libraries.ui, IDB_STARTER_CORNERS, nullptr, 0);
  std::string face = LoadText(IDS_FONT_FACE);
  if (face.empty()) face = "Arial";
  headingFont_ = MakeFont(face, IDS_FONT_LARGE, 20, 900);
  leadFont_ = MakeFont(face, IDS_FONT_MEDIUM, 16, 700);
  textFont_ = MakeFont(face, IDS_FONT_SMALL, 12, 500);
  for (size_t i = 0; i < buttons_.size(); ++i) {
    CTipBitmapButton& button = buttons_[i];
    const ButtonPlace& place = kButtons[i];
    if (!button.SubclassDlgItem(place.id, this)) continue;
    const bool wizard = place.id == IDC_LAUNCH_WIZARD;
    if (!(wizard && libraries.image && button.LoadBitmap(libraries.image, IDB_IMAGE_STARTER_WIZARD)) && libraries.ui)
      button.LoadBitmap(libraries.ui, place.bitmap);
    button.SetToolTipText(LoadText(place.tip));
  }
  ModifyStyle(0, WS_SYSMENU | WS_MINIMIZEBOX);
  SetWindowText((app_.Titles().launcher + " Starter").c_str());
  helpMenu_ = ::LoadMenu(AfxGetResourceHandle(), MAKEINTRESOURCE(IDR_HELP_MENU));
}

void CLanvikDlg::LayOut() {
  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  ::MoveWindow(m_hWnd, (cx - kWidth) / 2, (cy - kHeight) / 2, kWidth, kHeight, TRUE);
  for (size_t i = 0; i < buttons_.size(); ++i)
    if (buttons_[i].m_hWnd) buttons_[i].MoveTo(kButtons[i].x, kButtons[i].y);
  const StarterLibraries& libraries = app_.Libraries();
  picture_ = LoadBitmapFrom(libraries.extra, IDB_EXTRA_STARTER_LOGO, libraries.ui, IDB_STARTER_LOGO);
  if (HWND picture = ::GetDlgItem(m_hWnd, IDC_PICTURE)) {
    const SIZE size = BitmapSize(picture_);
    ::SendMessage(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_));
    ::MoveWindow(picture, 26, 9, size.cx, size.cy, TRUE);
  }
  for (const TextPlace& text : kTexts) {
    HWND control = ::GetDlgItem(m_hWnd, text.id);
    if (!control) continue;
    ::MoveWindow(control, text.x, text.y, text.width, text.height, TRUE);
    HFONT font = IsHeading(text.id) ? headingFont_ : IsLead(text.id) ? leadFont_ : textFont_;
    ::SendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
}

BOOL CLanvikDlg::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_F1) {
    OnHelpGuide();
    return TRUE;
  }
  return CDialog::PreTranslateMessage(msg);
}

BOOL CLanvikDlg::OnEraseBkgnd(CDC* dc) {
  RECT client;
  GetClientRect(&client);
  ::FillRect(*dc, &client,
             backgroundBrush_ ? backgroundBrush_ : reinterpret_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  return TRUE;
}

HBRUSH CLanvikDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT type) {
  if (type != CTLCOLOR_STATIC || !wnd || !backgroundBrush_) return CDialog::OnCtlColor(dc, wnd, type);
  dc->SetBkMode(TRANSPARENT);
  dc->SetTextColor(IsHeading(wnd->GetDlgCtrlID()) ? COLORREF(0xFFAA00) : COLORREF(0x999182));
  // The pattern lines up with the dialog's own background behind the text.
  RECT place;
  ::GetWindowRect(wnd->m_hWnd, &place);
  ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&place));
  ::SetBrushOrgEx(*dc, -place.left, -place.top, nullptr);
  return backgroundBrush_;
}

void CLanvikDlg::Launch(const char* program) {
  const std::string path = app_.AppFolder() + program;
  HINSTANCE result = ::ShellExecute(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  if (reinterpret_cast<INT_PTR>(result) <= 32)
    QnLogWrite(0x10000, "Cannot start %s (error %d)", path.c_str(),
               static_cast<int>(reinterpret_cast<INT_PTR>(result)));
}

void CLanvikDlg::StartLaunch(const char* program) {
  for (int id : {IDC_LAUNCH_WIZARD, IDC_LAUNCH_ADVANCED, IDC_LAUNCH_AUDIO})
    if (HWND button = ::GetDlgItem(m_hWnd, id)) ::EnableWindow(button, FALSE);
  Launch(program);
  SetTimer(kCloseTimer, kCloseMs);
}

void CLanvikDlg::OnLaunchWizard() { StartLaunch("Wendrel.exe"); }
void CLanvikDlg::OnLaunchAdvanced() { StartLaunch("Quillon.exe"); }
void CLanvikDlg::OnLaunchAudioRecorder() { StartLaunch("Auvry.exe"); }

void CLanvikDlg::OnTimer(UINT_PTR id) {
  if (id != kCloseTimer) return CDialog::OnTimer(id);
  KillTimer(id);
  EndDialog(IDOK);
}

void CLanvikDlg::OnLButtonDown(UINT flags, CPoint point) {
  CDialog::OnLButtonDown(flags, point);
  PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
}

void CLanvikDlg::OnSysCommand(UINT id, LPARAM lParam) {
  if ((id & 0xFFF0) == kAboutCommand) OnAbout();
  else CDialog::OnSysCommand(id, lParam);
}

void CLanvikDlg::OnHelpButton() {
  HMENU popup = helpMenu_ ? ::GetSubMenu(helpMenu_, 0) : nullptr;
  if (!popup) return;
  ::ModifyMenu(popup, ID_HELP_ABOUT, MF_BYCOMMAND | MF_STRING, ID_HELP_ABOUT, app_.Titles().launcher.c_str());
  RECT place;
  ::GetWindowRect(::GetDlgItem(m_hWnd, IDC_HELP_BUTTON), &place);
  ::TrackPopupMenu(popup, TPM_LEFTALIGN, place.left + 3, place.top + 20, 0, m_hWnd, nullptr);
}

void CLanvikDlg::OnMinimize() { ShowWindow(SW_MINIMIZE); }
void CLanvikDlg::OnExit() { EndDialog(IDCANCEL); }

void CLanvikDlg::OnHelpGuide() {
  const std::string guide = app_.AppFolder() + "Vidarro5UG.pdf";
  if (!std::ifstream(guide).good()) {
    char text[4096];
    std::snprintf(text, sizeof(text), LoadText(IDS_NO_GUIDE).c_str(), guide.c_str());
    ::MessageBox(m_hWnd, text, app_.Titles().launcher.c_str(), MB_ICONINFORMATION);
    return;
  }
  ::ShellExecute(nullptr, "open", guide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CLanvikDlg::OnHelpSupport() {
  std::string address = LoadText(IDS_SUPPORT_ADDRESS);
  if (!address.empty() && address.back() == '=') address += LoadText(IDS_LANGUAGE_CODE);
  ::ShellExecute(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CLanvikDlg::OnHelpSystemInfo() { CSystemInfoLauncher().OpenSystemInformation(); }

void CLanvikDlg::OnAbout() {
  CAboutDlg about(app_.Titles().launcher, this);
  about.DoModal();
}

}  // namespace starter
