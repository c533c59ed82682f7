#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "capture/tests/wmv_test_profile.h"
#include "capture/dv_capture_graph.h"
#include "capture/tests/graph_test_support.h"
#include "platform/base/clock.h"
#include "platform/dshow/base_filter.h"
#include "platform/dshow/camcorder_streams.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/transform_filter.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"

using namespace platform::dshow;
using capture_test::Folder;
using capture_test::Posted;
using capture_test::ReadAll;
using Bytes = std::vector<std::uint8_t>;

namespace {

std::uint32_t Crc32(const std::uint8_t* p, std::size_t n) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= static_cast<std::uint32_t>(p[i]) << 24;
    for (int b = 0; b < 8; ++b) crc = (crc & 0x80000000) ? (crc << 1) ^ 0x04C11DB7 : crc << 1;
  }
  return crc;
}

// One TS packet holding a section on pid.
Bytes SectionPacket(int pid, Bytes section) {
  const std::uint32_t crc = Crc32(section.data(), section.size());
  for (int i = 3; i >= 0; --i) section.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
  Bytes p(188, 0xFF);
  p[0] = 0x47;
  p[1] = static_cast<std::uint8_t>(0x40 | (pid >> 8));
  p[2] = static_cast<std::uint8_t>(pid);
  p[3] = 0x10;
  p[4] = 0;  // pointer field
  std::copy(section.begin(), section.end(), p.begin() + 5);
  return p;
}

Bytes Pat(int version) {
  return SectionPacket(
      0, {0x00, 0xB0, 13, 0x00, 0x01, static_cast<std::uint8_t>(0xC1 | (version << 1)), 0, 0, 0x00, 0x01, 0xF0, 0x00});
}

Bytes Pmt(int version, const std::vector<std::pair<int, int>>& streams) {
  Bytes s{0x02, 0xB0, 0, 0x00, 0x01, static_cast<std::uint8_t>(0xC1 | (version << 1)), 0, 0, 0xE1, 0x00, 0xF0, 0x00};
  for (auto [type, pid] : streams) {
    s.push_back(static_cast<std::uint8_t>(type));
    s.push_back(static_cast<std::uint8_t>(0xE0 | (pid >> 8)));
    s.push_back(static_cast<std::uint8_t>(pid));
    s.push_back(0xF0);
    s.push_back(0x00);
  }
  s[2] = static_cast<std::uint8_t>(s.size() - 3 + 4);
  return SectionPacket(0x1000, s);
}

class HdvCaptureGraphTest : public capture_test::CamcorderGraphTest {
 protected:
  Posted Collect(UINT message) {
    const Posted got = capture_test::TakePosted(window, message);
    for (WPARAM wParam : got.wParams) EXPECT_EQ(wParam, 16u);
    return got;
  }
  void Run(platform::ManualClock& clock, int frames) { RunHdv(clock, frames); }
};

