// The main window's clip list commands: add, delete, rename, play, file information and the
// list's context menu.
#include <algorithm>
#include <fstream>

#include "about_box.h"
#include "clip_actions.h"
#include "clip_player.h"
#include "delete_files_dlg.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/controls/commctrl.h"
#include "platform/shell/file_dialog.h"
#include "platform/window/afx_app.h"
#include "platform/window/focus.h"
#include "platform/window/menu.h"
#include "quillon_dlg.h"
#include "quillon_ids.h"
#include "recorder_services.h"
#include "widgets/system_info.h"

namespace studio {
namespace {

constexpr const char* kAddFilter =
    "Media files(*.mpg,*.avi,*.wmv,*.mov,*.m2ts)|*.mpg;*.mpeg;*.avi;*.wmv;*.m2ts;*.mts;*.mov;*.mp4|Image "
    "files(*.bmp,*.jpg,*.gif,*.png)|*.bmp;*.jpg;*.jpeg;*.gif;*.png||";

bool IsReadable(const std::string& path) { return std::ifstream(path, std::ios::binary).good(); }

}  // namespace

std::vector<ClipItem> CQuillonDlg::SelectedClips() const {
  std::vector<ClipItem> selected;
  const auto& items = model_->clips.Items();
  for (int i = clipList_.GetNextItem(-1, LVNI_SELECTED); i >= 0; i = clipList_.GetNextItem(i, LVNI_SELECTED))
    if (i < static_cast<int>(items.size())) selected.push_back(items[i]);
  return selected;
}

void CQuillonDlg::OnAddClips() {
  CFileDialog dialog(TRUE, nullptr, nullptr, OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY,
                     kAddFilter, this);
  const std::string folder = model_->settings.addFileFolder;
  if (!folder.empty()) dialog.m_ofn.lpstrInitialDir = folder.c_str();
  if (dialog.DoModal() != IDOK) return;
  BOOL remember = TRUE;
  for (const std::string& path : dialog.GetPathNames())
    if (AddClip(path, remember)) remember = FALSE;
}

void CQuillonDlg::OnDeleteClips() { DeleteSelectedClips(); }

void CQuillonDlg::DeleteSelectedClips() {
  // The list is rebuilt after every removal, so the selection is taken first.
  for (const ClipItem& clip : SelectedClips()) {
    if (clip.type == kClipProjectTitle) continue;
    if (model_->IsFileBusy(clip.path)) {
      ShowMessageBox(FileBusyText(clip.name), MB_OK);
      continue;
    }
    CDeleteFilesDialog prompt(this);
    prompt.m_fileName = clip.name;
    prompt.DoModal();
    if (prompt.m_choice == CDeleteFilesDialog::kMoveToTrash) {
      if (!RecycleFile(clip.path)) {
        ShowMessageBox("'" + clip.path + "' could not be moved to the trash, so it stays in the list.",
                       MB_OK | MB_ICONEXCLAMATION);
        continue;
      }
      model_->clips.DeleteByPath(clip.path);
    } else if (prompt.m_choice == CDeleteFilesDialog::kKeepFile) {
      model_->clips.DeleteByPath(clip.path);
    }
  }
}

BOOL CQuillonDlg::DeleteClipByPath(const std::string& path) { return model_->DeleteClipByPath(path); }

void CQuillonDlg::SelectAllClips() {
  const int top = clipList_.GetTopIndex();
  for (int i = top < 0 ? 0 : top; i < clipList_.GetItemCount(); ++i)
    clipList_.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
}

void CQuillonDlg::PlayClip(const std::string& path) {
  const std::string name = platform::FileNameOf(path);
  const size_t dot = name.rfind('.');
  const std::string verb =
      ClipPlayVerb(dot == std::string::npos ? std::string() : name.substr(dot), CWinVersion().GetVersion());
  ::ShellExecute(m_hWnd, verb.c_str(), path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CQuillonDlg::SendFileInfo(const std::string& path) {
  if (model_->editor) model_->SendTo(model_->editor, "fileinfo path=" + path);
}

BOOL CQuillonDlg::CanDeleteSelection() {
  for (const ClipItem& clip : SelectedClips())
    if (clip.type == kClipMedia && !model_->IsFileBusy(clip.path)) return TRUE;
  return FALSE;
}

BOOL CQuillonDlg::CanRenameSelection() {
  const std::vector<ClipItem> selected = SelectedClips();
  return selected.size() == 1 && selected[0].type == kClipMedia && !model_->IsFileBusy(selected[0].path);
}

BOOL CQuillonDlg::CanShowFileInfo() {
  const std::vector<ClipItem> selected = SelectedClips();
  return selected.size() == 1 && selected[0].type == kClipMedia;
}

void CQuillonDlg::OnRenameClip() {
  if (clipList_.GetSelectedCount() != 1) return;
  clipList_.SendMessage(LVM_EDITLABEL, static_cast<WPARAM>(clipList_.GetNextItem(-1, LVNI_SELECTED)), 0);
}

void CQuillonDlg::OnFileInformation() {
  if (CanShowFileInfo()) SendFileInfo(SelectedClips()[0].path);
}

void CQuillonDlg::OnClipDoubleClick(NMHDR*, LRESULT* result) {
  *result = 0;
  const std::vector<ClipItem> selected = SelectedClips();
  if (selected.empty() || selected[0].type == kClipProjectTitle || !IsReadable(selected[0].path)) return;
  if (model_->currentPage == 1) model_->SendTo(model_->editor, "add file " + selected[0].path);
  else PlayClip(selected[0].path);
}

std::vector<std::string> ClipDragList(const std::vector<ClipItem>& selected, int playTime) {
  std::vector<std::string> list;
  for (const ClipItem& clip : selected)
    list.push_back(clip.type == kClipProjectTitle
                       ? "add project title edit=0;num=0;playtime=" + std::to_string(playTime)
                       : clip.path);
  return list;
}

void CQuillonDlg::OnClipBeginDrag(NMHDR*, LRESULT* result) {
  *result = 0;
  const std::vector<ClipItem> selected = SelectedClips();
  if (selected.empty()) return;
  // The title is the editor's own project: it goes only to the burner.
  if (selected.front().type == kClipProjectTitle && (model_->currentPage == 0 || model_->currentPage == 1)) return;
  const bool title = std::any_of(selected.begin(), selected.end(),
                                 [](const ClipItem& clip) { return clip.type == kClipProjectTitle; });
  if (title) model_->SendTo(model_->editor, "Refresh");
  DragFileList(ClipDragList(selected, model_->clips.ProjectTitlePlayTime()), DROPEFFECT_COPY, FALSE);
}

void CQuillonDlg::OnClipKeyDown(NMHDR* header, LRESULT* result) {
  *result = 0;
  const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(header);
  if (key->wVKey == VK_DELETE) DeleteSelectedClips();
  if (key->wVKey == 'A' && (::GetKeyState(VK_CONTROL) & 0x8000)) SelectAllClips();
}

void CQuillonDlg::OnClipEndLabelEdit(NMHDR* header, LRESULT* result) {
  *result = 0;  // the list is rebuilt from the renamed clip, not from the edit
  const auto* info = reinterpret_cast<const NMLVDISPINFO*>(header);
  const auto& items = model_->clips.Items();
  const int index = info->item.iItem;
  if (!info->item.pszText || !*info->item.pszText || index < 0 || index >= static_cast<int>(items.size())) return;
  model_->RenameClip(items[index].path, info->item.pszText);
}

void CQuillonDlg::OnContextMenu(CWnd* wnd, CPoint point) {
  if (!wnd || wnd->m_hWnd != clipList_.m_hWnd) return;
  HMENU menu = ::LoadMenu(AfxGetResourceHandle(), MAKEINTRESOURCE(IDR_CLIP_MENU));
  if (!menu) return;
  HMENU popup = ::GetSubMenu(menu, 0);
  const auto state = [](BOOL on) { return MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED); };
  ::EnableMenuItem(popup, ID_CLIP_RENAME, state(CanRenameSelection()));
  ::EnableMenuItem(popup, ID_CLIP_DELETE, state(CanDeleteSelection()));
  ::EnableMenuItem(popup, ID_CLIP_INFO, state(CanShowFileInfo()));
  for (UINT id : {ID_PUBLISH_PSP, ID_PUBLISH_IPOD, ID_PUBLISH_HD}) ::EnableMenuItem(popup, id, state(controlsEnabled_));
  if (model_->flags.iPad)
    ::ModifyMenu(popup, ID_PUBLISH_IPOD, MF_BYCOMMAND | MF_STRING, ID_PUBLISH_IPOD, "iPad / iPhone / iPod");
  AppendDevicePopup(popup);
  ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, point.x, point.y, 0, m_hWnd, nullptr);
  ::DestroyMenu(menu);
}

}  // namespace studio
