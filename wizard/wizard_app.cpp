#include "wizard_app.h"

#include <cstdio>
#include <filesystem>

#include "platform/window/single_instance.h"
#include "platform/base/message_box.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/disc/device_events.h"
#include "platform/registry/registry.h"
#include "platform/shell/known_folders.h"
#include "platform/window/resources.h"
#include "platform/window/window.h"
#include "wendrel_dlg.h"
#include "widgets/cpu_info.h"
#include "widgets/reg_helpers.h"
#include "widgets/system_info.h"
#include "wizard_about_dlg.h"
#include "wizard_ids.h"
#include "wizard_state.h"
#include "wizard_text.h"

using wizard::kSettingsKey;
using wizard::State;

namespace {

constexpr const char* kUiLibrary = "Vidarro5UI.dll";

CWizardApp* g_app = nullptr;

// A string value, or nothing when it is missing or of another type; with a default the missing
// value is written back.
bool ReadText(HKEY root, const char* name, std::string* out, const char* defaultText = nullptr) {
  char buffer[REG_READ_STRING_SIZE] = {};
  if (!RegReadString(root, kSettingsKey, name, buffer, defaultText)) return false;
  *out = buffer;
  return true;
}

int ReadNumber(const char* name, int defaultValue) {
  DWORD value = 0;
  if (!RegReadDword(HKEY_CURRENT_USER, kSettingsKey, name, &value, static_cast<DWORD>(defaultValue)))
    return defaultValue;
  return static_cast<int>(value);
}

// Made with every missing parent; a folder that cannot be made is reported by the page that
// uses it.
void MakeFolder(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
}

// The stored folder when it still exists, else the default (made when missing): a stale stored
// folder is not made again.
std::string ChooseFolder(const char* valueName, const std::string& defaultFolder) {
  std::string stored;
  if (ReadText(HKEY_CURRENT_USER, valueName, &stored, defaultFolder.c_str())) {
    stored = platform::WithTrailingSlash(stored);
    if (CWizardApp::FolderExists(stored)) return stored;
  }
  const std::string folder = platform::WithTrailingSlash(defaultFolder);
  if (!CWizardApp::FolderExists(folder)) MakeFolder(folder);
  return folder;
}

}  // namespace

CWizardApp* WizardApp() { return g_app; }

CWizardApp::CWizardApp() : CWinApp("Wendrel") { g_app = this; }

CWizardApp::~CWizardApp() {
  if (g_app == this) g_app = nullptr;
}

BOOL CWizardApp::InitInstance() {
  if (!FindRunningProgram()) return FALSE;
  platform::disc::StartMachineEvents();
  if (!LoadResourceDlls()) {
    // A failed start is a failure to whoever started the program.
    m_exitCode = 1;
    return FALSE;
  }
  CWendrelDlg dialog;
  RunMainDialog(dialog);
  SaveSettings();
  m_instance.Release();
  LaunchStarter();
  return FALSE;
}

int CWizardApp::ExitInstance() {
  // The libraries are the application's; CWinApp frees each one it loaded.
  m_hWendrel = m_hExtra = m_hImages = m_hUI = nullptr;
  return CWinApp::ExitInstance();
}

BOOL CWizardApp::FindRunningProgram() {
  State() = wizard::WizardState{};
  // The product title comes from the program's own library, which is not loaded yet: the
  // fallback is the same text.
  HMODULE own = LoadResourceLibrary("Wendrel.dll");
  std::string title =
      (own ? platform::LoadStdString(own, IDS_PRODUCT_TITLE) : std::nullopt).value_or("Narvell Vidarro 5.0");
  if (own) FreeResourceLibrary(own);
  State().windowTitle = title;
  m_wizardName = m_advancedName = m_audioRecorderName = m_launcherName = title;
  ReadText(HKEY_LOCAL_MACHINE, "LanuchName", &m_launcherName);
  ReadText(HKEY_LOCAL_MACHINE, "WizardName", &m_wizardName);
  ReadText(HKEY_LOCAL_MACHINE, "AdvancedName", &m_advancedName);
  ReadText(HKEY_LOCAL_MACHINE, "AudioRecorderName", &m_audioRecorderName);
  for (const std::string* name : {&m_wizardName, &m_advancedName, &m_audioRecorderName, &State().windowTitle}) {
    if (HWND running = ::FindWindow("#32770", name->c_str())) {
      ::SetForegroundWindow(running);
      return FALSE;
    }
  }
  // Auvry, Wendrel and Quillon share the capture devices: one of them runs at a time.
  if (!m_instance.Claim("capture", {m_wizardName, m_advancedName, m_audioRecorderName, State().windowTitle}))
    return FALSE;
  // Programs start from anywhere here: the default is the program's own folder.
  std::string folder = GetProgramFolder();
  std::string appPath;
  if (ReadText(HKEY_LOCAL_MACHINE, "AppPath", &appPath) && !appPath.empty()) folder = appPath;
  State().programFolder = platform::WithTrailingSlash(folder);
  LoadSettings();
  DWORD copy = 1;
  RegReadDword(HKEY_LOCAL_MACHINE, kSettingsKey, "bMakeCopyDisc", &copy, REG_READ_NO_DEFAULT);
  State().makeCopyDisc = static_cast<int>(copy);
  return TRUE;
}

BOOL CWizardApp::LoadResourceDlls() {
  m_hWendrel = LoadResourceLibrary("Wendrel.dll");
  if (m_hWendrel) SetResourceLibrary(m_hWendrel);
  m_hExtra = LoadResourceLibrary("Vidarro5Extra.dll");
  m_hImages = LoadResourceLibrary("VidarroImgData50.dll");
  m_hUI = LoadResourceLibrary(kUiLibrary);
  State().uiLibrary = m_hUI;
  State().extraLibrary = m_hExtra;
  State().imageLibrary = m_hImages;
  if (!m_hUI) {
    AfxMessageBox(std::string(kUiLibrary) + " is not loaded, please reinstall it", MB_OK | MB_ICONSTOP);
    return FALSE;
  }
  return TRUE;
}