TEST_F(HdvCaptureGraphTest, PreviewMapsTheCamcordersPidsAndDecodes) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenHdv(window, window, "Vidarro HDV Camcorder"));
  EXPECT_EQ(graph.GetMode(), CDvCaptureGraph::kHdvPreview);
  const std::string dump = DumpGraph(graph.Graph());
  for (const char* name : {"HDV Device", "RawData Tee", "MPEG2 Demultiplexer", "m2ts Dump", "PSI Parser filter",
                           "Video Stream", "Qn MPEG Video Decoder", "Audio Stream", "Qn Audio Decoder", "Video Render",
                           "Audio Analyzer", "[Video YUY2 1440x1080]"})
    EXPECT_NE(dump.find(name), std::string::npos) << name << "\n" << dump;
  Run(clock, 20);
  ASSERT_GE(graph.ReadPsiStreams(), 2);
  EXPECT_EQ(graph.PsiTable()[0].pid, sim::kHdvVideoPid);
  EXPECT_EQ(graph.PsiTable()[0].type, 2);
  EXPECT_EQ(graph.PsiTable()[1].pid, sim::kHdvAudioPid);
  EXPECT_EQ(graph.PsiTable()[1].type, 3);
  Run(clock, 20);
  ASSERT_NE(Renderer("Video Render"), nullptr);
  EXPECT_GT(Renderer("Video Render")->SamplesRendered(), 0);
  EXPECT_GT(Renderer("DSound Audio Renderer")->SamplesRendered(), 0);
  // Counts and sizes are only kept for the stream recordings.
  EXPECT_EQ(graph.GetWriterFileCount(), 0u);
  EXPECT_EQ(graph.GetWrittenMegabytes(), 0.0);

  // MPEG from the decoded streams: the encoder's parts in the stop message.
  MpegCaptureSettings mpeg;
  mpeg.fileName = Folder() + "hdv_dvd.mpg";
  mpeg.streamType = 7;
  mpeg.videoBitRate = 4000000;
  ASSERT_TRUE(graph.StartHdvMpegCapture(&mpeg));
  EXPECT_EQ(graph.GetMode(), CDvCaptureGraph::kHdvMpeg);
  EXPECT_NE(DumpGraph(graph.Graph()).find("Video Smart Tee"), std::string::npos);
  Run(clock, 15);
  ASSERT_TRUE(graph.StopHdvCaptureToPreview());
  const Posted mpegStop = Collect(WM_USER + 73);
  EXPECT_EQ(mpegStop.count, 1);
  EXPECT_GE(mpegStop.lParam, 1);
  EXPECT_EQ(graph.GetMode(), CDvCaptureGraph::kHdvPreview);

  // WMV: the writer branch, and the demultiplexer's clock for the graph.
  WmvCaptureSettings wmv;
  wmv.fileName = Folder() + "hdv.wmv";
  wmv.profilePath = Folder() + "hdv.prx";
  ASSERT_TRUE(SaveTestWmvProfile(wmv.profilePath));
  ASSERT_TRUE(graph.StartHdvWmvCapture(&wmv));
  EXPECT_EQ(graph.GetMode(), CDvCaptureGraph::kHdvWmv);
  CComPtr<IMediaFilter> media;
  ASSERT_EQ(graph.Graph()->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(&media)), S_OK);
  CComPtr<IReferenceClock> clockUsed;
  ASSERT_EQ(media->GetSyncSource(&clockUsed), S_OK);
  CComPtr<IBaseFilter> demux;
  ASSERT_EQ(graph.Graph()->FindFilterByName("MPEG2 Demultiplexer", &demux), S_OK);
  CComPtr<IReferenceClock> demuxClock;
  ASSERT_EQ(demux->QueryInterface(IID_IReferenceClock, reinterpret_cast<void**>(&demuxClock)), S_OK);
  EXPECT_EQ(clockUsed.get(), demuxClock.get());
  ASSERT_TRUE(graph.StopHdvCaptureToPreview());
  EXPECT_EQ(Collect(WM_USER + 75).count, 1);
}

TEST_F(HdvCaptureGraphTest, AviRecordingOfTheDecodedStreamsSwitchesFilesAndPostsItsMessage) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenHdv(window, window, "Vidarro HDV Camcorder"));
  Run(clock, 20);  // the program tables mapped
  AviCaptureSettings avi;
  avi.fileName = Folder() + "hdv_first.avi";
  EXPECT_FALSE(graph.SetAviOutputFile(Folder() + "early.avi"));  // not recording
  ASSERT_TRUE(graph.StartHdvAviCapture(&avi));
  EXPECT_EQ(graph.GetMode(), CDvCaptureGraph::kHdvAvi);
  EXPECT_EQ(graph.OutputName(), avi.fileName);
  const std::string dump = DumpGraph(graph.Graph());
  for (const char* link : {"Video Smart Tee\n  Output1 -> Avi Mux.Input 01 [Video YUY2 1440x1080]",
                           "Audio Smart Tee\n  Output1 -> Avi Mux.Input 02 [Audio PCM 48000Hz 2ch 16bit]",
                           "Avi Mux\n  AVI Out -> File Writer.in", "Output2 -> Video Reander.Input"})
    EXPECT_NE(dump.find(link), std::string::npos) << link << "\n" << dump;
  EXPECT_FALSE(graph.SetWmvOutputFile(Folder() + "x.wmv"));  // not a WMV recording
  // Until two more decoded pictures have reached the preview (and so the multiplexer).
  auto pictures = [&](int more) {
    CRendererFilter* shown = Renderer("Video Reander");
    ASSERT_NE(shown, nullptr);
    const long long start = shown->SamplesRendered();
    for (int i = 0; i < 60 && shown->SamplesRendered() < start + more; ++i) Run(clock, 1);
    EXPECT_GE(shown->SamplesRendered(), start + more);
  };
  pictures(2);
  ASSERT_TRUE(graph.SetAviOutputFile(Folder() + "hdv_second.avi"));
  EXPECT_TRUE(graph.IsCapturing());
  pictures(2);
  ASSERT_TRUE(graph.StopHdvCaptureToPreview());
  const Posted stop = Collect(WM_USER + 74);
  EXPECT_EQ(stop.count, 1);
  EXPECT_EQ(stop.lParam, 0);
  for (const char* name : {"hdv_first.avi", "hdv_second.avi"}) {
    const Bytes head = ReadAll(Folder() + name);
    ASSERT_GT(head.size(), 1440u * 1080 * 2) << name;  // at least one whole picture
    EXPECT_EQ(std::string(head.begin(), head.begin() + 4), "RIFF") << name;
    EXPECT_EQ(std::string(head.begin() + 8, head.begin() + 12), "AVI ") << name;
    std::remove((Folder() + name).c_str());
  }
}

