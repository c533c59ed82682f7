#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/base/message_box.h"
#include "platform/base/process.h"
#include "platform/base/paths.h"
#include "platform/window/resources.h"
#include "platform/window/afx_app.h"
#include "platform/window/afx_dialog.h"
#include "platform/window/input.h"
#include "platform/window/monitors.h"
#include "platform/testkit/window_log.h"

using namespace testkit;

namespace {

class AfxWindows : public ::testing::Test {
 protected:
  void TearDown() override { ResetWindows(); }
};

// Records which handlers ran, and with what.
class Recorder : public CWnd {
 public:
  std::vector<std::string> calls;
  CPoint lastClick;
  bool destroyed = false;
  bool subclassed = false;

  int OnCreate(LPCREATESTRUCT cs) override {
    calls.push_back("create");
    return CWnd::OnCreate(cs);
  }
  void OnLButtonDown(UINT, CPoint p) override {
    calls.push_back("down");
    lastClick = p;
  }
  void OnTimer(UINT_PTR id) override { calls.push_back("timer " + std::to_string(id)); }
  void OnSize(UINT, int cx, int cy) override {
    calls.push_back("size " + std::to_string(cx) + "x" + std::to_string(cy));
  }
  void OnDestroy() override {
    calls.push_back("destroy");
    CWnd::OnDestroy();
  }
  void PreSubclassWindow() override { subclassed = true; }
  void PostNcDestroy() override { destroyed = true; }
  LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override {
    if (msg == WM_USER + 5) return 55;  // a user message, the way message maps add them
    return CWnd::WindowProc(msg, w, l);
  }
};

TEST_F(AfxWindows, CreatedWindowsSendMessagesToTheirHandlers) {
  HWND parent = MakeTop("parent", WS_POPUP | WS_VISIBLE, RECT{0, 0, 300, 300});
  Recorder wnd;
  ASSERT_TRUE(wnd.Create(TestClass(), "child", WS_VISIBLE, CRect(10, 10, 110, 60), CWnd::FromHandle(parent), 7));
  EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
  EXPECT_EQ(wnd.GetDlgCtrlID(), 7);
  EXPECT_EQ(wnd.calls[0], "create");
  EXPECT_EQ(wnd.calls[1], "size 100x50");
  EXPECT_EQ(wnd.SendMessage(WM_USER + 5), 55);
  platform::InjectClick(platform::MouseButton::Left, POINT{15, 20});
  wnd.SetTimer(9, 10);
  Pump();
  EXPECT_EQ(wnd.lastClick, CPoint(5, 10));
  // Messages a handler does not take still reach the original procedure through Default().
  EXPECT_FALSE(MessagesOf(wnd.m_hWnd, {WM_LBUTTONUP}).empty());
  EXPECT_TRUE(MessagesOf(wnd.m_hWnd, {WM_LBUTTONDOWN}).empty());
  wnd.SetWindowText("renamed");
  EXPECT_EQ(wnd.GetWindowText(), "renamed");
  HWND h = wnd.m_hWnd;
  ASSERT_TRUE(wnd.DestroyWindow());
  EXPECT_TRUE(wnd.destroyed);
  EXPECT_EQ(wnd.m_hWnd, nullptr);
  EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
}

TEST_F(AfxWindows, SubclassingAnExistingControlAndLettingItGo) {
  HWND parent = MakeTop("parent", WS_POPUP | WS_VISIBLE, RECT{0, 0, 300, 300});
  HWND child = MakeChild(parent, 12, RECT{0, 0, 50, 50});
  Recorder wnd;
  ASSERT_TRUE(wnd.SubclassDlgItem(12, CWnd::FromHandle(parent)));
  EXPECT_TRUE(wnd.subclassed);
  EXPECT_FALSE(wnd.SubclassDlgItem(99, CWnd::FromHandle(parent)));
  EXPECT_EQ(SendMessage(child, WM_USER + 5, 0, 0), 55);
  EXPECT_EQ(wnd.UnsubclassWindow(), child);
  EXPECT_EQ(SendMessage(child, WM_USER + 5, 0, 0), 0);  // back to the class procedure
  EXPECT_TRUE(IsWindow(child));
}

TEST_F(AfxWindows, DestroyingTheObjectTakesTheWindowAlong) {
  HWND h;
  {
    Recorder wnd;
    wnd.CreateEx(0, TestClass(), "gone", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0);
    h = wnd.m_hWnd;
    ASSERT_TRUE(IsWindow(h));
  }
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(AfxWindows, TemporaryWrappersForForeignWindows) {
  HWND plain = MakeTop("plain", WS_POPUP);
  CWnd* temp = CWnd::FromHandle(plain);
  ASSERT_NE(temp, nullptr);
  EXPECT_EQ(temp->m_hWnd, plain);
  EXPECT_EQ(CWnd::FromHandle(plain), temp);
  EXPECT_EQ(CWnd::FromHandlePermanent(plain), nullptr);
  EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);
  CWnd::DeleteTempMap();
}

// A control that takes its own notifications back from the parent.
class ReflectingButton : public CWnd {
 public:
  int clicks = 0;
  BOOL OnChildNotify(UINT msg, WPARAM w, LPARAM, LRESULT* result) override {
    if (msg != WM_COMMAND || HIWORD(w) != BN_CLICKED) return FALSE;
    ++clicks;
    *result = 0;
    return TRUE;
  }
};

class ParentWnd : public CWnd {
 public:
  int commands = 0;
  BOOL OnCommand(WPARAM, LPARAM) override {
    ++commands;
    return TRUE;
  }
};

TEST_F(AfxWindows, NotificationsAreOfferedToTheControlFirst) {
  ParentWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, TestClass(), "parent", WS_POPUP | WS_VISIBLE, CRect(0, 0, 200, 200), nullptr, 0));
  HWND button = CreateWindowEx(0, "Button", "Go", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, parent.m_hWnd,
                               reinterpret_cast<HMENU>(5), nullptr, nullptr);
  HWND other = CreateWindowEx(0, "Button", "Other", WS_CHILD | WS_VISIBLE, 70, 10, 50, 20, parent.m_hWnd,
                              reinterpret_cast<HMENU>(6), nullptr, nullptr);
  ReflectingButton reflecting;
  reflecting.SubclassWindow(button);
  SendMessage(button, BM_CLICK, 0, 0);
  SendMessage(other, BM_CLICK, 0, 0);
  EXPECT_EQ(reflecting.clicks, 1);
  EXPECT_EQ(parent.commands, 1);
}

