// CParvelApp: one converter per user, its resource libraries, the command line, and the main
// window run as the program's loop.
#pragma once

#include <string>

#include "converter/command_line.h"
#include "platform/base/named_mutex.h"
#include "platform/window/afx_app.h"

class CParvelDlg;

class CParvelApp : public CWinApp {
 public:
  CParvelApp();

  BOOL InitInstance() override;
  int ExitInstance() override;

  void GetAppPath();
  bool LoadResourceDlls();
  bool LoadLanguageDll(const std::string& name);
  bool LoadImageDll(const std::string& name);
  // Reads the command line into the dialog's mode and list path, and the log location.
  void ParseCmdParam(CParvelDlg& dialog);

  const std::string& AppPath() const { return m_strAppPath; }
  HINSTANCE ImageModule() const { return m_hImages; }

 private:
  platform::NamedMutex m_mutex;
  std::string m_strAppPath;
  HMODULE m_hLanguage = nullptr;
  HMODULE m_hImages = nullptr;
};

// The process-wide log location: -1 (no log) unless "/LOG" sets it.
extern int g_nLogLocation;
