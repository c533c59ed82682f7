// The capture page in the main window with the simulated hardware: devices, meters, volume,
// aspect, the time limit, starts and stops, the disk checks, record and burn.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "capture_fixture.h"
#include "platform/base/file_system.h"
#include "platform/com/class_table.h"
#include "platform/filters/recording_recovery.h"
#include "platform/testkit/file_size_limit.h"
#include "platform/testkit/killed_recording.h"
#include "platform/window/device_change.h"
#include "scripted_pack.h"
#include "widgets/skin_slider.h"

namespace studio {
namespace {

using namespace testkit;
using platform::dshow::sim::Hardware;
using testing::ScriptedPack;

class CapturePageTest : public BurnerCaptureFixture {
 protected:
  void SetUp() override {
    BurnerCaptureFixture::SetUp();
    // Small pictures keep the encoder quick; the peer tests record the real sizes.
    configure = [this](AppSettings& s) {
      s.recordFormat = kVcd;
      s.quality = 2;
      if (more) more(s);
    };
  }
  std::function<void(AppSettings&)> more;
  static void TypeLimit(HWND page, const char* h, const char* m, const char* s) {
    TypeInto(page, IDC_LIMIT_HOURS, h);
    TypeInto(page, IDC_LIMIT_MINUTES, m);
    TypeInto(page, IDC_LIMIT_SECONDS, s);
  }
};

TEST_F(CapturePageTest, WithoutAnyDeviceNothingOpensAndTheMetersRest) {
  Hardware::Instance().SetDevices({});
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    EXPECT_FALSE(TheCaptureEngine().graph.IsOpen());
    EXPECT_EQ(page.DeviceType(), 1);
    time_.Advance(400);
    EXPECT_EQ(ControlText(p, IDC_TIMECODE), "__ : __ : __._");
    EXPECT_EQ(page.LeftMeter(), 0);
    EXPECT_EQ(page.RightMeter(), 0);
    EXPECT_FALSE(ControlVisible(p, IDC_TAPE_PLAY));
    // Start with nothing open does nothing.
    ClickButton(p, IDC_CAPTURE_START);
    EXPECT_FALSE(page.IsRecording());
    EXPECT_EQ(boxes_.Count(), 0u);
  });
}

TEST_F(CapturePageTest, StoredIndexPastTheListLeavesThePageWithoutADevice) {
  more = [](AppSettings& s) {
    s.videoDeviceIndex = 17;
    s.videoDeviceName = "Gone Device";
  };
  Hardware::Instance().SetDevices({});
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND) { EXPECT_FALSE(TheCaptureEngine().graph.IsOpen()); });
}

TEST_F(CapturePageTest, CamcordersShowTheTapeBarAndHdvForcesWideScreen) {
  more = [](AppSettings& s) {
    s.videoDeviceName = "Vidarro DV Camcorder";
    s.videoDeviceIndex = -1;
  };
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    ASSERT_EQ(page.DeviceType(), 2);
    EXPECT_TRUE(ControlVisible(p, IDC_TAPE_PLAY));
    EXPECT_TRUE(ControlVisible(p, IDC_TIMECODE));
    time_.Advance(400);
    EXPECT_NE(ControlText(p, IDC_TIMECODE), "__ : __ : __._");
    Picture(::GetAncestor(p, GA_ROOT), "capture_page_dv.png");
  });
  more = [](AppSettings& s) {
    s.videoDeviceName = "Vidarro HDV Camcorder";
    s.wideScreen = 0;
  };
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    ASSERT_EQ(page.DeviceType(), 3);
    EXPECT_EQ(model_.settings.wideScreen, 1);
    EXPECT_EQ(::SendDlgItemMessage(p, IDC_ASPECT, CB_GETCURSEL, 0, 0), 1);
    Picture(::GetAncestor(p, GA_ROOT), "capture_page_hdv.png");
  });
}