class TestApp : public CWinApp {
 public:
  TestApp() : CWinApp("Narvell Vidarro 5.0") {}
  int initialised = 0;
  BOOL result = TRUE;
  BOOL InitInstance() override {
    ++initialised;
    if (result) PostQuitMessage(7);
    return result;
  }
};

TEST_F(AfxWindows, ApplicationRunsInitInstanceThenItsLoopUntilQuit) {
  TestApp app;
  char name[] = "quillon";
  char project[] = "/tmp/a \"new\" project.ilj5";
  char option[] = "/PSP";
  char* argv[] = {name, project, option};
  EXPECT_EQ(AfxWinMain(3, argv), 7);
  EXPECT_EQ(app.initialised, 1);
  // Kept as Windows keeps a command line: split again, the arguments come back whole.
  EXPECT_EQ(platform::SplitCommandLine(app.m_lpCmdLine), (std::vector<std::string>{project, option}));
  app.result = FALSE;
  app.m_exitCode = 3;
  EXPECT_EQ(AfxWinMain(1, argv), 3);  // a refused start ends without a loop
  EXPECT_EQ(AfxGetApp(), &app);
  platform::SetMessageBoxHandler(nullptr);
}

// A program as they are all built: resource libraries from its folder, then its main dialog.
class MainDialog : public CDialog {
 public:
  MainDialog() : CDialog(300) {}
  int starts = 0;
  CWnd* mainWhileOpen = nullptr;

