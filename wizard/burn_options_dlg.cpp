#include "burn_options_dlg.h"

#include "erase_disc_dlg.h"
#include "platform/window/resources.h"
#include "platform/base/message_box.h"
#include "platform/base/paths.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/shell/folder_browser.h"
#include "record_space.h"
#include "resources/skin_ids.h"
#include "widgets/folder_browser.h"
#include "wizard_ids.h"
#include "wizard_page.h"
#include "wizard_state.h"
#include "wizard_text.h"

using wizard::State;
using wizard::Text;

namespace wizard {

std::string ChooseFolder(CWnd* owner, const std::string& start) {
  const std::string title = Text(IDS_OUTPUT_FOLDER);
  CFolderBrowser browser(TRUE, State().windowTitle.c_str(), title.c_str(), start.c_str(), owner);
  browser.SetMessageCaption(State().windowTitle);
  return browser.DoModal() == 1 ? browser.GetFolderPath() : std::string();
}

}  // namespace wizard

namespace {
constexpr COLORREF kGreyText = RGB(130, 145, 153);
constexpr COLORREF kBlueText = RGB(0, 170, 255);
}  // namespace

BEGIN_MESSAGE_MAP(CBurnOptionsDialog, CDialog)
ON_WM_ERASEBKGND()
ON_WM_CTLCOLOR()
ON_WM_LBUTTONDOWN()
ON_WM_CLOSE()
ON_BN_CLICKED(kFolderButton, &CBurnOptionsDialog::OnFolder)
ON_BN_CLICKED(kClose, &CBurnOptionsDialog::OnCloseButton)
ON_EN_CHANGE(kDiscName, &CBurnOptionsDialog::OnNameChange)
END_MESSAGE_MAP()

CBurnOptionsDialog::CBurnOptionsDialog(double neededMB, CWnd* parent)
    : CDialog(IDD_BURN_OPTIONS, parent), m_neededMB(neededMB) {}