TEST_F(CapturePageTest, ThePageWearsItsOwnSkinWithButtonsAtTheirPictureSize) {
  more = [](AppSettings& s) { s.videoDeviceName = "Vidarro DV Camcorder"; };
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    auto size = [p](UINT id) {
      RECT r{};
      ::GetWindowRect(::GetDlgItem(p, static_cast<int>(id)), &r);
      return std::pair{r.right - r.left, r.bottom - r.top};
    };
    EXPECT_EQ(size(IDC_CAPTURE_START), (std::pair{96, 36}));
    EXPECT_EQ(size(IDC_RECORD_OPTION), (std::pair{80, 28}));
    // The volume's value stays clear of the Option button beside it.
    RECT value{}, option{}, both{};
    ::GetWindowRect(::GetDlgItem(p, IDC_VOLUME_VALUE), &value);
    ::GetWindowRect(::GetDlgItem(p, IDC_RECORD_OPTION), &option);
    EXPECT_FALSE(::IntersectRect(&both, &value, &option));
    for (UINT tape : {IDC_TAPE_PLAY, IDC_TAPE_PAUSE, IDC_TAPE_STOP, IDC_TAPE_REWIND, IDC_TAPE_FORWARD})
      EXPECT_EQ(size(tape), (std::pair{40, 24})) << tape;
    // The record dot on Start, the play mark on ">" and the page's dark rim.
    EXPECT_EQ(Pixel(::GetDlgItem(p, IDC_CAPTURE_START), 18, 18), RGB(220, 40, 36));
    EXPECT_EQ(Pixel(::GetDlgItem(p, IDC_TAPE_PLAY), 20, 12), RGB(232, 236, 240));
    EXPECT_EQ(Pixel(p, 0, 100), RGB(20, 25, 28));
    EXPECT_EQ(Pixel(p, 100, 0), RGB(20, 25, 28));
    RECT client{};
    ::GetClientRect(p, &client);
    EXPECT_EQ(Pixel(p, client.right - 1, 100), RGB(20, 25, 28));
    EXPECT_EQ(Pixel(p, 100, client.bottom - 1), RGB(20, 25, 28));
  });
}

TEST_F(CapturePageTest, TheMetersShowTheSoundOfThePreview) {
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND) {
    EXPECT_TRUE(WaitReal(
        [&] {
          time_.Advance(100);
          return page.LeftMeter() > 0 && page.RightMeter() > 0;
        },
        10));
  });
}

TEST_F(CapturePageTest, TheTapeButtonsDriveTheCamcorder) {
  more = [](AppSettings& s) { s.videoDeviceName = "Vidarro DV Camcorder"; };
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    ASSERT_EQ(page.DeviceType(), 2);
    CDvCaptureGraph& dv = TheCaptureEngine().dvGraph;
    ASSERT_TRUE(ClickButton(p, IDC_TAPE_PLAY));
    EXPECT_EQ(dv.GetTransportMode(), 4296);
    ASSERT_TRUE(ClickButton(p, IDC_TAPE_PAUSE));
    EXPECT_EQ(dv.GetTransportMode(), 4298);
    ASSERT_TRUE(ClickButton(p, IDC_TAPE_STOP));
    EXPECT_EQ(dv.GetTransportMode(), 4297);
  });
}

TEST_F(CapturePageTest, TheTunerInputOnADeviceWithoutATunerBecomesComposite) {
  more = [](AppSettings& s) { s.videoInput = 0; };
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND) { EXPECT_EQ(model_.settings.videoInput, 1); });
}

TEST_F(CapturePageTest, VolumeAspectAndTheEnlargedPreviewAsk) {
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    ::SendMessage(p, WM_SKINSLIDER_CHANGED, IDC_VOLUME, 0);
    EXPECT_EQ(ControlText(p, IDC_VOLUME_VALUE), "-10");
    EXPECT_EQ(model_.settings.volume, 0);
    ::SendMessage(p, WM_SKINSLIDER_TRACK, IDC_VOLUME, 20);
    EXPECT_EQ(ControlText(p, IDC_VOLUME_VALUE), "10");
    ::SendMessage(p, WM_CAPTURE_ASPECT, 1, 0);
    EXPECT_EQ(model_.settings.wideScreen, 1);
    EXPECT_EQ(::SendDlgItemMessage(p, IDC_ASPECT, CB_GETCURSEL, 0, 0), 1);
    ::SendMessage(p, WM_CAPTURE_ASPECT, 0, 0);
    EXPECT_EQ(model_.settings.wideScreen, 0);
  });
}

