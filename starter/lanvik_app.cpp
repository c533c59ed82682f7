#include "lanvik_app.h"

#include "intro_dlg.h"
#include "lanvik_ids.h"
#include "lanvik_dlg.h"
#include "platform/window/resources.h"
#include "platform/window/single_instance.h"
#include "platform/window/window.h"
#include "qnlog/qn_log.h"

namespace starter {
namespace {
CLanvikApp* g_starter = nullptr;
}

bool SkipsIntro(const std::string& commandLine) { return commandLine == "/NOINTRO"; }

std::string LoadText(unsigned id) {
  return platform::LoadStdString(AfxFindResourceHandle(MAKEINTRESOURCE(id), RT_STRING), id).value_or("");
}

CLanvikApp& TheStarter() { return *g_starter; }

CLanvikApp::CLanvikApp() : CWinApp(kProductTitle) { g_starter = this; }

BOOL CLanvikApp::FindRunningProgram() {
  titles_ = ReadSuiteTitles();
  const std::string starterTitle = std::string(kProductTitle) + " Starter";
  for (const std::string& title :
       {titles_.wizard, titles_.advanced, titles_.audioRecorder, std::string(kProductTitle), starterTitle}) {
    if (HWND open = ::FindWindow("#32770", title.c_str())) {
      ::SetForegroundWindow(open);
      return TRUE;
    }
  }
  appFolder_ = SettleAppFolder(GetProgramFolder());
  return FALSE;
}

BOOL CLanvikApp::LoadResourceLibraries() {
  libraries_.own = LoadResourceLibrary("Lanvik.dll");
  if (libraries_.own) SetResourceLibrary(libraries_.own);
  libraries_.extra = LoadResourceLibrary("Vidarro5Extra.dll");
  libraries_.image = LoadResourceLibrary("VidarroImgData50.dll");
  libraries_.ui = LoadResourceLibrary("Vidarro5UI.dll");
  return libraries_.ui != nullptr;
}

BOOL CLanvikApp::InitInstance() {
  QnLogInit("", "Lanvik.log", QN_LOG_TEMP_FOLDER, false, 0x10000);
  if (FindRunningProgram()) return FALSE;
  // Two starters started at the same instant both find no window: the lock decides.
  platform::SingleInstanceLock instance;
  if (!instance.Claim("starter", {titles_.launcher + " Starter", std::string(kProductTitle) + " Starter"}))
    return FALSE;
  if (!LoadResourceLibraries()) {
    AfxMessageBox(kUiLibraryMissing);
    m_exitCode = 1;
    return FALSE;
  }
  if (LoadText(IDS_INTRO_SWITCH) == "ON" && !SkipsIntro(m_lpCmdLine)) {
    CIntroDlg intro(*this);
    intro.DoModal();
  }
  CLanvikDlg dialog(*this);
  RunMainDialog(dialog);
  m_pMainWnd = nullptr;
  return FALSE;
}

int CLanvikApp::ExitInstance() {
  for (HMODULE library : {libraries_.own, libraries_.extra, libraries_.image, libraries_.ui})
    if (library) FreeResourceLibrary(library);
  libraries_ = {};
  return CWinApp::ExitInstance();
}

}  // namespace starter
