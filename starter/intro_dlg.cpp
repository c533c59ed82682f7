#include "intro_dlg.h"

#include "lanvik_app.h"
#include "lanvik_ids.h"
#include "platform/base/process.h"
#include "platform/window/monitors.h"
#include "platform/window/window.h"
#include "qnlog/qn_log.h"
#include "skin_bitmap.h"
#include "skin_ids.h"

namespace starter {

BEGIN_MESSAGE_MAP(CIntroDlg, CDialog)
ON_WM_ERASEBKGND()
ON_WM_TIMER()
END_MESSAGE_MAP()

CIntroDlg::CIntroDlg(const CLanvikApp& app, CWnd* parent) : CDialog(IDD_INTRO, parent), app_(app) {}

CIntroDlg::~CIntroDlg() {
  if (background_) ::DeleteObject(background_);
  if (picture_) ::DeleteObject(picture_);
}

BOOL CIntroDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  const StarterLibraries& libraries = app_.Libraries();
  picture_ = LoadBitmapFrom(libraries.extra, IDB_EXTRA_STARTER_INTRO, libraries.ui, IDB_STARTER_INTRO);
  if (picture_) background_ = ::CreatePatternBrush(picture_);
  SIZE size = BitmapSize(picture_);
  if (size.cx <= 0 || size.cy <= 0) size = SIZE{600, 400};
  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  ::MoveWindow(m_hWnd, (cx - size.cx) / 2, (cy - size.cy) / 2, size.cx, size.cy, TRUE);
  SetWindowText((app_.Titles().launcher + " Starter").c_str());
  SetTimer(kCheckTimer, kCheckMs);
  return TRUE;
}

BOOL CIntroDlg::OnEraseBkgnd(CDC* dc) {
  RECT client;
  GetClientRect(&client);
  ::FillRect(*dc, &client, background_ ? background_ : reinterpret_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  return TRUE;
}

void CIntroDlg::CheckComponents() {
  const std::string folder = app_.AppFolder();
  if (app_.Checker().CheckQnFilter(folder + kCheckDataFile) != 0) return;
  QnLogWrite(0x10000, "The suite's components need registering: starting %s%s", folder.c_str(), kRegistrationTool);
  ::ShellExecute(nullptr, "open", (folder + kRegistrationTool).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CIntroDlg::OnTimer(UINT_PTR id) {
  KillTimer(id);
  if (id == kCheckTimer) {
    CheckComponents();
    SetTimer(kCloseTimer, kCloseMs);
  } else if (id == kCloseTimer) {
    EndDialog(IDOK);
  }
}

}  // namespace starter
