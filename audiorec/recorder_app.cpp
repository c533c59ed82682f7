#include "audiorec/recorder_app.h"

#include "audiorec/recorder_about_dlg.h"
#include "audiorec/recorder_dlg.h"
#include "audiorec/recorder_settings.h"
#include "platform/window/single_instance.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/disc/device_events.h"
#include "platform/registry/registry.h"
#include "platform/shell/known_folders.h"
#include "platform/window/resources.h"
#include "platform/window/window.h"
#include "resources/auvry_ids.h"
#include "widgets/reg_helpers.h"

namespace auvry {
namespace {

CRecorderApp* g_app = nullptr;

// A string value; missing or of another type leaves *out as it is.
bool ReadText(HKEY root, const char* name, std::string* out) {
  char buffer[REG_READ_STRING_SIZE] = {};
  if (!RegReadString(root, kProductKey, name, buffer, nullptr)) return false;
  *out = buffer;
  return true;
}

}  // namespace

ProgramValues& Program() {
  static ProgramValues values;
  return values;
}

std::string Text(UINT id) {
  return platform::LoadStdString(AfxFindResourceHandle(MAKEINTRESOURCE(id), RT_STRING), id).value_or("");
}

CRecorderApp* RecorderApp() { return g_app; }

CRecorderApp::CRecorderApp() : CWinApp(kProgramTitle) { g_app = this; }

CRecorderApp::~CRecorderApp() {
  if (g_app == this) g_app = nullptr;
}

BOOL CRecorderApp::FindRunningProgram() {
  Program() = ProgramValues{};
  // The recorder's name is its own library's text, which is not loaded yet: the fallback is the
  // same text.
  std::string recorderName = "Narvell  Vidarro 5.0 Audio Recorder";
  if (HMODULE own = LoadResourceLibrary("Auvry.dll")) {
    recorderName = platform::LoadStdString(own, IDS_AUVRY_RECORDER_NAME).value_or(recorderName);
    FreeResourceLibrary(own);
  }
  m_launcherName = m_wizardName = m_recorderName = m_advancedName = recorderName;
  ReadText(HKEY_LOCAL_MACHINE, "LanuchName", &m_launcherName);
  ReadText(HKEY_LOCAL_MACHINE, "WizardName", &m_wizardName);
  ReadText(HKEY_LOCAL_MACHINE, "AudioRecorderName", &m_recorderName);
  ReadText(HKEY_LOCAL_MACHINE, "AdvancedName", &m_advancedName);
  for (const std::string* title : {&m_recorderName, &m_wizardName, &m_advancedName}) {
    if (HWND running = ::FindWindow("#32770", title->c_str())) {
      ::SetForegroundWindow(running);
      return TRUE;
    }
  }
  SettleFolders();
  return FALSE;
}

void CRecorderApp::SettleFolders() {
  ProgramValues& program = Program();
  std::string folder = GetProgramFolder();
  std::string appPath;
  if (ReadText(HKEY_LOCAL_MACHINE, "AppPath", &appPath) && !appPath.empty()) folder = appPath;
  program.programFolder = platform::WithTrailingSlash(folder);

  char documents[MAX_PATH] = {};
  std::string fallback;
  if (SUCCEEDED(::SHGetFolderPath(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents)) && documents[0])
    fallback = platform::WithTrailingSlash(documents) + "Vidarro/Capture/";
  else fallback = program.programFolder + "Capture/";
  std::string stored;
  ReadText(HKEY_CURRENT_USER, "AudioOutFolder", &stored);
  program.outputFolder = ResolveOutputFolder(stored, fallback);
}

BOOL CRecorderApp::LoadResourceLibraries() {
  ProgramValues& program = Program();
  program.ownLibrary = LoadResourceLibrary("Auvry.dll");
  if (program.ownLibrary) SetResourceLibrary(program.ownLibrary);
  program.uiLibrary = LoadResourceLibrary("Vidarro5UI.dll");
  if (!program.uiLibrary) {
    AfxMessageBox(kUiLibraryMissing, MB_OK | MB_ICONSTOP);
    return FALSE;
  }
  return TRUE;
}

BOOL CRecorderApp::InitInstance() {
  if (FindRunningProgram()) return FALSE;
  // Auvry, Wendrel and Quillon share the capture devices: one of them runs at a time.
  platform::SingleInstanceLock instance;
  if (!instance.Claim("capture", {m_recorderName, m_wizardName, m_advancedName, kProgramTitle})) return FALSE;
  platform::disc::StartMachineEvents();
  if (!LoadResourceLibraries()) {
    // A failed start is a failure to whoever started the program.
    m_exitCode = 1;
    return FALSE;
  }
  Program().title = kProgramTitle;
  if (HWND running = ::FindWindow("#32770", Program().title.c_str())) {
    ::SetForegroundWindow(running);
    return FALSE;
  }
  RegReadDword(HKEY_CURRENT_USER, kProductKey, "Volume", &m_volume, 10);
  {
    CRecorderDlg dialog;
    dialog.SetVolume(static_cast<int>(m_volume));
    RunMainDialog(dialog);
    m_pMainWnd = nullptr;
    m_volume = static_cast<DWORD>(dialog.Volume());
  }
  RegWriteDword(HKEY_CURRENT_USER, kProductKey, "Volume", m_volume);
  // The starter may start Wendrel or Quillon at once: the lock is theirs before it runs.
  instance.Release();
  LaunchStarter();
  return FALSE;
}

int CRecorderApp::ExitInstance() {
  // The libraries are the application's; CWinApp frees each one it loaded.
  Program().ownLibrary = Program().uiLibrary = nullptr;
  return CWinApp::ExitInstance();
}

void CRecorderApp::LaunchStarter() {
  ::ShellExecute(nullptr, "open", (Program().programFolder + "Lanvik.exe").c_str(), "/NOINTRO", nullptr, SW_SHOWNORMAL);
}

void CRecorderApp::OnHelp() {
  ::ShellExecute(nullptr, "open", (Program().programFolder + "Vidarro5UG.pdf").c_str(), nullptr, nullptr,
                 SW_SHOWNORMAL);
}

void CRecorderApp::OpenOnlineSupport() {
  std::string address = Text(IDS_AUVRY_SUPPORT_ADDRESS);
  if (!address.empty() && address.back() == '=') address += Text(IDS_AUVRY_LANGUAGE_CODE);
  if (!address.empty()) ::ShellExecute(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CRecorderApp::ShowAbout(CWnd* parent) {
  CRecorderAboutDlg about(parent);
  about.DoModal();
}

}  // namespace auvry