TEST_F(CapturePageTest, TimeLimitFieldsTakeOnlyWhatFits) {
  platform::FixedFileSystem disk(57671680ull + 175000ull * 3700, platform::LargeFiles::Yes);
  platform::ScopedFileSystem useDisk(disk);
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    EXPECT_EQ(page.MaxRecordingSeconds(), 3700u);
    EXPECT_EQ(ControlText(p, IDC_MAX_TIME), "01 : 01 : 40");
    TypeInto(p, IDC_LIMIT_HOURS, "ab");
    EXPECT_EQ(ControlText(p, IDC_LIMIT_HOURS), "00");
    TypeInto(p, IDC_LIMIT_HOURS, "12345");
    EXPECT_EQ(ControlText(p, IDC_LIMIT_HOURS), "01");
    TypeInto(p, IDC_LIMIT_MINUTES, "59");
    EXPECT_EQ(ControlText(p, IDC_LIMIT_MINUTES), "01");
    // Pasted whole, a negative number is nothing.
    ::SetDlgItemText(p, IDC_LIMIT_SECONDS, "-5");
    Pump();
    EXPECT_EQ(ControlText(p, IDC_LIMIT_SECONDS), "00");
    TypeInto(p, IDC_LIMIT_SECONDS, "77");
    EXPECT_EQ(ControlText(p, IDC_LIMIT_SECONDS), "40");
  });
}

TEST_F(CapturePageTest, NoRoomRefusesTheStartAndAFullDiskStopsTheRecording) {
  platform::FixedFileSystem disk(57671680, platform::LargeFiles::Yes);
  platform::ScopedFileSystem useDisk(disk);
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    EXPECT_EQ(ControlText(p, IDC_MAX_TIME), "00 : 00 : 00");
    ClickButton(p, IDC_CAPTURE_START);
    EXPECT_FALSE(page.IsRecording());
    ASSERT_EQ(boxes_.Count(), 1u);
    EXPECT_EQ(boxes_.Last().text, "Insufficient output memory available.  Select another folder.");

    disk.SetFreeBytes(8ull << 30);
    ::SendMessage(p, WM_CAPTURE_STEP_AGAIN, 0, 0);
    page.OnSetActive();
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    ASSERT_TRUE(page.IsRecording());
    Record(1000);
    disk.SetFreeBytes(49ull << 20);
    Record(1000);
    EXPECT_FALSE(page.IsRecording());
    EXPECT_EQ(boxes_.Last().text, "Hard drive is full");
  });
}

TEST_F(CapturePageTest, AWriteThatFailsStopsTheRecordingSaysSoAndListsTheReadableClip) {
  more = [](AppSettings& s) { s.recordFormat = kWmv; };
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    Record(3000);
    ASSERT_TRUE(page.IsRecording());
    const std::string clip = page.OutputPath();
    {
      testkit::FileSizeLimit full(static_cast<rlim_t>(platform::FileSize(clip)) + 4096);
      for (int i = 0; i < 50 && page.IsRecording(); ++i) Record(200);
    }
    EXPECT_FALSE(page.IsRecording());
    ASSERT_EQ(boxes_.Count(), 1u);
    EXPECT_EQ(boxes_.Last().text, "Hard drive is full");
    PumpReal([&] { return model_.clips.Count() > 0; });
    EXPECT_TRUE(model_.clips.Contains(clip));
    // What was written before the failure plays, and its length is what it holds (a loaded
    // machine's encoder may be some way behind the three seconds recorded).
    const double seconds = std::atof(Probe("format=duration", clip).c_str());
    EXPECT_GT(seconds, 0.5) << clip;
    EXPECT_LT(seconds, 6.0) << clip;
    EXPECT_TRUE(ControlEnabled(p, IDC_CAPTURE_START));
  });
}

