#include "platform/window/remote_windows.h"
#include "platform/window/afx_app.h"

#include <future>
#include <thread>

#include "platform/base/message_box.h"
#include "platform/base/module.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/registry/hive_file.h"
#include "platform/window/afx_dialog.h"
#include "platform/window/message_box_dialog.h"
#include "platform/window/presenter_startup.h"
#include "platform/window/script_startup.h"
#include "platform/window/resources.h"

namespace {
CWinApp* g_app = nullptr;
HINSTANCE g_resource = nullptr;
}  // namespace

CWinApp::CWinApp(LPCSTR appName) : m_programFolder(platform::AppFolder()) {
  if (appName) m_pszAppName = appName;
  g_app = this;
  platform::InstallWindowMessageBoxes();
}

CWinApp::~CWinApp() {
  FreeResourceLibraries();
  if (g_app == this) g_app = nullptr;
}

HMODULE CWinApp::LoadResourceLibrary(const std::string& name, const std::string& languageFolder) {
  HMODULE library = nullptr;
  if (!languageFolder.empty())
    library = ::LoadLibrary((m_programFolder + platform::WithTrailingSlash(languageFolder) + name).c_str());
  if (!library) library = ::LoadLibrary((m_programFolder + name).c_str());
  if (library) m_libraries.push_back(library);
  return library;
}

void CWinApp::FreeResourceLibrary(HMODULE library) {
  for (auto it = m_libraries.begin(); it != m_libraries.end(); ++it) {
    if (*it != library) continue;
    if (g_resource == library) g_resource = nullptr;
    ::FreeLibrary(library);
    m_libraries.erase(it);
    return;
  }
}

void CWinApp::FreeResourceLibraries() {
  while (!m_libraries.empty()) FreeResourceLibrary(m_libraries.back());
}

void CWinApp::SetResourceLibrary(HMODULE library) {
  if (library) AfxSetResourceHandle(library);
}

static void TellOfDamagedSettings();

INT_PTR CWinApp::RunMainDialog(CDialog& dialog) {
  // Dialog programs never reach Run: they hear of damaged settings here, before their window.
  TellOfDamagedSettings();
  m_pMainWnd = &dialog;
  const INT_PTR result = dialog.DoModal();
  if (m_pMainWnd == &dialog) m_pMainWnd = nullptr;
  return result;
}

BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::ExitInstance() { return m_exitCode; }
BOOL CWinApp::OnIdle(LONG) {
  CWnd::DeleteTempMap();
  return FALSE;
}

BOOL CWinApp::PreTranslateMessage(MSG* msg) {
  if (!msg->hwnd) return FALSE;
  return AfxWalkPreTranslateTree(::GetAncestor(msg->hwnd, GA_ROOT), msg);
}

BOOL CWinApp::PumpMessage() {
  MSG msg;
  if (!::GetMessage(&msg, nullptr, 0, 0)) {
    m_exitCode = static_cast<int>(msg.wParam);
    return FALSE;
  }
  if (!PreTranslateMessage(&msg)) {
    ::TranslateMessage(&msg);
    ::DispatchMessage(&msg);
  }
  return TRUE;
}

// A settings file found damaged with nothing good to go back to was kept aside while the
// program started on defaults; the user hears once where it is.
static void TellOfDamagedSettings() {
  for (const std::string& kept : platform::registry::TakeDamagedHiveNotices())
    AfxMessageBox("The settings file was damaged and could not be read. It was kept as \"" + kept +
                      "\" and the program starts with default settings.",
                  MB_OK | MB_ICONWARNING);
}

int CWinApp::Run() {
  TellOfDamagedSettings();
  LONG idle = 0;
  for (;;) {
    MSG peek;
    while (!::PeekMessage(&peek, nullptr, 0, 0, PM_NOREMOVE) && OnIdle(idle++)) {
    }
    idle = 0;
    if (!PumpMessage()) break;
  }
  return ExitInstance();
}

HCURSOR CWinApp::LoadCursor(UINT id) const {
  return ::LoadCursor(AfxFindResourceHandle(MAKEINTRESOURCE(id), RT_GROUP_CURSOR), MAKEINTRESOURCE(id));
}

HICON CWinApp::LoadIcon(UINT id) const { return LoadIcon(MAKEINTRESOURCE(id)); }

HICON CWinApp::LoadIcon(LPCSTR name) const {
  return platform::LoadModuleIcon(AfxFindResourceHandle(name, RT_GROUP_ICON), name, 0, 0);
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int, UINT, DWORD, void*) {
  if (!proc) return nullptr;
  auto* thread = new CWinThread;
  std::promise<DWORD> started;
  auto id = started.get_future();
  std::thread([thread, proc, param, &started] {
    started.set_value(::GetCurrentThreadId());
    proc(param);
    if (thread->m_bAutoDelete) delete thread;
  }).detach();
  thread->m_nThreadID = id.get();
  thread->m_hThread = thread;
  return thread;
}

CWinApp* AfxGetApp() { return g_app; }
CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }
HINSTANCE AfxGetInstanceHandle() { return g_app ? g_app->m_hInstance : nullptr; }
HINSTANCE AfxGetResourceHandle() { return g_resource ? g_resource : AfxGetInstanceHandle(); }
void AfxSetResourceHandle(HINSTANCE instance) { g_resource = instance; }

HINSTANCE AfxFindResourceHandle(LPCSTR name, LPCSTR type) {
  if (g_resource && ::FindResource(g_resource, name, type)) return g_resource;
  if (HINSTANCE instance = AfxGetInstanceHandle(); instance && ::FindResource(instance, name, type)) return instance;
  return AfxGetResourceHandle();
}

int AfxMessageBox(const std::string& text, UINT type, UINT) {
  HWND owner = nullptr;
  if (CWnd* main = AfxGetMainWnd(); main && ::IsWindow(main->m_hWnd) && ::IsWindowEnabled(main->m_hWnd))
    owner = main->m_hWnd;
  if (!owner) owner = ::GetActiveWindow();
  return ::MessageBox(owner, text, g_app ? g_app->m_pszAppName : std::string(), type);
}

int AfxMessageBox(UINT promptId, UINT type, UINT) {
  auto text = platform::LoadStdString(AfxFindResourceHandle(MAKEINTRESOURCE(promptId), RT_STRING), promptId);
  return AfxMessageBox(text.value_or(std::string()), type, promptId);
}

int AfxWinMain(int argc, char** argv) {
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  // Kept as Windows keeps it: an argument with blanks or quotes stays one argument when split.
  app->m_lpCmdLine = platform::CommandLineParameters(argc, argv);
  if (!app->m_hInstance) app->m_hInstance = ::GetModuleHandle(nullptr);
  if (argc > 0 && argv[0]) {
    app->m_pszExeName = platform::FileNameOf(argv[0]);
    if (app->m_pszAppName.empty()) app->m_pszAppName = app->m_pszExeName;
  }
  // Other programs of the suite find this one's windows (single instance, links) as on the desktop.
  platform::StartWindowTransport();
  const std::string name = app->m_pszExeName.empty() ? app->m_pszAppName : app->m_pszExeName;
  platform::StartPresenter(name);
  // A script of user actions named in the environment plays on the program's own windows.
  platform::StartScriptPlayer(name, app->m_lpCmdLine);
  const int code = platform::StopScriptPlayer(app->InitInstance() ? app->Run() : app->ExitInstance());
  platform::StopPresenter();
  app->FreeResourceLibraries();
  return code;
}
