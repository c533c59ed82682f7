// Independent readers of what the camcorder graphs record: ffprobe and MediaInfo read the DV-AVI,
// the landed Blu-ray library authors the recorded clip and libbluray reads the disc.
#include <gtest/gtest.h>

#include <libbluray/bluray.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

#include "bdauthor/entry_point_scan.h"
#include "bdauthor/tarnel_job.h"
#include "bdauthor/tests/job_fixture.h"
#include "capture/dv_capture_graph.h"
#include "capture/tests/graph_test_support.h"
#include "platform/base/clock.h"
#include "platform/base/message_box.h"
#include "platform/dshow/base_filter.h"
#include "platform/dshow/camcorder_streams.h"
#include "platform/filters/mpeg_session.h"
#include "platform/filters/tests/mpeg_probe.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/transform_filter.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"

using namespace platform::dshow;

namespace {

using capture_test::Folder;

std::string Output(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return out;
  std::array<char, 512> buffer;
  while (fgets(buffer.data(), buffer.size(), pipe.get())) out += buffer.data();
  return out;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class CamcorderPeerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
    window = capture_test::CreateNotifyWindow();
  }
  void TearDown() override {
    graph.Close();
    DestroyWindow(window);
  }
  // Device time on, a frame at a time, until the named renderer has had `frames` more samples.
  void Run(platform::ManualClock& clock, const char* counter, int frames) {
    CComPtr<IBaseFilter> f;
    ASSERT_EQ(graph.Graph()->FindFilterByName(counter, &f), S_OK);
    auto* renderer = dynamic_cast<CRendererFilter*>(AsBaseFilter(f));
    ASSERT_NE(renderer, nullptr);
    const long long start = renderer->SamplesRendered();
    for (int i = 0; i < frames; ++i) {
      clock.Advance(34);
      for (int k = 0; k < 2000 && renderer->SamplesRendered() < start + i + 1; ++k)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      graph.HandleGraphEvents();
    }
  }
  HWND window = nullptr;
  CDvCaptureGraph graph;
};

// The HDV elementary recording opens with its sequence header: an outside reader gives the size of
// its very first picture.
TEST_F(CamcorderPeerTest, FfprobeReadsTheFirstPictureOfTheHdvElementaryVideo) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenHdv(window, window, "Vidarro HDV Camcorder"));
  Run(clock, "m2ts Dump", 10);  // the program tables mapped
  const std::string video = Folder() + "peer_hdv.m2v", audio = Folder() + "peer_hdv.lpcm";
  ASSERT_TRUE(graph.StartHdvElementaryCapture(video, audio, 0));
  Run(clock, "m2ts Dump", 30);
  ASSERT_TRUE(graph.StopHdvCapture());
  std::string first = Output(
      "ffprobe -v error -select_streams v:0 -read_intervals %+#1 -show_entries "
      "frame=width,height -of csv=p=0 '" +
      video + "'");
  first = first.substr(0, first.find('\n'));
  while (!first.empty() && first.back() == ',') first.pop_back();
  EXPECT_EQ(first, "1440,1080");
}

TEST_F(CamcorderPeerTest, FfprobeAndMediaInfoReadTheDvAvi) {
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenDv(window, window, "Vidarro DV Camcorder"));
  const std::string file = Folder() + "peer_dv.avi";
  ASSERT_TRUE(graph.StartDvCapture(file));
  Run(clock, "Video Render", 30);
  ASSERT_TRUE(graph.StopDvCapture());
  const std::string streams =
      Output("ffprobe -v error -show_entries stream=codec_name,sample_rate,channels -of csv=p=0 '" + file + "'");
  EXPECT_NE(streams.find("dvvideo"), std::string::npos) << streams;
  EXPECT_NE(streams.find("pcm_s16le,48000,2"), std::string::npos) << streams;
  const std::string ms = Output("mediainfo --Inform='General;%Duration%' '" + file + "'");
  ASSERT_FALSE(ms.empty());
  EXPECT_NEAR(std::stod(ms), 1000.0, 100.0) << "about 30 frames";
}

