// The wizard's application object: the single-instance rule, the program folder, the resource
// libraries, the settings kept in the registry, the work folders and the hand-off to the starter.
#pragma once

#include <string>

#include "platform/window/single_instance.h"
#include "platform/window/afx_app.h"

class CWendrelDlg;

class CWizardApp : public CWinApp {
 public:
  CWizardApp();
  ~CWizardApp() override;

  BOOL InitInstance() override;
  int ExitInstance() override;

  // Zeroes the settings block and looks for a running program of the suite; FALSE (after
  // raising that program's window) when one runs. Then the program folder and the settings.
  BOOL FindRunningProgram();
  // FALSE when the required UI library is missing (after saying so; the start then fails).
  BOOL LoadResourceDlls();
  void LoadSettings();
  void LoadCaptureSettings();
  void SaveSettings();
  void LaunchStarter();
  // Any existing directory counts.
  static BOOL FolderExists(const std::string& folder);

  // Help menu commands.
  void OpenUserGuide();
  void OpenOnlineSupport();
  void OpenSystemSpecs();
  void ShowAbout(CWnd* parent);

  HMODULE m_hWendrel = nullptr;
  HMODULE m_hExtra = nullptr;
  HMODULE m_hImages = nullptr;
  HMODULE m_hUI = nullptr;

  platform::SingleInstanceLock m_instance;  // held from the start check until the wizard ends
  std::string m_launcherName;
  std::string m_wizardName;
  std::string m_advancedName;
  std::string m_audioRecorderName;
  std::string m_documents;
};

// The application object (the program's global one, or the test's).
CWizardApp* WizardApp();
