#include "about_box.h"

#include "platform/window/afx_app.h"
#include "platform/window/resources.h"
#include "quillon_ids.h"

namespace studio {

std::string ResourceText(UINT id) {
  return platform::LoadStdString(AfxFindResourceHandle(MAKEINTRESOURCE(id), RT_STRING), id).value_or("");
}

CAboutBox::CAboutBox(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) {}

BOOL CAboutBox::OnInitDialog() {
  CDialog::OnInitDialog();
  link_.SubclassDlgItem(IDC_ABOUT_LINK, this);
  link_.SetLink(TRUE).SetTextColor(RGB(0, 0, 255)).SetFontSize(12).SetFontUnderline(TRUE);
  link_.SetLinkCursor(::LoadCursor(nullptr, IDC_HAND));
  m_link = ResourceText(IDS_WEB_ADDRESS);
  link_.SetText(m_link);
  SetDlgItemText(IDC_ABOUT_TITLE, m_title.c_str());
  SetDlgItemText(IDC_ABOUT_VERSION, m_version.c_str());
  SetWindowText(m_title.c_str());
  return TRUE;
}

}  // namespace studio
