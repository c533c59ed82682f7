#include "about_dlg.h"

#include "lanvik_app.h"
#include "lanvik_ids.h"

namespace starter {

CAboutDlg::CAboutDlg(const std::string& launcherName, CWnd* parent)
    : CDialog(IDD_ABOUTBOX, parent), launcherName_(launcherName) {}

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowText(launcherName_.c_str());
  SetDlgItemText(IDC_ABOUT_TITLE, launcherName_.c_str());
  SetDlgItemText(IDC_ABOUT_VERSION, (LoadText(IDS_PRODUCT_VERSION) + " : " + kVersion).c_str());
  link_.SubclassDlgItem(IDC_ABOUT_LINK, this);
  link_.SetLink(TRUE).SetTextColor(RGB(0, 0, 255)).SetFontUnderline(TRUE);
  link_.SetLinkCursor(::LoadCursor(nullptr, IDC_HAND));
  link_.SetText(LoadText(IDS_WEB_ADDRESS));
  return TRUE;
}

}  // namespace starter
