// The application object of the starter: the single-instance test, the resource libraries,
// the intro and the main dialog.
#pragma once

#include <string>

#include "platform/window/afx_app.h"
#include "suite_install.h"

namespace starter {

inline constexpr const char* kUiLibraryMissing = "Vidarro5UI.dll is not loaded, please reinstall it";

// The libraries the starter's windows draw from; extra and image may be null.
struct StarterLibraries {
  HMODULE own = nullptr;
  HMODULE extra = nullptr;
  HMODULE image = nullptr;
  HMODULE ui = nullptr;
};

// The whole command line reads "/NOINTRO", exactly.
bool SkipsIntro(const std::string& commandLine);
// A resource string of the current resource library, empty when missing.
std::string LoadText(unsigned id);

class CLanvikApp : public CWinApp {
 public:
  CLanvikApp();
  BOOL InitInstance() override;
  int ExitInstance() override;
  // True when a window of the suite is open: it is brought to the front. Else the application
  // folder is settled.
  BOOL FindRunningProgram();
  // Lanvik.so, the extra and image libraries when present, and the UI library, which must be.
  BOOL LoadResourceLibraries();

  const std::string& AppFolder() const { return appFolder_; }
  const SuiteTitles& Titles() const { return titles_; }
  const StarterLibraries& Libraries() const { return libraries_; }
  const CQnFilterCheck& Checker() const { return checker_; }

 private:
  std::string appFolder_;
  SuiteTitles titles_;
  StarterLibraries libraries_;
  CQnFilterCheck checker_;
};

CLanvikApp& TheStarter();

}  // namespace starter
