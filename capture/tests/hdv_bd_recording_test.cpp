#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>

#include "bdauthor/entry_point_scan.h"
#include "bdauthor/pts_companion.h"
#include "capture/dv_capture_graph.h"
#include "capture/tests/graph_test_support.h"
#include "capture/tests/wmv_test_profile.h"
#include "platform/base/clock.h"
#include "platform/dshow/base_filter.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/transform_filter.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"

using namespace platform::dshow;
using capture_test::Folder;
using capture_test::ReadAll;
using Bytes = std::vector<std::uint8_t>;

namespace {

class HdvBdRecordingTest : public capture_test::CamcorderGraphTest {
 protected:
  void Run(platform::ManualClock& clock, int frames) { RunHdv(clock, frames); }
};

TEST_F(HdvBdRecordingTest, BlurayClipHasSteadyStampsCleanPesStartsAndACompanionTheScanAgreesWith) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenHdv(window, window, "Vidarro HDV Camcorder"));
  Run(clock, 5);
  const std::string clip = Folder() + "00000.m2ts";
  std::remove(clip.c_str());
  ASSERT_TRUE(graph.StartHdvBdCapture2(clip, 0x40000000));
  EXPECT_EQ(graph.GetMode(), CDvCaptureGraph::kHdvDisc);
  const std::string dump = DumpGraph(graph.Graph());
  for (const char* name : {"BD Mulitplexer", "Buffer Filter", "Qn AudioDecoder 2", "Audio Analyzer2", "Video Reander"})
    EXPECT_NE(dump.find(name), std::string::npos) << name << "\n" << dump;
  Run(clock, 60);
  ASSERT_TRUE(graph.StopHdvCapture());
  MSG m;
  int stops = 0;
  while (PeekMessage(&m, window, kHdvCaptureStopped, kHdvCaptureStopped, PM_REMOVE)) {
    ++stops;
    EXPECT_EQ(m.wParam, 16u);
    EXPECT_EQ(m.lParam, 0);
  }
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(graph.GetWriterFileCount(), 0u);

  const Bytes bytes = ReadAll(clip);
  ASSERT_GT(bytes.size(), 0u);
  ASSERT_EQ(bytes.size() % (192 * 32), 0u) << "whole aligned units";
  const std::size_t packets = bytes.size() / 192;
  std::int64_t delta = -1;
  int videoStarts = 0, audioStarts = 0;
  for (std::size_t n = 0; n < packets; ++n) {
    const std::uint8_t* p = &bytes[n * 192];
    ASSERT_EQ(p[4], 0x47);
    const std::uint32_t ats = (p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3]) & 0x3FFFFFFF;
    if (n > 0) {
      const std::uint8_t* q = &bytes[(n - 1) * 192];
      const std::uint32_t prev = (q[0] << 24 | q[1] << 16 | q[2] << 8 | q[3]) & 0x3FFFFFFF;
      const std::int64_t d = (static_cast<std::int64_t>(ats) - prev) & 0x3FFFFFFF;
      if (delta < 0) delta = d;
      ASSERT_EQ(d, delta) << "packet " << n;
    }
    const int pid = (p[5] & 0x1F) << 8 | p[6];
    if ((pid == 0x1011 || pid == 0x1100) && (p[5] & 0x40)) {
      ASSERT_EQ(p[7] & 0x20, 0) << "adaptation field at a PES start, packet " << n;
      (pid == 0x1011 ? videoStarts : audioStarts)++;
    }
  }
  EXPECT_GT(delta, 0);
  EXPECT_GT(videoStarts, 30);
  EXPECT_GT(audioStarts, 100);

  bdauthor::EntryPointScanner scanner;
  scanner.Feed(bytes.data(), bytes.size());
  const auto scanned = scanner.Entries();
  std::ifstream companionFile(clip + ".ptsinfo", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(companionFile)), {});
  const auto listed = bdauthor::ParsePtsCompanion(text, static_cast<std::int64_t>(packets));
  ASSERT_GE(scanned.size(), 2u);
  ASSERT_EQ(listed.size(), scanned.size()) << text;
  for (std::size_t i = 0; i < listed.size(); ++i) {
    EXPECT_EQ(listed[i].packet, scanned[i].packet);
    EXPECT_EQ(listed[i].pts, scanned[i].pts);
    EXPECT_EQ(listed[i].sizeClass, scanned[i].sizeClass);
  }
  EXPECT_EQ(text.back(), '\n');
  // Video times run on from the first entry: no PES stamped before the stream began.
  EXPECT_GE(scanner.LastVideoPts(), scanned.back().pts);
  EXPECT_LT(scanner.LastVideoPts() - scanned.back().pts, 90000) << scanner.LastVideoPts();
}

