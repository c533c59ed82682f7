#include "audiorec/recorder_about_dlg.h"

#include "audiorec/recorder_app.h"
#include "resources/auvry_ids.h"

namespace auvry {

CRecorderAboutDlg::CRecorderAboutDlg(CWnd* parent) : CDialog(IDD_AUVRY_ABOUT, parent) {}

BOOL CRecorderAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  const std::string& title = Program().title;
  SetWindowText(title.c_str());
  SetDlgItemText(IDC_AUVRY_ABOUT_NAME, title.c_str());
  SetDlgItemText(IDC_AUVRY_ABOUT_VERSION, (Text(IDS_AUVRY_PRODUCT_VERSION) + kVersionText).c_str());
  const std::string address = Text(IDS_AUVRY_WEB_ADDRESS);
  link_.SubclassDlgItem(IDC_AUVRY_ABOUT_LINK, this);
  link_.SetText(address).SetTextColor(RGB(0, 0, 255)).SetFontUnderline(TRUE).SetFontSize(12).SetLink(TRUE);
  link_.SetLinkURL(address);
  return TRUE;
}

}  // namespace auvry
