// CRecorderApp: the recorder's start-up (single-instance test, program and output folders,
// resource libraries), its main window run modally, and the starter started again at the end.
#pragma once

#include <string>

#include "platform/window/afx_app.h"

namespace auvry {

inline constexpr const char* kProgramTitle = "Narvell Vidarro 5.0";
inline constexpr const char* kUiLibraryMissing = "Vidarro5UI.dll is not loaded, please reinstall it";
inline constexpr const char* kVersionText = " : 5.0.25";

// Set once at start, read by every window of the program.
struct ProgramValues {
  std::string programFolder;  // with a trailing "/"
  std::string outputFolder;   // with a trailing "/"; the burn dialogs' open-file dialogs start here
  std::string title = kProgramTitle;
  HMODULE ownLibrary = nullptr;  // Auvry.dll, null when it is missing
  HMODULE uiLibrary = nullptr;   // Vidarro5UI.dll
};
ProgramValues& Program();

// A text of the recorder's resources, empty when missing.
std::string Text(UINT id);

class CRecorderApp : public CWinApp {
 public:
  CRecorderApp();
  ~CRecorderApp() override;

  BOOL InitInstance() override;
  int ExitInstance() override;

  // Reads the suite's window titles; TRUE (after raising it) when one of them is open. Else the
  // program and output folders are settled.
  BOOL FindRunningProgram();
  // Auvry.dll when present and the UI library, which must be: FALSE (after saying so) without.
  BOOL LoadResourceLibraries();
  // The starter, "Lanvik" with "/NOINTRO" from the program folder.
  void LaunchStarter();
  // Help menu commands.
  void OnHelp();
  void OpenOnlineSupport();
  void ShowAbout(CWnd* parent);

  std::string m_launcherName, m_wizardName, m_recorderName, m_advancedName;
  DWORD m_volume = 10;

 private:
  void SettleFolders();
};

// The application object (the program's or a test's).
CRecorderApp* RecorderApp();

}  // namespace auvry