TEST_F(HdvBdRecordingTest, AFullDiskAbortsTheRecordingsWithOneStopMessageAndAnHonestCompanion) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenHdv(window, window, "Vidarro HDV Camcorder"));
  Run(clock, 5);
  for (const bool bluray : {false, true}) {
    const std::string file = Folder() + (bluray ? "full.m2ts" : "full_stream.m2ts");
    std::remove(file.c_str());
    std::remove((file + ".ptsinfo").c_str());
    ASSERT_EQ(::symlink("/dev/full", file.c_str()), 0);
    ASSERT_TRUE(bluray ? graph.StartHdvBdCapture2(file, 0) : graph.StartHdvStreamCapture(file, 0));
    long code = 0;
    for (int i = 0; i < 40 && code != EC_ERRORABORT; ++i) {
      clock.Advance(34);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      code = graph.HandleGraphEvents();
    }
    EXPECT_EQ(code, EC_ERRORABORT);
    ASSERT_TRUE(graph.StopHdvCapture());
    LPARAM parts = -1;
    MSG m;
    int stops = 0;
    while (PeekMessage(&m, window, kHdvCaptureStopped, kHdvCaptureStopped, PM_REMOVE)) ++stops, parts = m.lParam;
    EXPECT_EQ(stops, 1);
    if (bluray) {
      // A companion, when there is one, lists nothing: no packet reached the disk.
      std::ifstream in(file + ".ptsinfo");
      std::string count;
      if (std::getline(in, count)) {
        EXPECT_EQ(count, "0");
      }
    } else {
      EXPECT_EQ(parts, static_cast<LPARAM>(graph.GetWriterFileCount()));
      EXPECT_EQ(graph.GetWrittenMegabytes(), 0.0);
    }
    std::remove(file.c_str());
    ASSERT_TRUE(graph.BuildHdvPreview());
  }
}

struct ProbedStreams {
  std::vector<std::string> codecs;
  int width = 0;
  int height = 0;
};

ProbedStreams Probe(const std::string& path) {
  ProbedStreams out;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return out;
  avformat_find_stream_info(format, nullptr);
  for (unsigned i = 0; i < format->nb_streams; ++i) {
    const AVCodecParameters* p = format->streams[i]->codecpar;
    out.codecs.push_back(avcodec_get_name(p->codec_id));
    if (p->codec_type == AVMEDIA_TYPE_VIDEO) out.width = p->width, out.height = p->height;
  }
  avformat_close_input(&format);
  return out;
}

int StopCount(HWND window, LPARAM* lParam) {
  MSG m;
  int stops = 0;
  while (PeekMessage(&m, window, kHdvCaptureStopped, kHdvCaptureStopped, PM_REMOVE)) {
    ++stops;
    *lParam = m.lParam;
  }
  return stops;
}