TEST_F(CapturePageTest, ARecordingACrashCutShortIsRepairedWhenThePageOpensAndTheUserTold) {
  const std::string file = Output() + "WMV_101010.wmv";
  std::string out, err;
  int code = -1;
  platform::RunProcess(
      "ffmpeg",
      {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=duration=4:size=320x240:rate=25", "-c:v", "wmv2", file}, &out,
      &err, &code, 60000);
  ASSERT_EQ(code, 0) << err;
  ASSERT_TRUE(testkit::CutAsfHeader(file));
  ASSERT_TRUE(platform::filters::RecordingJournal(Output()).Begin(file));
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND) {});
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_NE(boxes_.Last().text.find(file), std::string::npos) << boxes_.Last().text;
  EXPECT_NEAR(std::atof(Probe("format=duration", file).c_str()), 4.0, 0.2);
  EXPECT_TRUE(platform::filters::RecordingJournal(Output()).Unfinished().empty());
}

TEST_F(CapturePageTest, SpaceThatCannotBeReadIsNotAFullDisk) {
  platform::FixedFileSystem unknown(0, platform::LargeFiles::Unknown, true);
  platform::ScopedFileSystem useDisk(unknown);
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    Record(2000);
    EXPECT_TRUE(page.IsRecording());
    EXPECT_EQ(boxes_.Count(), 0u);
    ClickButton(p, IDC_CAPTURE_STOP);
  });
}

TEST_F(CapturePageTest, ATimeLimitStopsAtTheLimitAndTheClipIsListed) {
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    TypeLimit(p, "00", "00", "03");
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    // A second click while it records starts nothing more, and the preview does not enlarge.
    ClickButton(p, IDC_CAPTURE_START);
    DoubleClick(p, 100, 100);
    Record(4000);
    EXPECT_FALSE(page.IsRecording());
    PumpReal([&] { return model_.clips.Count() > 0; });
    EXPECT_TRUE(model_.clips.Contains(Output() + "VCD_140509_0.mpg"));
    EXPECT_EQ(ControlText(p, IDC_LIMIT_SECONDS), "00");
    EXPECT_TRUE(ControlEnabled(p, IDC_CAPTURE_START));
  });
}

TEST_F(CapturePageTest, ASecondRecordingInTheSameSecondGetsANameOfItsOwn) {
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    for (int i = 0; i < 2; ++i) {
      ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
      Record(1000);
      ClickButton(p, IDC_CAPTURE_STOP);
      Pump();
    }
    EXPECT_EQ(page.OutputPath(), Output() + "VCD_140509-2.mpg");
    EXPECT_TRUE(model_.clips.Contains(Output() + "VCD_140509_0.mpg"));
    EXPECT_TRUE(model_.clips.Contains(Output() + "VCD_140509-2_0.mpg"));
  });
}

TEST_F(CapturePageTest, EndMessagesOfTheWrongKindOrSizeAddNothing) {
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    ::SendMessage(p, WM_USER + 73, 15, 2);
    ::SendMessage(p, WM_USER + 73, 16, 100000);
    ::SendMessage(p, WM_USER + 77, 16, -4);
    ::SendMessage(p, WM_USER + 75, 16, 0);
    EXPECT_EQ(model_.clips.Count(), 0u);
  });
}

TEST_F(CapturePageTest, SettingNoticesOutOfRangeChangeNothing) {
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    ::SendMessage(p, WM_CAPTURE_SETTING_CHANGED, kChangeFormat, 99);
    ::SendMessage(p, WM_CAPTURE_SETTING_CHANGED, kChangeTvSystem, -3);
    ::SendMessage(p, WM_CAPTURE_SETTING_CHANGED, 9, 1);
    EXPECT_EQ(model_.settings.recordFormat, kVcd);
    EXPECT_EQ(model_.settings.tvSystemIndex, 0);
    EXPECT_EQ(ControlText(p, IDC_FORMAT_LABEL), "VCD");
    // A device index past the list cannot be opened: said, and the page stays without one.
    ::SendMessage(p, WM_CAPTURE_SETTING_CHANGED, kChangeVideoDevice, 999);
    EXPECT_EQ(boxes_.Last().text, "The selected device cannot be used.  Select another device.");
    EXPECT_FALSE(TheCaptureEngine().graph.IsOpen());
    (void)page;
  });
}

