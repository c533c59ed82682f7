// The capture page recording from the machine's own FireWire camcorders (the bus model, fed
// DV frames and an HDV transport stream that ffmpeg made): the DV choice records DV-AVI, the
// HDV choice an .m2ts, both read by ffprobe, and the tape buttons move the camcorder's transport.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "capture_fixture.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/tests/firewire_model.h"

namespace studio {
namespace {

using namespace testkit;
namespace fw = platform::dshow::firewire;
namespace model = platform::dshow::firewire::model;

constexpr std::uint64_t kDvGuid = 0x0800460102030001ULL, kHdvGuid = 0x0000850000C0FFEEULL;

class FirewireCaptureTest : public CaptureFixture {
 protected:
  void SetUp() override {
    CaptureFixture::SetUp();
    setenv("VIDARRO_SIMULATED", "0", 1);
    platform::dshow::sim::Hardware::Instance().Reload();
    bus_.Add(model::CameraOf(kDvGuid, "Sony", "DCR-TRV900"));
    bus_.Add(model::CameraOf(kHdvGuid, "Canon", "HV20", fw::PlugFormat::Mpeg2Ts));
  }
  void TearDown() override {
    CaptureFixture::TearDown();
    setenv("VIDARRO_SIMULATED", "1", 1);
    platform::dshow::sim::Hardware::Instance().Reload();
  }
  // Hands the stream over and moves the clock on until the graph has taken all of it.
  void Play(std::uint64_t guid, const std::vector<std::vector<std::uint8_t>>& items) {
    EXPECT_TRUE(bus_.Play(guid, items, [this] {
      time_.Advance(34);
      Pump();
    }));
    Settle();
  }
  // Records what the camcorder sends in the format; the clips the page listed.
  std::vector<std::string> Record(int format, const char* device, std::uint64_t guid,
                                  const std::vector<std::vector<std::uint8_t>>& stream) {
    configure = [format, device](AppSettings& s) {
      s.recordFormat = format;
      s.videoDeviceName = device;
    };
    RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
      // HDV: the program tables are read before the recording starts.
      if (format == kHdv) Play(guid, {stream.begin(), stream.begin() + 15});
      ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
      ASSERT_TRUE(page.IsRecording());
      Play(guid, stream);
      ClickButton(p, IDC_CAPTURE_STOP);
      PumpReal([&] { return model_.clips.Count() > 0; });
      Picture(::GetAncestor(p, GA_ROOT),
              format == kHdv ? "capture_page_firewire_hdv.png" : "capture_page_firewire_dv.png");
    });
    std::vector<std::string> clips;
    for (const ClipItem& item : model_.clips.Items()) clips.push_back(item.path);
    return clips;
  }

  model::BusModel bus_;
};

TEST_F(FirewireCaptureTest, TheDvChoiceRecordsDvAviFromTheCamcorder) {
  const auto frames = model::MakeDvFrames("ntsc", "16:9", 60);
  ASSERT_EQ(frames.size(), 60u) << "ffmpeg made no DV";
  const auto clips = Record(kDvAvi, "Sony DCR-TRV900", kDvGuid, frames);
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_EQ(Probe("stream=codec_name,width,height", clips[0], "v:0"), "dvvideo\n720\n480");
  EXPECT_EQ(Probe("stream=display_aspect_ratio", clips[0], "v:0"), "16:9");
  const std::string duration = Probe("format=duration", clips[0]);
  ASSERT_FALSE(duration.empty());
  EXPECT_NEAR(std::stod(duration), 2.0, 0.1);
}

// A PAL camcorder that does not name its signal: the DV-AVI's headers follow the frames it
// sends, so picture and sound last the same.
TEST_F(FirewireCaptureTest, APalCamcorderThatDoesNotNameItsSignalRecordsPalDvAvi) {
  constexpr std::uint64_t kSilentPal = 0x0800460102030009ULL;
  bus_.Add(model::CameraOf(kSilentPal, "Canon", "MV750i", fw::PlugFormat::Unknown));
  const auto frames = model::MakeDvFrames("pal", "16:9", 50);
  ASSERT_EQ(frames.size(), 50u) << "ffmpeg made no DV";
  const auto clips = Record(kDvAvi, "Canon MV750i", kSilentPal, frames);
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_EQ(Probe("stream=codec_name,width,height,r_frame_rate", clips[0], "v:0"), "dvvideo\n720\n576\n25/1");
  EXPECT_EQ(Probe("stream=display_aspect_ratio", clips[0], "v:0"), "16:9");
  // The file lasts as long as its picture: the sound (taken from the same frames) is no longer.
  const std::string video = Probe("stream=duration", clips[0], "v:0");
  const std::string file = Probe("format=duration", clips[0]);
  ASSERT_FALSE(video.empty());
  ASSERT_FALSE(file.empty());
  EXPECT_NEAR(std::stod(video), 2.0, 0.1);
  EXPECT_NEAR(std::stod(file), std::stod(video), 0.1);
}

