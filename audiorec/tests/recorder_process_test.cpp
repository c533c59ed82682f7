// The real program: a suite window already open, a missing UI library, and a whole run that
// saves its settings and starts the starter again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <chrono>
#include <filesystem>
#include <thread>

#include "audiorec/recorder_app.h"
#include "audiorec/recorder_settings.h"
#include "platform/base/paths.h"
#include "platform/filters/recording_recovery.h"
#include "platform/base/process.h"
#include "platform/registry/registry.h"
#include "platform/testkit/testkit.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"
#include "resources/auvry_ids.h"
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

TEST(RecorderProcess, AQuitMessageWhileRecordingEndsTheProgramWellWithAReadableRecording) {
  Environment env(CurrentTestName());
  ScopedVariable simulated("VIDARRO_SIMULATED_AUDIO", "1");
  platform::StartWindowTransport();
  ProgramProcess recorder;
  ASSERT_TRUE(recorder.Start("Auvry"));
  HWND window = WaitForWindow("#32770", kProgramTitle, kWaitMs);
  ASSERT_NE(nullptr, window) << recorder.Output();
  ::PostMessage(window, WM_COMMAND, MAKEWPARAM(IDC_AUVRY_RECORD, BN_CLICKED), 0);
  std::this_thread::sleep_for(std::chrono::seconds(3));
  // As the script player and the end of a desktop session end a program.
  ::PostMessage(window, WM_QUIT, 0, 0);
  ASSERT_EQ(0, recorder.WaitForExit(kWaitMs)) << recorder.Output();
  std::string folder;
  char stored[REG_READ_STRING_SIZE] = {};
  if (RegReadString(HKEY_CURRENT_USER, kProductKey, "AudioOutFolder", stored, nullptr)) folder = stored;
  if (folder.empty()) folder = env.Documents() + "Vidarro/Capture/";
  std::vector<std::string> recordings;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().extension() == ".wma") recordings.push_back(entry.path().string());
  ASSERT_EQ(recordings.size(), 1u) << folder;
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffmpeg", {"-v", "error", "-xerror", "-i", recordings[0], "-f", "null", "-"}, &out, &err, &code,
                       60000);
  EXPECT_EQ(code, 0) << err;
  EXPECT_TRUE(platform::filters::RecordingJournal(folder).Unfinished().empty());
}

}  // namespace
}  // namespace auvry