TEST_F(HdvBdRecordingTest, ProgramStreamAndElementaryStreamsHoldTheCamcordersStreams) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenHdv(window, window, "Vidarro HDV Camcorder"));
  Run(clock, 5);
  const std::string ps = Folder() + "hdv_ps.mpg";
  std::remove(ps.c_str());
  ASSERT_TRUE(graph.StartHdvMpeg2Capture(ps, 0));
  EXPECT_EQ(graph.GetMode(), CDvCaptureGraph::kHdvMpeg2);
  Run(clock, 40);
  ASSERT_TRUE(graph.StopHdvCapture());
  LPARAM parts = -1;
  EXPECT_EQ(StopCount(window, &parts), 1);
  EXPECT_EQ(parts, 1);
  const ProbedStreams probed = Probe(ps);
  ASSERT_EQ(probed.codecs.size(), 2u);
  EXPECT_EQ(probed.codecs[0], "mpeg2video");
  EXPECT_EQ(probed.codecs[1], "mp2");
  EXPECT_EQ(probed.width, 1440);
  EXPECT_EQ(probed.height, 1080);
  // An MPEG-2 program stream: its pack headers carry the '01' marker bits, not MPEG-1's '0010'.
  const Bytes program = ReadAll(ps);
  const Bytes pack{0x00, 0x00, 0x01, 0xBA};
  const auto first = std::search(program.begin(), program.end(), pack.begin(), pack.end());
  ASSERT_LT(first + 4, program.end());
  EXPECT_EQ(first[4] & 0xC0, 0x40) << std::hex << int(first[4]);
  ASSERT_TRUE(graph.BuildHdvPreview());

  const std::string video = Folder() + "hdv_es.m2v", audio = Folder() + "hdv_es.lpcm";
  ASSERT_TRUE(graph.StartHdvElementaryCapture(video, audio, 0));
  Run(clock, 40);
  ASSERT_TRUE(graph.StopHdvCapture());
  EXPECT_EQ(StopCount(window, &parts), 1);
  EXPECT_EQ(parts, 0);
  // The elementary video opens with its sequence header, so a reader finds its size at once.
  const Bytes es = ReadAll(video);
  ASSERT_GE(es.size(), 4u);
  EXPECT_EQ(Bytes(es.begin(), es.begin() + 4), (Bytes{0x00, 0x00, 0x01, 0xB3}));
  const Bytes lpcm = ReadAll(audio);
  ASSERT_GT(lpcm.size(), 48000u);
  EXPECT_EQ(lpcm.size() % 4, 0u);
  int peak = 0;
  for (std::size_t i = 0; i + 1 < lpcm.size(); i += 2)
    peak = std::max(peak, std::abs(static_cast<int>(static_cast<std::int16_t>(lpcm[i] << 8 | lpcm[i + 1]))));
  EXPECT_NEAR(peak / 32768.0, 0.2512, 0.03) << "big-endian tone at -12 dBFS";
}