TEST_F(FirewireCaptureTest, TheHdvChoiceRecordsTheTransportStream) {
  const auto chunks = model::MakeHdvChunks(60);
  ASSERT_EQ(chunks.size(), 60u) << "ffmpeg made no transport stream";
  const auto clips = Record(kHdv, "Canon HV20", kHdvGuid, chunks);
  ASSERT_GE(clips.size(), 1u);
  EXPECT_EQ(Probe("format=format_name", clips[0]), "mpegts");
  const std::string video = Probe("stream=codec_name,width,height", clips[0], "v:0");
  EXPECT_EQ(video.rfind("mpeg2video\n1440\n1080", 0), 0u) << video;
}

// A camcorder unplugged while the page records DV-AVI ends the recording; the file so far reads.
TEST_F(FirewireCaptureTest, UnpluggingTheCamcorderMidRecordingKeepsAReadableFile) {
  const auto frames = model::MakeDvFrames("ntsc", "4:3", 45);
  ASSERT_EQ(frames.size(), 45u) << "ffmpeg made no DV";
  configure = [](AppSettings& s) {
    s.recordFormat = kDvAvi;
    s.videoDeviceName = "Sony DCR-TRV900";
  };
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    ASSERT_TRUE(page.IsRecording());
    Play(kDvGuid, frames);
    bus_.SwitchOff(kDvGuid, true);
    PumpReal([&] { return !page.IsRecording(); });
    EXPECT_FALSE(page.IsRecording());
    EXPECT_TRUE(ControlEnabled(p, IDC_CAPTURE_START));
  });
  const std::string file = Output() + "DV_140509.avi";
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(Probe("stream=codec_name,width,height", file, "v:0"), "dvvideo\n720\n480");
  const std::string duration = Probe("format=duration", file);
  ASSERT_FALSE(duration.empty());
  EXPECT_NEAR(std::stod(duration), 1.5, 0.1);
}

// The tape buttons send the transport commands of the tape subunit (PLAY 0xC3 with FORWARD
// 0x75, PLAY with FORWARD PAUSE 0x7D, WIND 0xC4 with STOP 0x60 and, from a stopped transport,
// REWIND 0x65 and FAST FORWARD 0x75); the time code the camcorder answers is what the page shows.
TEST_F(FirewireCaptureTest, TapeButtonsMoveTheTransportAndThePageShowsItsTimecode) {
  configure = [](AppSettings& s) { s.videoDeviceName = "Sony DCR-TRV900"; };
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    ASSERT_EQ(page.DeviceType(), 2);
    const struct {
      UINT button;
      std::uint8_t opcode, operand;
    } presses[] = {
        {IDC_TAPE_PLAY, 0xC3, 0x75},   {IDC_TAPE_PAUSE, 0xC3, 0x7D}, {IDC_TAPE_STOP, 0xC4, 0x60},
        {IDC_TAPE_REWIND, 0xC4, 0x65}, {IDC_TAPE_STOP, 0xC4, 0x60},  {IDC_TAPE_FORWARD, 0xC4, 0x75},
    };
    for (const auto& press : presses) {
      SCOPED_TRACE(press.button);
      bus_.ClearCommands();
      ClickButton(p, press.button);
      bool sent = false;
      for (const auto& c : bus_.Commands())
        sent = sent || c == std::vector<std::uint8_t>{0x00, 0x20, press.opcode, press.operand};
      EXPECT_TRUE(sent);
      const model::Camera state = bus_.CameraState(kDvGuid);
      EXPECT_EQ(state.transportOpcode, press.opcode);
      EXPECT_EQ(state.transportState, press.operand);
    }
    bus_.SetTimecode(kDvGuid, 0x00, 0x12, 0x34, 0x21);
    time_.Advance(400);
    Pump();
    EXPECT_EQ(ControlText(p, IDC_TIMECODE), "00:12:34.21");
    bus_.SwitchOff(kDvGuid, false);
    time_.Advance(400);
    Pump();
    EXPECT_EQ(ControlText(p, IDC_TIMECODE), "--:--:--.--");
    Picture(::GetAncestor(p, GA_ROOT), "capture_page_firewire_tape.png");
  });
}

}  // namespace
}  // namespace studio
