#include "wendrel_dlg.h"

#include "capture_graphs.h"
#include "platform/window/resources.h"
#include "platform/base/debug_output.h"
#include "platform/window/device_change.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/gdi/icon.h"
#include "platform/window/afx_app.h"
#include "platform/shell/power.h"
#include "platform/window/menu.h"
#include "platform/window/monitors.h"
#include "wizard_about_dlg.h"
#include "wizard_app.h"
#include "wizard_ids.h"
#include "wizard_pages.h"
#include "wizard_state.h"
#include "wizard_text.h"

using wizard::State;
using wizard::Text;

namespace {

constexpr COLORREF kCutKey = RGB(255, 0, 0);
constexpr int kBandInset = 18;
constexpr int kCornerSize = 19;

void KeepAwake(bool on) {
  ::SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, on ? FALSE : TRUE, nullptr, 0);
  if (on) ::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
}

HBITMAP LibraryBitmap(HMODULE module, UINT id) { return module ? ::LoadBitmap(module, MAKEINTRESOURCE(id)) : nullptr; }

}  // namespace

std::string StepTitle(const char* label, UINT titleId) {
  return wizard::Format("%s %s %s", Text(IDS_STEP).c_str(), label, Text(titleId).c_str());
}

void ShowStep(CWizardPage* page, const std::string& title, int indicator) {
  CWizardPageHost* host = page->m_pHost;
  if (!host) return;
  host->SetStepTitle(title);
  if (indicator > 0) host->SetStepIndicator(indicator);
  if (auto* frame = dynamic_cast<CWendrelDlg*>(host)) frame->SetButtonLayout(static_cast<int>(page->m_nPageId));
}

BEGIN_MESSAGE_MAP(CWendrelDlg, CWizardPageHost)
ON_WM_DESTROY()
ON_WM_ERASEBKGND()
ON_WM_CTLCOLOR()
ON_WM_LBUTTONDOWN()
ON_WM_SYSCOMMAND()
ON_WM_DEVICECHANGE()
ON_WM_CLOSE()
ON_BN_CLICKED(IDC_FINISH, &CWendrelDlg::OnFinish)
ON_BN_CLICKED(IDC_EXIT, &CWendrelDlg::OnExit)
ON_BN_CLICKED(IDC_MINIMIZE, &CWendrelDlg::OnMinimize)
ON_BN_CLICKED(IDC_HELP, &CWendrelDlg::OnHelpButton)
ON_COMMAND(ID_HELP_CONTENTS, &CWendrelDlg::OnHelpContents)
ON_COMMAND(ID_HELP_SUPPORT, &CWendrelDlg::OnHelpSupport)
ON_COMMAND(ID_HELP_SPECS, &CWendrelDlg::OnHelpSpecs)
ON_COMMAND(ID_HELP_ABOUT, &CWendrelDlg::OnHelpAbout)
END_MESSAGE_MAP()

CWendrelDlg::CWendrelDlg(CWnd* parent) : CWizardPageHost(IDD_WENDREL, parent) {
  m_ownedPages = MakeWizardPages();
  for (auto& page : m_ownedPages) AddPage(page.get(), page->m_nPageId);
}

CWendrelDlg::~CWendrelDlg() = default;

BOOL CWendrelDlg::OnInitDialog() {
  CWizardPageHost::OnInitDialog();
  if (HMENU system = ::GetSystemMenu(m_hWnd, FALSE)) {
    ::AppendMenu(system, MF_SEPARATOR, 0, nullptr);
    ::AppendMenu(system, MF_STRING, IDM_ABOUT_BOX, State().windowTitle.c_str());
  }
  // The program's own library carries the icon; without it the program's module is asked.
  HICON icon = ::LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(IDR_WENDREL_ICON));
  SetIcon(icon, TRUE);
  SetIcon(icon, FALSE);
  SetWindowText(State().windowTitle.c_str());
  ApplySkin();
  ApplyRegion();
  KeepAwake(true);
  m_initialised = true;
  wizard::Writer().Initialize();
  SetActivePage(IDD_PAGE_DISC_TYPE);
  return TRUE;
}

