// The application object of Quillon: start-up in its order, the main window run modally, the
// starter launched again at the end.
#pragma once

#include <string>

#include "platform/window/afx_app.h"
#include "studio_model.h"

namespace studio {

constexpr const char* kUiLibraryMissing = "Vidarro5UI.dll is not loaded, please reinstall it";

// The program, output and temporary folders, each ending in "/".
StudioFolders SettleFolders(const std::string& programFolder);
// The temporary folder: the burner's TempFolder when it exists, else our local data one.
std::string CreateTempFolder();
bool FolderExists(const std::string& path);
// Starts the starter again without its intro.
void LaunchStarter(const std::string& programFolder);
// The first open window of the suite under the titles a second start looks for, or null.
HWND FindSuiteWindow(bool includeOwnTitle);

class CQuillonApp : public CWinApp {
 public:
  CQuillonApp();
  BOOL InitInstance() override;
  int ExitInstance() override;

 private:
  void CheckScreenSize();

  StudioModel model_;
  ULONG_PTR gdiplusToken_ = 0;
  HMODULE programLibrary_ = nullptr;
  HMODULE extraLibrary_ = nullptr;
  HMODULE uiLibrary_ = nullptr;
};

}  // namespace studio
