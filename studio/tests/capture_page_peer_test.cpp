// Recordings of the capture page read back by ffprobe.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "burner_pack.h"
#include "platform/disc/drive_set.h"
#include "platform/testkit/pictures.h"
#include "platform/testkit/simulated_writers.h"
#include "capture_fixture.h"
#include "clip_thumbnail.h"
#include "platform/base/file.h"
#include "platform/disc/qn_data_cd_dvd.h"

namespace studio {
namespace {

using namespace testkit;
using CapturePagePeerTest = CaptureFixture;

TEST_F(CapturePagePeerTest, TenSecondsOfDvdFromTheUsbBox) {
  configure = [](AppSettings& s) {
    s.recordFormat = kDvd;
    s.cpuMode = 2;
    s.quality = 2;
  };
  std::string file;
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    ASSERT_EQ(page.DeviceType(), 1);
    EXPECT_TRUE(TheCaptureEngine().graph.IsPreviewing());
    EXPECT_EQ(ControlText(p, IDC_FORMAT_LABEL), "DVD");
    Picture(::GetAncestor(p, GA_ROOT), "capture_page_usb_box.png");
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    ASSERT_TRUE(page.IsRecording());
    EXPECT_FALSE(ControlEnabled(p, IDC_RECORD_OPTION));
    // The clock starts on its first tick, half a second in.
    Record(10500);
    EXPECT_EQ(ControlText(p, IDC_ELAPSED), "00:00:10");
    Picture(::GetAncestor(p, GA_ROOT), "capture_page_recording.png");
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_STOP));
    PumpReal([&] { return model_.clips.Count() > 0; });
    EXPECT_FALSE(page.IsRecording());
    EXPECT_TRUE(ControlEnabled(p, IDC_CAPTURE_START));
    file = Output() + "DVD_140509_0.mpg";
    EXPECT_TRUE(model_.clips.Contains(file));
  });
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(Probe("stream=codec_name,width,height", file, "v:0"), "mpeg2video\n720\n480");
  EXPECT_EQ(Probe("stream=codec_name", file, "a:0"), "mp2");
  const double seconds = std::stod(Probe("format=duration", file));
  EXPECT_NEAR(seconds, 10.0, 1.0);
}

// Whether the clip's thumbnail shows the recording's first frame: the pattern's white flash
// of second 0 over most of the picture, not the list's black.
bool ShowsFirstFrame(CClipListCtrl& list, int item) {
  RECT icon{};
  list.GetItemRect(item, &icon, LVIR_ICON);
  const COLORREF c = Pixel(list.m_hWnd, (icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2);
  return GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200;
}

// Record, list, rename, save; start again, reopen, delete: the user's round through the suite.
TEST_F(CapturePagePeerTest, TheWholeSessionFromRecordingToAReopenedProject) {
  configure = [](AppSettings& s) {
    s.recordFormat = kDvd;
    s.cpuMode = 2;
    s.quality = 2;
  };
  const std::string project = env_.Documents() + "session.ilj5";
  std::string recorded, renamed;
  RunCapture([&](CQuillonDlg& dialog, CCapturePage& page, HWND p) {
    ASSERT_EQ(page.DeviceType(), 1);
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    Record(10500);
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_STOP));
    PumpReal([&] { return model_.clips.Count() > 0; });
    recorded = Output() + "DVD_140509_0.mpg";
    ASSERT_TRUE(model_.clips.Contains(recorded));
    CClipListCtrl& list = dialog.ClipListControl();
    ASSERT_EQ(list.GetItemCount(), 1);
    EXPECT_TRUE(ShowsFirstFrame(list, 0));
    Picture(dialog.m_hWnd, "session_recorded.png");

    // Renamed in place, the file follows its new label.
    list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    ::SendMessage(dialog.m_hWnd, WM_COMMAND, ID_CLIP_RENAME, 0);
    HWND edit = reinterpret_cast<HWND>(list.SendMessage(LVM_GETEDITCONTROL));
    ASSERT_NE(edit, nullptr);
    ::SetWindowText(edit, "Holiday");
    PressKey(VK_RETURN);
    Pump();
    renamed = Output() + "Holiday.mpg";
    EXPECT_TRUE(model_.clips.Contains(renamed));
    EXPECT_FALSE(platform::FileExists(recorded));

    WhenDialogShows([&](HWND) { AnswerFileDialog(project); });
    ::SendMessage(dialog.m_hWnd, WM_COMMAND, ID_PROJECT_SAVE, 0);
    EXPECT_EQ(model_.projectPath, project);
  });
  ASSERT_TRUE(platform::FileExists(renamed));
  EXPECT_EQ(Probe("stream=codec_name,width,height", renamed, "v:0"), "mpeg2video\n720\n480");
  EXPECT_NEAR(std::stod(Probe("format=duration", renamed)), 10.0, 1.0);

  // A new window over an empty list, as after a restart, opens the last project saved with the
  // clip and its picture.
  model_.clips.Clear();
  model_.projectPath = kUntitledProject;
  RunCapture([&](CQuillonDlg& dialog, CCapturePage&, HWND) {
    CClipListCtrl& list = dialog.ClipListControl();
    EXPECT_EQ(model_.projectPath, project);
    ASSERT_EQ(list.GetItemCount(), 1);
    EXPECT_TRUE(model_.clips.Contains(renamed));
    EXPECT_EQ(list.GetItemText(0, 0), "Holiday.mpg");
    EXPECT_TRUE(ShowsFirstFrame(list, 0));
    Picture(dialog.m_hWnd, "session_reopened.png");

    // Deleted to the trash, with the record the desktop restores it from.
    list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    WhenDialogShows([&](HWND prompt) {
      EXPECT_EQ(ControlText(prompt, IDC_DELETE_FILE_NAME), "Holiday.mpg");
      ClickButton(prompt, IDC_MOVE_TO_TRASH);
    });
    ClickButton(dialog.m_hWnd, IDC_DELETE);
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_FALSE(model_.clips.Contains(renamed));
  });
  EXPECT_FALSE(platform::FileExists(renamed));
  const std::string trash = platform::TrashFolder();
  EXPECT_TRUE(std::filesystem::exists(trash + "/files/Holiday.mpg"));
  EXPECT_TRUE(std::filesystem::exists(trash + "/info/Holiday.mpg.trashinfo"));
}

}  // namespace
}  // namespace studio

