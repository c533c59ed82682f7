#include "delete_files_dlg.h"

#include "product.h"
#include "quillon_ids.h"

namespace studio {

BEGIN_MESSAGE_MAP(CDeleteFilesDialog, CDialog)
ON_BN_CLICKED(IDC_MOVE_TO_TRASH, &CDeleteFilesDialog::OnMoveToTrash)
ON_BN_CLICKED(IDC_KEEP_FILES, &CDeleteFilesDialog::OnKeepFiles)
END_MESSAGE_MAP()

CDeleteFilesDialog::CDeleteFilesDialog(CWnd* parent) : CDialog(IDD_DELETE_FILES, parent) {}

BOOL CDeleteFilesDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowText(kProductTitle);
  SetDlgItemText(IDC_DELETE_FILE_NAME, m_fileName.c_str());
  return TRUE;
}

void CDeleteFilesDialog::OnCancel() {
  m_choice = kCancel;
  CDialog::OnCancel();
}

void CDeleteFilesDialog::OnMoveToTrash() {
  m_choice = kMoveToTrash;
  CDialog::OnCancel();
}

void CDeleteFilesDialog::OnKeepFiles() {
  m_choice = kKeepFile;
  CDialog::OnCancel();
}

}  // namespace studio