TEST_F(HdvCaptureGraphTest, M2tsPartsJoinedAreWhatTheTapeDeliveredWhileRecording) {
  const std::string tape = Folder() + "hdv_tape.m2t";
  {
    std::ofstream out(tape, std::ios::binary);
    for (int i = 0; i < 8; ++i)
      out.write(reinterpret_cast<const char*>(sim::HdvLoop().data()),
                static_cast<std::streamsize>(sim::HdvLoop().size()));
  }
  sim::Hardware::Instance().Update("HDVCAM", [&](sim::DeviceDesc& d) { d.tape = tape; });
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenHdv(window, window, "Vidarro HDV Camcorder"));
  const std::string file = Folder() + "HDV_part.m2ts";
  for (const std::string& stale : {file, Folder() + "HDV_part_1.m2ts", Folder() + "HDV_part_2.m2ts"})
    std::remove(stale.c_str());
  const std::uint64_t part = 300000;
  ASSERT_TRUE(graph.StartHdvStreamCapture(file, part));
  EXPECT_EQ(graph.GetMode(), CDvCaptureGraph::kHdvStream);
  EXPECT_TRUE(graph.StartHdvStreamCapture(Folder() + "never.m2ts", part));
  ASSERT_EQ(graph.SetTransportMode(ED_MODE_PLAY, 0), S_OK);
  Run(clock, 8);
  EXPECT_GT(graph.GetWrittenMegabytes(), 0.0);
  ASSERT_TRUE(graph.StopHdvCapture());
  const DWORD parts = graph.GetWriterFileCount();
  const double megabytes = graph.GetWrittenMegabytes();
  const Posted stop = Collect(kHdvCaptureStopped);
  EXPECT_EQ(stop.count, 1);
  EXPECT_EQ(stop.lParam, static_cast<LPARAM>(parts));
  ASSERT_GE(parts, 2u);
  Bytes joined;
  for (DWORD n = 0; n < parts; ++n) {
    const Bytes bytes = ReadAll(n == 0 ? file : Folder() + "HDV_part_" + std::to_string(n) + ".m2ts");
    EXPECT_LE(bytes.size(), part);
    EXPECT_EQ(bytes.size() % 188, 0u);
    joined.insert(joined.end(), bytes.begin(), bytes.end());
  }
  EXPECT_DOUBLE_EQ(megabytes, static_cast<double>(joined.size()) / 1048576);
  const Bytes whole = ReadAll(tape);
  ASSERT_LE(joined.size(), whole.size());
  EXPECT_TRUE(std::equal(joined.begin(), joined.end(), whole.begin())) << "the parts are the tape as played";
  EXPECT_TRUE(graph.StopHdvCaptureToPreview());
}