// Every HDV recording, its camcorder unplugged halfway: one stop message of its kind, and the
// files written up to then whole.
TEST_F(HdvBdRecordingTest, EveryRecordingEndsWithOneMessageWhenTheCamcorderIsUnplugged) {
  const std::string profile = Folder() + "hdv_lost.prx";
  ASSERT_TRUE(SaveTestWmvProfile(profile));
  struct Case {
    const char* name;
    int mode;
    UINT message;
  };
  const Case cases[] = {{"ps", CDvCaptureGraph::kHdvMpeg2, kHdvCaptureStopped},
                        {"mpeg", CDvCaptureGraph::kHdvMpeg, WM_USER + 73},
                        {"wmv", CDvCaptureGraph::kHdvWmv, WM_USER + 75},
                        {"avi", CDvCaptureGraph::kHdvAvi, WM_USER + 74},
                        {"bluray", CDvCaptureGraph::kHdvDisc, kHdvCaptureStopped},
                        {"elementary", CDvCaptureGraph::kHdvDisc, kHdvCaptureStopped},
                        {"stream", CDvCaptureGraph::kHdvStream, kHdvCaptureStopped}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::ManualClock clock;
    platform::ScopedClock use(clock);
    ASSERT_TRUE(graph.OpenHdv(window, window, "Vidarro HDV Camcorder"));
    Run(clock, 5);
    const std::string base = Folder() + "lost_" + c.name;
    MpegCaptureSettings mpeg;
    mpeg.fileName = base + ".mpg";
    mpeg.streamType = 3;
    WmvCaptureSettings wmv;
    wmv.fileName = base + ".wmv";
    wmv.profilePath = profile;
    AviCaptureSettings avi;
    avi.fileName = base + ".avi";
    const std::string name = c.mode == CDvCaptureGraph::kHdvMpeg    ? base + "_0.mpg"
                             : c.mode == CDvCaptureGraph::kHdvWmv   ? wmv.fileName
                             : c.mode == CDvCaptureGraph::kHdvAvi   ? avi.fileName
                             : c.mode == CDvCaptureGraph::kHdvMpeg2 ? base + ".mpg"
                             : std::string(c.name) == "elementary"  ? base + ".m2v"
                                                                    : base + ".m2ts";
    std::remove(name.c_str());
    BOOL started = FALSE;
    switch (c.mode) {
      case CDvCaptureGraph::kHdvMpeg2: started = graph.StartHdvMpeg2Capture(name, 0); break;
      case CDvCaptureGraph::kHdvMpeg: started = graph.StartHdvMpegCapture(&mpeg); break;
      case CDvCaptureGraph::kHdvWmv: started = graph.StartHdvWmvCapture(&wmv); break;
      case CDvCaptureGraph::kHdvAvi: started = graph.StartHdvAviCapture(&avi); break;
      case CDvCaptureGraph::kHdvStream: started = graph.StartHdvStreamCapture(name, 0); break;
      default:
        started = std::string(c.name) == "bluray" ? graph.StartHdvBdCapture2(name, 0x40000000)
                                                  : graph.StartHdvElementaryCapture(name, base + ".lpcm", 0);
    }
    ASSERT_TRUE(started);
    EXPECT_EQ(graph.GetMode(), c.mode);
    Run(clock, c.mode == CDvCaptureGraph::kHdvAvi ? 12 : 30);
    const DWORD partsBefore = graph.GetWriterFileCount();
    sim::Hardware::Instance().Unplug("HDVCAM");
    long code = 0;
    for (int i = 0; i < 500 && code != EC_DEVICE_LOST; ++i) {
      code = graph.HandleGraphEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(code, EC_DEVICE_LOST);
    EXPECT_FALSE(graph.IsCapturing());
    MSG m;
    int stops = 0;
    LPARAM lParam = -1;
    while (PeekMessage(&m, window, c.message, c.message, PM_REMOVE)) ++stops, lParam = m.lParam;
    EXPECT_EQ(stops, 1);
    for (UINT other : {WM_USER + 73u, WM_USER + 74u, WM_USER + 75u, WM_USER + 76u, WM_USER + 77u})
      if (other != c.message) {
        EXPECT_FALSE(PeekMessage(&m, window, other, other, PM_REMOVE)) << other;
      }

    const Bytes bytes = ReadAll(name);
    ASSERT_GT(bytes.size(), 0u) << name;
    if (c.mode == CDvCaptureGraph::kHdvStream) {
      EXPECT_EQ(bytes.size() % 188, 0u);
      EXPECT_EQ(lParam, static_cast<LPARAM>(std::max<DWORD>(partsBefore, 1)));
    } else if (std::string(c.name) == "bluray") {
      EXPECT_EQ(lParam, 0);
      ASSERT_EQ(bytes.size() % (192 * 32), 0u) << "whole aligned units";
      bdauthor::EntryPointScanner scanner;
      scanner.Feed(bytes.data(), bytes.size());
      std::ifstream companionFile(name + ".ptsinfo", std::ios::binary);
      const std::string text((std::istreambuf_iterator<char>(companionFile)), {});
      const auto listed = bdauthor::ParsePtsCompanion(text, static_cast<std::int64_t>(bytes.size() / 192));
      EXPECT_EQ(listed.size(), scanner.Entries().size()) << text;
    } else if (std::string(c.name) == "elementary") {
      const Bytes sequence{0x00, 0x00, 0x01, 0xB3};
      EXPECT_NE(std::search(bytes.begin(), bytes.end(), sequence.begin(), sequence.end()), bytes.end());
      EXPECT_EQ(ReadAll(base + ".lpcm").size() % 4, 0u);
    } else {
      EXPECT_FALSE(Probe(name).codecs.empty()) << name;
    }
    std::remove(name.c_str());
    sim::Hardware::Instance().Plug("HDVCAM");
  }
}

}  // namespace
