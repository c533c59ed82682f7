#include "converter/parvel_app.h"

#include <filesystem>

#include "converter/parvel_dlg.h"
#include "converter/parvel_ids.h"
#include "converter/parvel_settings.h"
#include "platform/base/paths.h"
#include "platform/window/remote_windows.h"
#include "qnlog/qn_log.h"

int g_nLogLocation = -1;

namespace {

HWND StoredWindow(const char* name) {
  DWORD value = 0;
  ReadRegDword(HKEY_CURRENT_USER, kParvelKey, name, value, 0);
  return DwordToHandle<HWND>(value);
}

void Activate(HWND window) {
  if (!window || !IsWindow(window)) return;
  SetForegroundWindow(window);
}

}  // namespace

CParvelApp::CParvelApp() : CWinApp("Parvel") {}

BOOL CParvelApp::InitInstance() {
  const std::string mutexName = ResString(IDS_MUTEX_NAME, "Media Converter");
  m_mutex.Create(mutexName);
  if (m_mutex.AlreadyExists()) {
    // The first converter is brought forward; this one shows nothing.
    Activate(StoredWindow("SubHwnd"));
    return FALSE;
  }
  platform::StartWindowTransport();
  GetAppPath();
  LoadResourceDlls();
  CParvelDlg dialog;
  dialog.m_strProgramFolder = m_strAppPath;
  dialog.m_hImages = m_hImages;
  ParseCmdParam(dialog);
  RunMainDialog(dialog);
  Activate(StoredWindow("MainHwnd"));
  return FALSE;
}

int CParvelApp::ExitInstance() {
  if (m_hImages) FreeResourceLibrary(m_hImages);
  if (m_hLanguage) FreeResourceLibrary(m_hLanguage);
  m_hImages = m_hLanguage = nullptr;
  return CWinApp::ExitInstance();
}

void CParvelApp::GetAppPath() { m_strAppPath = platform::WithTrailingSlash(GetProgramFolder()); }

bool CParvelApp::LoadResourceDlls() {
  const bool language = LoadLanguageDll(kParvelLanguageLibrary);
  const bool images = LoadImageDll(kParvelImageLibrary);
  return language && images;
}

bool CParvelApp::LoadLanguageDll(const std::string& name) {
  m_hLanguage = LoadResourceLibrary(name, LanguageSubFolder(GetLanguageSetting()));
  if (!m_hLanguage) return false;
  SetResourceLibrary(m_hLanguage);
  return true;
}

bool CParvelApp::LoadImageDll(const std::string& name) {
  m_hImages = LoadResourceLibrary(name);
  return m_hImages != nullptr;
}

void CParvelApp::ParseCmdParam(CParvelDlg& dialog) {
  QnLogWrite(0x10000, "[%s] cmd param :[%s]", "CParvelApp::ParseCmdParam", m_lpCmdLine.c_str());
  const ParvelCommand command = ParseParvelCommandLine(m_lpCmdLine, g_nLogLocation);
  g_nLogLocation = command.logLocation;
  dialog.m_nMode = command.mode;
  dialog.m_strListPath = command.listPath;
  dialog.m_nLogLocation = g_nLogLocation;
}