TEST_F(CapturePageTest, ClosingDuringRecordAndBurnStillHandsTheRecordingOn) {
  more = [](AppSettings& s) { s.recordAndBurn = TRUE; };
  auto registration = UseBurner();
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    TypeLimit(p, "00", "10", "00");
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    Record(1000);
    ASSERT_TRUE(page.IsRecording());
  });
  // The fixture closes the window as the main window does, without a question.
  EXPECT_TRUE(Logged(Command("EndCapture ok=1")));
  EXPECT_TRUE(model_.clips.Contains(Output() + "VCD_140509_0.mpg"));
}

TEST_F(CapturePageTest, TheSignalWaitShowsItsBalloonUntilPlayIsPressed) {
  auto devices = platform::dshow::sim::DefaultDevices();
  devices[0].signal = false;
  Hardware::Instance().SetDevices(devices);
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    EXPECT_TRUE(page.Waiting());
    EXPECT_FALSE(page.IsRecording());
    time_.Advance(2000);
    EXPECT_FALSE(page.IsRecording());
    ASSERT_NE(page.BalloonWindow(), nullptr);
    Picture(::GetAncestor(p, GA_ROOT), "capture_page_signal_wait.png");
    Picture(page.BalloonWindow(), "signal_balloon.png");
    Hardware::Instance().Update(devices[0].id, [](platform::dshow::sim::DeviceDesc& d) { d.signal = true; });
    time_.Advance(1000);
    EXPECT_TRUE(page.IsRecording());
    EXPECT_FALSE(page.Waiting());
    ClickButton(p, IDC_CAPTURE_STOP);
  });
}

TEST_F(CapturePageTest, StopWhileWaitingForASignalStartsNothing) {
  auto devices = platform::dshow::sim::DefaultDevices();
  devices[0].signal = false;
  Hardware::Instance().SetDevices(devices);
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    ASSERT_TRUE(page.Waiting());
    ClickButton(p, IDC_CAPTURE_STOP);
    EXPECT_FALSE(page.Waiting());
    EXPECT_FALSE(page.StartPending());
    EXPECT_TRUE(ControlEnabled(p, IDC_CAPTURE_START));
  });
}

TEST_F(CapturePageTest, AFormatTheDeviceCannotRecordReportsTheFailedStart) {
  more = [](AppSettings& s) { s.recordFormat = kDvAvi; };
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    ClickButton(p, IDC_CAPTURE_START);
    EXPECT_FALSE(page.IsRecording());
    ASSERT_EQ(boxes_.Count(), 1u);
    EXPECT_EQ(boxes_.Last().text, "Cannot start recording.");
    EXPECT_TRUE(TheCaptureEngine().graph.IsPreviewing());
    EXPECT_TRUE(ControlEnabled(p, IDC_CAPTURE_START));
  });
}

TEST_F(CapturePageTest, AnOutputPathTooLongForTheRequestRefusesTheStart) {
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    const std::string deep = env_.Home() + std::string(120, 'a') + "/" + std::string(120, 'b') + "/";
    std::filesystem::create_directories(deep);
    model_.folders.output = deep;
    ClickButton(p, IDC_CAPTURE_START);
    EXPECT_FALSE(page.IsRecording());
    EXPECT_EQ(boxes_.Last().text, "Cannot start recording.");
    EXPECT_TRUE(std::filesystem::is_empty(deep));
  });
}

TEST_F(CapturePageTest, RecordAndBurnWithoutATimeAsksForOne) {
  more = [](AppSettings& s) { s.recordAndBurn = TRUE; };
  auto registration = UseBurner();
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    ClickButton(p, IDC_CAPTURE_START);
    EXPECT_FALSE(page.IsRecording());
    EXPECT_EQ(boxes_.Last().text, "Enter recording time.");
  });
}

