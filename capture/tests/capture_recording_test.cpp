#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "capture/capture_graph.h"
#include "capture/tests/graph_test_support.h"
#include "capture/wmv_profile_info.h"
#include "mpegdec/video_decoder.h"
#include "platform/base/clock.h"
#include "platform/base/file.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/sim_pattern.h"
#include "platform/dshow/stock_filters.h"
#include "platform/dshow/transform_filter.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"
#include "platform/window/window_surface.h"

extern "C" {
#include <libavformat/avformat.h>
}

using namespace platform::dshow;

namespace {

using capture_test::Folder;

// The frame code of a decoded thumbnail: its green channel stands in for the luma.
long long FirstPictureCode(const MpegThumbnail& picture) {
  const int stride = (picture.width * 3 + 3) & ~3;
  std::vector<std::uint8_t> luma(static_cast<std::size_t>(picture.width) * picture.height);
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x)
      luma[static_cast<std::size_t>(y) * picture.width + x] =
          picture.bitmap[54 + static_cast<std::size_t>(picture.height - 1 - y) * stride + x * 3 + 1];
  return sim::ReadFrameCode(luma.data(), picture.width, picture.height, picture.width);
}

// Writes past `bytes` fail with EFBIG for the scope's life (a full disk) instead of raising SIGXFSZ.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, old_.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = SIG_DFL;
};

class CaptureRecordingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    devices = sim::DefaultDevices();
    devices[0].formats = {{352, 240, 333667, MEDIASUBTYPE_YUY2}};
    sim::Hardware::Instance().SetDevices(devices);
    window = capture_test::CreateNotifyWindow();
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
  capture_test::Posted Collect(UINT message) { return capture_test::TakePosted(window, message); }
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

  // Records `ms` of DVD at 8 Mbit/s from the USB box with a part size limit; the stop messages.
  capture_test::Posted RecordWithSizeLimit(const std::string& name, int maxMB, int recordAndBurn, int ms) {
    platform::ManualClock clock(1000);
    platform::ScopedClock use(clock);
    if (!graph.OpenDevice(window, window, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1)) return {};
    MpegCaptureSettings settings = DvdSettings(name);
    settings.videoBitRate = 8000000;
    settings.maxFileSizeMB = maxMB;
    settings.recordAndBurn = recordAndBurn;
    if (!graph.StartMpegCapture(&settings)) return {};
    Advance(clock, ms);
    graph.StopCapture();
    return Collect(WM_USER + 73);
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
  const capture_test::Posted got = Collect(WM_USER + 73);
  EXPECT_EQ(got.count, 1);
  EXPECT_EQ(got.wParam, 16u);
  EXPECT_EQ(got.lParam, 1);
  EXPECT_GT(platform::FileSize(Folder() + "rec_0.mpg"), 100000);
  ASSERT_TRUE(graph.StopCapture());
  EXPECT_EQ(Collect(WM_USER + 73).count, 0);  // stopping a preview posts nothing
}

TEST_F(CaptureRecordingTest, ATwoMegabyteLimitWritesPartsEachOpeningWithAPicture) {
  const capture_test::Posted got = RecordWithSizeLimit("limit.mpg", 2, 0, 6000);
  ASSERT_EQ(got.count, 1);
  ASSERT_GE(got.lParam, 2);
  EXPECT_FALSE(platform::FileExists(Folder() + "limit_" + std::to_string(got.lParam) + ".mpg"));
  long long previous = -1;
  for (LPARAM i = 0; i < got.lParam; ++i) {
    const std::string part = Folder() + "limit_" + std::to_string(i) + ".mpg";
    EXPECT_LE(platform::FileSize(part), 2 * 1024 * 1024) << part;
    // Our own decoder opens every part at its first picture, the frames running on.
    MpegThumbnail picture;
    ASSERT_EQ(DecodeMpegThumbnail(part.c_str(), picture), 1) << part;
    EXPECT_EQ(picture.width, 352);
    EXPECT_EQ(picture.height, 240);
    const long long code = FirstPictureCode(picture);
    EXPECT_GT(code, previous) << part;
    previous = code;
  }
}

