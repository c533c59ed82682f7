// Recordings through the camcorder graphs from the machine's own FireWire camcorders (the bus
// model, fed DV frames and an HDV transport stream that ffmpeg made), read back by ffprobe; a
// camcorder unplugged or silent mid-recording ends the graph and leaves a readable file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "capture/dv_capture_graph.h"
#include "capture/tests/graph_test_support.h"
#include "platform/base/process.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/firewire_capture_filter.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/tests/firewire_model.h"
#include "platform/filters/mpeg_session.h"

using namespace platform::dshow;
namespace fw = platform::dshow::firewire;
namespace model = platform::dshow::firewire::model;

namespace {

using capture_test::Folder;

constexpr std::uint64_t kDvGuid = 0x0800460102030001ULL, kHdvGuid = 0x0000850000C0FFEEULL;
constexpr char kDv[] = "Sony DCR-TRV900";
constexpr char kHdv[] = "Canon HV20";

// ffprobe's answer for the first stream of a kind, one value per line.
std::string Probe(const std::string& stream, const std::string& entries, const std::string& file) {
  std::string out, err;
  int code = -1;
  platform::RunProcess(
      "ffprobe", {"-v", "error", "-select_streams", stream, "-show_entries", entries, "-of", "default=nw=1:nk=1", file},
      &out, &err, &code, 60000);
  // A stream inside a program is listed again: one value per entry, from the first listing.
  const auto values = static_cast<std::size_t>(std::count(entries.begin(), entries.end(), ',') + 1);
  std::string first;
  std::size_t at = 0;
  for (std::size_t i = 0; i < values && at < out.size(); ++i) {
    const std::size_t end = std::min(out.find('\n', at), out.size());
    first += (i ? "\n" : "") + out.substr(at, end - at);
    at = end + 1;
  }
  return first;
}

// "30000/1001" as a number.
double Rate(const std::string& fraction) {
  const std::size_t slash = fraction.find('/');
  if (slash == std::string::npos) return 0.0;
  return std::stod(fraction.substr(0, slash)) / std::stod(fraction.substr(slash + 1));
}

double Duration(const std::string& file) {
  const std::string out = Probe("v:0", "format=duration", file);
  return out.empty() ? 0.0 : std::stod(out);
}

class FirewireRecordingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("VIDARRO_SIMULATED", "0", 1);
    sim::Hardware::Instance().Reload();
    window = capture_test::CreateNotifyWindow();
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    graph.Close();
    DestroyWindow(window);
    setenv("VIDARRO_SIMULATED", "1", 1);
    sim::Hardware::Instance().Reload();
  }
  // Hands the stream over and lets the graph take it, answering its events as the page does.
  void Play(model::BusModel& on, std::uint64_t guid, const std::vector<std::vector<std::uint8_t>>& items) {
    ASSERT_TRUE(on.Play(guid, items, [this] { graph.HandleGraphEvents(); }));
    graph.HandleGraphEvents();
  }
  // Answers the graph's events until the camcorder is reported lost (the graph closes).
  bool WaitLost() {
    for (int i = 0; i < 300; ++i) {
      if (graph.HandleGraphEvents() == EC_DEVICE_LOST) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  model::BusModel bus;
  HWND window = nullptr;
  CDvCaptureGraph graph;
};

}  // namespace

// NTSC and PAL at 4:3 and NTSC at 16:9: the DV-AVI keeps the camcorder's size, rate, shape and
// every frame.
TEST_F(FirewireRecordingTest, DvAviKeepsSizeRateAspectAndDurationOfEachSystem) {
  const struct {
    const char* system;
    const char* aspect;
    fw::PlugFormat format;
    const char* size;
    double rate;
    const char* dar;
  } cases[] = {
      {"ntsc", "4:3", fw::PlugFormat::Dv525, "720\n480", 29.97, "4:3"},
      {"pal", "4:3", fw::PlugFormat::Dv625, "720\n576", 25.0, "4:3"},
      {"ntsc", "16:9", fw::PlugFormat::Dv525, "720\n480", 29.97, "16:9"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.system) + " " + c.aspect);
    model::BusModel one;  // a camcorder of this system alone on the bus
    const model::Camera cam = model::CameraOf(kDvGuid + static_cast<std::uint64_t>(++n), "Sony", kDv, c.format);
    one.Add(cam);
    const auto frames = model::MakeDvFrames(c.system, c.aspect, 45);
    ASSERT_EQ(frames.size(), 45u) << "ffmpeg made no DV";
    ASSERT_TRUE(graph.OpenDv(window, window, kDv));
    const std::string file = Folder() + "fw_" + c.system + "_" + std::to_string(n) + ".avi";
    std::filesystem::remove(file);
    ASSERT_TRUE(graph.StartDvCapture(file));
    Play(one, cam.unit.guid, frames);
    ASSERT_TRUE(graph.StopDvCapture());
    graph.Close();
    EXPECT_EQ(Probe("v:0", "stream=codec_name", file), "dvvideo");
    EXPECT_EQ(Probe("v:0", "stream=width,height", file), c.size);
    EXPECT_NEAR(Rate(Probe("v:0", "stream=r_frame_rate", file)), c.rate, 0.01);
    EXPECT_EQ(Probe("v:0", "stream=display_aspect_ratio", file), c.dar);
    const double frameSeconds = c.format == fw::PlugFormat::Dv625 ? 0.04 : 1001.0 / 30000;
    EXPECT_NEAR(Duration(file), 45 * frameSeconds, 2 * frameSeconds);
  }
}