void CWendrelDlg::ApplySkin() {
  HMODULE ui = State().uiLibrary;
  m_background = LibraryBitmap(ui, IDB_FRAME);
  int width = kDefaultWidth, height = kDefaultHeight;
  if (m_background) {
    m_backgroundOwner.Attach(m_background);
    m_patternBrush.CreatePatternBrush(&m_backgroundOwner);
    BITMAP bm{};
    ::GetObject(m_background, sizeof bm, &bm);
    width = bm.bmWidth, height = bm.bmHeight;
  }
  if (HWND title = ::GetDlgItem(m_hWnd, IDC_MODE_CAPTION))
    ::SendMessage(title, WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(m_titleFont)), TRUE);

  m_steps.SubclassDlgItem(IDC_STEPS, this);
  m_steps.LoadBitmap(ui, IDB_STEPS);
  m_steps.SetRange(0, 5);
  m_steps.SetPos(1);
  struct Button {
    CTipBitmapButton* button;
    int id;
    UINT bitmap;
    UINT tip;
  };
  const Button buttons[] = {
      {&m_back, IDC_BACK, IDB_BACK, IDS_TIP_BACK},
      {&m_next, IDC_NEXT, IDB_NEXT, IDS_TIP_NEXT},
      {&m_finish, IDC_FINISH, IDB_FINISH, IDS_TIP_EXIT},
      {&m_help, IDC_HELP, IDB_HELP, IDS_TIP_HELP},
      {&m_minimize, IDC_MINIMIZE, IDB_MINIMIZE, IDS_TIP_MINIMIZE},
      {&m_exit, IDC_EXIT, IDB_EXIT, IDS_TIP_EXIT},
  };
  for (const Button& b : buttons) {
    b.button->SubclassDlgItem(b.id, this);
    b.button->LoadBitmap(ui, b.bitmap);
    b.button->SetToolTip(b.tip);
  }
  const int x = (::GetSystemMetrics(SM_CXFULLSCREEN) - width) / 2;
  const int y = (::GetSystemMetrics(SM_CYFULLSCREEN) - height) / 2;
  SetWindowPos(nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  m_steps.MoveWindow(21, 505, 160, 24);
  m_help.MoveTo(672, 21);
  m_minimize.MoveTo(710, 21);
  m_exit.MoveTo(748, 21);

  m_logo = LibraryBitmap(State().extraLibrary, IDB_EXTRA_LOGO);
  if (!m_logo) m_logo = LibraryBitmap(ui, IDB_LOGO);
  if (m_logo) {
    m_logoOwner.Attach(m_logo);
    BITMAP bm{};
    ::GetObject(m_logo, sizeof bm, &bm);
    if (HWND logo = ::GetDlgItem(m_hWnd, IDC_LOGO)) {
      ::SendMessage(logo, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_logo));
      ::MoveWindow(logo, 26, 9, bm.bmWidth, bm.bmHeight, TRUE);
    }
  }
  if (HWND title = ::GetDlgItem(m_hWnd, IDC_STEP_TITLE)) ::MoveWindow(title, 50, 78, 500, 40, TRUE);
  if (HWND caption = ::GetDlgItem(m_hWnd, IDC_MODE_CAPTION)) ::MoveWindow(caption, 552, 78, 220, 40, TRUE);
  SetButtonLayout(IDD_PAGE_DISC_TYPE);
}

void CWendrelDlg::ApplyRegion() {
  RECT window;
  GetWindowRect(&window);
  const int w = window.right - window.left, h = window.bottom - window.top;
  HRGN region = ::CreateRectRgn(0, kBandInset, w, h - kBandInset);
  HRGN band = ::CreateRectRgn(kBandInset, 0, w - kBandInset, h);
  ::CombineRgn(region, region, band, RGN_OR);
  ::DeleteObject(band);
  if (m_background) {
    BITMAP bm{};
    ::GetObject(m_background, sizeof bm, &bm);
    HDC screen = ::GetDC(nullptr);
    HDC source = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(source, m_background);
    const int lefts[] = {0, bm.bmWidth - kBandInset};
    const int tops[] = {0, bm.bmHeight - kBandInset};
    for (int left : lefts)
      for (int top : tops)
        for (int j = 0; j < kCornerSize; ++j)
          for (int i = 0; i < kCornerSize; ++i) {
            if (::GetPixel(source, left + i, top + j) == kCutKey) continue;
            HRGN dot = ::CreateRectRgn(left + i, top + j, left + i + 1, top + j + 1);
            ::CombineRgn(region, region, dot, RGN_OR);
            ::DeleteObject(dot);
          }
    ::SelectObject(source, old);
    ::DeleteDC(source);
    ::ReleaseDC(nullptr, screen);
  }
  HRGN whole = ::CreateRectRgn(0, 0, w, h);
  ::CombineRgn(region, region, whole, RGN_AND);
  ::DeleteObject(whole);
  SetWindowRgn(region, FALSE);
}

