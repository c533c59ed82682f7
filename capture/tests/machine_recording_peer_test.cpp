// DVD recordings through the capture graph from the machine's own capture devices (the V4L2
// device model: a USB capture box and a TV card), read back by ffprobe.
#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include "capture/capture_graph.h"
#include "capture/tests/graph_test_support.h"
#include "platform/base/clock.h"
#include "platform/base/process.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/tests/v4l2_model.h"

using namespace platform::dshow;
namespace model = platform::dshow::v4l2::model;

namespace {

using capture_test::Folder;

constexpr char kBox[] = "UVC Camera (534d:2109): USB Vid";
constexpr char kCard[] = "Hauppauge WinTV-HVR5525";

std::string Probe(const std::string& entries, const std::string& file) {
  std::string out, err;
  int code = -1;
  platform::RunProcess(
      "ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries", entries, "-of", "default=nw=1:nk=1", file},
      &out, &err, &code, 60000);
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

double Duration(const std::string& file) {
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "default=nw=1:nk=1", file},
                       &out, &err, &code, 60000);
  return out.empty() ? 0.0 : std::stod(out);
}

class MachineRecordingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("VIDARRO_SIMULATED", "0", 1);
    sim::Hardware::Instance().Reload();
    auto devices = model::UsbCaptureBox("video0");
    devices.push_back(model::TvCard("video2"));
    machine = std::make_unique<model::Model>(devices, std::string(VIDARRO_TEST_BINARY_DIR) + "/machine");
    window = capture_test::CreateNotifyWindow();
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    graph.CloseDevice();
    DestroyWindow(window);
    machine.reset();
    setenv("VIDARRO_SIMULATED", "1", 1);
    sim::Hardware::Instance().Reload();
  }
  // Opens the device as the capture page does for DVD: NTSC, 720x480, previewing.
  void Open(const char* name) {
    ASSERT_TRUE(graph.OpenDevice(window, window, name, "NULL", 1));
    long width = 720, height = 480;
    ASSERT_TRUE(graph.SetCaptureFormat(&width, &height, FALSE));
    ASSERT_TRUE(graph.StartPreview());
  }
  // Moves device time on until the encoder has taken ms worth of pictures.
  void Advance(int ms) {
    for (int t = 100; t <= ms; t += 100) {
      clock.Advance(100);
      DWORD frames = 0;
      const auto due = static_cast<DWORD>(t * 30 / 1001);
      for (int i = 0; i < 2000 && frames < due; ++i) {
        graph.WriterHelper().GetEncoderStatus(graph.MpegEncoder(), nullptr, &frames);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
  }
  std::string Record(const std::string& name, int ms) {
    MpegCaptureSettings s;
    s.fileName = Folder() + name + ".mpg";
    s.streamType = 7;
    s.resolutionLevel = 2;
    s.videoBitRate = 4000000;
    s.maxFileSizeMB = 3896;
    EXPECT_TRUE(graph.StartMpegCapture(&s));
    Advance(ms);
    EXPECT_TRUE(graph.StopCapture());
    return Folder() + name + "_0.mpg";
  }

  platform::ManualClock clock{1000};
  platform::ScopedClock use{clock};
  std::unique_ptr<model::Model> machine;
  HWND window = nullptr;
  CCaptureGraph graph;
};

}  // namespace

TEST_F(MachineRecordingTest, DvdFromTheUsbBox) {
  Open(kBox);
  EXPECT_FALSE(graph.HasCrossbar());
  EXPECT_TRUE(graph.IsVideoSignalPresent());  // no decoder: a camera always has a picture
  const std::string file = Record("box", 5000);
  EXPECT_EQ(machine->PixelFormat("video0"), static_cast<std::uint32_t>(V4L2_PIX_FMT_YUYV));
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(Probe("stream=codec_name,width,height,r_frame_rate", file), "mpeg2video\n720\n480\n30000/1001");
  EXPECT_NEAR(Duration(file), 5.0, 0.6);
}

// The card's inputs are the graph's crossbar inputs; the chosen one records, in the standard
// chosen; a lost signal is seen until the picture is back.
TEST_F(MachineRecordingTest, DvdFromTheTvCardsChosenInput) {
  Open(kCard);
  ASSERT_TRUE(graph.HasCrossbar());
  EXPECT_TRUE(graph.HasTvTuner());
  ASSERT_TRUE(graph.HasCrossbarInput(PhysConn_Video_SVideo));
  ASSERT_TRUE(graph.SelectCrossbarInput(PhysConn_Video_SVideo));
  EXPECT_EQ(machine->Input("video2"), 2u);
  EXPECT_EQ(machine->Standard("video2"), static_cast<std::uint64_t>(V4L2_STD_NTSC_M));
  machine->SetStatus("video2", 2, V4L2_IN_ST_NO_SIGNAL);
  EXPECT_FALSE(graph.IsVideoSignalPresent());
  machine->SetStatus("video2", 2, 0);
  EXPECT_TRUE(graph.IsVideoSignalPresent());
  const std::string file = Record("card", 5000);
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(Probe("stream=codec_name,width,height,r_frame_rate", file), "mpeg2video\n720\n480\n30000/1001");
  EXPECT_NEAR(Duration(file), 5.0, 0.6);
}

// Pulled mid-recording, the box ends the graph with the device-lost event; what was recorded
// stays a readable file.
TEST_F(MachineRecordingTest, ThePulledBoxLeavesAReadableFile) {
  Open(kBox);
  MpegCaptureSettings s;
  s.fileName = Folder() + "pulled.mpg";
  s.streamType = 7;
  s.resolutionLevel = 2;
  s.videoBitRate = 4000000;
  s.maxFileSizeMB = 3896;
  ASSERT_TRUE(graph.StartMpegCapture(&s));
  Advance(3000);
  machine->UnplugAfter("video0", machine->FramesDelivered("video0"));
  long code = 0;
  for (int i = 0; i < 500 && code != EC_DEVICE_LOST; ++i) {
    clock.Advance(40);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    code = graph.HandleGraphEvents();
  }
  EXPECT_EQ(code, EC_DEVICE_LOST);
  EXPECT_FALSE(graph.IsOpen());
  const std::string file = Folder() + "pulled_0.mpg";
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(Probe("stream=codec_name", file), "mpeg2video");
  EXPECT_NEAR(Duration(file), 3.0, 0.6);
}
