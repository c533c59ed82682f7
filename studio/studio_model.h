// What the main window holds of a project beside its controls: settings, folders, the clip
// list, the two packs, the project path. Kept apart from the window so every rule runs in tests.
#pragma once

#include <string>

#include "app_settings.h"
#include "clip_list.h"
#include "pack_interfaces.h"
#include "project_guard.h"
#include "product.h"

namespace studio {

struct StudioFolders {
  std::string program;  // each ends in "/"
  std::string output;
  std::string temp;
};

// What the model asks of the window it belongs to; the defaults are a window that is not there.
class StudioUi {
 public:
  virtual ~StudioUi() = default;
  virtual int ShowMessageBox(const std::string& text, UINT type);
  virtual void EnableControls(BOOL enable);
  // Hands a link code to a running converter (first) or uploader; false when neither runs.
  virtual bool NotifySideProgram(WPARAM code, LPARAM argument);
  // The user interface's language code, as "0x0409".
  virtual std::string LanguageCode();
};

// String 157 about the named file.
std::string FileBusyText(const std::string& name);

class StudioModel {
 public:
  AppSettings settings;
  PublishFlags flags;
  StudioFolders folders;
  ClipList clips;
  std::string projectPath = kUntitledProject;
  ProjectFileSeen projectSeen;  // the project file as last read or written here
  int currentPage = -1;         // -1 none yet, 0 capture, 1 edit, 2 burn
  int audioType = 0;            // 1 LPCM asked by a pack, 0 MP2
  IPack* editor = nullptr;      // one reference each, or null
  IPack* burner = nullptr;
  StudioUi* ui = nullptr;

  // Re-reads the registry settings and empties the clip list.
  void ReloadSettings();
  BOOL AddClip(const std::string& path, BOOL rememberFolder);
  // A file a pack uses is kept and the user told; otherwise it goes to the trash and leaves the
  // list. FALSE when the clip stays.
  BOOL DeleteClipByPath(const std::string& path);
  // Renames a listed clip's file on disk and in the list; FALSE when refused or it failed.
  BOOL RenameClip(const std::string& path, const std::string& text);
  // "isfilebusy": the editor's S_OK decides, otherwise the burner's.
  BOOL IsFileBusy(const std::string& path);
  // Sends a command to a pack that exists; S_OK for one that does not.
  HRESULT SendTo(IPack* pack, const std::string& text);
  StudioUi& Ui();
};

}  // namespace studio
