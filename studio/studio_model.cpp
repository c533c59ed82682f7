#include "studio_model.h"

#include "platform/base/message_box.h"
#include "platform/base/paths.h"

namespace studio {

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

HRESULT StudioModel::SendTo(IPack* pack, const std::string& text) {
  return pack ? pack->Command(kHostSender, text.c_str()) : S_OK;
}

BOOL StudioModel::IsFileBusy(const std::string& path) {
  const std::string text = "isfilebusy " + path;
  if (editor && editor->Command(kHostSender, text.c_str()) == S_OK) return TRUE;
  return burner && burner->Command(kHostSender, text.c_str()) == S_OK;
}

}  // namespace studio