namespace studio {
namespace {

using namespace testkit;

class CaptureFormatsPeerTest : public CaptureFixture {
 protected:
  // Records `ms` in the format and returns the clips the page listed.
  // `ready` holds once the writers have caught up with the clock (under load they lag).
  std::vector<std::string> RecordClips(int format, int ms, const std::function<void(AppSettings&)>& more = {},
                                       const std::function<bool()>& ready = {}) {
    configure = [format, more](AppSettings& s) {
      s.recordFormat = format;
      s.quality = 2;
      s.cpuMode = 2;
      if (more) more(s);
    };
    RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
      ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
      ASSERT_TRUE(page.IsRecording());
      Record(ms);
      if (ready) {
        EXPECT_TRUE(WaitReal(ready));
      }
      ClickButton(p, IDC_CAPTURE_STOP);
      PumpReal([&] { return model_.clips.Count() > 0; });
    });
    std::vector<std::string> clips;
    for (const ClipItem& item : model_.clips.Items()) clips.push_back(item.path);
    return clips;
  }
  std::string VideoOf(const std::string& file) { return Probe("stream=codec_name,width,height", file, "v:0"); }
};

TEST_F(CaptureFormatsPeerTest, VcdSvcdAndLongDvdFromTheBox) {
  auto vcd = RecordClips(kVcd, 3000);
  ASSERT_EQ(vcd.size(), 1u);
  EXPECT_EQ(VideoOf(vcd[0]), "mpeg1video\n352\n240");
  model_.clips.Clear();
  localTime_.Set(2026, 12, 9, 14, 6, 0);
  auto svcd = RecordClips(kSvcd, 3000);
  ASSERT_EQ(svcd.size(), 1u);
  EXPECT_EQ(VideoOf(svcd[0]), "mpeg2video\n480\n480");
  model_.clips.Clear();
  localTime_.Set(2026, 12, 9, 14, 7, 0);
  auto longDvd = RecordClips(kLongDvd, 3000, [](AppSettings& s) { s.cpuMode = 1; });
  ASSERT_EQ(longDvd.size(), 1u);
  EXPECT_EQ(longDvd[0], Output() + "LDVD_140700_0.mpg");
  EXPECT_EQ(VideoOf(longDvd[0]), "mpeg2video\n352\n480");
  EXPECT_EQ(Probe("stream=codec_name", longDvd[0], "a:0"), "mp2");
}

