#include "widgets/folder_path.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/base/message_box.h"
#include "platform/base/module.h"
#include "platform/window/afx_app.h"
#include "platform/window/resources.h"

namespace {

constexpr std::size_t kMaxComponent = 255;

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The two texts belong to the suite's shared UI library: a program's current resource module
// numbers its own strings differently (the wizard's 102 is a font name).
std::string SharedUiText(UINT id, const char* fallback) {
  if (HMODULE ui = ::GetModuleHandle(kSharedUiLibrary))
    if (auto text = platform::LoadStdString(ui, id); text && !text->empty()) return *text;
  return fallback;
}

std::string CaptionOr(const std::string& caption) {
  if (!caption.empty()) return caption;
  CWinApp* app = AfxGetApp();
  return app ? app->m_pszAppName : std::string();
}

}  // namespace

BOOL IsValidFolderName(const std::string& name) {
  if (name.empty() || name.size() > kMaxComponent) return FALSE;
  auto edge = [](char c) { return c == '\t' || c == ' ' || c == '.'; };
  if (edge(name.front()) || edge(name.back())) return FALSE;
  return name.find_first_of("\"*/:<>?\\|") == std::string::npos;
}

int CheckFolderPath(LPCSTR path, BOOL checkOnly) {
  if (!path || path[0] != '/') return FOLDER_PATH_INVALID_NAME;
  const std::string full(path);
  if (full.size() >= PATH_MAX) return FOLDER_PATH_INVALID_NAME;
  if (full == "/") return checkOnly || IsFolder(full) ? FOLDER_PATH_VALID : FOLDER_PATH_NOT_CREATED;

  std::size_t start = 1;
  while (true) {
    const std::size_t slash = full.find('/', start);
    const std::size_t end = slash == std::string::npos ? full.size() : slash;
    // An empty component: "//" inside the path or a "/" that ends it.
    if (!IsValidFolderName(full.substr(start, end - start))) return FOLDER_PATH_INVALID_NAME;
    if (!checkOnly) {
      const std::string sofar = full.substr(0, end);
      if (::mkdir(sofar.c_str(), 0777) != 0 && errno != EEXIST) return FOLDER_PATH_NOT_CREATED;
      if (!IsFolder(sofar) || ::access(sofar.c_str(), W_OK | X_OK) != 0) return FOLDER_PATH_NOT_CREATED;
    }
    if (slash == std::string::npos) return FOLDER_PATH_VALID;
    start = slash + 1;
  }
}

int ValidateFolder(LPCSTR path, const std::string& caption) {
  const std::string title = CaptionOr(caption);
  const std::string shown = path ? path : "";
  auto refuse = [&] {
    const std::string reason =
        SharedUiText(IDS_FOLDER_INVALID_NAME, "Invalid folder name.  Please use another name for the foler.");
    MessageBox(nullptr, shown + " \n\n" + reason, title, MB_ICONEXCLAMATION);
    return -1;
  };
  if (CheckFolderPath(path, TRUE) != FOLDER_PATH_VALID) return refuse();
  if (!IsFolder(shown)) {
    const std::string question = SharedUiText(IDS_FOLDER_CREATE_QUESTION, "does not exit.  Do you want to create one?");
    if (MessageBox(nullptr, shown + "\n\n" + question, title, MB_YESNO | MB_ICONQUESTION) != IDYES) return -1;
  }
  if (CheckFolderPath(path, FALSE) != FOLDER_PATH_VALID) return refuse();
  return 0;
}
