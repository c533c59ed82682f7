#include "studio_model.h"

#include "about_box.h"
#include "clip_actions.h"
#include "quillon_ids.h"

#include "platform/base/message_box.h"
#include "platform/base/paths.h"

namespace studio {

std::string FileBusyText(const std::string& name) {
  std::string text = ResourceText(IDS_FILE_BUSY);
  const size_t at = text.find("%s");
  return at == std::string::npos ? text : text.replace(at, 2, name);
}

int StudioUi::ShowMessageBox(const std::string&, UINT) { return IDCANCEL; }
void StudioUi::EnableControls(BOOL) {}
bool StudioUi::NotifySideProgram(WPARAM, LPARAM) { return false; }
std::string StudioUi::LanguageCode() { return "0x0409"; }

StudioUi& StudioModel::Ui() {
  static StudioUi absent;
  return ui ? *ui : absent;
}

void StudioModel::ReloadSettings() {
  LoadSettings(&settings, folders.output);
  clips.Clear();
}

BOOL StudioModel::AddClip(const std::string& path, BOOL rememberFolder) {
  const bool listed = clips.Contains(path);
  const BOOL added = clips.AddClip(path);
  if (added && !listed && rememberFolder) settings.addFileFolder = platform::FolderOf(path);
  return added;
}

BOOL StudioModel::DeleteClipByPath(const std::string& path) {
  if (!clips.Contains(path)) return FALSE;
  if (IsFileBusy(path)) {
    Ui().ShowMessageBox(FileBusyText(path), MB_OK);
    return FALSE;
  }
  if (!RecycleFile(path)) {
    Ui().ShowMessageBox("'" + path + "' could not be moved to the trash, so it stays in the list.",
                        MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
  }
  return clips.DeleteByPath(path) ? TRUE : FALSE;
}

BOOL StudioModel::RenameClip(const std::string& path, const std::string& text) {
  if (!clips.Contains(path) || IsFileBusy(path)) return FALSE;
  std::string name;
  const std::string newPath = RenamedClipPath(path, text, &name);
  if (newPath.empty() || !RenameFile(path, newPath)) return FALSE;
  return clips.Rename(path, newPath, name) ? TRUE : FALSE;
}

HRESULT StudioModel::SendTo(IPack* pack, const std::string& text) {
  return pack ? pack->Command(kHostSender, text.c_str()) : S_OK;
}

BOOL StudioModel::IsFileBusy(const std::string& path) {
  const std::string text = "isfilebusy " + path;
  if (editor && editor->Command(kHostSender, text.c_str()) == S_OK) return TRUE;
  return burner && burner->Command(kHostSender, text.c_str()) == S_OK;
}

}  // namespace studio