TEST_F(CapturePageTest, RecordAndBurnAtThePlannedTimeBurnsWithoutAsking) {
  more = [](AppSettings& s) { s.recordAndBurn = TRUE; };
  auto registration = UseBurner();
  // The burner's own prompt of this process is pressed at the end of the recording.
  RecordingParent prompt({100, 100, 300, 200}, "Message");
  prompt.Make(WC_BUTTON, "OK", BS_PUSHBUTTON, {0, 0, 60, 20}, 7);
  RunCapture([&](CQuillonDlg& dialog, CCapturePage& page, HWND p) {
    TypeLimit(p, "00", "00", "02");
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    ASSERT_TRUE(page.IsRecording());
    const std::string option = "show option type=vcd;ntsc=yes;playtime=2;videobitrate=1150000;maxfilesize=" +
                               std::to_string(model_.settings.discCapacity) + ";outfolder=" + Output() + ";";
    EXPECT_TRUE(Logged(Command(option)));
    EXPECT_TRUE(Logged(Command("disclock type=vcd;lock=on;")));
    Record(3000);
    PumpReal([&] { return Logged(Command("EndCapture ok=1")); });
    EXPECT_FALSE(page.IsRecording());
    EXPECT_EQ(boxes_.Count(), 0u);
    const std::string burning = Command("burning file=" + Output() + "VCD_140509.mpg;");
    ASSERT_TRUE(Logged(burning));
    EXPECT_LT(LogIndex(burning), LogIndex(Command("EndCapture ok=1")));
    EXPECT_TRUE(model_.clips.Contains(Output() + "VCD_140509_0.mpg"));
    EXPECT_EQ(dialog.Model().currentPage, 2);
    Pump();
    const auto pressed = prompt.Of(WM_COMMAND);
    EXPECT_TRUE(std::any_of(pressed.begin(), pressed.end(), [](const Event& e) { return e.id == 7; }));
  });
}

TEST_F(CapturePageTest, ABurnerThatAsksForLpcmLeavesRoomForItOnTheDisc) {
  more = [](AppSettings& s) {
    s.recordFormat = kLongDvd;
    s.cpuMode = 0;
    s.recordAndBurn = TRUE;
  };
  auto registration = UseBurner();
  RunCapture([&](CQuillonDlg& dialog, CCapturePage& page, HWND p) {
    dialog.Model().audioType = 1;
    TypeLimit(p, "00", "00", "01");
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    EXPECT_EQ(model_.settings.discCapacity, 2872);
    EXPECT_TRUE(Logged(Command("disclock type=longdvd;lock=on;")));
    Record(2000);
    EXPECT_FALSE(page.IsRecording());
  });
}

TEST_F(CapturePageTest, AnEarlyStopAsksAndADeclineRemovesExactlyTheStreams) {
  more = [](AppSettings& s) { s.recordAndBurn = TRUE; };
  auto registration = UseBurner();
  const std::string other = Output() + "VCD_140509.mpv.keep";
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    std::ofstream(other) << "x";
    TypeLimit(p, "00", "10", "00");
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    Record(1000);
    Settle();
    EXPECT_TRUE(std::filesystem::exists(Output() + "VCD_140509.mpv"));
    boxes_.QueueAnswer(IDNO);
    ClickButton(p, IDC_CAPTURE_STOP);
    EXPECT_TRUE(page.IsRecording());
    EXPECT_EQ(boxes_.Last().text, "Do you want to stop recording?");
    EXPECT_EQ(boxes_.Last().caption, "Message");
    Record(1000);
    boxes_.QueueAnswer(IDYES);
    boxes_.QueueAnswer(IDNO);
    ClickButton(p, IDC_CAPTURE_STOP);
    PumpReal([&] { return Logged(Command("EndCapture ok=0")); });
    EXPECT_EQ(boxes_.Last().text, "Do you want to start burning?");
    EXPECT_FALSE(std::filesystem::exists(Output() + "VCD_140509.mpv"));
    EXPECT_FALSE(std::filesystem::exists(Output() + "VCD_140509.mpa"));
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_TRUE(std::filesystem::exists(Output() + "VCD_140509_0.mpg"));
    EXPECT_FALSE(Logged(Command("EndCapture ok=1")));
  });
}