BOOL CBurnOptionsDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  wizard::WizardState& s = State();
  HMODULE ui = s.uiLibrary;
  RECT window;
  GetWindowRect(&window);
  SetWindowPos(nullptr, window.left + 38, window.top + 175, 700, 260, SWP_NOZORDER | SWP_NOACTIVATE);
  m_background = ui ? ::LoadBitmap(ui, MAKEINTRESOURCE(IDB_BURN_OPTIONS_BACK)) : nullptr;
  if (m_background) {
    m_backgroundOwner.Attach(m_background);
    m_brush.CreatePatternBrush(&m_backgroundOwner);
  }
  struct Button {
    CTipBitmapButton* button;
    int id;
    UINT bitmap;
    int x, y;
    UINT tip;
  };
  const Button buttons[] = {{&m_close, kClose, IDB_EXIT, 652, 12, IDS_TIP_CANCEL},
                            {&m_folderButton, kFolderButton, IDB_FOLDER_BUTTON, 641, 54, IDS_TIP_FOLDER},
                            {&m_ok, IDOK, IDB_OK_BUTTON, 493, 216, IDS_TIP_OK},
                            {&m_cancel, IDCANCEL, IDB_FINISH, 593, 216, IDS_TIP_CANCEL}};
  for (const Button& b : buttons) {
    b.button->SubclassDlgItem(b.id, this);
    b.button->LoadBitmap(ui, b.bitmap);
    b.button->MoveTo(b.x, b.y);
    b.button->SetToolTip(b.tip);
  }
  const bool writer = s.writerCount > 0;
  SetDlgItemText(1117, Text(writer ? IDS_TEMP_FOLDER : IDS_OUTPUT_FOLDER).c_str());
  m_folder = wizard::WorkFolder();
  SetDlgItemText(kFolderText, m_folder.c_str());
  if (s.discName.empty()) s.discName = wizard::DefaultDiscName();
  SetDlgItemText(kDiscName, s.discName.c_str());
  m_speeds = std::make_unique<CSkinComboBox>(ui, IDB_SKIN_COMBO_ARROW);
  m_speeds->SubclassDlgItem(kSpeedList, this);
  m_speeds->SetTextColor(kGreyText);
  m_speeds->SetBackgroundBrush(static_cast<HBRUSH>(m_brush));
  HWND list = ::GetDlgItem(m_hWnd, kSpeedList);
  if (writer) {
    CQnDataCDDVD& w = wizard::Writer();
    const int count = w.GetWriteSpeedCount();
    for (int i = 0; i < count; ++i) {
      const std::string text = wizard::SpeedText(w.GetWriteSpeed(i), s.IsBluRay());
      ::SendMessage(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    ::SendMessage(list, CB_SETCURSEL, static_cast<WPARAM>(s.writeSpeedIndex), 0);
  }
  ::EnableWindow(::GetDlgItem(m_hWnd, kDiscName), writer);
  ::EnableWindow(list, writer);
  ShowSpace();
  return TRUE;
}

void CBurnOptionsDialog::ShowSpace() {
  const std::string required =
      wizard::Format(Text(IDS_REQUIRED_SPACE).c_str(), wizard::Format("%5.1f MB", m_neededMB).c_str());
  SetDlgItemText(kRequired, required.c_str());
  std::string format = Text(IDS_AVAILABLE_SPACE);
  if (const std::size_t at = format.find("%c:"); at != std::string::npos) format.replace(at, 3, "%s");
  const double freeMB = static_cast<double>(CWizardPage::GetFreeSpaceMB(m_folder));
  SetDlgItemText(kAvailable, wizard::Format(format.c_str(), wizard::MountPointOf(m_folder).c_str(),
                                            wizard::Format("%5.1f MB", freeMB).c_str())
                                 .c_str());
}

void CBurnOptionsDialog::OnFolder() {
  std::string start = m_folder;
  if (start.size() > 1 && start.back() == '/') start.pop_back();
  const std::string chosen = wizard::ChooseFolder(this, start);
  if (chosen.empty()) return;
  int folders = 0, files = 0;
  CheckFolderAccess(chosen, &folders, &files);
  if (!folders || !files) {
    wizard::Ask(m_hWnd, wizard::Format("%s\n\n\"%s\"", Text(IDS_NO_PERMISSION).c_str(), chosen.c_str()),
                MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  m_folder = platform::WithTrailingSlash(chosen);
  SetDlgItemText(kFolderText, m_folder.c_str());
  ShowSpace();
}

void CBurnOptionsDialog::OnOK() {
  wizard::WizardState& s = State();
  UpdateData(TRUE);
  const LRESULT speed = ::SendDlgItemMessage(m_hWnd, kSpeedList, CB_GETCURSEL, 0, 0);
  if (speed >= 0) s.writeSpeedIndex = static_cast<int>(speed);
  std::string name;
  GetDlgItemText(kDiscName, name);
  s.discName = wizard::CutDiscName(name);
  if (s.writerCount > 0) s.outputFolder = m_folder;
  else if (s.IsBluRay()) s.bdFolder = m_folder;
  else s.dvdFolder = m_folder;
  CDialog::OnOK();
}

void CBurnOptionsDialog::OnCloseButton() { CDialog::OnCancel(); }
void CBurnOptionsDialog::OnClose() { CDialog::OnCancel(); }

void CBurnOptionsDialog::OnNameChange() {
  if (HWND edit = ::GetDlgItem(m_hWnd, kDiscName)) ::InvalidateRect(edit, nullptr, TRUE);
}

BOOL CBurnOptionsDialog::OnEraseBkgnd(CDC* dc) {
  if (!m_background) return CDialog::OnEraseBkgnd(dc);
  HDC source = ::CreateCompatibleDC(dc->GetSafeHdc());
  HGDIOBJ old = ::SelectObject(source, m_background);
  ::BitBlt(dc->GetSafeHdc(), 0, 0, 700, 260, source, 0, 0, SRCCOPY);
  ::SelectObject(source, old);
  ::DeleteDC(source);
  return TRUE;
}

HBRUSH CBurnOptionsDialog::OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) {
  if (wnd && wnd->GetDlgCtrlID() == kDiscName) {
    dc->SetTextColor(kBlueText);
    return CDialog::OnCtlColor(dc, wnd, ctlColor);
  }
  if (ctlColor == CTLCOLOR_STATIC) {
    dc->SetTextColor(kGreyText);
    dc->SetBkMode(TRANSPARENT);
    if (m_brush.GetSafeHandle()) return static_cast<HBRUSH>(m_brush);
  }
  return CDialog::OnCtlColor(dc, wnd, ctlColor);
}

void CBurnOptionsDialog::OnLButtonDown(UINT flags, CPoint point) {
  PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, 0);
  CDialog::OnLButtonDown(flags, point);
}
