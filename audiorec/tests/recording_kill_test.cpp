// A WMA recording killed at random moments: every cut file must time and decode in outside
// readers.
#include <gtest/gtest.h>

#include <random>

#include "audiorec/tests/engine_fixture.h"
#include "platform/testkit/killed_recording.h"

namespace auvry::testing {
namespace {

TEST(RecordingKillTest, AWmaRecordingKilledAnywhereTimesAndDecodes) {
  const std::string profile = WriteWmaProfile(Folder() + "QnProfileWMA.prx");
  ASSERT_FALSE(profile.empty());
  const unsigned seed = testkit::KillSeed();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> moment(1500, 9000);
  for (int point = 0; point < 20; ++point) {
    const int target = moment(random);
    SCOPED_TRACE("killed at " + std::to_string(target) + " ms, seed " + std::to_string(seed));
    const std::string file = Folder() + "killed" + std::to_string(point) + ".wma";
    const int reached = testkit::RecordUntilKilled(target, [&](const std::function<bool(int)>& tell) {
      platform::dshow::sim::Hardware::Instance().SetDevices(platform::dshow::sim::DefaultDevices());
      HWND window =
          CreateWindowEx(0, NotifyClass(), "notify", WS_POPUP, 0, 0, 40, 30, nullptr, nullptr, nullptr, nullptr);
      platform::ManualClock clock{1000};
      platform::ScopedClock use{clock};
      CAudioRecordGraph engine;
      WmvCaptureSettings request;
      request.fileName = file;
      request.profilePath = profile;
      if (!window || !engine.Open(window, "", kUsbAudio, 1) || !engine.StartPreview() ||
          !engine.StartRecordWma(request))
        return;
      for (int ms = 100; tell(ms); ms += 100) {
        clock.Advance(100);
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
      }
    });
    ASSERT_GE(reached, target) << "the recording ended on its own";
    EXPECT_TRUE(testkit::TimedAndDecoded(file));
  }
}

}  // namespace
}  // namespace auvry::testing