// The DV camcorder through the decoder into the MPEG encoder at DVD settings: DVD MPEG-2 with
// its sound, as long as the tape that was played.
TEST_F(FirewireRecordingTest, DvToDvdMpegKeepsThePictureAndTheSound) {
  bus.Add(model::CameraOf(kDvGuid, "Sony", kDv));
  const auto frames = model::MakeDvFrames("ntsc", "4:3", 60);
  ASSERT_EQ(frames.size(), 60u) << "ffmpeg made no DV";
  ASSERT_TRUE(graph.OpenDv(window, window, kDv));
  MpegCaptureSettings mpeg;
  mpeg.fileName = Folder() + "fw_dv_dvd.mpg";
  mpeg.streamType = 7;
  mpeg.resolutionLevel = 2;
  mpeg.videoBitRate = 6000000;
  ASSERT_TRUE(graph.StartMpegCapture(&mpeg));
  Play(bus, kDvGuid, frames);
  ASSERT_TRUE(graph.StopCapture());
  graph.Close();
  const std::string file = platform::filters::MpegPartName(mpeg.fileName, 0);
  EXPECT_EQ(Probe("v:0", "stream=codec_name,width,height", file), "mpeg2video\n720\n480");
  EXPECT_EQ(Probe("a:0", "stream=codec_name", file), "mp2");
  EXPECT_NEAR(Duration(file), 2.0, 0.2);
}

// The HDV transport stream is recorded as it came, to an .m2ts and through the Blu-ray graph.
TEST_F(FirewireRecordingTest, HdvRecordsTheTransportStreamAndTheBluRayStream) {
  bus.Add(model::CameraOf(kHdvGuid, "Canon", kHdv, fw::PlugFormat::Mpeg2Ts));
  const auto chunks = model::MakeHdvChunks(90);
  ASSERT_EQ(chunks.size(), 90u) << "ffmpeg made no transport stream";
  const std::vector<std::vector<std::uint8_t>> tables(chunks.begin(), chunks.begin() + 15);
  ASSERT_TRUE(graph.OpenHdv(window, window, kHdv));
  Play(bus, kHdvGuid, tables);  // the program tables mapped

  const std::string m2ts = Folder() + "fw_hdv.m2ts";
  std::filesystem::remove(m2ts);
  ASSERT_TRUE(graph.StartHdvStreamCapture(m2ts, 0));
  Play(bus, kHdvGuid, chunks);
  ASSERT_TRUE(graph.StopHdvCaptureToPreview());
  EXPECT_EQ(Probe("v:0", "stream=codec_name,width,height", m2ts), "mpeg2video\n1440\n1080");
  EXPECT_EQ(Probe("v:0", "stream=display_aspect_ratio", m2ts), "16:9");
  EXPECT_EQ(Probe("a:0", "stream=codec_name", m2ts), "mp2");
  EXPECT_NEAR(Duration(m2ts), 3.0, 0.5);

  const std::string bd = Folder() + "fw_hdv_bd.m2ts";
  std::filesystem::remove(bd);
  ASSERT_TRUE(graph.StartHdvBdCapture2(bd, 0));
  Play(bus, kHdvGuid, chunks);
  ASSERT_TRUE(graph.StopHdvCapture());
  graph.Close();
  EXPECT_EQ(Probe("v:0", "stream=codec_name,width,height,field_order", bd), "mpeg2video\n1440\n1080\ntt");
  EXPECT_EQ(Probe("a:0", "stream=codec_name", bd), "pcm_bluray");
  EXPECT_GT(Duration(bd), 2.0);
}

// Unplugged mid-recording, or silent for two seconds and not answering, the camcorder ends the
// graph with the device-lost event; what was recorded so far reads back.
TEST_F(FirewireRecordingTest, ACamcorderGoneMidRecordingLeavesAReadableFile) {
  for (const bool unplugged : {true, false}) {
    SCOPED_TRACE(unplugged ? "unplugged" : "switched off");
    model::BusModel one;
    one.Add(model::CameraOf(kDvGuid, "Sony", kDv));
    const auto frames = model::MakeDvFrames("ntsc", "4:3", 30);
    ASSERT_EQ(frames.size(), 30u);
    ASSERT_TRUE(graph.OpenDv(window, window, kDv));
    const std::string file = Folder() + (unplugged ? "fw_unplugged.avi" : "fw_silent.avi");
    std::filesystem::remove(file);
    ASSERT_TRUE(graph.StartDvCapture(file));
    Play(one, kDvGuid, frames);
    one.SwitchOff(kDvGuid, unplugged);
    ASSERT_TRUE(WaitLost());
    EXPECT_FALSE(graph.IsCapturing());
    EXPECT_EQ(Probe("v:0", "stream=codec_name", file), "dvvideo");
    EXPECT_NEAR(Duration(file), 1.0, 0.2);
  }
}
