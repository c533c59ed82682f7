// The analog graph's topologies, pinned whole by the graph dump: what connects to what, under
// which names, for each kind of device and recording.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "capture/capture_graph.h"
#include "capture/tests/graph_test_support.h"
#include "platform/base/clock.h"
#include "platform/base/file.h"
#include "platform/com/class_table.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/uuids.h"

using namespace platform::dshow;

namespace {

using capture_test::Folder;

class CaptureTopologyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    devices = sim::DefaultDevices();
    devices[0].formats = {{352, 240, 333667, MEDIASUBTYPE_YUY2}};
    sim::Hardware::Instance().SetDevices(devices);
  }
  void TearDown() override { graph.CloseDevice(); }
  // The USB box as a plain card of that name.
  void UseCard(bool vp) {
    auto card = devices[0];
    card.kind = sim::DeviceKind::AnalogCard;
    card.name = "Vidarro Analog Card";
    card.vpPin = vp;
    devices[0] = card;
    sim::Hardware::Instance().SetDevices(devices);
  }
  std::string Dump() { return DumpGraph(graph.Graph()); }
  // Moves device time on until the encoder has taken ms worth of pictures.
  void Advance(int ms) {
    for (int t = 100; t <= ms; t += 100) {
      clock.Advance(100);
      DWORD frames = 0;
      for (int i = 0; i < 2000 && frames < static_cast<DWORD>(t * 30 / 1001); ++i) {
        graph.WriterHelper().GetEncoderStatus(graph.MpegEncoder(), nullptr, &frames);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
  }
  MpegCaptureSettings Mpeg(const char* name) {
    MpegCaptureSettings s;
    s.fileName = Folder() + name;
    s.streamType = 7;
    s.resolutionLevel = 0;
    s.videoBitRate = 2000000;
    s.maxFileSizeMB = 3896;
    return s;
  }

  std::vector<sim::DeviceDesc> devices;
  platform::ManualClock clock{1000};
  platform::ScopedClock use{clock};
  CCaptureGraph graph;
};

constexpr const char* kCrossbar =
    "Vidarro USB Crossbar\n"
    "  0: Video Decoder Out -> Video Capture.Analog Video In [AnalogVideo *]\n"
    "  1: Audio Decoder Out (unconnected)\n";

}  // namespace

TEST_F(CaptureTopologyTest, EachDevicePreviewsThroughItsOwnChains) {
  // A USB box hears its partner through the DirectSound renderer.
  ASSERT_TRUE(graph.OpenDevice(nullptr, nullptr, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1));
  ASSERT_TRUE(graph.StartPreview());
  EXPECT_EQ(Dump(), std::string("ACM Wapper\n"
                                "  Output -> Audio Analyzer.XForm In [Audio PCM 48000Hz 2ch 16bit]\n"
                                "Audio Analyzer\n"
                                "  XForm Out -> DSound Audio Render.Audio Input pin (rendered) [Audio PCM 48000Hz "
                                "2ch 16bit]\n"
                                "Audio Capture Device\n"
                                "  Capture -> ACM Wapper.Input [Audio PCM 48000Hz 2ch 16bit]\n"
                                "DSound Audio Render\n"
                                "Qn Space Color Converter\n"
                                "  XForm Out -> Video Render.Input [Video RGB32 352x240]\n") +
                        kCrossbar +
                        "Video Capture\n"
                        "  Capture -> Qn Space Color Converter.XForm In [Video YUY2 352x240]\n"
                        "Video Render\n");
  graph.CloseDevice();

  // A plain card measures its sound into "NULL Renderer"; the erase-line filter comes first.
  UseCard(false);
  graph.SetEraseLines(4);
  ASSERT_TRUE(graph.OpenDevice(nullptr, nullptr, "Vidarro Analog Card", "Vidarro USB Audio Capture", 1));
  ASSERT_TRUE(graph.StartPreview());
  EXPECT_EQ(Dump(), std::string("ACM Wapper\n"
                                "  Output -> Audio Analyzer.XForm In [Audio PCM 48000Hz 2ch 16bit]\n"
                                "Audio Analyzer\n"
                                "  XForm Out -> NULL Renderer.In [Audio PCM 48000Hz 2ch 16bit]\n"
                                "Audio Capture Device\n"
                                "  Capture -> ACM Wapper.Input [Audio PCM 48000Hz 2ch 16bit]\n"
                                "Erase Line\n"
                                "  XForm Out -> Qn Space Color Converter.XForm In [Video YUY2 352x240]\n"
                                "NULL Renderer\n"
                                "Qn Space Color Converter\n"
                                "  XForm Out -> Video Render.Input [Video RGB32 352x240]\n") +
                        kCrossbar +
                        "Video Capture\n"
                        "  Capture -> Erase Line.XForm In [Video YUY2 352x240]\n"
                        "Video Render\n");
  graph.CloseDevice();
  graph.SetEraseLines(0);

  // Without any sound source: the picture alone.
  ASSERT_TRUE(graph.OpenDevice(nullptr, nullptr, "Vidarro Analog Card", "NULL", 1));
  ASSERT_TRUE(graph.StartPreview());
  EXPECT_EQ(Dump(), std::string("Qn Space Color Converter\n"
                                "  XForm Out -> Video Render.Input [Video RGB32 352x240]\n") +
                        kCrossbar +
                        "Video Capture\n"
                        "  Capture -> Qn Space Color Converter.XForm In [Video YUY2 352x240]\n"
                        "Video Render\n");
  graph.CloseDevice();

  // A device with its own sound pin at 480 lines: the down-sampler halves the preview.
  devices[0].formats = {{720, 480, 333667, MEDIASUBTYPE_YUY2}};
  devices[0].audioPin = true;
  sim::Hardware::Instance().SetDevices(devices);
  ASSERT_TRUE(graph.OpenDevice(nullptr, nullptr, "Vidarro Analog Card", "NULL", 1));
  long width = 720, height = 480;
  ASSERT_TRUE(graph.SetCaptureFormat(&width, &height, FALSE));
  ASSERT_TRUE(graph.StartPreview());
  EXPECT_EQ(Dump(), std::string("ACM Wapper\n"
                                "  Output -> Audio Analyzer.XForm In [Audio PCM 48000Hz 2ch 16bit]\n"
                                "Audio Analyzer\n"
                                "  XForm Out -> DSound Audio Render.Audio Input pin (rendered) [Audio PCM 48000Hz "
                                "2ch 16bit]\n"
                                "DSound Audio Render\n"
                                "Qn Space Color Converter\n"
                                "  XForm Out -> Video Render.Input [Video RGB32 720x240]\n"
                                "Qn Video DownSampler\n"
                                "  XForm Out -> Qn Space Color Converter.XForm In [Video YUY2 720x240]\n") +
                        kCrossbar +
                        "Video Capture\n"
                        "  Capture -> Qn Video DownSampler.XForm In [Video YUY2 720x480]\n"
                        "  Audio -> ACM Wapper.Input [Audio PCM 48000Hz 2ch 16bit]\n"
                        "Video Render\n");
}

