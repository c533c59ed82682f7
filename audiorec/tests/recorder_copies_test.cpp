// The real program started more than once: copies started together in one session leave one
// running and lose nothing, and copies in two sessions sharing a documents folder keep every
// recording.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdlib.h>

#include "audiorec/recorder_app.h"
#include "audiorec/tests/burn_test_support.h"
#include "platform/base/paths.h"
#include "platform/testkit/testkit.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"
#include "resources/auvry_ids.h"

namespace auvry {
namespace {

using namespace testkit;
namespace fs = std::filesystem;

constexpr DWORD kWaitMs = 30000;

std::vector<std::string> Recordings(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error))
    if (entry.path().extension() == ".wma") found.push_back(entry.path().string());
  std::sort(found.begin(), found.end());
  return found;
}

std::string CaptureFolder(const Environment& env) { return env.Documents() + "Vidarro/Capture/"; }

// Every recording left decodes as at least `seconds` of sound.
void ExpectPlayable(const std::vector<std::string>& files, double seconds) {
  for (const std::string& file : files) {
    double duration = 0;
    EXPECT_TRUE(auvrytest::Probe(file, &duration)) << file;
    EXPECT_GE(duration, seconds) << file;
  }
}

TEST(RecorderCopies, CopiesStartedTogetherLeaveOneRunningAndItsRecordingIsKept) {
  Environment env(CurrentTestName());
  ScopedVariable simulated("VIDARRO_SIMULATED_AUDIO", "1");
  platform::StartWindowTransport();
  ProgramProcess first, second;
  ASSERT_TRUE(first.Start("Auvry"));
  ASSERT_TRUE(second.Start("Auvry"));
  HWND window = WaitForWindow("#32770", kProgramTitle, kWaitMs);
  ASSERT_NE(nullptr, window) << first.Output() << second.Output();

  // The later copy brings the running one forward and ends without a word.
  ProgramProcess* running = nullptr;
  for (int attempt = 0; attempt < 150 && !running; ++attempt) {
    if (first.WaitForExit(100) != -1) running = &second;
    else if (second.WaitForExit(100) != -1) running = &first;
  }
  ASSERT_NE(nullptr, running) << "both copies still run";
  ProgramProcess& ended = running == &first ? second : first;
  EXPECT_EQ(0, ended.WaitForExit(0)) << ended.Output();
  EXPECT_TRUE(running->Running());
  EXPECT_EQ(window, ::FindWindow("#32770", kProgramTitle));

  ::PostMessage(window, WM_COMMAND, IDC_AUVRY_RECORD, 0);
  const std::string folder = CaptureFolder(env);
  ASSERT_TRUE(auvrytest::WaitFor([&] {
    const auto files = Recordings(folder);
    std::error_code error;
    return files.size() == 1 && fs::file_size(files[0], error) > 40000;
  })) << running->Output();
  ::PostMessage(window, WM_COMMAND, IDC_AUVRY_STOP, 0);
  EXPECT_EQ(0, running->CloseAndWait(kProgramTitle)) << running->Output();
  const auto files = Recordings(folder);
  ASSERT_EQ(1u, files.size());
  ExpectPlayable(files, 1.0);
}

// Two sessions of one user (two desktops, say): each runs its own copy, and both record into
// the same folder at the same moment.
TEST(RecorderCopies, CopiesInTwoSessionsRecordingTogetherKeepBothRecordings) {
  Environment env(CurrentTestName());
  ScopedVariable simulated("VIDARRO_SIMULATED_AUDIO", "1");
  const std::string script = env.Home() + "record.script";
  std::ofstream(script) << R"(program Auvry
step "Record two seconds" 60
  wait-window "Narvell Vidarro 5.0"
  click 1019
  wait-text 1029 "00 : 00 : 02"
  click 1020
  wait-shown 1019
step "Close" 60
  close
)";
  ScopedVariable playing("VIDARRO_SCRIPT", script);
  // A runtime folder of its own, short as the sockets under it need.
  char pattern[] = "/tmp/vidarro-session-XXXXXX";
  ASSERT_NE(nullptr, ::mkdtemp(pattern));
  const std::string otherSession = pattern;
  ProgramProcess here, there;
  {
    ScopedVariable report("VIDARRO_SCRIPT_REPORT", env.Home() + "here.report");
    ASSERT_TRUE(here.Start("Auvry"));
  }
  {
    ScopedVariable report("VIDARRO_SCRIPT_REPORT", env.Home() + "there.report");
    ScopedVariable runtime("XDG_RUNTIME_DIR", otherSession);
    ASSERT_TRUE(there.Start("Auvry"));
  }
  EXPECT_EQ(0, here.WaitForExit(120000)) << here.Output();
  EXPECT_EQ(0, there.WaitForExit(120000)) << there.Output();
  fs::remove_all(otherSession);
  const auto files = Recordings(CaptureFolder(env));
  EXPECT_EQ(2u, files.size());
  ExpectPlayable(files, 1.5);
}

}  // namespace
}  // namespace auvry