 protected:
  BOOL OnInitDialog() override {
    mainWhileOpen = AfxGetMainWnd();
    return CDialog::OnInitDialog();
  }
  void OnStart() { ++starts; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(MainDialog, CDialog)
ON_BN_CLICKED(1024, &MainDialog::OnStart)
END_MESSAGE_MAP()

class ProgramApp : public CWinApp {
 public:
  HMODULE ui = nullptr;
  HMODULE missing = nullptr;
  HMODULE fromLanguageFolder = nullptr;
  HMODULE resourcesWhileRunning = nullptr;
  INT_PTR dialogResult = 0;
  MainDialog dialog;

  BOOL InitInstance() override {
    missing = LoadResourceLibrary("NoSuchUI.dll");
    fromLanguageFolder = LoadResourceLibrary("WindowIconsUI.dll", "kor");  // no copy there: the folder's
    ui = LoadResourceLibrary("WindowIconsUI.dll");
    if (!ui) return FALSE;
    SetResourceLibrary(ui);
    resourcesWhileRunning = AfxFindResourceHandle(MAKEINTRESOURCE(300), RT_DIALOG);
    platform::PushInputStep([] { platform::ClickWindow(GetDlgItem(GetActiveWindow(), 1024)); });
    platform::PushInputStep([] { platform::ClickWindow(GetDlgItem(GetActiveWindow(), IDOK)); });
    dialogResult = RunMainDialog(dialog);
    return FALSE;
  }
};

TEST_F(AfxWindows, AProgramLoadsItsResourceLibrariesAndRunsItsDialogFromThem) {
  ProgramApp app;
  EXPECT_EQ(app.GetProgramFolder(), platform::AppFolder());
  char name[] = "/opt/vidarro/Wendrel";
  char* argv[] = {name};
  EXPECT_EQ(AfxWinMain(1, argv), 0);
  EXPECT_EQ(app.m_pszExeName, "Wendrel");
  EXPECT_NE(app.m_hInstance, nullptr);  // the program's own module
  ASSERT_NE(app.ui, nullptr);
  EXPECT_EQ(app.missing, nullptr);
  EXPECT_NE(app.fromLanguageFolder, nullptr);
  EXPECT_EQ(app.resourcesWhileRunning, app.ui);
  EXPECT_EQ(app.dialogResult, IDOK);
  EXPECT_EQ(app.dialog.starts, 1);
  EXPECT_EQ(app.dialog.mainWhileOpen, &app.dialog);
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  // The libraries went with the program's end, the resource handle with them.
  EXPECT_EQ(AfxGetResourceHandle(), app.m_hInstance);
  platform::SetMessageBoxHandler(nullptr);
}

TEST_F(AfxWindows, AfxMessageBoxUsesTheApplicationNameAndMainWindow) {
  TestApp app;
  platform::MessageBoxRecorder boxes;
  boxes.QueueAnswer(IDYES);
  CWnd main;
  main.CreateEx(0, TestClass(), "main", WS_POPUP | WS_VISIBLE, CRect(0, 0, 10, 10), nullptr, 0);
  app.m_pMainWnd = &main;
  EXPECT_EQ(AfxMessageBox("Burn now?", MB_YESNO), IDYES);
  EXPECT_EQ(boxes.Last().caption, "Narvell Vidarro 5.0");
  EXPECT_EQ(boxes.Last().owner, main.m_hWnd);
  EXPECT_EQ(AfxMessageBox(12345u, MB_OK), IDOK);  // an unknown string id shows an empty text
  EXPECT_EQ(boxes.Last().text, "");
  app.m_pMainWnd = nullptr;
  // An application made while a recorder listens leaves the recorder in place.
  TestApp second;
  AfxMessageBox("still recorded");
  EXPECT_EQ(boxes.Last().text, "still recorded");
}

class ModelessDialog : public CDialog {
 public:
  int closed = 0;
  void OnCancel() override {
    ++closed;
    DestroyWindow();
  }
};

TEST_F(AfxWindows, ModelessDialogsLiveInTheOuterLoop) {
  platform::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
  t.caption = "Loading";
  t.cx = 100;
  t.cy = 40;
  ModelessDialog dlg;
  ASSERT_TRUE(dlg.CreateIndirect(t));
  EXPECT_TRUE(dlg.IsWindowVisible());
  EXPECT_EQ(FindWindow("#32770", "Loading"), dlg.m_hWnd);
  dlg.PostMessage(WM_CLOSE);
  Pump();
  EXPECT_EQ(dlg.closed, 1);
  EXPECT_EQ(dlg.m_hWnd, nullptr);
}

// Takes OK over in its own map; Cancel still reaches CDialog's.
class ConfirmingDialog : public CDialog {
 public:
  int confirms = 0;

 protected:
  void OnConfirm() { ++confirms; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ConfirmingDialog, CDialog)
ON_BN_CLICKED(IDOK, &ConfirmingDialog::OnConfirm)
END_MESSAGE_MAP()

TEST_F(AfxWindows, ADialogsMapComesBeforeTheOkAndCancelOfItsBase) {
  platform::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION;
  t.caption = "Confirm";
  t.cx = 120;
  t.cy = 50;
  platform::DialogItemTemplate ok;
  ok.className = "Button";
  ok.text = "OK";
  ok.id = IDOK;
  ok.style = WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
  ok.x = 10, ok.y = 30, ok.cx = 50, ok.cy = 14;
  t.items.push_back(ok);
  ConfirmingDialog dlg;
  dlg.InitModalIndirect(t);
  platform::PushInputStep([] { platform::ClickWindow(GetDlgItem(GetActiveWindow(), IDOK)); });
  platform::PushInputStep([] { platform::InjectKey(VK_RETURN); });
  platform::PushInputStep([] { platform::InjectKey(VK_ESCAPE); });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(dlg.confirms, 2);
}

struct SplashJob {
  platform::DialogTemplate tmpl;
  std::atomic<INT_PTR> result{0};
  std::atomic<bool> done{false};
};

TEST_F(AfxWindows, ASplashDialogOnAnotherThreadLeavesTheMainWindowAlone) {
  TestApp app;
  CWnd main;
  main.CreateEx(0, TestClass(), "Main", WS_POPUP | WS_VISIBLE, CRect(0, 0, 300, 300), nullptr, 0);
  app.m_pMainWnd = &main;
  SplashJob job;
  job.tmpl.style = WS_POPUP | WS_CAPTION;
  job.tmpl.caption = "Loading";
  job.tmpl.cx = 100;
  job.tmpl.cy = 40;
  std::atomic<bool> mainEnabled{false};
  platform::PushInputStep([&] {
    mainEnabled = IsWindowEnabled(main.m_hWnd);
    PostMessage(FindWindow("#32770", "Loading"), WM_COMMAND, IDOK, 0);
  });
  CWinThread* thread = AfxBeginThread(
      [](LPVOID p) -> UINT {
        auto* j = static_cast<SplashJob*>(p);
        CDialog splash;
        splash.InitModalIndirect(j->tmpl);
        j->result = splash.DoModal();
        j->done = true;
        return 0;
      },
      &job);
  ASSERT_NE(thread, nullptr);
  while (!job.done) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(job.result, IDOK);
  EXPECT_TRUE(mainEnabled);
  EXPECT_TRUE(IsWindowEnabled(main.m_hWnd));
  app.m_pMainWnd = nullptr;
  platform::SetMessageBoxHandler(nullptr);
  BOOL active = FALSE;
  EXPECT_TRUE(SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0));
  EXPECT_TRUE(SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &active, 0));
  EXPECT_FALSE(active);
  SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, 0);
}

