#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "capture/capture_graph.h"
#include "platform/base/clock.h"
#include "platform/base/file.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"

extern "C" {
#include <libavformat/avformat.h>
}

using namespace platform::dshow;

namespace {

const char* NotifyClass() {
  static bool once = [] {
    WNDCLASS wc;
    wc.lpszClassName = "CaptureNotify";
    wc.lpfnWndProc = DefWindowProc;
    return RegisterClass(&wc) != 0;
  }();
  (void)once;
  return "CaptureNotify";
}

std::string Folder() { return std::string(std::getenv("TMPDIR")) + "/"; }

struct StopMessages {
  int count = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

class CaptureRecordingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    devices = sim::DefaultDevices();
    devices[0].formats = {{352, 240, 333667, MEDIASUBTYPE_YUY2}};
    sim::Hardware::Instance().SetDevices(devices);
    window = CreateWindowEx(0, NotifyClass(), "notify", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    graph.CloseDevice();
    DestroyWindow(window);
  }
  void Use(const sim::DeviceDesc& box) {
    devices[0] = box;
    sim::Hardware::Instance().SetDevices(devices);
  }
  std::string Dump() { return DumpGraph(graph.Graph()); }
  StopMessages Collect(UINT message) {
    StopMessages got;
    MSG m;
    while (PeekMessage(&m, window, message, message, PM_REMOVE)) {
      ++got.count;
      got.wParam = m.wParam;
      got.lParam = m.lParam;
    }
    return got;
  }
  // Moves device time on until the encoder has taken ms worth of pictures (less those a
  // negative time offset drops).
  void Advance(platform::ManualClock& clock, int ms, int offsetMs = 0) {
    for (int t = 100; t <= ms; t += 100) {
      clock.Advance(100);
      DWORD frames = 0;
      const int due = std::max(0, (t + offsetMs) * 30 / 1001);
      for (int i = 0; i < 2000 && frames < static_cast<DWORD>(due); ++i) {
        graph.WriterHelper().GetEncoderStatus(graph.MpegEncoder(), nullptr, &frames);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
  }
  MpegCaptureSettings DvdSettings(const std::string& name) {
    MpegCaptureSettings s;
    s.fileName = Folder() + name;
    s.streamType = 7;
    s.resolutionLevel = 0;
    s.videoBitRate = 2000000;
    s.maxFileSizeMB = 3896;
    return s;
  }

  std::vector<sim::DeviceDesc> devices;
  HWND window = nullptr;
  CCaptureGraph graph;
};

TEST_F(CaptureRecordingTest, PreviewTopologiesFollowTheDevice) {
  // A USB box without its own pin: sound from its partner through the renderer.
  ASSERT_TRUE(graph.OpenDevice(window, window, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1));
  EXPECT_EQ(graph.DeviceKind(), 2);
  ASSERT_TRUE(graph.StartPreview());
  std::string dump = Dump();
  for (const char* name :
       {"Qn Space Color Converter", "Video Render", "ACM Wapper", "Audio Analyzer", "DSound Audio Render"})
    EXPECT_NE(dump.find(name), std::string::npos) << name << "\n" << dump;
  EXPECT_EQ(dump.find("NULL Renderer"), std::string::npos);
  graph.CloseDevice();

  // A plain card measures its sound into "NULL Renderer"; erase lines come first.
  auto card = devices[0];
  card.kind = sim::DeviceKind::AnalogCard;
  card.name = "Vidarro Analog Card";
  Use(card);
  graph.SetEraseLines(4);
  ASSERT_TRUE(graph.OpenDevice(window, window, "Vidarro Analog Card", "Vidarro USB Audio Capture", 1));
  EXPECT_EQ(graph.DeviceKind(), 1);
  ASSERT_TRUE(graph.StartPreview());
  dump = Dump();
  EXPECT_NE(dump.find("NULL Renderer"), std::string::npos) << dump;
  EXPECT_NE(dump.find("Erase Line"), std::string::npos) << dump;
  EXPECT_EQ(dump.find("DSound Audio Render"), std::string::npos);
  graph.CloseDevice();
  graph.SetEraseLines(0);

  // A video-port device previews through the overlay mixer without sound.
  card.vpPin = true;
  Use(card);
  ASSERT_TRUE(graph.OpenDevice(window, window, "Vidarro Analog Card", "Vidarro USB Audio Capture", 1));
  ASSERT_TRUE(graph.StartPreview());
  dump = Dump();
  EXPECT_NE(dump.find("Overlay Mixer"), std::string::npos) << dump;
  EXPECT_EQ(dump.find("Audio Analyzer"), std::string::npos);
  graph.CloseDevice();

  // No sound at all ("NULL"): the picture alone.
  card.vpPin = false;
  Use(card);
  ASSERT_TRUE(graph.OpenDevice(window, window, "Vidarro Analog Card", "NULL", 1));
  ASSERT_TRUE(graph.StartPreview());
  dump = Dump();
  EXPECT_NE(dump.find("Video Render"), std::string::npos);
  EXPECT_EQ(dump.find("ACM Wapper"), std::string::npos);
  EXPECT_FALSE(graph.OpenDevice(window, window, "x", "y", 1) == FALSE);  // already open: TRUE
  graph.CloseDevice();
  EXPECT_FALSE(graph.OpenDevice(window, window, "No Such Device", "NULL", 1));
  EXPECT_FALSE(graph.OpenDevice(window, window, "Vidarro DV Camcorder", "NULL", 1));
}

TEST_F(CaptureRecordingTest, MpegRecordingPostsOneStopMessageWithItsParts) {
  platform::ManualClock clock(1000);
  platform::ScopedClock use(clock);
  graph.SetTimeOffset(-500);
  ASSERT_TRUE(graph.OpenDevice(window, window, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1));
  ASSERT_TRUE(graph.StartPreview());
  const MpegCaptureSettings settings = DvdSettings("rec.mpg");
  ASSERT_TRUE(graph.StartMpegCapture(&settings));
  EXPECT_TRUE(graph.IsCapturing());
  EXPECT_EQ(graph.CaptureMode(), 17);
  const std::string dump = Dump();
  EXPECT_NE(dump.find("TimeOffset Video"), std::string::npos) << dump;
  EXPECT_NE(dump.find("TimeOffset Audio"), std::string::npos);
  EXPECT_NE(dump.find("InfTee Audio"), std::string::npos);
  EXPECT_TRUE(graph.StartMpegCapture(&settings));  // while recording: TRUE, nothing changes
  Advance(clock, 1500, -500);
  ASSERT_TRUE(graph.StopCaptureToPreview());
  EXPECT_TRUE(graph.IsPreviewing());
  const StopMessages got = Collect(WM_USER + 73);
  EXPECT_EQ(got.count, 1);
  EXPECT_EQ(got.wParam, 16u);
  EXPECT_EQ(got.lParam, 1);
  EXPECT_GT(platform::FileSize(Folder() + "rec_0.mpg"), 100000);
  ASSERT_TRUE(graph.StopCapture());
  EXPECT_EQ(Collect(WM_USER + 73).count, 0);  // stopping a preview posts nothing
}

TEST_F(CaptureRecordingTest, AFailedRunReturnsFalseAndLeavesThePreviewPossible) {
  platform::ManualClock clock(1000);
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenDevice(window, window, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1));
  const MpegCaptureSettings settings = DvdSettings("no/such/folder/rec.mpg");
  EXPECT_FALSE(graph.StartMpegCapture(&settings));
  EXPECT_FALSE(graph.IsCapturing());
  EXPECT_EQ(Dump().find("Qn MPEG Encoder"), std::string::npos);
  EXPECT_TRUE(graph.StopCapture());
  EXPECT_EQ(Collect(WM_USER + 73).count, 0);
  EXPECT_TRUE(graph.StartPreview());
}

TEST_F(CaptureRecordingTest, VideoOnlyDeviceRecordsItsPictureAlone) {
  platform::ManualClock clock(1000);
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenDevice(window, window, "Vidarro USB Video Capture", "NULL", 1));
  const MpegCaptureSettings settings = DvdSettings("mute.mpg");
  ASSERT_TRUE(graph.StartMpegCapture(&settings));
  EXPECT_EQ(Dump().find("Audio Analyzer"), std::string::npos);
  Advance(clock, 500);
  ASSERT_TRUE(graph.StopCapture());
  EXPECT_EQ(Collect(WM_USER + 73).count, 1);
  EXPECT_GT(platform::FileSize(Folder() + "mute_0.mpg"), 10000);
}

TEST_F(CaptureRecordingTest, AnUnpluggedDeviceEndsTheRecordingWithOneMessage) {
  platform::ManualClock clock(1000);
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenDevice(window, window, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1));
  const MpegCaptureSettings settings = DvdSettings("lost.mpg");
  ASSERT_TRUE(graph.StartMpegCapture(&settings));
  Advance(clock, 300);
  sim::Hardware::Instance().Unplug("USBBOX");
  EXPECT_EQ(graph.HandleGraphEvents(), EC_DEVICE_LOST);
  EXPECT_FALSE(graph.IsOpen());
  EXPECT_EQ(Collect(WM_USER + 73).count, 1);
  sim::Hardware::Instance().Plug("USBBOX");
}

