// The real program: a suite window already open, a missing UI library, and a whole run that
// saves its settings and starts the starter again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "audiorec/recorder_app.h"
#include "audiorec/recorder_settings.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/registry/registry.h"
#include "platform/testkit/testkit.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"
#include "widgets/reg_helpers.h"

namespace auvry {
namespace {

using namespace testkit;

constexpr DWORD kWaitMs = 20000;

bool StarterLaunched() {
  bool started = false;
  for (const auto& record : platform::ReadLaunchRecords())
    started |= platform::FileNameOf(record.target) == "Lanvik" && record.parameters == "/NOINTRO";
  return started;
}

TEST(RecorderProcess, AnOpenWindowOfTheSuiteStopsTheStart) {
  Environment env(CurrentTestName());
  platform::StartWindowTransport();
  RegWriteString(HKEY_LOCAL_MACHINE, kProductKey, "WizardName", "Narvell Vidarro 5.0 Wizard");
  HWND wizard = ::CreateWindowEx(0, "#32770", "Narvell Vidarro 5.0 Wizard", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100,
                                 nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, wizard);
  ProgramProcess recorder;
  ASSERT_TRUE(recorder.Start("Auvry"));
  EXPECT_EQ(0, recorder.WaitForExit(kWaitMs)) << recorder.Output();
  EXPECT_TRUE(platform::ReadLaunchRecords().empty());
  ::DestroyWindow(wizard);
  ResetWindows();
}

TEST(RecorderProcess, WithoutTheUiLibraryItSaysSoAndFails) {
  Environment env(CurrentTestName());
  platform::StartWindowTransport();
  const std::string folder = CopyProgramAlone(env, {"Auvry", "Auvry.so"});
  ScopedVariable appFolder("VIDARRO_APP_DIR", folder);
  ProgramProcess recorder;
  ASSERT_TRUE(recorder.Start(folder + "Auvry"));
  HWND box = WaitForWindow("#32770", kProgramTitle, kWaitMs);
  ASSERT_NE(nullptr, box) << recorder.Output();
  ::PostMessage(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(1, recorder.WaitForExit(kWaitMs)) << recorder.Output();
  EXPECT_FALSE(StarterLaunched());
}

TEST(RecorderProcess, ARunSavesItsSettingsAndStartsTheStarterWithoutItsIntro) {
  Environment env(CurrentTestName());
  ScopedVariable simulated("VIDARRO_SIMULATED_AUDIO", "1");
  platform::StartWindowTransport();
  ProgramProcess recorder;
  ASSERT_TRUE(recorder.Start("Auvry"));
  ASSERT_NE(nullptr, WaitForWindow("#32770", kProgramTitle, kWaitMs)) << recorder.Output();
  int exitCode = -1;
  for (int attempt = 0; attempt < 100 && exitCode == -1; ++attempt) {
    if (HWND open = ::FindWindow("#32770", kProgramTitle)) ::PostMessage(open, WM_CLOSE, 0, 0);
    exitCode = recorder.WaitForExit(200);
  }
  ASSERT_EQ(0, exitCode) << recorder.Output();
  EXPECT_TRUE(StarterLaunched());
  for (const char* name : {"Volume", "bNoiseReduction", "NoiseReductionValue", "bNoAudioStreamRender"}) {
    DWORD value = 0xDEAD;
    EXPECT_TRUE(RegReadDword(HKEY_CURRENT_USER, kProductKey, name, &value, REG_READ_NO_DEFAULT)) << name;
  }
  const RecorderSettings saved = LoadRecorderSettings();
  EXPECT_EQ(10u, saved.volume);
  EXPECT_EQ(150u, saved.noiseReductionValue);
  EXPECT_EQ(1u, saved.noAudioStreamRender);
}

// Settings damaged beyond the backup: the recorder says once where they were kept, starts on
// defaults and saves again; the next start says nothing.
TEST(RecorderProcess, DamagedSettingsAreKeptAsideToldOnceAndSavedAgain) {
  Environment env(CurrentTestName());
  ScopedVariable simulated("VIDARRO_SIMULATED_AUDIO", "1");
  // A short folder, as a user's is: the message names the damaged file's whole path.
  const std::string registry = platform::WithTrailingSlash(env.Runtime()) + "registry/";
  platform::CreateFolders(registry);
  ScopedVariable settings("VIDARRO_REGISTRY_DIR", registry);
  std::ofstream(registry + "HKEY_CURRENT_USER.reg") << "\x7f\x01 not a settings file";
  const std::string script = env.Home() + "damaged.script";
  std::ofstream(script) << "program Auvry\n"
                           "step \"The damaged settings are told\" 60\n"
                           "  wait-message \"The settings file was damaged\"\n"
                           "step \"The message is closed\" 30\n"
                           "  answer ok\n"
                           "step \"The window shows and closes\" 60\n"
                           "  wait-window \""
                        << kProgramTitle
                        << "\"\n"
                           "  close\n";
  const std::string report = env.Home() + "report";
  {
    ScopedVariable playing("VIDARRO_SCRIPT", script);
    ScopedVariable reported("VIDARRO_SCRIPT_REPORT", report);
    ScopedVariable pictures("VIDARRO_SCRIPT_PICTURES", PictureFolder());
    ProgramProcess recorder;
    ASSERT_TRUE(recorder.Start("Auvry"));
    EXPECT_EQ(0, recorder.WaitForExit(120000)) << recorder.Output();
  }
  std::string told;
  platform::ReadWholeFile(report, &told);
  EXPECT_NE(std::string::npos, told.find("finished\t3")) << told;
  bool keptAside = false;
  for (const auto& entry : std::filesystem::directory_iterator(registry))
    keptAside |= entry.path().filename().string().rfind("HKEY_CURRENT_USER.damaged", 0) == 0;
  EXPECT_TRUE(keptAside);
  DWORD volume = 0;
  EXPECT_TRUE(RegReadDword(HKEY_CURRENT_USER, kProductKey, "Volume", &volume, REG_READ_NO_DEFAULT));
  EXPECT_EQ(10u, volume);

  // Started again, the recorder goes straight to its window.
  ProgramProcess again;
  ASSERT_TRUE(again.Start("Auvry"));
  HWND window = WaitForWindow("#32770", kProgramTitle, kWaitMs);
  ASSERT_NE(nullptr, window) << again.Output();
  ::PostMessage(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, again.WaitForExit(kWaitMs)) << again.Output();
}

}  // namespace
}  // namespace auvry
