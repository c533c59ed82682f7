// A WMV recording holds as much sound as picture, as long as the recording lasted, whatever pace
// the source keeps: the box at its own rate, the box running free, the DV camcorder.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "capture/capture_graph.h"
#include "capture/dv_capture_graph.h"
#include "capture/tests/graph_test_support.h"
#include "capture/wmv_profile_info.h"
#include "platform/base/clock.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/stock_filters.h"

extern "C" {
#include <libavformat/avformat.h>
}

using namespace platform::dshow;

namespace {

using capture_test::Folder;

// Where each stream's packets begin and end on the file's time line, seconds, as a player reads
// it. (The sound encoder's priming samples put the first picture a sound frame after zero.)
struct Lengths {
  double pictureStart = 1e9, pictureEnd = 0, soundStart = 1e9, soundEnd = 0;
};

Lengths ReadLengths(const std::string& path) {
  Lengths l;
  AVFormatContext* input = nullptr;
  if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return l;
  avformat_find_stream_info(input, nullptr);
  AVPacket* packet = av_packet_alloc();
  while (av_read_frame(input, packet) >= 0) {
    const AVStream* st = input->streams[packet->stream_index];
    if (packet->pts != AV_NOPTS_VALUE) {
      const double start = static_cast<double>(packet->pts) * av_q2d(st->time_base);
      const double end = static_cast<double>(packet->pts + packet->duration) * av_q2d(st->time_base);
      const bool video = st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
      double& first = video ? l.pictureStart : l.soundStart;
      double& last = video ? l.pictureEnd : l.soundEnd;
      first = std::min(first, start);
      last = std::max(last, end);
    }
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  avformat_close_input(&input);
  return l;
}

// The shipped profiles' kinds: full and half size, 4:3 and 16:9, NTSC and PAL rates, the four
// video rates; all with 128 kb/s 48 kHz stereo sound.
struct ProfileCase {
  int width, height, kbps;
  double fps;
};
const ProfileCase kProfiles[] = {
    {640, 480, 1500, 29.97}, {640, 360, 1000, 25}, {352, 264, 500, 29.97}, {352, 198, 230, 25}};

std::string SaveProfile(const ProfileCase& p, const std::string& name) {
  CWmvProfileInfo info;
  WmvStreamParams params;
  params.width = p.width, params.height = p.height, params.videoKbps = p.kbps, params.frameRate = p.fps;
  params.audioKbps = 128, params.audioKhz = 48, params.channels = 2;
  const std::string path = Folder() + name;
  const bool saved = info.Init() && info.AddStream(2) && info.AddStream(1) && info.SetStreamParams(2, params) &&
                     info.SetStreamParams(1, params) && info.SaveProfile(path);
  return saved ? path : std::string();
}

class WmvLengthsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
    window = capture_test::CreateNotifyWindow();
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    sim::Hardware::SetFreeRunning(false);
    graph.CloseDevice();
    DestroyWindow(window);
  }
  bool Start(const std::string& profile, const std::string& file) {
    if (!graph.OpenDevice(window, window, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1)) return false;
    WmvCaptureSettings settings;
    settings.fileName = file;
    settings.profilePath = profile;
    return graph.StartWmvCapture(&settings);
  }
  static CRendererFilter* PreviewOf(IFilterGraph* graph) {
    CComPtr<IBaseFilter> renderer;
    graph->FindFilterByName("Video Render", &renderer);
    return dynamic_cast<CRendererFilter*>(AsBaseFilter(renderer));
  }
  // Moves device time on in steps, each once the preview (behind the writer on the tee) has
  // shown the step's pictures, one each `frame` (100-ns units).
  static void Pace(platform::ManualClock& clock, CRendererFilter* preview, int ms, long long frame = 333667) {
    ASSERT_NE(preview, nullptr);
    const long long start = preview->SamplesRendered();
    for (int t = 100; t <= ms; t += 100) {
      clock.Advance(100);
      for (int i = 0; i < 4000 && preview->SamplesRendered() < start + t * 10000LL / frame; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      std::this_thread::sleep_for(std::chrono::milliseconds(2));  // the sound block due now
    }
  }
  CCaptureGraph graph;
  HWND window = nullptr;
};

TEST_F(WmvLengthsTest, TheBoxAtItsOwnPaceGivesSoundAndPictureOfTheRecordingsLength) {
  int n = 0;
  for (const ProfileCase& p : kProfiles) {
    SCOPED_TRACE(std::to_string(p.width) + "x" + std::to_string(p.height) + " " + std::to_string(p.kbps));
    const std::string profile = SaveProfile(p, "lengths" + std::to_string(n) + ".prx");
    ASSERT_FALSE(profile.empty());
    const std::string file = Folder() + "paced" + std::to_string(n++) + ".wmv";
    const int ms = 1500 + 700 * n;
    {
      platform::ManualClock clock(1000);
      platform::ScopedClock use(clock);
      ASSERT_TRUE(Start(profile, file));
      Pace(clock, PreviewOf(graph.Graph()), ms);
      ASSERT_TRUE(graph.StopCapture());
      graph.CloseDevice();
    }
    const Lengths l = ReadLengths(file);
    EXPECT_NEAR(l.pictureEnd, l.soundEnd, 0.05);
    EXPECT_NEAR(l.pictureEnd, ms / 1000.0, 0.1);
    EXPECT_NEAR(l.soundEnd, ms / 1000.0, 0.1);
    EXPECT_LT(l.pictureStart, 0.05);
    EXPECT_LT(l.soundStart, 0.05);
  }
}

TEST_F(WmvLengthsTest, TheBoxRunningFreeGivesAsMuchSoundAsPicture) {
  sim::Hardware::SetFreeRunning(true);
  for (int n : {0, 2}) {
    const std::string profile = SaveProfile(kProfiles[n], "free" + std::to_string(n) + ".prx");
    ASSERT_FALSE(profile.empty());
    const std::string file = Folder() + "free" + std::to_string(n) + ".wmv";
    ASSERT_TRUE(Start(profile, file));
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    ASSERT_TRUE(graph.StopCapture());
    graph.CloseDevice();
    const Lengths l = ReadLengths(file);
    EXPECT_GT(l.pictureEnd, 0.5) << n;
    EXPECT_NEAR(l.pictureEnd, l.soundEnd, 0.05) << n;
    EXPECT_LT(l.pictureStart, 0.05) << n;
    EXPECT_LT(l.soundStart, 0.05) << n;
  }
}

// The camcorder's sound comes in its DV frames: both streams end together, NTSC and PAL, at
// the camcorder's pace or running free.
TEST_F(WmvLengthsTest, TheDvCamcordersRecordingEndsSoundAndPictureTogether) {
  for (const bool pal : {false, true}) {
    SCOPED_TRACE(pal ? "PAL" : "NTSC");
    if (pal)
      sim::Hardware::Instance().Update("DVCAM", [](sim::DeviceDesc& d) {
        d.formats = {{720, 576, 400000, MEDIASUBTYPE_dvsd}};
      });
    const std::string profile = SaveProfile(kProfiles[pal ? 1 : 0], pal ? "dvpal.prx" : "dvntsc.prx");
    ASSERT_FALSE(profile.empty());
    const std::string file = Folder() + (pal ? "dv_pal.wmv" : "dv_ntsc.wmv");
    constexpr int kMs = 2400;
    {
      platform::ManualClock clock;
      platform::ScopedClock use(clock);
      CDvCaptureGraph dv;
      ASSERT_TRUE(dv.OpenDv(window, window, "Vidarro DV Camcorder"));
      WmvCaptureSettings settings;
      settings.fileName = file;
      settings.profilePath = profile;
      ASSERT_TRUE(dv.StartWmvCapture(&settings));
      Pace(clock, PreviewOf(dv.Graph()), kMs, pal ? 400000 : 333667);
      ASSERT_TRUE(dv.StopDvCapture());
      dv.Close();
    }
    const Lengths l = ReadLengths(file);
    EXPECT_NEAR(l.pictureEnd, l.soundEnd, 0.05);
    EXPECT_NEAR(l.pictureEnd, kMs / 1000.0, 0.1);
  }
  sim::Hardware::SetFreeRunning(true);
  const std::string file = Folder() + "dv_free.wmv";
  {
    CDvCaptureGraph dv;
    ASSERT_TRUE(dv.OpenDv(window, window, "Vidarro DV Camcorder"));
    WmvCaptureSettings settings;
    settings.fileName = file;
    settings.profilePath = SaveProfile(kProfiles[2], "dvfree.prx");
    ASSERT_TRUE(dv.StartWmvCapture(&settings));
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    ASSERT_TRUE(dv.StopDvCapture());
    dv.Close();
  }
  const Lengths l = ReadLengths(file);
  EXPECT_GT(l.pictureEnd, 0.5);
  EXPECT_NEAR(l.pictureEnd, l.soundEnd, 0.05);
}

}  // namespace
