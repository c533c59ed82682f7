// The real program meeting other windows of the suite: an open wizard, a missing UI library,
// the intro switch, and the main program starting it again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "lanvik_dlg.h"
#include "lanvik_ids.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/registry/registry.h"
#include "platform/testkit/testkit.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"
#include "suite_install.h"
#include "widgets/reg_helpers.h"

namespace starter {
namespace {

using namespace testkit;

constexpr DWORD kWaitMs = 20000;
constexpr const char* kStarterTitle = "Narvell Vidarro 5.0 Starter";

// Ends a starter that is not our child: Exit, then waits until its window is gone. An intro
// would ignore Exit and be followed by the main window, so this also says no intro showed.
bool EndStarter(HWND window) {
  ::PostMessage(window, WM_COMMAND, IDC_EXIT, 0);
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (!::FindWindow("#32770", kStarterTitle)) return true;
    ::Sleep(50);
  }
  return false;
}

TEST(StarterProcess, AnOpenWizardIsBroughtForwardAndNothingElseShows) {
  Environment env(CurrentTestName());
  platform::StartWindowTransport();
  RegWriteString(HKEY_LOCAL_MACHINE, kProductKey, "WizardName", "Narvell Vidarro 5.0 Wizard");
  HWND wizard = ::CreateWindowEx(0, "#32770", "Narvell Vidarro 5.0 Wizard", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100,
                                 nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, wizard);
  ProgramProcess starter;
  ASSERT_TRUE(starter.Start("Lanvik"));
  // It ends on its own: an intro or main window would keep it running.
  EXPECT_EQ(0, starter.WaitForExit(kWaitMs)) << starter.Output();
  EXPECT_TRUE(platform::ReadLaunchRecords().empty());
  ::DestroyWindow(wizard);
  ResetWindows();
}

TEST(StarterProcess, WithoutTheUiLibraryItSaysSoAndFails) {
  Environment env(CurrentTestName());
  platform::StartWindowTransport();
  const std::string folder = CopyProgramAlone(env, {"Lanvik", "Lanvik.so"});
  ScopedVariable appFolder("VIDARRO_APP_DIR", folder);
  ProgramProcess starter;
  ASSERT_TRUE(starter.Start(folder + "Lanvik"));
  HWND box = WaitForWindow("#32770", kProductTitle, kWaitMs);
  ASSERT_NE(nullptr, box) << starter.Output();
  ::PostMessage(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(1, starter.WaitForExit(kWaitMs)) << starter.Output();
}

// The intro has no Exit button: Exit sent to the first window ends the program only when that
// window is the main one.
TEST(StarterProcess, OnlyTheExactSwitchOpensTheMainWindowFirst) {
  Environment env(CurrentTestName());
  platform::StartWindowTransport();
  for (const char* line : {"/NOINTRO", "/nointro", "/NOINTRO "}) {
    const bool skips = std::string(line) == "/NOINTRO";
    ProgramProcess starter;
    ASSERT_TRUE(starter.Start("Lanvik", {line}));
    HWND first = WaitForWindow("#32770", kStarterTitle, kWaitMs);
    ASSERT_NE(nullptr, first) << starter.Output();
    ::PostMessage(first, WM_COMMAND, IDC_EXIT, 0);
    if (!skips) {
      HWND main = first;
      for (int attempt = 0; attempt < 400 && (main == first || !main); ++attempt) {
        ::Sleep(25);
        main = ::FindWindow("#32770", kStarterTitle);
      }
      ASSERT_NE(first, main) << line;
      ASSERT_NE(nullptr, main) << line;
      ::PostMessage(main, WM_COMMAND, IDC_EXIT, 0);
    }
    EXPECT_EQ(0, starter.WaitForExit(kWaitMs)) << line << starter.Output();
  }
}

// Started at the same instant, with and without the intro, neither finds the other's window yet:
// one runs and the other ends at once, not when a timer of its own fires.
TEST(StarterProcess, TwoStartersStartedTogetherLeaveOne) {
  Environment env(CurrentTestName());
  platform::StartWindowTransport();
  for (const std::vector<std::string>& line : {std::vector<std::string>{"/NOINTRO"}, std::vector<std::string>{}}) {
    SCOPED_TRACE(line.empty() ? "with intro" : "/NOINTRO");
    ProgramProcess starters[2];
    ASSERT_TRUE(starters[0].Start("Lanvik", line));
    ASSERT_TRUE(starters[1].Start("Lanvik", line));
    int ended = -1;
    for (int attempt = 0; attempt < 400 && ended < 0; ++attempt) {
      for (int i = 0; i < 2 && ended < 0; ++i)
        if (!starters[i].Running()) ended = i;
      ::Sleep(25);
    }
    ASSERT_GE(ended, 0) << "both starters still run";
    EXPECT_EQ(0, starters[ended].WaitForExit(kWaitMs)) << starters[ended].Output();
    ProgramProcess& left = starters[1 - ended];
    EXPECT_TRUE(left.Running()) << left.Output();
    // The one left goes on to its main window, the only one.
    HWND window = nullptr;
    for (int attempt = 0; attempt < 400; ++attempt) {
      window = ::FindWindow("#32770", kStarterTitle);
      if (window && !line.empty()) break;
      // Past the intro: the main window answers Exit.
      if (window && ::GetDlgItem(window, IDC_EXIT)) break;
      ::Sleep(25);
    }
    ASSERT_NE(nullptr, window) << left.Output();
    EXPECT_TRUE(left.Running());
    EXPECT_TRUE(EndStarter(window));
    EXPECT_EQ(0, left.WaitForExit(kWaitMs)) << left.Output();
  }
  ResetWindows();
}

TEST(StarterProcess, TheMainProgramStartsItAgainWithoutItsIntro) {
  Environment env(CurrentTestName());
  platform::StartWindowTransport();
  ScopedVariable runSuite("VIDARRO_LAUNCH_RUN_SUITE", "1");
  ProgramProcess quillon;
  ASSERT_TRUE(quillon.Start("Quillon"));
  ASSERT_NE(nullptr, WaitForWindow("#32770", kProductTitle, kWaitMs)) << quillon.Output();
  int exitCode = -1;
  for (int attempt = 0; attempt < 100 && exitCode == -1; ++attempt) {
    if (HWND open = ::FindWindow("#32770", kProductTitle)) ::PostMessage(open, WM_CLOSE, 0, 0);
    exitCode = quillon.WaitForExit(200);
  }
  ASSERT_EQ(0, exitCode) << quillon.Output();
  HWND starter = WaitForWindow("#32770", kStarterTitle, kWaitMs);
  ASSERT_NE(nullptr, starter);
  bool started = false;
  for (const auto& record : platform::ReadLaunchRecords())
    started |= platform::FileNameOf(record.target) == "Lanvik" && record.parameters == "/NOINTRO";
  EXPECT_TRUE(started);
  EXPECT_TRUE(EndStarter(starter));
}

TEST(StarterProcess, PlaysAScriptThroughItsIntroAndMainWindowAndStartsTheWizard) {
  Environment env(CurrentTestName());
  const std::string script = env.Temp() + "starter.script";
  std::ofstream(script) << R"(program Lanvik
step "The intro shows" 20
  wait-window "Narvell Vidarro 5.0 Starter"
step "The main window starts the wizard" 20
  click 1003
step "The starter closes behind the wizard" 20
  wait-gone "Narvell Vidarro 5.0 Starter"
)";
  ScopedVariable named("VIDARRO_SCRIPT", script);
  ScopedVariable report("VIDARRO_SCRIPT_REPORT", env.Temp() + "report.txt");
  ProgramProcess starter;
  ASSERT_TRUE(starter.Start("Lanvik"));
  EXPECT_EQ(0, starter.WaitForExit(60000)) << starter.Output();
  std::string said;
  platform::ReadWholeFile(env.Temp() + "report.txt", &said);
  EXPECT_EQ(said,
            "Lanvik\tdone\tThe intro shows\nLanvik\tdone\tThe main window starts the wizard\n"
            "Lanvik\tdone\tThe starter closes behind the wizard\nLanvik\tfinished\t3\n");
  bool wizard = false;
  for (const auto& record : platform::ReadLaunchRecords())
    wizard |= platform::FileNameOf(record.target).rfind("Wendrel", 0) == 0;
  EXPECT_TRUE(wizard);
}

}  // namespace
}  // namespace starter