TEST_F(AfxWindows, DialogItemHelpersRefuseBadInput) {
  HWND parent = MakeTop("p", WS_POPUP);
  HWND edit =
      CreateWindowEx(0, "Edit", "", WS_CHILD, 0, 0, 10, 10, parent, reinterpret_cast<HMENU>(3), nullptr, nullptr);
  ASSERT_NE(edit, nullptr);
  BOOL ok = TRUE;
  SetDlgItemText(parent, 3, "12x");
  EXPECT_EQ(GetDlgItemInt(parent, 3, &ok, TRUE), 0u);
  EXPECT_FALSE(ok);
  SetDlgItemText(parent, 3, "-5");
  EXPECT_EQ(static_cast<int>(GetDlgItemInt(parent, 3, &ok, TRUE)), -5);
  EXPECT_TRUE(ok);
  EXPECT_EQ(GetDlgItemInt(parent, 3, &ok, FALSE), 0u);
  EXPECT_FALSE(ok);
  SetDlgItemText(parent, 3, "99999999999");
  GetDlgItemInt(parent, 3, &ok, FALSE);
  EXPECT_FALSE(ok);
  SetDlgItemInt(parent, 3, 4000, FALSE);
  EXPECT_EQ(GetDlgItemInt(parent, 3, &ok, FALSE), 4000u);
  EXPECT_FALSE(SetDlgItemText(parent, 99, "x"));
  char buffer[4] = "abc";
  EXPECT_EQ(GetDlgItemText(parent, 99, buffer, sizeof buffer), 0u);
  EXPECT_STREQ(buffer, "");
  EXPECT_FALSE(EndDialog(parent, IDOK));  // not a dialog
  EXPECT_FALSE(EndDialog(nullptr, IDOK));
  EXPECT_EQ(SendDlgItemMessage(parent, 99, WM_USER, 0, 0), 0);
}

