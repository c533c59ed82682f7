// MPEG recordings (DVD, VCD, SVCD) killed eight seconds in: what is on disk reads at once, as
// long as it was recorded, without a repair.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "capture/capture_graph.h"
#include "capture/tests/graph_test_support.h"
#include "platform/testkit/killed_recording.h"

namespace {

// The files a recording named `base` ("x.mpg") writes: "x.mpg" or its parts "x_0.mpg", "x_1.mpg"...
std::vector<std::string> PartsOf(const std::string& base) {
  const std::string stem = base.substr(0, base.size() - 4);
  auto isPart = [&](const std::string& path) {
    if (path == base) return true;
    if (path.rfind(stem + "_", 0) != 0 || path.size() < stem.size() + 6) return false;
    const std::string number = path.substr(stem.size() + 1, path.size() - stem.size() - 5);
    return path.compare(path.size() - 4, 4, ".mpg") == 0 && !number.empty() &&
           number.find_first_not_of("0123456789") == std::string::npos;
  };
  std::vector<std::string> parts;
  for (const auto& entry : std::filesystem::directory_iterator(capture_test::Folder()))
    if (isPart(entry.path().string())) parts.push_back(entry.path().string());
  return parts;
}

TEST(WriterKillTest, MpegRecordingsKilledEightSecondsInReadAtOnce) {
  const struct {
    int streamType;
    const char* name;
  } writers[] = {{7, "dvd"}, {8, "dvdpal"}, {3, "vcd"}, {10, "svcdpal"}};
  for (const auto& w : writers) {
    SCOPED_TRACE(w.name);
    const std::string base = capture_test::Folder() + "killed_" + w.name + ".mpg";
    for (const std::string& left : PartsOf(base)) std::filesystem::remove(left);  // an earlier run's
    const int reached = testkit::RecordUntilKilled(8000, [&](const std::function<bool(int)>& tell) {
      platform::dshow::sim::Hardware::Instance().SetDevices(platform::dshow::sim::DefaultDevices());
      HWND window = capture_test::CreateNotifyWindow();
      platform::ManualClock clock(1000);
      platform::ScopedClock use(clock);
      CCaptureGraph graph;
      if (!window || !graph.OpenDevice(window, window, "Vidarro USB Video Capture", "Vidarro USB Audio Capture",
                                       w.streamType == 8 || w.streamType == 10 ? 16 : 1))
        return;
      MpegCaptureSettings s;
      s.fileName = base;
      s.streamType = w.streamType;
      s.videoBitRate = 2000000;
      s.maxFileSizeMB = 3896;
      if (!graph.StartMpegCapture(&s)) return;
      for (int t = 100;; t += 100) {
        clock.Advance(100);
        DWORD frames = 0;
        const int due = t * 25 / 1000;  // at least the PAL rate's pictures
        for (int i = 0; i < 2000 && frames < static_cast<DWORD>(due); ++i) {
          graph.WriterHelper().GetEncoderStatus(graph.MpegEncoder(), nullptr, &frames);
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (!tell(t)) return;
      }
    });
    ASSERT_GE(reached, 8000) << "the recording ended on its own";
    const std::vector<std::string> parts = PartsOf(base);
    ASSERT_EQ(parts.size(), 1u);
    const testkit::CutFile left = testkit::ReadCutFile(parts.front());
    ASSERT_TRUE(left.probed) << parts.front();
    EXPECT_GE(left.duration, 6.5) << parts.front();
    EXPECT_LE(left.duration, 11.0) << parts.front();
    EXPECT_EQ(left.decodeExit, 0) << left.errors;
  }
}

}  // namespace