TEST_F(CaptureTopologyTest, RecordingsSplitThroughTeesIntoTheirWriters) {
  // MPEG with a time offset: both "TimeOffset" filters before the encoder, the box's sound heard.
  graph.SetTimeOffset(-500);
  ASSERT_TRUE(graph.OpenDevice(nullptr, nullptr, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1));
  const MpegCaptureSettings mpeg = Mpeg("topology.mpg");
  ASSERT_TRUE(graph.StartMpegCapture(&mpeg));
  EXPECT_EQ(Dump(), std::string("ACM Wapper\n"
                                "  Output -> Audio Analyzer.XForm In [Audio PCM 48000Hz 2ch 16bit]\n"
                                "Audio Analyzer\n"
                                "  XForm Out -> InfTee Audio.Input [Audio PCM 48000Hz 2ch 16bit]\n"
                                "Audio Capture Device\n"
                                "  Capture -> ACM Wapper.Input [Audio PCM 48000Hz 2ch 16bit]\n"
                                "DSound Audio Render\n"
                                "InfTee Audio\n"
                                "  Output1 -> TimeOffset Audio.XForm In [Audio PCM 48000Hz 2ch 16bit]\n"
                                "  Output2 -> DSound Audio Render.Audio Input pin (rendered) [Audio PCM 48000Hz 2ch "
                                "16bit]\n"
                                "  Output3 (unconnected)\n"
                                "InfTee Video\n"
                                "  Output1 -> TimeOffset Video.XForm In [Video YUY2 352x240]\n"
                                "  Output2 -> Qn Space Color Converter.XForm In [Video YUY2 352x240]\n"
                                "  Output3 (unconnected)\n"
                                "Qn MPEG Encoder\n"
                                "Qn Space Color Converter\n"
                                "  XForm Out -> Video Render.Input [Video RGB32 352x240]\n"
                                "TimeOffset Audio\n"
                                "  XForm Out -> Qn MPEG Encoder.Audio [Audio PCM 48000Hz 2ch 16bit]\n"
                                "TimeOffset Video\n"
                                "  XForm Out -> Qn MPEG Encoder.Video [Video YUY2 352x240]\n") +
                        kCrossbar +
                        "Video Capture\n"
                        "  Capture -> InfTee Video.Input [Video YUY2 352x240]\n"
                        "Video Render\n");
  graph.CloseDevice();
  graph.SetTimeOffset(0);

  // AVI from a plain card: never a time offset, the sound recorded but not heard.
  UseCard(false);
  graph.SetEraseLines(4);
  ASSERT_TRUE(graph.OpenDevice(nullptr, nullptr, "Vidarro Analog Card", "Vidarro USB Audio Capture", 1));
  AviCaptureSettings avi;
  avi.fileName = Folder() + "topology.avi";
  ASSERT_TRUE(graph.StartAviCapture(&avi));
  EXPECT_EQ(Dump(), std::string("ACM Wapper\n"
                                "  Output -> Audio Analyzer.XForm In [Audio PCM 48000Hz 2ch 16bit]\n"
                                "Audio Analyzer\n"
                                "  XForm Out -> InfTee Audio.Input [Audio PCM 48000Hz 2ch 16bit]\n"
                                "Audio Capture Device\n"
                                "  Capture -> ACM Wapper.Input [Audio PCM 48000Hz 2ch 16bit]\n"
                                "Avi Mux\n"
                                "  AVI Out -> File Writer.in [Stream Avi]\n"
                                "Erase Line\n"
                                "  XForm Out -> InfTee Video.Input [Video YUY2 352x240]\n"
                                "File Writer\n"
                                "InfTee Audio\n"
                                "  Output1 -> Avi Mux.Input 02 [Audio PCM 48000Hz 2ch 16bit]\n"
                                "  Output2 (unconnected)\n"
                                "InfTee Video\n"
                                "  Output1 -> Avi Mux.Input 01 [Video YUY2 352x240]\n"
                                "  Output2 -> Qn Space Color Converter.XForm In [Video YUY2 352x240]\n"
                                "  Output3 (unconnected)\n"
                                "Qn Space Color Converter\n"
                                "  XForm Out -> Video Render.Input [Video RGB32 352x240]\n") +
                        kCrossbar +
                        "Video Capture\n"
                        "  Capture -> Erase Line.XForm In [Video YUY2 352x240]\n"
                        "Video Render\n");
  graph.CloseDevice();
  graph.SetEraseLines(0);

  // A video-only device records its picture alone.
  ASSERT_TRUE(graph.OpenDevice(nullptr, nullptr, "Vidarro Analog Card", "NULL", 1));
  ASSERT_TRUE(graph.StartMpegCapture(&mpeg));
  EXPECT_EQ(Dump(), std::string("InfTee Video\n"
                                "  Output1 -> Qn MPEG Encoder.Video [Video YUY2 352x240]\n"
                                "  Output2 -> Qn Space Color Converter.XForm In [Video YUY2 352x240]\n"
                                "  Output3 (unconnected)\n"
                                "Qn MPEG Encoder\n"
                                "Qn Space Color Converter\n"
                                "  XForm Out -> Video Render.Input [Video RGB32 352x240]\n") +
                        kCrossbar +
                        "Video Capture\n"
                        "  Capture -> InfTee Video.Input [Video YUY2 352x240]\n"
                        "Video Render\n");
}

