#include "erase_disc_dlg.h"

#include <cmath>

#include "platform/window/resources.h"
#include "platform/base/clock.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "widgets/system_info.h"
#include "wizard_ids.h"
#include "wizard_state.h"
#include "wizard_text.h"

BEGIN_MESSAGE_MAP(CEraseDiscDlg, CDialog)
ON_WM_TIMER()
ON_WM_ERASEBKGND()
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CEraseDiscDlg::CEraseDiscDlg(CWnd* parent) : CDialog(IDD_ERASE_DISC, parent) {}

int CEraseDiscDlg::EstimatedPercent(int seconds) {
  const double n = 10.0 + seconds;
  const int percent = static_cast<int>(std::log10(n * 0.1) * 100.0);
  return percent > 99 ? 99 : percent < 0 ? 0 : percent;
}

BOOL CEraseDiscDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  HMODULE ui = wizard::State().uiLibrary;
  m_progress.SubclassDlgItem(IDC_ERASE_PROGRESS, this);
  m_progress.LoadBitmap(ui, IDB_ERASE_PROGRESS);
  m_progress.MoveWindow(26, 50, 447, 10);
  m_progress.SetRange(0, 100);
  m_progress.SetPos(0);
  SetDlgItemText(IDC_ERASE_PERCENT, "00 %");
  if (HWND item = ::GetDlgItem(m_hWnd, IDC_ERASING)) ::MoveWindow(item, 26, 16, 200, 20, TRUE);
  if (HWND item = ::GetDlgItem(m_hWnd, IDC_ERASE_PERCENT)) ::MoveWindow(item, 392, 16, 80, 20, TRUE);
  m_background = ui ? ::LoadBitmap(ui, MAKEINTRESOURCE(IDB_ERASE_BACK)) : nullptr;
  if (m_background) {
    m_backgroundOwner.Attach(m_background);
    m_brush.CreatePatternBrush(&m_backgroundOwner);
  }
  RECT window;
  GetWindowRect(&window);
  SetWindowPos(nullptr, 0, 0, 500, 85, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetTimer(kTimer, kTickMs);
  // An erase that cannot start ends the dialog at the first tick, as a failed one does.
  m_startFailed = wizard::Writer().StartErase(1, nullptr, nullptr) == 0;
  return TRUE;
}

void CEraseDiscDlg::ShowPercent(int percent) {
  SetDlgItemText(IDC_ERASE_PERCENT, wizard::Format("%02d %%", percent).c_str());
  m_progress.SetPos(percent);
}

void CEraseDiscDlg::OnTimer(UINT_PTR id) {
  if (id != kTimer) return CDialog::OnTimer(id);
  CQnDataCDDVD& writer = wizard::Writer();
  if (m_startFailed || writer.TestEraseEnd() == 1) {
    KillTimer(kTimer);
    if (!m_startFailed && writer.TestEraseSuccess()) {
      ShowPercent(100);
      ::Sleep(100);
      EndDialog(IDOK);
    } else {
      EndDialog(IDCANCEL);
    }
    return;
  }
  ++m_ticks;
  ShowPercent(EstimatedPercent(m_ticks));
}

BOOL CEraseDiscDlg::OnEraseBkgnd(CDC* dc) {
  if (!m_background) return CDialog::OnEraseBkgnd(dc);
  HDC source = ::CreateCompatibleDC(dc->GetSafeHdc());
  HGDIOBJ old = ::SelectObject(source, m_background);
  ::BitBlt(dc->GetSafeHdc(), 0, 0, 500, 85, source, 0, 0, SRCCOPY);
  ::SelectObject(source, old);
  ::DeleteDC(source);
  return TRUE;
}

HBRUSH CEraseDiscDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) {
  if (ctlColor == CTLCOLOR_STATIC && wnd &&
      (wnd->GetDlgCtrlID() == IDC_ERASE_PERCENT || wnd->GetDlgCtrlID() == IDC_ERASING)) {
    dc->SetTextColor(0x999182);
    dc->SetBkMode(TRANSPARENT);
    if (m_brush.GetSafeHandle()) return static_cast<HBRUSH>(m_brush);
  }
  return CDialog::OnCtlColor(dc, wnd, ctlColor);
}

void CheckFolderAccess(const std::string& path, int* canCreateFolders, int* canAddFiles) {
  BOOL folders = FALSE, files = FALSE;
  ProbeFolderAccess(path.c_str(), &folders, &files);
  if (canCreateFolders) *canCreateFolders = folders ? 1 : 0;
  if (canAddFiles) *canAddFiles = files ? 1 : 0;
}