TEST_F(AfxWindows, WindowsOfAThreadDieWithIt) {
  HWND fromThread = nullptr;
  std::thread([&] { fromThread = MakeTop("worker window", WS_POPUP); }).join();
  EXPECT_FALSE(IsWindow(fromThread));
  EXPECT_EQ(FindWindow(nullptr, "worker window"), nullptr);
  EXPECT_FALSE(PostThreadMessage(0xFFFFFFF0u, WM_USER, 0, 0));
}

TEST_F(AfxWindows, RepliesAndNotificationsAcrossThreads) {
  static std::atomic<int> phase{0};
  WNDCLASS wc;
  wc.lpszClassName = "EarlyReply";
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_USER + 1) {
      EXPECT_TRUE(InSendMessage());
      ReplyMessage(77);  // the sender goes on while this procedure still works
      phase = 1;
      return 5;
    }
    if (m == WM_USER + 2) phase = 2;
    return DefWindowProc(h, m, w, l);
  };
  ASSERT_TRUE(RegisterClass(&wc));
  std::atomic<HWND> target{nullptr};
  std::atomic<bool> stop{false};
  std::thread owner([&] {
    target = CreateWindowEx(0, "EarlyReply", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    MSG m;
    while (!stop) {
      while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
      std::this_thread::yield();
    }
    DestroyWindow(target);
  });
  while (!target) std::this_thread::yield();
  EXPECT_EQ(SendMessage(target, WM_USER + 1, 0, 0), 77);
  EXPECT_FALSE(InSendMessage());
  EXPECT_TRUE(SendNotifyMessage(target, WM_USER + 2, 0, 0));
  while (phase != 2) std::this_thread::yield();
  stop = true;
  owner.join();
  UnregisterClass("EarlyReply", nullptr);
}

}  // namespace
