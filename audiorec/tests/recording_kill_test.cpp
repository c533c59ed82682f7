// A WMA recording killed at random moments: every cut file must time and decode in outside
// readers, because a crash is exactly when a user needs what was recorded.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>

#include "audiorec/tests/burn_test_support.h"
#include "audiorec/tests/engine_fixture.h"

namespace auvry::testing {
namespace {

// Records from the simulated input until killed, telling the parent each 100 ms of clock.
[[noreturn]] void RecordUntilKilled(const std::string& file, const std::string& profile, int progress) {
  platform::dshow::sim::Hardware::Instance().SetDevices(platform::dshow::sim::DefaultDevices());
  HWND window = CreateWindowEx(0, NotifyClass(), "notify", WS_POPUP, 0, 0, 40, 30, nullptr, nullptr, nullptr, nullptr);
  platform::ManualClock clock{1000};
  platform::ScopedClock use{clock};
  CAudioRecordGraph engine;
  WmvCaptureSettings request;
  request.fileName = file;
  request.profilePath = profile;
  if (!window || !engine.Open(window, "", kUsbAudio, 1) || !engine.StartPreview() || !engine.StartRecordWma(request))
    _exit(2);
  for (int ms = 100;; ms += 100) {
    clock.Advance(100);
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    if (write(progress, &ms, sizeof ms) != sizeof ms) _exit(3);
  }
}

// The end of the last packet ffprobe finds, in seconds.
double LastPacketEnd(const std::string& path) {
  std::string out;
  if (auvrytest::Run("ffprobe", {"-v", "error", "-show_entries", "packet=pts_time,duration_time", "-of", "csv=p=0",
                                 path},
                     &out) != 0)
    return -1;
  double end = -1;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    double pts = 0, duration = 0;
    if (std::sscanf(line.c_str(), "%lf,%lf", &pts, &duration) >= 1) end = std::max(end, pts + duration);
  }
  return end;
}

TEST(RecordingKillTest, AWmaRecordingKilledAnywhereTimesAndDecodes) {
  const std::string profile = WriteWmaProfile(Folder() + "QnProfileWMA.prx");
  ASSERT_FALSE(profile.empty());
  const unsigned seed = std::getenv("VIDARRO_SEED") ? std::atoi(std::getenv("VIDARRO_SEED")) : std::random_device{}();
  std::printf("seed %u\n", seed);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> moment(1500, 9000);
  for (int point = 0; point < 20; ++point) {
    const int target = moment(random);
    SCOPED_TRACE("killed at " + std::to_string(target) + " ms, seed " + std::to_string(seed));
    const std::string file = Folder() + "killed" + std::to_string(point) + ".wma";
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(pipeEnds[0]);
      RecordUntilKilled(file, profile, pipeEnds[1]);
    }
    close(pipeEnds[1]);
    int reached = 0;
    while (reached < target && read(pipeEnds[0], &reached, sizeof reached) == sizeof reached) {
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(pipeEnds[0]);
    ASSERT_GE(reached, target) << "the recording stopped on its own, status " << status;

    double seconds = 0;
    ASSERT_TRUE(auvrytest::Probe(file, &seconds)) << file;
    const double held = LastPacketEnd(file);
    ASSERT_GT(held, 0) << file;
    EXPECT_NEAR(seconds, held, 2.0) << file;
    std::string errors;
    const std::string upTo = std::to_string(std::max(held - 2.0, 0.1));
    EXPECT_EQ(auvrytest::Run("ffmpeg", {"-v", "error", "-xerror", "-i", file, "-t", upTo, "-f", "null", "-"}, &errors),
              0)
        << errors;
    EXPECT_EQ(errors, "") << file;
  }
}

}  // namespace
}  // namespace auvry::testing
