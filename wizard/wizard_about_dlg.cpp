#include "wizard_about_dlg.h"

#include "wizard_ids.h"
#include "wizard_state.h"
#include "wizard_text.h"

CAboutDialog::CAboutDialog(CWnd* parent) : CDialog(IDD_ABOUT, parent) {}

BOOL CAboutDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  const std::string& title = wizard::State().windowTitle;
  SetWindowText(title.c_str());
  SetDlgItemText(IDC_ABOUT_TITLE, title.c_str());
  SetDlgItemText(IDC_ABOUT_VERSION, (wizard::Text(IDS_PRODUCT_VERSION) + kVersion).c_str());
  const std::string address = wizard::Text(IDS_WEB_ADDRESS);
  m_link.SubclassDlgItem(IDC_ABOUT_LINK, this);
  m_link.SetText(address).SetTextColor(RGB(0, 0, 255)).SetFontUnderline(TRUE).SetFontSize(12).SetLink(TRUE);
  m_link.SetLinkURL(address);
  return TRUE;
}
