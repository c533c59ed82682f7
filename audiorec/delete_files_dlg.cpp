#include "delete_files_dlg.h"

#include "auvry_burn_ids.h"
#include "burn_text.h"

BEGIN_MESSAGE_MAP(CDeleteFilesDialog, CDialog)
ON_BN_CLICKED(IDC_DELETE_RECYCLE, &CDeleteFilesDialog::OnRecycle)
ON_BN_CLICKED(IDC_DELETE_KEEP, &CDeleteFilesDialog::OnKeep)
END_MESSAGE_MAP()

CDeleteFilesDialog::CDeleteFilesDialog(CWnd* parent) : CDialog(IDD_DELETE_FILES, parent) {}

BOOL CDeleteFilesDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowText(auvry::ProgramTitle());
  SetDlgItemText(IDC_DELETE_NAME, m_fileName);
  return TRUE;
}

void CDeleteFilesDialog::OnCancel() {
  m_choice = kCancel;
  CDialog::OnCancel();
}

void CDeleteFilesDialog::OnRecycle() {
  m_choice = kRecycle;
  CDialog::OnCancel();
}

void CDeleteFilesDialog::OnKeep() {
  m_choice = kKeep;
  CDialog::OnCancel();
}
