// CWinApp and the class library's global helpers: the application object, its resource chain
// and message boxes.
#pragma once

#include <string>
#include <vector>

#include "platform/base/win_types.h"
#include "platform/window/afx_wnd.h"

class CDialog;

// The application object. A program defines one (global) and its main is
//   int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
// InitInstance loads the resource libraries from the program folder, makes one the resource
// handle and runs the main dialog (RunMainDialog), as the program's start-up asks.
class CWinApp {
 public:
  explicit CWinApp(LPCSTR appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance();
  virtual int ExitInstance();
  // The message loop: runs until WM_QUIT, then returns ExitInstance().
  virtual int Run();
  virtual BOOL OnIdle(LONG count);
  virtual BOOL PreTranslateMessage(MSG* msg);
  BOOL PumpMessage();

  // The folder of the program and its companions, ending in "/" (set when the object is made).
  const std::string& GetProgramFolder() const { return m_programFolder; }
  // Loads a library of the program folder by its Windows name ("Wendrel.dll"), the copy in the
  // language sub-folder ("kor/") first when one is given. The application frees it when it ends;
  // null when there is no such library.
  HMODULE LoadResourceLibrary(const std::string& name, const std::string& languageFolder = std::string());
  // Frees one library loaded above before the application ends.
  void FreeResourceLibrary(HMODULE library);
  // Dialogs, menus, strings and bitmaps are looked up in the library first, then in the program;
  // null leaves the program's own module alone.
  void SetResourceLibrary(HMODULE library);
  // Runs the dialog modally as the main window; DoModal's value.
  INT_PTR RunMainDialog(CDialog& dialog);

  HCURSOR LoadStandardCursor(LPCSTR name) const { return ::LoadCursor(nullptr, name); }
  HCURSOR LoadCursor(UINT id) const;
  // An icon of the resource chain at the standard size.
  HICON LoadIcon(UINT id) const;
  HICON LoadIcon(LPCSTR name) const;

  CWnd* m_pMainWnd = nullptr;
  HINSTANCE m_hInstance = nullptr;
  std::string m_pszAppName;
  std::string m_pszExeName;  // the program file's name without its folder
  std::string m_lpCmdLine;
  int m_nCmdShow = 1;  // SW_SHOWNORMAL
  int m_exitCode = 0;

 private:
  friend int AfxWinMain(int argc, char** argv);
  void FreeResourceLibraries();

  std::string m_programFolder;
  std::vector<HMODULE> m_libraries;
};

// A thread started the class library's way; the object deletes itself when the thread ends
// unless m_bAutoDelete is cleared before.
class CWinThread {
 public:
  virtual ~CWinThread() = default;
  DWORD m_nThreadID = 0;
  HANDLE m_hThread = nullptr;
  BOOL m_bAutoDelete = TRUE;
};
using AFX_THREADPROC = UINT (*)(LPVOID);
CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority = 0, UINT stackSize = 0, DWORD flags = 0,
                           void* security = nullptr);

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE instance);
// The module holding a resource: the resource handle first, then the instance handle.
HINSTANCE AfxFindResourceHandle(LPCSTR name, LPCSTR type);
int AfxMessageBox(const std::string& text, UINT type = 0, UINT helpId = 0);
int AfxMessageBox(UINT promptId, UINT type = 0, UINT helpId = UINT(-1));

// Runs the application object the way the class library's entry point does: InitInstance, then
// Run when it returned TRUE, else ExitInstance; the resource libraries are freed after. The
// command line is joined into m_lpCmdLine; m_hInstance is the program's own module.
int AfxWinMain(int argc, char** argv);