TEST_F(CaptureFormatsPeerTest, WmvSplitsIntoPartsPastTheMaximumSize) {
  // A minute: nearly four parts, so a writer that lags the clock on a loaded machine still makes three.
  auto parts = RecordClips(kWmv, 60000, [](AppSettings& s) {
    s.quality = 0;
    s.discCapacity = 1;
  });
  ASSERT_GE(parts.size(), 3u);
  std::sort(parts.begin(), parts.end());
  EXPECT_EQ(parts[0], Output() + "WMV_140509.wmv");
  EXPECT_EQ(parts[1], Output() + "WMV_140509_1.wmv");
  EXPECT_EQ(parts[2], Output() + "WMV_140509_2.wmv");
  for (const std::string& part : parts) {
    EXPECT_EQ(Probe("format=format_name", part), "asf") << part;
    EXPECT_EQ(Probe("stream=width,height", part, "v:0"), "640\n480") << part;
  }
}

TEST_F(CaptureFormatsPeerTest, DvAviFromTheDvCamcorder) {
  auto clips = RecordClips(kDvAvi, 3000, [](AppSettings& s) { s.videoDeviceName = "Vidarro DV Camcorder"; });
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_EQ(clips[0], Output() + "DV_140509.avi");
  EXPECT_EQ(Probe("format=format_name", clips[0]), "avi");
  EXPECT_EQ(VideoOf(clips[0]), "dvvideo\n720\n480");
}

TEST_F(CaptureFormatsPeerTest, HdvStreamWithItsPartsFromTheHdvCamcorder) {
  auto clips = RecordClips(
      kHdv, 6000,
      [](AppSettings& s) {
        s.videoDeviceName = "Vidarro HDV Camcorder";
        s.discCapacity = 4;
      },
      [] { return TheCaptureEngine().dvGraph.GetWriterFileCount() >= 3; });
  // Every part written is listed: each starts where a picture sequence does, with the tables.
  std::vector<std::string> parts;
  for (int i = 0; std::filesystem::exists(i == 0 ? Output() + "HDV_140509.m2ts"
                                                 : Output() + "HDV_140509_" + std::to_string(i) + ".m2ts");
       ++i)
    parts.push_back(i == 0 ? Output() + "HDV_140509.m2ts" : Output() + "HDV_140509_" + std::to_string(i) + ".m2ts");
  ASSERT_GE(parts.size(), 3u);
  std::sort(clips.begin(), clips.end());
  std::vector<std::string> sorted = parts;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(clips, sorted);
  for (const std::string& part : parts) {
    EXPECT_LE(std::filesystem::file_size(part), 4u * 1048576) << part;
    EXPECT_EQ(Probe("format=format_name", part), "mpegts") << part;
    EXPECT_NE(VideoOf(part).find("mpeg2video\n1440\n1080"), std::string::npos) << part << ": " << VideoOf(part);
    HBITMAP thumb = nullptr;
    EXPECT_EQ(MakeClipThumbnail(part, ".m2ts", &thumb), ThumbnailResult::kMade) << part;
    if (thumb) ::DeleteObject(thumb);
  }
}

TEST_F(CaptureFormatsPeerTest, UnpluggingMidRecordingStopsWithAReadableFile) {
  configure = [](AppSettings& s) {
    s.recordFormat = kDvd;
    s.cpuMode = 0;
  };
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    Record(3000);
    platform::dshow::sim::Hardware::Instance().Unplug("USBBOX");
    PumpReal([&] { return !page.IsRecording(); });
    EXPECT_FALSE(page.IsRecording());
    EXPECT_TRUE(ControlEnabled(p, IDC_CAPTURE_START));
  });
  const std::string file = Output() + "DVD_140509_0.mpg";
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(VideoOf(file), "mpeg2video\n352\n240");
}

}  // namespace
}  // namespace studio

namespace studio {
namespace {

using namespace testkit;

class WmvProfilePeerTest : public CaptureFixture {
 protected:
  void RecordWmv(const std::string& programFolder) {
    configure = [&, programFolder](AppSettings& s) {
      s.recordFormat = kWmv;
      s.quality = 1;
      s.cpuMode = 0;
      s.wideScreen = 0;
      model_.folders.program = programFolder;
    };
    RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
      ClickButton(p, IDC_CAPTURE_START);
      if (!page.IsRecording()) return;
      Record(2000);
      ClickButton(p, IDC_CAPTURE_STOP);
      PumpReal([&] { return model_.clips.Count() > 0; });
    });
  }
};

TEST_F(WmvProfilePeerTest, TheShippedProfileGivesItsPictureSize) {
  const char* app = std::getenv("VIDARRO_APP_DIR");
  ASSERT_NE(app, nullptr);
  ASSERT_TRUE(std::filesystem::exists(std::string(app) + "/WMVProfile/QnProfile_GNL0.prx"));
  ASSERT_TRUE(std::filesystem::exists(std::string(app) + "/WMVProfile/QnProfile_NPL2.prx"));
  RecordWmv(std::string(app) + "/");
  const std::string file = Output() + "WMV_140509.wmv";
  EXPECT_EQ(Probe("format=format_name", file), "asf");
  EXPECT_EQ(Probe("stream=width,height", file, "v:0"), "352\n264");
  EXPECT_FALSE(std::filesystem::exists(env_.Temp() + "wmvhd.prx"));
}

