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

std::string Ffprobe(const std::string& entries, const std::string& file) {
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffprobe",
                       {"-v", "error", "-select_streams", "v:0", "-show_entries", entries, "-of", "csv=p=0", file},
                       &out, &err, &code, 60000);
  // Lines end with the separator of an empty side-data field on some versions.
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ',')) out.pop_back();
  return out;
}

// A PAL box recorded as DVD at each resolution level: full D1, half D1 and SIF, all at 25
// pictures a second, as an outside reader sees them.
TEST(CapturePeerTest, FfprobeReadsPalDvdAtEveryResolutionLevel) {
  auto devices = sim::DefaultDevices();
  devices[0].formats = {{720, 576, 400000, MEDIASUBTYPE_YUY2}};
  sim::Hardware::Instance().SetDevices(devices);
  struct Level {
    int level;
    const char* size;
  };
  for (const Level& l : {Level{2, "720,576"}, Level{1, "352,576"}, Level{0, "352,288"}}) {
    platform::ManualClock clock(1000);
    platform::ScopedClock use(clock);
    CCaptureGraph graph;
    ASSERT_TRUE(graph.OpenDevice(nullptr, nullptr, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1));
    MpegCaptureSettings settings;
    settings.fileName = std::string(std::getenv("TMPDIR")) + "/pal_" + std::to_string(l.level) + ".mpg";
    settings.streamType = 8;
    settings.resolutionLevel = l.level;
    settings.videoBitRate = 4000000;
    ASSERT_TRUE(graph.StartMpegCapture(&settings));
    // A second of pictures, each step waiting until the encoder has taken its share.
    for (int t = 100; t <= 1000; t += 100) {
      clock.Advance(100);
      DWORD frames = 0;
      for (int i = 0; i < 2000 && frames < static_cast<DWORD>(t / 40); ++i) {
        graph.WriterHelper().GetEncoderStatus(graph.MpegEncoder(), nullptr, &frames);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    ASSERT_TRUE(graph.StopCapture());
    graph.CloseDevice();
    const std::string part = std::string(std::getenv("TMPDIR")) + "/pal_" + std::to_string(l.level) + "_0.mpg";
    EXPECT_EQ(Ffprobe("stream=codec_name,width,height,r_frame_rate", part),
              std::string("mpeg2video,") + l.size + ",25/1")
        << "level " << l.level;
  }
}

}  // namespace