// DV and HDV through the decoders into the MPEG encoder: every picture of the camcorder's loop in
// order, and each flash with its burst.
TEST_F(CamcorderPeerTest, DvAndHdvToMpegRunOnWithoutGapsAndEachFlashMeetsItsBurst) {
  for (const bool hdv : {false, true}) {
    SCOPED_TRACE(hdv ? "HDV" : "DV");
    platform::ManualClock clock;
    platform::ScopedClock use(clock);
    ASSERT_TRUE(hdv ? graph.OpenHdv(window, window, "Vidarro HDV Camcorder")
                    : graph.OpenDv(window, window, "Vidarro DV Camcorder"));
    if (hdv) Run(clock, "m2ts Dump", 10);  // the program tables mapped
    MpegCaptureSettings mpeg;
    mpeg.fileName = Folder() + (hdv ? "peer_hdv.mpg" : "peer_dv.mpg");
    mpeg.streamType = 7;
    mpeg.resolutionLevel = 2;
    mpeg.videoBitRate = 6000000;
    ASSERT_TRUE(hdv ? graph.StartHdvMpegCapture(&mpeg) : graph.StartMpegCapture(&mpeg));
    Run(clock, hdv ? "m2ts Dump" : "Video Render", 75);
    ASSERT_TRUE(hdv ? graph.StopHdvCapture() : graph.StopCapture());
    graph.Close();

    const auto facts = platform::filters::test::ProbeFile(platform::filters::MpegPartName(mpeg.fileName, 0), true);
    EXPECT_EQ(facts.video.codec, "mpeg2video");
    EXPECT_EQ(facts.audio.codec, "mp2");
    ASSERT_GE(facts.codes.size(), 60u);
    const long long loop = hdv ? sim::HdvLoopFrames() : 30;
    for (std::size_t i = 1; i < facts.codes.size(); ++i)
      ASSERT_EQ(facts.codes[i], (facts.codes[i - 1] + 1) % loop) << "picture " << i;
    EXPECT_GE(facts.flashes.size(), 2u);
    // The HDV loop's sound is a few MPEG audio frames shorter than its half second of pictures,
    // so only the DV loop keeps its bursts on its flashes from loop to loop.
    if (!hdv) {
      EXPECT_TRUE(platform::filters::test::FlashesMeetBursts(facts, 333667 / 1e7))
          << "first flash " << (facts.flashes.empty() ? -1 : facts.flashes[0]) << ", bursts " << facts.bursts.size();
    }
  }
}

TEST_F(CamcorderPeerTest, TarnelAuthorsTheRecordedClipAndLibblurayReadsIt) {
  bdauthor::test::WorkFolder work("camcorder");
  std::filesystem::create_directories(work.Path() + "BDMV/STREAM");
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  ASSERT_TRUE(graph.OpenHdv(window, window, "Vidarro HDV Camcorder"));
  Run(clock, "m2ts Dump", 5);
  const std::string clip = work.ClipPath(0);
  ASSERT_TRUE(graph.StartHdvBdCapture2(clip, 0x40000000));
  // Under the 4 MB the library reads back for the last PTS when a companion spares its scan: its
  // tail read starts off a packet boundary on longer clips.
  Run(clock, "m2ts Dump", 32);
  ASSERT_TRUE(graph.StopHdvCapture());
  graph.Close();
  ASSERT_TRUE(std::filesystem::exists(clip + ".ptsinfo"));
  const std::string probe =
      Output("ffprobe -v error -show_entries stream=id,codec_name,width,height,field_order -of csv=p=0 '" + clip + "'");
  EXPECT_NE(probe.find("mpeg2video,1440,1080,tt,0x1011"), std::string::npos) << probe;
  EXPECT_NE(probe.find("pcm_bluray,0x1100"), std::string::npos) << probe;
  {
    std::ifstream in(clip, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    bdauthor::EntryPointScanner scanner;
    scanner.Feed(bytes.data(), bytes.size());
    ASSERT_GE(scanner.Entries().size(), 2u);
    EXPECT_LT(scanner.LastVideoPts() - scanner.Entries().back().pts, 90000)
        << scanner.LastVideoPts() << " " << scanner.Entries().back().pts;
  }

  // Authored once with the companion and once from a scan of the clip: the same clip information.
  work.WriteJob(1, {"0"});
  const std::string clpi = work.Path() + "BDMV/CLIPINF/00000.clpi";
  platform::MessageBoxRecorder recorder;
  bdauthor::TarnelJob withCompanion;
  ASSERT_TRUE(withCompanion.Run(work.ConfigPath())) << (recorder.Count() ? recorder.Last().text : "");
  const std::string fromCompanion = ReadText(clpi);
  EXPECT_FALSE(std::filesystem::exists(clip + ".ptsinfo"));
  bdauthor::TarnelJob fromScan;
  ASSERT_TRUE(fromScan.Run(work.ConfigPath())) << (recorder.Count() ? recorder.Last().text : "");
  EXPECT_EQ(ReadText(clpi), fromCompanion);

  std::unique_ptr<BLURAY, void (*)(BLURAY*)> bd(bd_open(work.Path().c_str(), nullptr), bd_close);
  ASSERT_TRUE(bd);
  ASSERT_GE(bd_get_titles(bd.get(), TITLES_ALL, 0), 1u);
  BLURAY_TITLE_INFO* title = bd_get_title_info(bd.get(), 0, 0);
  ASSERT_NE(title, nullptr);
  const double seconds = static_cast<double>(title->duration) / 90000;
  EXPECT_NEAR(seconds, 1.0, 0.4);
  ASSERT_GE(title->clip_count, 1u);
  const BLURAY_CLIP_INFO& info = title->clips[0];
  ASSERT_GE(info.video_stream_count, 1);
  EXPECT_EQ(info.video_streams[0].pid, 0x1011);
  EXPECT_EQ(info.video_streams[0].coding_type, BLURAY_STREAM_TYPE_VIDEO_MPEG2);
  EXPECT_EQ(info.video_streams[0].format, BLURAY_VIDEO_FORMAT_1080I);
  ASSERT_GE(info.audio_stream_count, 1);
  EXPECT_EQ(info.audio_streams[0].pid, 0x1100);
  EXPECT_EQ(info.audio_streams[0].coding_type, BLURAY_STREAM_TYPE_AUDIO_LPCM);
  bd_free_title_info(title);
}

}  // namespace
