#include "widgets/system_info.h"

#include <atomic>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "widgets/system_info_dialog.h"

BOOL CSystemInfoLauncher::GetSystemInfoPath(std::string& path) {
  path.clear();
  return FALSE;
}

void CSystemInfoLauncher::OpenSystemInformation() {
  CSystemInfoDialog dialog;  // owned by the program's main window, as every modal box
  dialog.DoModal();
}

// Both rights come down to writing into the folder and passing through it; the check is made
// for this process's effective identity, and a read-only mount counts as no access.
void ProbeFolderAccess(LPCSTR folder, BOOL* canCreateFolders, BOOL* canCreateFiles) {
  BOOL allowed = FALSE;
  struct stat st {};
  if (folder && *folder && ::stat(folder, &st) == 0 && S_ISDIR(st.st_mode))
    allowed = ::faccessat(AT_FDCWD, folder, W_OK | X_OK, AT_EACCESS) == 0 ? TRUE : FALSE;
  if (canCreateFolders) *canCreateFolders = allowed;
  if (canCreateFiles) *canCreateFiles = allowed;
}

namespace {
std::atomic<int> g_versionCode{CWinVersion::kLinuxVersionCode};
}  // namespace

void CWinVersion::SetProcessVersionCode(int code) { g_versionCode = code; }
int CWinVersion::ProcessVersionCode() { return g_versionCode.load(); }
