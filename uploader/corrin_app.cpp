#include "uploader/corrin_app.h"

#include <filesystem>

#include "converter/parvel_settings.h"
#include "platform/base/module.h"
#include "platform/base/paths.h"
#include "platform/window/monitors.h"
#include "platform/window/remote_windows.h"
#include "uploader/corrin_dlg.h"
#include "uploader/corrin_layout.h"
#include "uploader/corrin_link.h"

namespace {

HWND StoredWindow(const char* name) {
  DWORD value = 0;
  ReadRegDword(HKEY_CURRENT_USER, kCorrinKey, name, value, 0);
  return DwordToHandle<HWND>(value);
}

void Activate(HWND window) {
  if (window && IsWindow(window)) SetForegroundWindow(window);
}

bool CompactWorkArea() {
  RECT area{};
  if (!SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0)) return false;
  return area.bottom - area.top <= corrin::kCompactWorkAreaHeight;
}

}  // namespace

CorrinCommand ParseCorrinCommandLine(const std::string& commandLine) {
  CorrinCommand command;
  std::string line = commandLine;
  while (!line.empty() && line.back() == ' ') line.pop_back();
  if (line.rfind("[Edit]", 0) == 0) {
    command.editorMode = true;
    const auto at = line.find("file=");
    if (at != std::string::npos) command.file = line.substr(at + 5);
  } else {
    command.file = line;
  }
  // A path given in quotes is the path without them.
  if (command.file.size() >= 2 && command.file.front() == '"' && command.file.back() == '"')
    command.file = command.file.substr(1, command.file.size() - 2);
  return command;
}

CCorrinApp::CCorrinApp() : CWinApp("Corrin") {}

BOOL CCorrinApp::InitInstance() {
  m_mutex.Create("Corrin");
  if (m_mutex.AlreadyExists()) {
    Activate(StoredWindow("SubHwnd"));
    return FALSE;
  }
  platform::StartWindowTransport();
  GetAppPath();
  LoadResourceDlls();
  const CorrinCommand command = ParseCorrinCommandLine(m_lpCmdLine);
  CCorrinDlg dialog(m_hImages, CompactWorkArea());
  dialog.m_bEditorMode = command.editorMode;
  dialog.m_strCmdFile = command.file;
  RunMainDialog(dialog);
  Activate(StoredWindow("MainHwnd"));
  return FALSE;
}

int CCorrinApp::ExitInstance() {
  SetResourceLibrary(nullptr);
  if (m_hImages) ::FreeLibrary(m_hImages);
  if (m_hLanguage) ::FreeLibrary(m_hLanguage);
  m_hImages = m_hLanguage = nullptr;
  return CWinApp::ExitInstance();
}

void CCorrinApp::GetAppPath() {
  std::string path;
  ReadRegString(HKEY_LOCAL_MACHINE, kCorrinKey, "AppPath", path, nullptr);
  std::error_code error;
  if (path.empty() || !std::filesystem::is_directory(path, error)) path = GetProgramFolder();
  m_strAppPath = platform::WithTrailingSlash(path);
}

bool CCorrinApp::LoadResourceDlls() {
  std::string language;
  ReadRegString(HKEY_CURRENT_USER, kCorrinKey, "language", language, nullptr);
  // From the application folder, which the machine-wide AppPath may put elsewhere than the program.
  const std::string sub = LanguageSubFolder(language);
  if (!sub.empty()) m_hLanguage = ::LoadLibrary((m_strAppPath + sub + kCorrinLanguageLibrary).c_str());
  if (!m_hLanguage) m_hLanguage = ::LoadLibrary((m_strAppPath + kCorrinLanguageLibrary).c_str());
  if (m_hLanguage) SetResourceLibrary(m_hLanguage);
  m_hImages = ::LoadLibrary((m_strAppPath + kCorrinImageLibrary).c_str());
  return m_hLanguage && m_hImages;
}