void CWendrelDlg::SetButtonLayout(int pageId) {
  const bool finishPage =
      pageId == IDD_PAGE_NO_CAPTURE_DEVICE || pageId == IDD_PAGE_DVD_RECORD || pageId == IDD_PAGE_BD_RECORD;
  auto place = [this](int id, int x, int y, bool zeroSize) {
    HWND item = ::GetDlgItem(m_hWnd, id);
    if (!item) return;
    RECT r;
    ::GetWindowRect(item, &r);
    const int cx = zeroSize ? 0 : r.right - r.left, cy = zeroSize ? 0 : r.bottom - r.top;
    ::SetWindowPos(item, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
  };
  auto restore = [this](CTipBitmapButton& button, int x, int y) {
    if (!button.m_hWnd) return;
    button.SetWindowPos(nullptr, x, y, button.GetFrameWidth() ? button.GetFrameWidth() : 90,
                        button.GetFrameHeight() ? button.GetFrameHeight() : 32, SWP_NOZORDER | SWP_NOACTIVATE);
  };
  restore(m_back, 589, 502);
  if (finishPage) {
    restore(m_finish, 689, 502);
    place(IDC_NEXT, 689, 802, true);
  } else {
    restore(m_next, 689, 502);
    place(IDC_FINISH, 689, 802, true);
  }
}

void CWendrelDlg::InvalidateStepArea() {
  RECT area{504, 508, 778, 589};
  InvalidateRect(&area, TRUE);
}

void CWendrelDlg::SetBusyState(int state) {
  if (state < 0 || state > 3) return;
  m_busyState = state;
  for (int id : {IDC_HELP, IDC_EXIT, IDC_BACK, IDC_NEXT, IDC_FINISH})
    if (HWND item = ::GetDlgItem(m_hWnd, id)) ::EnableWindow(item, state == 0);
}

void CWendrelDlg::OnStepIndicator(int step) {
  if (m_steps.m_hWnd) m_steps.SetPos(step);
}

BOOL CWendrelDlg::OnEraseBkgnd(CDC* dc) {
  if (!m_background) return CWizardPageHost::OnEraseBkgnd(dc);
  BITMAP bm{};
  ::GetObject(m_background, sizeof bm, &bm);
  HDC source = ::CreateCompatibleDC(dc->GetSafeHdc());
  HGDIOBJ old = ::SelectObject(source, m_background);
  ::BitBlt(dc->GetSafeHdc(), 0, 0, bm.bmWidth, bm.bmHeight, source, 0, 0, SRCCOPY);
  ::SelectObject(source, old);
  ::DeleteDC(source);
  return TRUE;
}

HBRUSH CWendrelDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) {
  if (ctlColor == CTLCOLOR_STATIC && wnd) {
    const int id = wnd->GetDlgCtrlID();
    if (id == IDC_STEP_TITLE || id == IDC_MODE_CAPTION) {
      dc->SetTextColor(id == IDC_STEP_TITLE ? RGB(255, 255, 255) : RGB(130, 145, 153));
      dc->SetBkMode(TRANSPARENT);
      if (!m_patternBrush.GetSafeHandle()) return reinterpret_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
      // The skin under the label is the part of the frame picture at the label's place.
      RECT place;
      ::GetWindowRect(wnd->m_hWnd, &place);
      ScreenToClient(&place);
      ::SetBrushOrgEx(dc->GetSafeHdc(), -place.left, -place.top, nullptr);
      return static_cast<HBRUSH>(m_patternBrush);
    }
  }
  return CWizardPageHost::OnCtlColor(dc, wnd, ctlColor);
}

