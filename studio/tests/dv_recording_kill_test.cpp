// A DV-AVI recording killed at random moments: every frame of the cut file decodes, and once the
// next start has repaired it, outside readers time it.
#include <gtest/gtest.h>

#include <random>

#include "capture/tests/graph_test_support.h"
#include "platform/filters/recording_recovery.h"
#include "platform/testkit/killed_recording.h"

namespace {

TEST(DvRecordingKillTest, ADvAviRecordingKilledAnywhereTimesAndDecodes) {
  const unsigned seed = testkit::KillSeed();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> moment(1500, 9000);
  for (int point = 0; point < 20; ++point) {
    const int target = moment(random);
    SCOPED_TRACE("killed at " + std::to_string(target) + " ms, seed " + std::to_string(seed));
    const std::string file = capture_test::Folder() + "killed" + std::to_string(point) + ".avi";
    const int reached = testkit::RecordUntilKilled(target, [&](const std::function<bool(int)>& tell) {
      platform::dshow::sim::Hardware::Instance().SetDevices(platform::dshow::sim::DefaultDevices());
      HWND window = capture_test::CreateNotifyWindow();
      platform::ManualClock clock;
      platform::ScopedClock use(clock);
      CDvCaptureGraph graph;
      if (!window || !graph.OpenDv(window, window, "Vidarro DV Camcorder") || !graph.StartDvCapture(file)) return;
      platform::dshow::CRendererFilter* preview = capture_test::FindRenderer(graph.Graph(), "Video Render");
      if (!preview) return;
      for (int frame = 1;; ++frame) {
        capture_test::AdvanceUntilRendered(clock, preview, 33, 1, [] {});
        if (!tell(frame * 1001 / 30)) return;
      }
    });
    ASSERT_GE(reached, target) << "the recording ended on its own";
    const testkit::CutFile left = testkit::ReadCutFile(file);
    EXPECT_EQ(left.decodeExit, 0) << left.errors;
    // Readers time the file as the kill left it, before any repair.
    EXPECT_TRUE(testkit::TimedAndDecoded(file)) << "as the kill left it";
    ASSERT_TRUE(platform::filters::RepairRecording(file)) << file;
    EXPECT_TRUE(testkit::TimedAndDecoded(file));
  }
}

}  // namespace
