// Keeping awake through a real message bus: a private dbus-daemon with a stand-in for logind and
// the screen saver, as the desktop would answer this process.
#include <gtest/gtest.h>

#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "fake_desktop.h"
#include "platform/shell/power.h"
#include "platform/testkit/testkit.h"
#include "platform/window/monitors.h"
#include "platform/window/window.h"

namespace {

using namespace testkit;
using shell_tests::FakeDesktop;
using shell_tests::WaitFor;

const std::string kMe = program_invocation_short_name;

bool ScreenSaverActive() {
  BOOL active = FALSE;
  SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  return active != FALSE;
}

class DesktopPowerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(desktop_.Ready()) << desktop_.Failure(); }
  void TearDown() override {
    SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, 0);
    platform::ResetExecutionState();
  }

  Environment env_{CurrentTestName()};
  FakeDesktop desktop_;
};

TEST_F(DesktopPowerTest, TheSleepLockAndTheScreenSaverInhibitFollowTheirSwitchesAndEndWithTheProcessState) {
  SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
  EXPECT_TRUE(SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0));
  EXPECT_FALSE(ScreenSaverActive());
  ASSERT_TRUE(WaitFor([&] {
    return desktop_.Count(kMe, "block") == 1 && desktop_.Count(kMe, "delay") == 1 &&
           desktop_.ScreenSaverCount(kMe) == 1;
  }));
  for (const auto& lock : desktop_.Inhibitors()) {
    EXPECT_EQ(lock.what, lock.mode == "block" ? "sleep:idle" : "sleep");
    EXPECT_FALSE(lock.why.empty());
  }
  EXPECT_FALSE(desktop_.ScreenSaverInhibits()[0].reason.empty());

  // A one-off request and a changed continuous one keep what is held.
  SetThreadExecutionState(ES_SYSTEM_REQUIRED);
  SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED);
  EXPECT_TRUE(SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, 0));
  EXPECT_TRUE(ScreenSaverActive());
  ASSERT_TRUE(WaitFor([&] { return desktop_.ScreenSaverCount(kMe) == 0; }));
  EXPECT_EQ(desktop_.Count(kMe, "block"), 1u);

  EXPECT_EQ(SetThreadExecutionState(ES_CONTINUOUS), ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED);
  ASSERT_TRUE(WaitFor([&] { return desktop_.Count(kMe, "block") == 0; }));
  EXPECT_EQ(desktop_.Count(kMe, "delay"), 1u);  // still there for the windows of a later suspend

  SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
  SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0);
  ASSERT_TRUE(WaitFor([&] { return desktop_.Count(kMe, "block") == 1 && desktop_.ScreenSaverCount(kMe) == 1; }));
  // A program started meanwhile by a plain spawn (as the outside tools are) must not keep the
  // locks alive.
  pid_t started = -1;
  char* argv[] = {const_cast<char*>("sleep"), const_cast<char*>("60"), nullptr};
  ASSERT_EQ(posix_spawn(&started, "/bin/sleep", nullptr, nullptr, argv, environ), 0);
  platform::ResetExecutionState();  // as at the end of the process
  EXPECT_TRUE(desktop_.Inhibitors().empty());
  kill(started, SIGKILL);
  waitpid(started, nullptr, 0);
  EXPECT_TRUE(desktop_.ScreenSaverInhibits().empty());
}

struct Heard {
  std::vector<WPARAM> topLevel;
  int child = 0;
  bool delayHeldWhileAnswering = false;
  FakeDesktop* desktop = nullptr;
};
Heard* g_heard = nullptr;

LRESULT PowerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_POWERBROADCAST) {
    if (GetParent(hwnd)) {
      ++g_heard->child;
    } else {
      g_heard->topLevel.push_back(wParam);
      if (wParam == PBT_APMSUSPEND) g_heard->delayHeldWhileAnswering = g_heard->desktop->Count(kMe, "delay") == 1;
    }
    return TRUE;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

HWND MakeWindow(HWND parent) {
  WNDCLASS wc{};
  wc.lpfnWndProc = PowerProc;
  wc.lpszClassName = "PowerListener";
  RegisterClass(&wc);
  return CreateWindowEx(0, "PowerListener", "listener", parent ? WS_CHILD : WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, parent,
                        nullptr, nullptr, nullptr);
}

TEST_F(DesktopPowerTest, ASuspendReachesTheTopLevelWindowsBeforeTheDelayLockGoesAndTheResumeFollows) {
  Heard heard;
  heard.desktop = &desktop_;
  g_heard = &heard;
  HWND top = MakeWindow(nullptr);
  HWND child = MakeWindow(top);
  ASSERT_TRUE(top && child);
  SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
  ASSERT_TRUE(WaitFor([&] { return desktop_.Count(kMe, "delay") == 1; }));

  desktop_.PrepareForSleep(true);
  ASSERT_TRUE(WaitFor([&] { return !heard.topLevel.empty(); }));
  EXPECT_EQ(heard.topLevel, std::vector<WPARAM>{PBT_APMSUSPEND});
  EXPECT_TRUE(heard.delayHeldWhileAnswering);
  EXPECT_TRUE(WaitFor([&] { return desktop_.Count(kMe, "delay") == 0; }));
  EXPECT_EQ(desktop_.Count(kMe, "block"), 1u);

  desktop_.PrepareForSleep(false);
  ASSERT_TRUE(WaitFor([&] { return heard.topLevel.size() == 2; }));
  EXPECT_EQ(heard.topLevel[1], PBT_APMRESUMEAUTOMATIC);
  // Ready for the next suspend.
  EXPECT_TRUE(WaitFor([&] { return desktop_.Count(kMe, "delay") == 1; }));
  EXPECT_EQ(heard.child, 0);
  DestroyWindow(top);
  g_heard = nullptr;
}

TEST_F(DesktopPowerTest, AWindowThatNeverAnswersDoesNotHoldTheSuspendBack) {
  Heard heard;
  heard.desktop = &desktop_;
  g_heard = &heard;
  HWND top = MakeWindow(nullptr);
  SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
  ASSERT_TRUE(WaitFor([&] { return desktop_.Count(kMe, "delay") == 1; }));
  desktop_.PrepareForSleep(true);
  // This thread pumps nothing meanwhile: its window is as good as hung.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (desktop_.Count(kMe, "delay") != 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(desktop_.Count(kMe, "delay"), 0u);
  // The stale question is withdrawn, not delivered after the resume.
  Pump();
  EXPECT_TRUE(heard.topLevel.empty());
  DestroyWindow(top);
  g_heard = nullptr;
}

}  // namespace
