// CWinApp and the class library's global helpers: the application object, its resource chain
// and message boxes.
#pragma once

#include <string>

#include "platform/base/win_types.h"
#include "platform/window/afx_wnd.h"

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

  HCURSOR LoadStandardCursor(LPCSTR name) const { return ::LoadCursor(nullptr, name); }
  HCURSOR LoadCursor(UINT id) const;
  // An icon of the resource chain at the standard size.
  HICON LoadIcon(UINT id) const;
  HICON LoadIcon(LPCSTR name) const;

  CWnd* m_pMainWnd = nullptr;
  HINSTANCE m_hInstance = nullptr;
  std::string m_pszAppName;
  std::string m_lpCmdLine;
  int m_nCmdShow = 1;  // SW_SHOWNORMAL
  int m_exitCode = 0;
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
// Run when it returned TRUE, else ExitInstance. The command line is joined into m_lpCmdLine.
int AfxWinMain(int argc, char** argv);