TEST_F(CaptureTopologyTest, AVideoPortDeviceShowsThroughTheOverlayMixerAndRecordsItsCapturePin) {
  UseCard(true);
  ASSERT_TRUE(graph.OpenDevice(nullptr, nullptr, "Vidarro Analog Card", "Vidarro USB Audio Capture", 1));
  ASSERT_TRUE(graph.StartPreview());
  const std::string overlay =
      "Overlay Mixer\n"
      "  Output -> Video Renderer.Input [Video RGB32 352x240]\n";
  EXPECT_EQ(Dump(),
            "Audio Capture Device\n"
            "  Capture (unconnected)\n" +
                overlay + kCrossbar +
                "Video Capture\n"
                "  Capture (unconnected)\n"
                "  VP -> Overlay Mixer.Input0 [Video YUY2 352x240]\n"
                "Video Renderer\n");

  const MpegCaptureSettings mpeg = Mpeg("overlay.mpg");
  ASSERT_TRUE(graph.StartMpegCapture(&mpeg));
  EXPECT_EQ(Dump(),
            "Audio Capture Device\n"
            "  Capture -> Qn MPEG Encoder.Audio [Audio PCM 48000Hz 2ch 16bit]\n" +
                overlay + "Qn MPEG Encoder\n" + kCrossbar +
                "Video Capture\n"
                "  Capture -> Qn MPEG Encoder.Video [Video YUY2 352x240]\n"
                "  VP -> Overlay Mixer.Input0 [Video YUY2 352x240]\n"
                "Video Renderer\n");
  Advance(500);
  ASSERT_TRUE(graph.StopCapture());
  EXPECT_GT(platform::FileSize(Folder() + "overlay_0.mpg"), 10000);
  EXPECT_EQ(Dump(),
            "Audio Capture Device\n"
            "  Capture (unconnected)\n" +
                std::string(kCrossbar) +
                "Video Capture\n"
                "  Capture (unconnected)\n"
                "  VP (unconnected)\n");
}

TEST_F(CaptureTopologyTest, ARendererThatRefusesTheSoundGivesWayToTheOtherOne) {
  // A DirectSound renderer that takes no sound at all.
  platform::com::ClassRegistration refusing(CLSID_DSoundRender, [](REFIID riid, void** ppv) {
    return CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, riid, ppv);
  });
  ASSERT_TRUE(graph.OpenDevice(nullptr, nullptr, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1));
  ASSERT_TRUE(graph.StartPreview());
  const std::string dump = Dump();
  EXPECT_NE(dump.find("  XForm Out -> WavOut Render.Audio Input pin (rendered) [Audio PCM 48000Hz 2ch 16bit]\n"),
            std::string::npos)
      << dump;
  EXPECT_EQ(dump.find("DSound Audio Render"), std::string::npos) << dump;
}