void CWendrelDlg::OnLButtonDown(UINT flags, CPoint point) {
  PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, 0);
  CWizardPageHost::OnLButtonDown(flags, point);
}

void CWendrelDlg::OnSysCommand(UINT id, LPARAM param) {
  if (id >= 16 && id <= 31) {
    OnHelpAbout();
    return;
  }
  CWizardPageHost::OnSysCommand(id, param);
}

BOOL CWendrelDlg::OnDeviceChange(UINT event, DWORD_PTR data) {
  // Which drive the machine named tells, in the debugger output, whether a disc that the page
  // never saw was announced at all.
  const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(data);
  if ((event == DBT_DEVICEARRIVAL || event == DBT_DEVICEREMOVECOMPLETE) && volume &&
      volume->dbcv_devicetype == DBT_DEVTYP_VOLUME && (volume->dbcv_flags & DBTF_MEDIA)) {
    for (int bit = 0; bit < 26; ++bit)
      if (volume->dbcv_unitmask & (DWORD{1} << bit))
        platform::OutputDebugFormat("Wendrel: disc %s %c:\n",
                                    event == DBT_DEVICEARRIVAL ? "arrived in" : "removed from", 'A' + bit);
  }
  if (CWizardPage* page = GetActivePage()) page->SendMessage(WM_DEVICECHANGE, event, static_cast<LPARAM>(data));
  return TRUE;
}

void CWendrelDlg::OnFinish() {
  if (wizard::Ask(m_hWnd, Text(IDS_EXIT_QUESTION), MB_YESNO | MB_ICONQUESTION) == IDNO) return;
  RunExitProcedure();
}

void CWendrelDlg::OnExit() { RunExitProcedure(); }

void CWendrelDlg::OnClose() {
  // A recording or burn in progress keeps the window.
  if (m_busyState >= 1 && m_busyState <= 3) return;
  RunExitProcedure();
}

void CWendrelDlg::RunExitProcedure() {
  // Writer and graphs are released when the dialog really ends (OnDestroy), not when a page
  // refuses to finish.
  FinishPages();
}

void CWendrelDlg::OnDestroy() {
  Teardown();
  CWizardPageHost::OnDestroy();
}

void CWendrelDlg::Teardown() {
  if (m_tornDown || !m_initialised) return;
  m_tornDown = true;
  CQnDataCDDVD& writer = wizard::Writer();
  if (State().writerCount > 0) writer.UnlockMedium();
  writer.Uninitialize();
  wizard::ReleaseCaptureGraphs();
  KeepAwake(false);
}

void CWendrelDlg::OnMinimize() { ShowWindow(SW_MINIMIZE); }

void CWendrelDlg::OnHelpButton() {
  HMENU menu =
      ::LoadMenu(AfxFindResourceHandle(MAKEINTRESOURCE(IDR_HELP_MENU), RT_MENU), MAKEINTRESOURCE(IDR_HELP_MENU));
  if (!menu) return;
  HMENU popup = ::GetSubMenu(menu, 1);
  ::ModifyMenu(popup, ID_HELP_ABOUT, MF_BYCOMMAND | MF_STRING, ID_HELP_ABOUT, ("About " + State().windowTitle).c_str());
  RECT r{};
  if (HWND help = ::GetDlgItem(m_hWnd, IDC_HELP)) ::GetWindowRect(help, &r);
  ::TrackPopupMenu(popup, TPM_LEFTALIGN, r.left + 3, r.top + 20, 0, m_hWnd, nullptr);
  ::DestroyMenu(menu);
}

void CWendrelDlg::OnHelpContents() {
  if (CWizardApp* app = WizardApp()) app->OpenUserGuide();
}
void CWendrelDlg::OnHelpSupport() {
  if (CWizardApp* app = WizardApp()) app->OpenOnlineSupport();
  if (HWND help = ::GetDlgItem(m_hWnd, IDC_HELP)) ::InvalidateRect(help, nullptr, TRUE);
}
void CWendrelDlg::OnHelpSpecs() {
  if (CWizardApp* app = WizardApp()) app->OpenSystemSpecs();
}
void CWendrelDlg::OnHelpAbout() {
  CAboutDialog about(this);
  about.DoModal();
}