TEST_F(WmvProfilePeerTest, ACorruptProfileRefusesTheStart) {
  const std::string program = env_.Home() + "broken/";
  std::filesystem::create_directories(program + "WMVProfile");
  std::ofstream(program + "WMVProfile/QnProfile_GNL0.prx") << "not a profile";
  RecordWmv(program);
  EXPECT_EQ(boxes_.Last().text, "Cannot start recording.");
  EXPECT_EQ(model_.clips.Count(), 0u);
}

}  // namespace
}  // namespace studio

namespace studio {
namespace {

using namespace testkit;

struct RecordAndBurnPeerTest : CaptureFixture {
  void SetUp() override {
    CaptureFixture::SetUp();
    static const bool registered = [] {
      packs::RegisterBurnerPack();
      return true;
    }();
    (void)registered;
  }
  std::string Images() { return env_.Home() + "discs/"; }
  // One writer with this blank in it; its image is "W.img" under Images().
  void UseWriter(const std::string& medium, const std::string& extra = "") {
    testkit::UseWriterSections(
        Images(), "devices.ini",
        {testkit::WriterSection(Images(), "W", "WRITES=CD-R,DVD+R\nMEDIUM=" + medium + "\n" + extra)});
  }
  // Records `seconds` in record-and-burn mode until the planned time and runs the burn to its end,
  // pumping the window as its loop does. Returns the recording.
  std::string RecordAndBurn(CQuillonDlg& dialog, CCapturePage& page, HWND p, int seconds,
                            const std::string& end = "Burning complete.") {
    TypeInto(p, IDC_LIMIT_SECONDS, std::to_string(seconds));
    EXPECT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    EXPECT_TRUE(page.IsRecording());
    // A PAL recording delivers 25 frames a second: the encoder is waited for by that count.
    const bool pal = model_.settings.tvSystemIndex == 1;
    for (int t = 0; t < seconds * 1000 + 1000; t += 100) {
      time_.Advance(100);
      WaitForEncoder(pal ? (t + 100) / 40 : (t + 100) * 30 / 1001);
    }
    PumpReal([&] { return dialog.Model().currentPage == 2; });
    const std::string recording = page.OutputPath();
    IPack* burner = dialog.Model().burner;
    EXPECT_NE(burner, nullptr);
    if (!burner) return recording;
    EXPECT_EQ(burner->QueryBusy(0), 1) << boxes_.Last().text;
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dialog.m_hWnd, IDC_CLOSE_BUTTON)));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(180);
    while (burner->QueryBusy(0) && std::chrono::steady_clock::now() < deadline) {
      testkit::Pump();
      time_.Advance(100);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    testkit::Pump();
    EXPECT_EQ(burner->QueryBusy(0), 0);
    EXPECT_NE(boxes_.Last().text.find(end), std::string::npos) << boxes_.Last().text;
    for (int id : {IDC_PROJECT, IDC_STEP_CAPTURE, IDC_STEP_EDIT, IDC_STEP_BURN, IDC_HELP_BUTTON, IDC_CLOSE_BUTTON})
      EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dialog.m_hWnd, id))) << id;
    return recording;
  }
  // The one sequence track of the Video CD on the writer, as vcdxrip extracts it.
  std::string RippedTrack() {
    const std::string info = Run("vcd-info", {"--no-banner", "--cue-file", Images() + "W.cue"});
    EXPECT_NE(info.find("2: 00:08:00"), std::string::npos) << info;
    EXPECT_EQ(info.find("\n  3: "), std::string::npos) << info;
    const std::string rip = env_.Temp() + "rip/";
    std::filesystem::create_directories(rip);
    platform::ChildProcess child;
    platform::ChildOptions options;
    options.workFolder = rip;
    EXPECT_TRUE(child.Start("vcdxrip", {"--cue-file=" + Images() + "W.cue", "--nofiles"}, options));
    std::string out, err;
    while (child.ReadOutput(&out, &err, 1000)) {
    }
    return rip + "avseq01.mpg";
  }
  // Records six seconds of the format onto the blank CD-R and returns the Video CD's one track.
  std::string RecordVideoCd(int format, const char* picture) {
    UseWriter("CD-R");
    configure = [format](AppSettings& s) {
      s.recordFormat = format;
      s.tvSystemIndex = format == kSvcd ? 1 : 0;
      s.cpuMode = 2;
      s.quality = 2;
      s.recordAndBurn = TRUE;
    };
    RunCapture([&](CQuillonDlg& dialog, CCapturePage& page, HWND p) {
      RecordAndBurn(dialog, page, p, 6);
      testkit::WritePicture(dialog.m_hWnd, picture);
    });
    return RippedTrack();
  }
  static std::string Run(const std::string& program, const std::vector<std::string>& args) {
    std::string out, err;
    int code = -1;
    platform::RunProcess(program, args, &out, &err, &code, 60000);
    return out + err;
  }
};