TEST_F(CapturePageTest, WithoutTheEndMessageTheHandOffGoesOnAfterFiveSeconds) {
  more = [](AppSettings& s) { s.recordAndBurn = TRUE; };
  auto registration = UseBurner();
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    TypeLimit(p, "00", "10", "00");
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    Record(1000);
    boxes_.QueueAnswer(IDYES);
    boxes_.QueueAnswer(IDYES);
    ::SendMessage(p, WM_COMMAND, MAKEWPARAM(IDC_CAPTURE_STOP, BN_CLICKED), 0);
    // The engine's end message is lost on the way.
    MSG end;
    ASSERT_TRUE(::PeekMessage(&end, p, WM_USER + 73, WM_USER + 73, PM_REMOVE));
    const std::string burning = Command("burning file=" + Output() + "VCD_140509.mpg;");
    time_.Advance(4900);
    EXPECT_FALSE(Logged(burning));
    time_.Advance(200);
    EXPECT_TRUE(Logged(burning));
    EXPECT_TRUE(Logged(Command("EndCapture ok=1")));
  });
}

TEST_F(CapturePageTest, ARefusedOptionTextRecordsNothing) {
  more = [](AppSettings& s) { s.recordAndBurn = TRUE; };
  auto refusing = platform::com::MakeComObject<ScriptedPack>("Burner");
  refusing->log = &log_;
  refusing->Answer("show option", E_FAIL);
  ScriptedPack* pack = refusing.get();
  platform::com::ClassRegistration again(
      CLSID_CaptureTestBurner, [pack](REFIID riid, void** ppv) { return pack->QueryInterface(riid, ppv); },
      kBurnerProgId);
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    TypeLimit(p, "00", "01", "00");
    ClickButton(p, IDC_CAPTURE_START);
    EXPECT_FALSE(page.IsRecording());
    EXPECT_EQ(boxes_.Count(), 0u);
    EXPECT_FALSE(Logged(Command("disclock type=vcd;lock=on;")));
    EXPECT_TRUE(ControlEnabled(p, IDC_CAPTURE_START));
  });
}

TEST_F(CapturePageTest, ADiscInADriveChoosesFormatAndSize) {
  auto registration = UseBurner();
  more = [](AppSettings& s) {
    s.recordFormat = kWmv;
    s.outputHoldsLargeFiles = TRUE;
  };
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    DEV_BROADCAST_VOLUME volume{sizeof(DEV_BROADCAST_VOLUME), DBT_DEVTYP_VOLUME, 0, 1u << 3, DBTF_MEDIA};
    burner_->Answer("checkdrive drive=D", static_cast<HRESULT>(204480));
    ::SendMessage(p, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
    EXPECT_TRUE(Logged(Command("checkdrive drive=D")));
    EXPECT_EQ(model_.settings.recordFormat, kDvd);
    EXPECT_EQ(model_.settings.discCapacity, 4196);
    EXPECT_EQ(ControlText(p, IDC_FORMAT_LABEL), "DVD");
    volume.dbcv_unitmask = 1u << 4;
    burner_->Answer("checkdrive drive=E", static_cast<HRESULT>(100800));
    ::SendMessage(p, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
    EXPECT_EQ(model_.settings.recordFormat, kVcd);
    EXPECT_EQ(model_.settings.discCapacity, 665);
    // A disc during a recording changes nothing.
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    volume.dbcv_unitmask = 1u << 3;
    ::SendMessage(p, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
    EXPECT_EQ(model_.settings.recordFormat, kVcd);
    ClickButton(p, IDC_CAPTURE_STOP);
    // Codes out of range change nothing.
    volume.dbcv_unitmask = 1u << 5;
    burner_->Answer("checkdrive drive=F", static_cast<HRESULT>(-7));
    ::SendMessage(p, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
    EXPECT_EQ(model_.settings.recordFormat, kVcd);
    EXPECT_EQ(model_.settings.discCapacity, 665);
  });
}

}  // namespace
}  // namespace studio