TEST_F(HdvCaptureGraphTest, ProgramTablesMapTypeFourAudioKeepTenStreamsAndRestartNothingTwice) {
  // A tape of tables alone: a PMT with twelve streams, audio of type 4 first among audio.
  std::vector<std::pair<int, int>> streams = {{0x06, 0x200}, {4, 0x301}, {2, 0x300}};
  for (int i = 0; i < 9; ++i) streams.push_back({3, 0x400 + i});
  const std::string tape = Folder() + "hdv_tables.m2t";
  {
    std::ofstream out(tape, std::ios::binary);
    for (int i = 0; i < 400; ++i) {
      const Bytes packet = i % 2 ? Pmt(0, streams) : Pat(0);
      out.write(reinterpret_cast<const char*>(packet.data()), 188);
    }
  }
  sim::Hardware::Instance().Update("HDVCAM", [&](sim::DeviceDesc& d) { d.tape = tape; });
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenHdv(window, window, "Vidarro HDV Camcorder"));
  const std::string file = Folder() + "HDV_tables.m2ts";
  ASSERT_TRUE(graph.StartHdvStreamCapture(file, 0));
  ASSERT_EQ(graph.SetTransportMode(ED_MODE_PLAY, 0), S_OK);
  clock.Advance(34);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  for (int i = 0; i < 50; ++i) {
    graph.HandleGraphEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_EQ(graph.ReadPsiStreams(), 10);
  EXPECT_EQ(graph.PsiTable()[0].type, 4);
  EXPECT_EQ(graph.PsiTable()[0].pid, 0x301);
  EXPECT_EQ(graph.PsiTable()[9].pid, 0x407);
  // Still one part: the tables remapped the pins in place, the recording went on.
  EXPECT_TRUE(graph.IsCapturing());
  ASSERT_TRUE(graph.StopHdvCapture());
  EXPECT_EQ(Collect(kHdvCaptureStopped).lParam, 1);
}

TEST_F(HdvCaptureGraphTest, TapesThatAreCutShortNotTransportStreamsOrMissingRecordWhatTheyHold) {
  const std::string cut = Folder() + "hdv_cut.m2t", noise = Folder() + "hdv_noise.m2t";
  const Bytes& loop = sim::HdvLoop();
  ASSERT_GT(loop.size(), 188u * 600);
  const std::size_t cutSize = 188 * 600 + 100;  // the tape ends inside a packet
  {
    std::ofstream out(cut, std::ios::binary);
    out.write(reinterpret_cast<const char*>(loop.data()), static_cast<std::streamsize>(cutSize));
    std::ofstream junk(noise, std::ios::binary);
    for (int i = 0; i < 188 * 800; ++i) junk.put(static_cast<char>((i * 7919) % 251 == 0x47 ? 0 : (i * 7919) % 251));
  }
  struct Case {
    std::string tape;
    std::size_t expected;  // bytes the stream recording holds
  };
  for (const Case& c : {Case{cut, 188 * 600}, Case{noise, 188 * 800}, Case{Folder() + "no_such_tape.m2t", 0}}) {
    SCOPED_TRACE(c.tape);
    sim::Hardware::Instance().Update("HDVCAM", [&](sim::DeviceDesc& d) { d.tape = c.tape; });
    platform::ManualClock clock;
    platform::ScopedClock use(clock);
    ASSERT_TRUE(graph.OpenHdv(window, window, "Vidarro HDV Camcorder"));
    const std::string file = Folder() + "hdv_tape_case.m2ts";
    std::remove(file.c_str());
    ASSERT_TRUE(graph.StartHdvStreamCapture(file, 0));
    ASSERT_EQ(graph.SetTransportMode(ED_MODE_PLAY, 0), S_OK);
    for (int i = 0; i < 400 && graph.GetTransportMode() == ED_MODE_PLAY; ++i) {
      clock.Advance(34);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      graph.HandleGraphEvents();
    }
    EXPECT_EQ(graph.GetTransportMode(), ED_MODE_STOP);  // the end of the tape, or no tape to play
    // Bytes in flight reach the dump before the stop.
    for (int i = 0; i < 200 && graph.GetWrittenMegabytes() * 1048576 < static_cast<double>(c.expected); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(graph.StopHdvCapture());
    EXPECT_EQ(Collect(kHdvCaptureStopped).count, 1);
    const Bytes written = ReadAll(file);
    EXPECT_EQ(written.size(), c.expected);
    const Bytes tape = ReadAll(c.tape);
    EXPECT_TRUE(std::equal(written.begin(), written.end(), tape.begin()));
    graph.Close();
  }
  sim::Hardware::Instance().Update("HDVCAM", [](sim::DeviceDesc& d) { d.tape.clear(); });
}

}  // namespace