struct AviFacts {
  int streams = 0;
  std::string video, audio;
  int width = 0;
  long long videoPackets = 0;
};

AviFacts ReadAvi(const std::string& path) {
  AviFacts facts;
  AVFormatContext* input = nullptr;
  if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return facts;
  avformat_find_stream_info(input, nullptr);
  facts.streams = static_cast<int>(input->nb_streams);
  for (unsigned i = 0; i < input->nb_streams; ++i) {
    const AVCodecParameters* p = input->streams[i]->codecpar;
    if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
      facts.video = avcodec_get_name(p->codec_id);
      facts.width = p->width;
    } else {
      facts.audio = avcodec_get_name(p->codec_id);
    }
  }
  AVPacket* packet = av_packet_alloc();
  while (av_read_frame(input, packet) >= 0) {
    if (input->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) ++facts.videoPackets;
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  avformat_close_input(&input);
  return facts;
}

TEST_F(CaptureRecordingTest, AviRecordingSwitchesFilesAndPostsItsMessage) {
  platform::ManualClock clock(1000);
  platform::ScopedClock use(clock);
  graph.SetTimeOffset(-500);  // never applied to AVI
  ASSERT_TRUE(graph.OpenDevice(window, window, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1));
  AviCaptureSettings settings;
  settings.fileName = Folder() + "first.avi";
  ASSERT_TRUE(graph.StartAviCapture(&settings));
  EXPECT_EQ(graph.CaptureMode(), 16);
  const std::string dump = Dump();
  EXPECT_EQ(dump.find("TimeOffset"), std::string::npos);
  EXPECT_NE(dump.find("Avi Mux"), std::string::npos);
  EXPECT_NE(dump.find("File Writer"), std::string::npos);
  auto pace = [&](int ms) {
    for (int t = 0; t < ms; t += 100) {
      clock.Advance(100);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  };
  pace(600);
  EXPECT_FALSE(graph.SetAviOutputFile(nullptr));
  ASSERT_TRUE(graph.SetAviOutputFile((Folder() + "second.avi").c_str()));
  pace(600);
  ASSERT_TRUE(graph.StopCapture());
  const StopMessages got = Collect(WM_USER + 74);
  EXPECT_EQ(got.count, 1);
  EXPECT_EQ(got.wParam, 16u);
  const AviFacts first = ReadAvi(Folder() + "first.avi");
  const AviFacts second = ReadAvi(Folder() + "second.avi");
  for (const AviFacts* f : {&first, &second}) {
    EXPECT_EQ(f->streams, 2);
    EXPECT_EQ(f->video, "rawvideo");
    EXPECT_EQ(f->audio, "pcm_s16le");
    EXPECT_EQ(f->width, 352);
    EXPECT_GT(f->videoPackets, 5);
  }
}

}  // namespace