TEST_F(RecordAndBurnPeerTest, DvdAndLongDvdBurnOneTitleEachAndBothRecordingsCanGo) {
  UseWriter("DVD+R");
  configure = [](AppSettings& s) {
    s.recordFormat = kDvd;
    s.cpuMode = 2;
    s.quality = 2;
    s.recordAndBurn = TRUE;
  };
  std::string first, second, firstDisc;
  RunCapture([&](CQuillonDlg& dialog, CCapturePage& page, HWND p) {
    first = RecordAndBurn(dialog, page, p, 10);
    testkit::WritePicture(dialog.m_hWnd, "record_and_burn_dvd.png");
    firstDisc = Run("lsdvd", {Images() + "W.img"});
    // The second recording, as Long DVD, goes on a fresh blank.
    platform::disc::MachineDrives().front()->Blank();
    dialog.ShowCapturePage();
    PumpReal([&] { return dialog.Model().currentPage == 0; });
    model_.settings.recordFormat = kLongDvd;
    page.OnSetActive();
    second = RecordAndBurn(dialog, page, p, 5);
    testkit::WritePicture(dialog.m_hWnd, "record_and_burn_long_dvd.png");
    for (const std::string& recording : {first, second})
      for (const std::string& part : packs::RecordedFiles(recording))
        EXPECT_TRUE(dialog.Model().DeleteClipByPath(part)) << part << ": " << boxes_.Last().text;
  });
  EXPECT_NE(firstDisc.find("Title: 01, Length: 00:00:1"), std::string::npos) << firstDisc;
  EXPECT_EQ(firstDisc.find("Title: 02"), std::string::npos) << firstDisc;
  const std::string secondDisc = Run("lsdvd", {Images() + "W.img"});
  EXPECT_NE(secondDisc.find("Title: 01, Length: 00:00:0"), std::string::npos) << secondDisc;
  EXPECT_EQ(secondDisc.find("Title: 02"), std::string::npos) << secondDisc;
  EXPECT_TRUE(packs::RecordedFiles(first).empty());
  EXPECT_TRUE(packs::RecordedFiles(second).empty());
}

TEST_F(RecordAndBurnPeerTest, VcdBurnsAVideoCdOnTheCdInTheDrive) {
  const std::string track = RecordVideoCd(kVcd, "record_and_burn_vcd.png");
  EXPECT_EQ(Probe("stream=codec_name,width,height", track, "v:0"), "mpeg1video\n352\n240");
  EXPECT_NEAR(std::atof(Probe("format=duration", track).c_str()), 6.0, 1.0) << track;
}

TEST_F(RecordAndBurnPeerTest, SvcdBurnsASuperVideoCdOnTheCdInTheDrive) {
  const std::string track = RecordVideoCd(kSvcd, "record_and_burn_svcd.png");
  EXPECT_EQ(Probe("stream=codec_name,width,height", track, "v:0"), "mpeg2video\n480\n576");
  EXPECT_NEAR(std::atof(Probe("format=duration", track).c_str()), 6.0, 1.0) << track;
}

TEST_F(RecordAndBurnPeerTest, AWriteErrorNamesItsBlockAndGivesTheWindowBack) {
  UseWriter("DVD+R", "WRITEERROR=64:3:0C:00\n");
  configure = [](AppSettings& s) {
    s.recordFormat = kDvd;
    s.cpuMode = 2;
    s.quality = 2;
    s.recordAndBurn = TRUE;
  };
  std::string recording;
  RunCapture([&](CQuillonDlg& dialog, CCapturePage& page, HWND p) {
    recording = RecordAndBurn(dialog, page, p, 5, "failed at block 64");
    testkit::WritePicture(dialog.m_hWnd, "record_and_burn_write_error.png");
  });
  EXPECT_FALSE(packs::RecordedFiles(recording).empty());
  EXPECT_FALSE(std::filesystem::exists(model_.folders.temp + "Burn"));
}

}  // namespace
}  // namespace studio
