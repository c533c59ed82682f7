// CCorrinApp: one uploader per user, its resource libraries, the command line, the layout
// that fits the screen, and the main window run as the program's loop.
#pragma once

#include <string>

#include "platform/base/named_mutex.h"
#include "platform/window/afx_app.h"

constexpr const char* kCorrinLanguageLibrary = "CorrinLng.dll";
constexpr const char* kCorrinImageLibrary = "CorrinImg.dll";

// The command line's file and whether the main program's project is to be rendered first.
struct CorrinCommand {
  bool editorMode = false;
  std::string file;
};
CorrinCommand ParseCorrinCommandLine(const std::string& commandLine);

class CCorrinApp : public CWinApp {
 public:
  CCorrinApp();

  BOOL InitInstance() override;
  int ExitInstance() override;

  // The machine-wide AppPath when that folder exists, else the program's own folder; never the
  // current folder.
  void GetAppPath();
  bool LoadResourceDlls();
  const std::string& AppPath() const { return m_strAppPath; }
  HINSTANCE ImageModule() const { return m_hImages; }

 private:
  platform::NamedMutex m_mutex;
  std::string m_strAppPath;
  HMODULE m_hLanguage = nullptr;
  HMODULE m_hImages = nullptr;
};
