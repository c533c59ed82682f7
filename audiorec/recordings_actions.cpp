#include "recordings_actions.h"

#include <cstdio>

#include "audio_cd_burn_dlg.h"
#include "auvry_burn_ids.h"
#include "data_disc_burn_dlg.h"
#include "delete_files_dlg.h"
#include "platform/window/afx_app.h"
#include "platform/window/menu.h"
#include "recorder_services.h"

namespace auvry {

void PlaySelectedRecording(const CRecordingListCtrl& list) {
  const int row = list.GetNextItem(-1, LVNI_SELECTED);
  const RecordingItem* item = row >= 0 ? list.ItemAt(row) : nullptr;
  if (!item) return;
  std::FILE* file = std::fopen(item->path.c_str(), "rb");
  if (!file) return;
  std::fclose(file);
  studio::PlayWithAssociatedPlayer(item->path);
}

void DeleteSelectedRecordings(CRecordingListCtrl& list, CWnd* owner, const DeleteQuestion& ask) {
  const DeleteQuestion question = ask ? ask : [owner](const std::string& name) {
    CDeleteFilesDialog dialog(owner);
    dialog.m_fileName = name;
    dialog.DoModal();
    return dialog.m_choice;
  };
  for (int row = list.GetNextItem(-1, LVNI_SELECTED); row >= 0;) {
    const RecordingItem* item = list.ItemAt(row);
    const int choice = item ? question(item->name) : CDeleteFilesDialog::kKeep;
    if (choice == CDeleteFilesDialog::kCancel) {
      row = list.GetNextItem(row, LVNI_SELECTED);
      continue;
    }
    if (choice == CDeleteFilesDialog::kRecycle && item) studio::SendFileToRecycleBin(item->path);
    list.RemoveRow(row);
    row = list.GetNextItem(row - 1, LVNI_SELECTED);
  }
}

void ShowBurnMenu(CWnd* owner, HWND burnButton) {
  HMENU menu =
      ::LoadMenu(AfxFindResourceHandle(MAKEINTRESOURCE(IDR_BURN_MENU), RT_MENU), MAKEINTRESOURCE(IDR_BURN_MENU));
  if (!menu) return;
  RECT r{};
  ::GetWindowRect(burnButton, &r);
  ::TrackPopupMenu(::GetSubMenu(menu, 0), TPM_RIGHTBUTTON, r.left - 22, r.top + 60, 0, owner->m_hWnd, nullptr);
  ::DestroyMenu(menu);
}

namespace {

void RunBurnDialog(CBurnDlgFrame& dialog, const CRecordingListCtrl& list, const std::string& outputFolder,
                   int* burnDialogOpen) {
  dialog.m_initialPaths = list.SelectedPaths();
  dialog.m_outputFolder = outputFolder;
  if (burnDialogOpen) *burnDialogOpen = 1;
  dialog.DoModal();
  if (burnDialogOpen) *burnDialogOpen = 0;
}

}  // namespace

void BurnAudioCD(const CRecordingListCtrl& list, CWnd* owner, const std::string& outputFolder, int* burnDialogOpen) {
  CAudioCDBurnDlg dialog(owner);
  RunBurnDialog(dialog, list, outputFolder, burnDialogOpen);
}

void BurnDataDisc(const CRecordingListCtrl& list, CWnd* owner, int mode, const std::string& outputFolder,
                  int* burnDialogOpen) {
  CDataDiscBurnDlg dialog(owner);
  dialog.m_mode = mode;
  RunBurnDialog(dialog, list, outputFolder, burnDialogOpen);
}

}  // namespace auvry
