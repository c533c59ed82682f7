#include "quillon_app.h"

#include <sys/stat.h>

#include "capture_engine.h"
#include "capture_page.h"
#include "loading_dlg.h"
#include "platform/window/single_instance.h"
#include "platform/ole/afx_ole.h"
#include "platform/base/clock.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/disc/device_events.h"
#include "platform/gdi/gdiplus.h"
#include "platform/ole/afx_ole.h"
#include "platform/shell/known_folders.h"
#include "platform/registry/registry.h"
#include "platform/window/monitors.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"
#include "quillon_dlg.h"
#include "about_box.h"
#include "quillon_ids.h"
#include "widgets/reg_helpers.h"

namespace studio {
namespace {

void MakeFolder(const std::string& path) { ::mkdir(path.c_str(), 0777); }

std::string ProductName(const char* value) {
  std::string name;
  if (!ReadProductString(true, value, &name) || name.empty()) name = kProductTitle;
  return name;
}

}  // namespace

bool FolderExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string CreateTempFolder() {
  std::string base = platform::WithTrailingSlash(platform::TempFolder());
  const std::string local = platform::LocalAppDataFolder();
  if (!local.empty()) {
    MakeFolder(platform::WithTrailingSlash(local) + "Vidarro/");
    base = platform::WithTrailingSlash(local) + "Vidarro/Temp/";
  }
  std::string stored;
  char buffer[REG_READ_STRING_SIZE] = {};
  if (RegReadString(HKEY_CURRENT_USER, kBurnerKey, "TempFolder", buffer, nullptr)) stored = buffer;
  // Every folder handed to the packs ends in "/", the stored one too.
  if (FolderExists(stored)) return platform::WithTrailingSlash(stored);
  MakeFolder(base);
  return base;
}

StudioFolders SettleFolders(const std::string& programFolder) {
  StudioFolders folders;
  folders.program = programFolder;
  ReadProductString(true, "AppPath", &folders.program);
  folders.program = platform::WithTrailingSlash(folders.program);

  const std::string documents = platform::DocumentsFolder();
  const std::string fallback =
      documents.empty() ? folders.program + "Capture/" : platform::WithTrailingSlash(documents) + "Vidarro/";
  std::string stored;
  if (ReadProductString(false, "OutFolder", &stored) && FolderExists(stored)) {
    folders.output = platform::WithTrailingSlash(stored);
  } else {
    folders.output = fallback;
    MakeFolder(fallback);
  }
  folders.temp = CreateTempFolder();
  return folders;
}

void LaunchStarter(const std::string& programFolder) {
  ::ShellExecute(nullptr, "open", (programFolder + "Lanvik.exe").c_str(), "/NOINTRO", nullptr, SW_SHOWNORMAL);
}

HWND FindSuiteWindow(bool includeOwnTitle) {
  if (includeOwnTitle) return ::FindWindow("#32770", kProductTitle);
  for (const char* value : {"AudioRecorderName", "WizardName", "AdvancedName"})
    if (HWND window = ::FindWindow("#32770", ProductName(value).c_str())) return window;
  return nullptr;
}

CQuillonApp::CQuillonApp() : CWinApp(kProductTitle) {}

void CQuillonApp::CheckScreenSize() {
  if (::GetSystemMetrics(SM_CXSCREEN) >= 1024 && ::GetSystemMetrics(SM_CYSCREEN) >= 768) return;
  ::MessageBox(nullptr, ResourceText(IDS_SCREEN_TOO_SMALL).c_str(), kProductTitle, MB_ICONEXCLAMATION);
}

BOOL CQuillonApp::InitInstance() {
  Gdiplus::GdiplusStartupInput gdiplus;
  Gdiplus::GdiplusStartup(&gdiplusToken_, &gdiplus, nullptr);
  if (HWND open = FindSuiteWindow(false)) {
    ::SetForegroundWindow(open);
    return FALSE;
  }
  // Auvry, Wendrel and Quillon share the capture devices: one of them runs at a time.
  platform::SingleInstanceLock instance;
  if (!instance.Claim("capture", {kProductTitle, ProductName("AudioRecorderName"), ProductName("WizardName"),
                                  ProductName("AdvancedName")}))
    return FALSE;
  platform::disc::StartMachineEvents();
  AfxOleInit();
  model_.folders = SettleFolders(GetProgramFolder());
  model_.settings = AppSettings{};

  programLibrary_ = LoadResourceLibrary("Quillon.dll");
  // Without the library the program's own copy of its resources serves.
  if (programLibrary_) SetResourceLibrary(programLibrary_);
  extraLibrary_ = LoadResourceLibrary("Vidarro5Extra.dll");
  uiLibrary_ = LoadResourceLibrary("Vidarro5UI.dll");
  if (!uiLibrary_) {
    AfxMessageBox(kUiLibraryMissing);
    m_exitCode = 1;
    return FALSE;
  }
  CheckScreenSize();
  if (HWND open = FindSuiteWindow(true)) {
    ::SetForegroundWindow(open);
    return FALSE;
  }
  platform::StartWindowTransport();
  TheCaptureEngine();  // the device list and both graphs live from here to exit

  CLoadingDlg* splash = new CLoadingDlg(extraLibrary_, uiLibrary_);
  splash->StartThread();
  Sleep(1000);

  std::vector<std::string> args = platform::SplitCommandLine(m_lpCmdLine);
  {
    CQuillonDlg dialog(&model_, args, &splash);
    dialog.SetPageAreaControl(IDC_PAGE_AREA);
    CCapturePage capturePage;
    dialog.AddPage(&capturePage, kCapturePageId);
    RunMainDialog(dialog);
    m_pMainWnd = nullptr;
    LaunchStarter(model_.folders.program);
  }
  if (splash) {
    splash->EndNow();
    delete splash;
  }
  return FALSE;
}

int CQuillonApp::ExitInstance() {
  for (HMODULE* library : {&programLibrary_, &extraLibrary_, &uiLibrary_}) {
    if (*library) FreeResourceLibrary(*library);
    *library = nullptr;
  }
  if (gdiplusToken_) Gdiplus::GdiplusShutdown(gdiplusToken_);
  gdiplusToken_ = 0;
  return CWinApp::ExitInstance();
}

}  // namespace studio