void CWizardApp::LoadCaptureSettings() {
  wizard::WizardState& s = State();
  char documents[MAX_PATH] = {};
  if (SUCCEEDED(
          ::SHGetFolderPath(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, documents)) &&
      documents[0]) {
    m_documents = platform::WithTrailingSlash(documents);
  } else {
    m_documents.clear();
  }
  const std::string defaultOutput = m_documents.empty() ? s.programFolder : m_documents + "Vidarro/";
  s.outputFolder = ChooseFolder("OutFolder", defaultOutput);
  s.recordingMinutes = ReadNumber("RecTimeWiz", 70);
  s.sourcePlayer = ReadNumber("SourcePlayer", 1);
  s.inputCable = ReadNumber("InputCable", 1);
  s.volume = ReadNumber("nVolume", 10);
  s.wideScreen = ReadNumber("WideScreen", 0);
  s.lowResolution = ReadNumber("LowResolution", 0);
  s.checkVideoSignal = ReadNumber("bCheckVideoSignal", 1);

  const int cpuClass = GetCpuClass();
  int mode = cpuClass == 2 ? 2 : cpuClass == 1 ? 1 : 0;
  // A first start writes CPUMode with the others; it counts here only under SettingCPU. The main
  // program shares the value as its DVD resolution level, defaulting it to the processor's class:
  // the same default here keeps a 0 from silently lowering its recordings to the smallest size.
  const int storedMode = ReadNumber("CPUMode", mode);
  DWORD setting = 0;
  if (RegReadDword(HKEY_CURRENT_USER, kSettingsKey, "SettingCPU", &setting, REG_READ_NO_DEFAULT) && setting != 0)
    mode = storedMode;
  s.cpuMode = mode < 0 ? 0 : mode > 2 ? 2 : mode;

  std::string standardText;
  ReadText(HKEY_CURRENT_USER, "InputVideoStandard", &standardText);
  const wizard::VideoStandard standard = wizard::VideoStandardFromText(standardText);
  s.videoStandard = standard.standard;
  s.standardFamily = standard.family;
  ReadText(HKEY_CURRENT_USER, "VideoDevice", &s.videoDevice);
  ReadText(HKEY_CURRENT_USER, "AudioDevice", &s.audioDevice);
}

void CWizardApp::LoadSettings() {
  LoadCaptureSettings();
  wizard::WizardState& s = State();
  // Without a documents folder the disc folders are the output folder itself.
  const bool documents = !m_documents.empty();
  const std::string base = m_documents + "Vidarro/";
  s.dvdFolder = ChooseFolder("CreateDVDFolder", documents ? base + "DVD Folders" : s.outputFolder);
  s.bdFolder = ChooseFolder("CreateBDFolder", documents ? base + "BD Folders" : s.outputFolder);
  ReadText(HKEY_CURRENT_USER, "DVDWriter", &s.writerName);
  s.discType = ReadNumber("DiscType", 0) == 1 ? 1 : 0;
  s.saveToPC = ReadNumber("bSaveToPC", 0);
}

void CWizardApp::SaveSettings() {
  const wizard::WizardState& s = State();
  auto text = [](const char* name, const std::string& value) {
    RegWriteString(HKEY_CURRENT_USER, kSettingsKey, name, value.c_str());
  };
  auto number = [](const char* name, int value) {
    RegWriteDword(HKEY_CURRENT_USER, kSettingsKey, name, static_cast<DWORD>(value));
  };
  text("VideoDevice", s.videoDevice);
  text("AudioDevice", s.audioDevice);
  text("OutFolder", s.outputFolder);
  number("RecTimeWiz", s.recordingMinutes);
  number("SourcePlayer", s.sourcePlayer);
  number("InputCable", s.inputCable);
  number("WideScreen", s.wideScreen);
  number("LowResolution", s.lowResolution);
  number("nVolume", s.volume);
  if (!s.writerName.empty()) text("DVDWriter", s.writerName);
  if (!s.dvdFolder.empty()) text("CreateDVDFolder", s.dvdFolder);
  if (!s.bdFolder.empty()) text("CreateBDFolder", s.bdFolder);
  number("bSaveToPC", s.saveToPC);
  number("DiscType", s.discType);
}

void CWizardApp::LaunchStarter() {
  ::ShellExecute(nullptr, "open", (State().programFolder + "Lanvik.exe").c_str(), "/NOINTRO", nullptr, 1);
}

BOOL CWizardApp::FolderExists(const std::string& folder) {
  std::error_code error;
  return !folder.empty() && std::filesystem::is_directory(folder, error);
}

void CWizardApp::OpenUserGuide() {
  ::ShellExecute(nullptr, "open", (State().programFolder + "Vidarro5UG.pdf").c_str(), nullptr, nullptr, 1);
}

void CWizardApp::OpenOnlineSupport() {
  std::string address = wizard::Text(IDS_SUPPORT_ADDRESS);
  if (!address.empty() && address.back() == '=') address += wizard::Text(IDS_LANGUAGE_CODE);
  if (!address.empty()) ::ShellExecute(nullptr, "open", address.c_str(), nullptr, nullptr, 1);
}

void CWizardApp::OpenSystemSpecs() { CSystemInfoLauncher().OpenSystemInformation(); }

void CWizardApp::ShowAbout(CWnd* parent) {
  CAboutDialog about(parent);
  about.DoModal();
}