// Record and burn hands one stream to the burner: a size limit given with it never splits it.
TEST_F(CaptureRecordingTest, ARecordAndBurnRecordingIsNeverSplitBySize) {
  const capture_test::Posted got = RecordWithSizeLimit("burn.mpg", 1, 1, 4000);
  ASSERT_EQ(got.count, 1);
  EXPECT_EQ(got.lParam, 1);
  EXPECT_GT(platform::FileSize(Folder() + "burn_0.mpg"), 1024 * 1024);
  EXPECT_FALSE(platform::FileExists(Folder() + "burn_1.mpg"));
}

TEST_F(CaptureRecordingTest, AFullDiskAbortsEachRecordingWithOneStopMessage) {
  const std::string profile = Folder() + "full.prx";
  {
    CWmvProfileInfo info;
    ASSERT_TRUE(info.Init() && info.AddStream(1) && info.AddStream(2));
    WmvStreamParams params;
    params.width = 320, params.height = 240, params.videoKbps = 600, params.frameRate = 29.97;
    params.audioKbps = 128, params.audioKhz = 48, params.channels = 2;
    ASSERT_TRUE(info.SetStreamParams(1, params) && info.SetStreamParams(2, params) && info.SaveProfile(profile));
  }
  for (const int mode : {CCaptureGraph::kMpeg, CCaptureGraph::kAvi, CCaptureGraph::kWmv}) {
    SCOPED_TRACE(mode);
    platform::ManualClock clock(1000);
    platform::ScopedClock use(clock);
    ASSERT_TRUE(graph.OpenDevice(window, window, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1));
    long code = 0;
    {
      FileSizeLimit full(64 * 1024);
      const MpegCaptureSettings mpeg = DvdSettings("full.mpg");
      AviCaptureSettings avi;
      avi.fileName = Folder() + "full.avi";
      WmvCaptureSettings wmv;
      wmv.fileName = Folder() + "full.wmv";
      wmv.profilePath = profile;
      ASSERT_TRUE(mode == CCaptureGraph::kMpeg  ? graph.StartMpegCapture(&mpeg)
                  : mode == CCaptureGraph::kAvi ? graph.StartAviCapture(&avi)
                                                : graph.StartWmvCapture(&wmv));
      for (int i = 0; i < 200 && code != EC_ERRORABORT; ++i) {
        clock.Advance(100);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        code = graph.HandleGraphEvents();
      }
      ASSERT_TRUE(graph.StopCapture());
    }
    EXPECT_EQ(code, EC_ERRORABORT);
    const UINT message = mode == CCaptureGraph::kMpeg  ? WM_USER + 73
                         : mode == CCaptureGraph::kAvi ? WM_USER + 74
                                                       : WM_USER + 75;
    EXPECT_EQ(Collect(message).count, 1);
    EXPECT_FALSE(graph.IsCapturing());
    EXPECT_TRUE(graph.StartPreview());  // the device goes on
    graph.CloseDevice();
  }
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
  graph.CloseDevice();  // before the manual clock the sources wait on goes
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

TEST_F(CaptureRecordingTest, ALongPathIsWrittenWhole) {
  platform::ManualClock clock(1000);
  platform::ScopedClock use(clock);
  const std::string folder = Folder() + std::string(120, 'd') + "/" + std::string(120, 'e') + "/";
  ASSERT_TRUE(platform::CreateFolders(folder));
  const std::string name = std::string(120, 'f') + ".mpg";
  ASSERT_GT((folder + name).size(), 360u);
  ASSERT_TRUE(graph.OpenDevice(window, window, "Vidarro USB Video Capture", "NULL", 1));
  MpegCaptureSettings settings = DvdSettings("");
  settings.fileName = folder + name;
  ASSERT_TRUE(graph.StartMpegCapture(&settings));
  Advance(clock, 300);
  ASSERT_TRUE(graph.StopCapture());
  EXPECT_TRUE(platform::FileExists(folder + std::string(120, 'f') + "_0.mpg"));
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
  // Device time moves on as fast as the preview shows it: the tee feeds the writer first.
  auto rendered = [&] {
    CComPtr<IBaseFilter> renderer;
    graph.Graph()->FindFilterByName("Video Render", &renderer);
    auto* base = dynamic_cast<CRendererFilter*>(AsBaseFilter(renderer));
    return base ? base->SamplesRendered() : 0;
  };
  auto pace = [&](int ms) {
    const long long start = rendered();
    for (int t = 100; t <= ms; t += 100) {
      clock.Advance(100);
      for (int i = 0; i < 2000 && rendered() < start + t * 30 / 1001; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  };
  pace(600);
  EXPECT_FALSE(graph.SetAviOutputFile(nullptr));
  ASSERT_TRUE(graph.SetAviOutputFile((Folder() + "second.avi").c_str()));
  pace(600);
  ASSERT_TRUE(graph.StopCapture());
  const capture_test::Posted got = Collect(WM_USER + 74);
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

struct AsfFacts {
  std::string format, video, audio, title, comment;
  int width = 0;
  long long videoPackets = 0;
};

AsfFacts ReadAsf(const std::string& path) {
  AsfFacts facts;
  AVFormatContext* input = nullptr;
  if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return facts;
  avformat_find_stream_info(input, nullptr);
  facts.format = input->iformat->name;
  if (auto* t = av_dict_get(input->metadata, "title", nullptr, 0)) facts.title = t->value;
  if (auto* c = av_dict_get(input->metadata, "comment", nullptr, 0)) facts.comment = c->value;
  for (unsigned i = 0; i < input->nb_streams; ++i) {
    const AVCodecParameters* p = input->streams[i]->codecpar;
    if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
      facts.video = avcodec_get_name(p->codec_id);
      facts.width = p->width;
    } else if (p->codec_type == AVMEDIA_TYPE_AUDIO) {
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

TEST_F(CaptureRecordingTest, WmvRecordingCarriesTheProfileAndEveryTagWhole) {
  CWmvProfileInfo info;
  ASSERT_TRUE(info.Init());
  ASSERT_TRUE(info.AddStream(1));
  ASSERT_TRUE(info.AddStream(2));
  WmvStreamParams params;
  params.width = 320, params.height = 240, params.videoKbps = 600, params.frameRate = 29.97;
  params.audioKbps = 128, params.audioKhz = 48, params.channels = 2;
  ASSERT_TRUE(info.SetStreamParams(1, params));
  ASSERT_TRUE(info.SetStreamParams(2, params));
  const std::string profile = Folder() + "wmvhd.prx";
  ASSERT_TRUE(info.SaveProfile(profile));

  platform::ManualClock clock(1000);
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenDevice(window, window, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1));
  WmvCaptureSettings settings;
  settings.fileName = Folder() + "first.wmv";
  settings.profilePath = "/dev/null";
  EXPECT_FALSE(graph.StartWmvCapture(&settings));  // not a profile file
  ASSERT_TRUE(graph.StopCapture());
  settings.profilePath = profile;
  settings.title = "A title";
  settings.author = "An author";
  settings.description = std::string(600, 'd') + " end";  // longer than 259 characters
  settings.copyright = "(c) us";
  ASSERT_TRUE(graph.StartWmvCapture(&settings));
  EXPECT_EQ(graph.CaptureMode(), 19);
  EXPECT_NE(Dump().find("WMV Encoder"), std::string::npos);
  auto rendered = [&] {
    CComPtr<IBaseFilter> renderer;
    graph.Graph()->FindFilterByName("Video Render", &renderer);
    auto* base = dynamic_cast<CRendererFilter*>(AsBaseFilter(renderer));
    return base ? base->SamplesRendered() : 0;
  };
  auto pace = [&](int ms) {
    const long long start = rendered();
    for (int t = 100; t <= ms; t += 100) {
      clock.Advance(100);
      for (int i = 0; i < 2000 && rendered() < start + t * 30 / 1001; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  };
  pace(600);
  EXPECT_FALSE(graph.SetAviOutputFile((Folder() + "x.avi").c_str()));  // not an AVI recording
  ASSERT_TRUE(graph.SetWmvOutputFile((Folder() + "second.wmv").c_str()));
  pace(600);
  ASSERT_TRUE(graph.StopCapture());
  graph.CloseDevice();
  const capture_test::Posted got = Collect(WM_USER + 75);
  EXPECT_EQ(got.count, 1);
  EXPECT_EQ(got.wParam, 16u);
  for (const char* name : {"first.wmv", "second.wmv"}) {
    const AsfFacts f = ReadAsf(Folder() + name);
    EXPECT_EQ(f.format, "asf") << name;
    EXPECT_EQ(f.video, "wmv2") << name;
    EXPECT_EQ(f.audio, "wmav2") << name;
    EXPECT_EQ(f.width, 320) << name;
    EXPECT_EQ(f.title, "A title") << name;
    EXPECT_EQ(f.comment, settings.description) << name;
    EXPECT_GT(f.videoPackets, 5) << name;
  }
}

TEST_F(CaptureRecordingTest, ThePreviewIsLetterboxedInTheOwnersWindow) {
  platform::ManualClock clock(1000);
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenDevice(window, window, "Vidarro USB Video Capture", "NULL", 1));
  ASSERT_TRUE(graph.StartPreview());
  capture_test::ExpectLetterboxedVideo(graph.Graph(), "Video Render", window,
                                       [&](int aspect) { graph.FitVideoWindow(aspect); });
}

TEST_F(CaptureRecordingTest, ThePreviewPaintsIntoTheOwnersWindow) {
  platform::ManualClock clock(1000);
  platform::ScopedClock use(clock);
  ShowWindow(window, SW_SHOW);
  ASSERT_TRUE(graph.OpenDevice(window, window, "Vidarro USB Video Capture", "NULL", 1));
  ASSERT_TRUE(graph.StartPreview());
  graph.FitVideoWindow(0);
  CComPtr<IBaseFilter> renderer;
  graph.Graph()->FindFilterByName("Video Render", &renderer);
  auto* video = dynamic_cast<CVideoRendererFilter*>(AsBaseFilter(renderer));
  ASSERT_NE(video, nullptr);
  ASSERT_NE(video->VideoWindowHandle(), nullptr);
  EXPECT_EQ(GetParent(video->VideoWindowHandle()), window);
  for (int t = 0; t < 5 && video->SamplesRendered() < 3; ++t) {
    clock.Advance(40);
    for (int i = 0; i < 500 && video->SamplesRendered() < t + 1; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_GE(video->SamplesRendered(), 2);
  MSG m;
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
  UpdateWindow(video->VideoWindowHandle());
  std::filesystem::create_directories(VIDARRO_PICTURE_DIR);
  const std::string png = std::string(VIDARRO_PICTURE_DIR) + "/capture_preview.png";
  EXPECT_TRUE(platform::WriteWindowPng(window, png));
  platform::PixelImage picture;
  ASSERT_TRUE(platform::ComposeWindow(window, &picture));
  ASSERT_EQ(picture.width, 400);
  // The white bar at the left, the blue one at the right (75% levels).
  const std::uint32_t white = picture.pixels[static_cast<std::size_t>(50) * picture.width + 20] & 0xFFFFFF;
  const std::uint32_t blue = picture.pixels[static_cast<std::size_t>(50) * picture.width + 380] & 0xFFFFFF;
  EXPECT_NEAR(static_cast<int>(white & 0xFF), 191, 8);
  EXPECT_NEAR(static_cast<int>((white >> 8) & 0xFF), 191, 8);
  EXPECT_NEAR(static_cast<int>(blue & 0xFF), 191, 8) << std::hex << blue;
  EXPECT_LT(static_cast<int>((blue >> 16) & 0xFF), 30) << std::hex << blue;
  graph.CloseDevice();
}

}  // namespace
