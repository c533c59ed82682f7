// The suite's recording programs as a desktop sees them: each keeps the machine and the screen
// awake while its window is open, gives the screen saver back as it closes, and leaves no lock
// behind when its process ends, however it ends.
#include <gtest/gtest.h>

#include "fake_desktop.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/testkit/testkit.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"

namespace {

using namespace testkit;
using shell_tests::FakeDesktop;
using shell_tests::WaitFor;

constexpr const char* kTitle = "Narvell Vidarro 5.0";
constexpr DWORD kWaitMs = 20000;

// Quillon's splash has the same title as its main window: every window of that title is asked.
int CloseAndWait(ProgramProcess& program) {
  int exitCode = -1;
  for (int attempt = 0; attempt < 100 && exitCode == -1; ++attempt) {
    if (HWND open = ::FindWindow("#32770", kTitle)) ::PostMessage(open, WM_CLOSE, 0, 0);
    exitCode = program.WaitForExit(200);
  }
  return exitCode;
}

class KeepAwakeProgram : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(desktop_.Ready()) << desktop_.Failure();
    platform::StartWindowTransport();
  }

  Environment env_{CurrentTestName()};
  ScopedVariable audio_{"VIDARRO_SIMULATED_AUDIO", "1"};
  FakeDesktop desktop_;
};

TEST_P(KeepAwakeProgram, HoldsBothWhileItsWindowIsOpenAndGivesThemBackWithItsEnd) {
  const std::string name = GetParam();
  ProgramProcess program;
  ASSERT_TRUE(program.Start(name));
  ASSERT_NE(WaitForWindow("#32770", kTitle, kWaitMs), nullptr) << program.Output();
  ASSERT_TRUE(WaitFor([&] {
    return desktop_.Count(name, "block") == 1 && desktop_.Count(name, "delay") == 1 &&
           desktop_.ScreenSaverCount(name) == 1;
  })) << program.Output();

  EXPECT_EQ(CloseAndWait(program), 0) << program.Output();
  // The screen saver is handed back by the program itself, not dropped with its connection.
  EXPECT_EQ(desktop_.GivenBack(name), 1u);
  EXPECT_TRUE(WaitFor([&] { return desktop_.Inhibitors().empty(); }));
  EXPECT_TRUE(desktop_.ScreenSaverInhibits().empty());
}

INSTANTIATE_TEST_SUITE_P(Programs, KeepAwakeProgram, ::testing::Values("Quillon", "Wendrel", "Auvry"));

class WithoutABus : public ::testing::TestWithParam<const char*> {};

TEST_P(WithoutABus, TheProgramRunsAndSaysNothing) {
  Environment env(CurrentTestName());
  ScopedVariable audio("VIDARRO_SIMULATED_AUDIO", "1");
  ScopedVariable system("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + env.Runtime() + "/no-system-bus");
  ScopedVariable session("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + env.Runtime() + "/no-session-bus");
  platform::StartWindowTransport();
  ProgramProcess program;
  ASSERT_TRUE(program.Start(GetParam()));
  ASSERT_NE(WaitForWindow("#32770", kTitle, kWaitMs), nullptr) << program.Output();
  EXPECT_EQ(CloseAndWait(program), 0);
  EXPECT_EQ(program.Output(), "");
}

INSTANTIATE_TEST_SUITE_P(Programs, WithoutABus, ::testing::Values("Quillon", "Wendrel", "Auvry"));

TEST(KeepAwakeKilled, AKilledProgramLeavesNoLockBehind) {
  Environment env(CurrentTestName());
  ScopedVariable audio("VIDARRO_SIMULATED_AUDIO", "1");
  FakeDesktop desktop;
  ASSERT_TRUE(desktop.Ready()) << desktop.Failure();
  platform::StartWindowTransport();
  platform::ChildProcess program;
  ASSERT_TRUE(program.Start(platform::AppFolder() + "Quillon", {}));
  ASSERT_TRUE(WaitFor([&] { return desktop.Count("Quillon", "block") == 1 && desktop.ScreenSaverCount("Quillon"); }));
  ASSERT_TRUE(program.Kill());
  ASSERT_TRUE(program.Wait(kWaitMs));
  EXPECT_TRUE(WaitFor([&] { return desktop.Inhibitors().empty() && desktop.ScreenSaverInhibits().empty(); }));
  EXPECT_EQ(desktop.GivenBack("Quillon"), 0u);
}

}  // namespace
