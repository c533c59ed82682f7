// The capture graph's AVI read back by MediaInfo.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "capture/capture_graph.h"
#include "platform/base/clock.h"
#include "platform/base/process.h"
#include "platform/dshow/sim_hardware.h"

using namespace platform::dshow;

namespace {

std::string MediaInfo(const std::string& inform, const std::string& file) {
  std::string out, err;
  int code = -1;
  platform::RunProcess("mediainfo", {"--Inform=" + inform, file}, &out, &err, &code, 60000);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

TEST(CapturePeerTest, MediaInfoReadsTheAvi) {
  auto devices = sim::DefaultDevices();
  devices[0].formats = {{352, 240, 333667, MEDIASUBTYPE_YUY2}};
  sim::Hardware::Instance().SetDevices(devices);
  platform::ManualClock clock(1000);
  platform::ScopedClock use(clock);
  CCaptureGraph graph;
  ASSERT_TRUE(graph.OpenDevice(nullptr, nullptr, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1));
  AviCaptureSettings settings;
  settings.fileName = std::string(std::getenv("TMPDIR")) + "/peer.avi";
  ASSERT_TRUE(graph.StartAviCapture(&settings));
  for (int t = 0; t < 1000; t += 100) {
    clock.Advance(100);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(graph.StopCapture());
  graph.CloseDevice();
  EXPECT_EQ(MediaInfo("General;%Format%", settings.fileName), "AVI");
  EXPECT_EQ(MediaInfo("Video;%Width%x%Height%", settings.fileName), "352x240");
  EXPECT_EQ(MediaInfo("Audio;%Format% %SamplingRate% %Channels%", settings.fileName), "PCM 48000 2");
}

}  // namespace
