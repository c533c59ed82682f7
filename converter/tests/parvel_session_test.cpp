// The converter's window driven as a user drives it, with the real Mordax.so and FFmpeg.
#include <gtest/gtest.h>
#include <dirent.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <map>

#include "converter/command_line.h"
#include "converter/device_profile.h"
#include "converter/parvel_dlg.h"
#include "converter/parvel_ids.h"
#include "converter/parvel_link.h"
#include "converter/parvel_settings.h"
#include "parvel_harness.h"
#include "platform/base/debug_output.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/ole/drop_files.h"
#include "platform/window/afx_wnd.h"
#include "platform/window/dialog.h"
#include "platform/window/input.h"
#include "platform/window/message_box_dialog.h"
#include "platform/window/window_surface.h"
#include "platform/testkit/testkit.h"

namespace fs = std::filesystem;

namespace {

using namespace testkit;
using namespace parvel_test;

// FFmpeg children of this process still running.
int FfmpegChildren() {
  int count = 0;
  const std::string self = std::to_string(getpid());
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::ifstream stat(entry.path() / "stat");
    std::string pid, name, state, parent;
    if (!(stat >> pid >> name >> state >> parent)) continue;
    if (parent == self && name == "(ffmpeg)" && state != "Z") ++count;
  }
  return count;
}

class ParvelSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControls();
    clips_ = env_.Home() + "clips/";
    fs::create_directories(clips_);
  }
  void TearDown() override {
    if (dialog_.GetSafeHwnd()) {
      dialog_.SendMessage(WM_CLOSE);
      dialog_.DestroyWindow();
    }
    platform::ClearInputScript();
    ResetWindows();
  }

  void Open(int mode, const std::string& listPath) {
    dialog_.m_nMode = mode;
    dialog_.m_strListPath = listPath;
    dialog_.m_hImages = resources_.Images();
    ASSERT_TRUE(dialog_.Create(IDD_PARVEL_DIALOG));
    dialog_.ShowWindow(SW_SHOW);
    Pump();
  }

  std::string Combo(int id) {
    const LRESULT sel = SendDlgItemMessage(dialog_.m_hWnd, id, CB_GETCURSEL, 0, 0);
    char text[256] = {};
    if (sel >= 0)
      SendDlgItemMessage(dialog_.m_hWnd, id, CB_GETLBTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(text));
    return text;
  }
  int Rows() { return dialog_.List().GetItemCount(); }
  std::string Cell(int row, int column) { return dialog_.List().GetItemText(row, column); }
  bool Converting() { return ControlVisible(dialog_.m_hWnd, IDC_STOP); }

  Environment env_{CurrentTestName()};
  MessageBoxAnswers boxes_;
  ParvelResources resources_;
  CParvelDlg dialog_;
  std::string clips_;
};

TEST_F(ParvelSessionTest, AListFileWithPspConvertsBothClipsAsTheProfileSays) {
  ASSERT_TRUE(MakeClip(clips_ + "Beach Day.mpg", 2));
  ASSERT_TRUE(MakeClip(clips_ + "party.mpg", 2, 720, 576));
  const std::string list = env_.Temp() + "filelist.tmp";
  std::ofstream(list) << clips_ << "Beach Day.mpg\n" << clips_ << "party.mpg\n";
  const ParvelCommand command = ParseParvelCommandLine(list + " /PSP");
  Open(command.mode, command.listPath);
  ASSERT_TRUE(dialog_.MordaxLoaded());
  EXPECT_EQ("Publish - PSP", WindowText(dialog_.m_hWnd));
  EXPECT_EQ(2, SendDlgItemMessage(dialog_.m_hWnd, IDC_PROFILE, CB_GETCOUNT, 0, 0));
  EXPECT_EQ("PSP MPEG-4", Combo(IDC_PROFILE));
  EXPECT_EQ("320 x 240 / 29.97fps / 768kbps", Combo(IDC_VIDEO_PRESET));
  const std::string out = env_.Documents() + "Vidarro/PSP_OUTPUT/100MNV01/";
  EXPECT_EQ(out, dialog_.OutputFolder());
  EXPECT_TRUE(fs::is_directory(out));

  ASSERT_TRUE(WaitFor([&] { return Rows() == 2 && Cell(1, 0) == "party.mpg"; }, 20000));
  EXPECT_EQ("Beach Day.mpg", Cell(0, 0));
  EXPECT_EQ(" 640  x  480", Cell(0, 1));
  EXPECT_EQ("00:00:02.00", Cell(0, 2).substr(0, 8) + ".00");
  WritePicture(dialog_.m_hWnd, "main_rows.png");

  ASSERT_TRUE(ClickButton(dialog_.m_hWnd, IDC_START));
  EXPECT_TRUE(Converting());
  EXPECT_FALSE(ControlEnabled(dialog_.m_hWnd, IDC_ADD));
  bool sawProgress = false, sawRowProgress = false;
  ASSERT_TRUE(WaitFor(
      [&] {
        if (dialog_.StatusText().find("Video conversion status - ") == 0 && dialog_.ProgressPos() > 0) {
          if (!sawProgress) WritePicture(dialog_.m_hWnd, "main_converting.png");
          sawProgress = true;
        }
        for (int row = 0; row < Rows(); ++row)
          if (Cell(row, 4).find('%') != std::string::npos) sawRowProgress = true;
        return !Converting();
      },
      120000));
  EXPECT_TRUE(sawProgress) << dialog_.StatusText();
  EXPECT_TRUE(sawRowProgress);
  EXPECT_TRUE(ControlEnabled(dialog_.m_hWnd, IDC_ADD));
  for (int row = 0; row < 2; ++row) {
    const std::string target = Cell(row, 4);
    ASSERT_EQ(".MP4", target.substr(target.size() > 4 ? target.size() - 4 : 0)) << target;
    auto probe = Probe(out + target);
    EXPECT_EQ("mpeg4", probe["video.codec_name"]);
    EXPECT_EQ("320", probe["video.width"]);
    EXPECT_EQ("240", probe["video.height"]);
    EXPECT_NEAR(29.97, FrameRate(probe["video.r_frame_rate"]), 0.01);
    EXPECT_EQ("aac", probe["audio.codec_name"]);
    EXPECT_EQ("48000", probe["audio.sample_rate"]);
    EXPECT_EQ("2", probe["audio.channels"]);
    EXPECT_NE(std::string::npos, probe["format_name"].find("mp4"));
  }
}

TEST_F(ParvelSessionTest, TheWmvHdCommandLineConvertsToWmvInAsfAt720p) {
  ASSERT_TRUE(MakeClip(clips_ + "holiday.mpg", 2));
  const ParvelCommand command = ParseParvelCommandLine("/WMV-HD");
  ASSERT_EQ(kModeWmvHd, command.mode);
  Open(command.mode, command.listPath);
  dialog_.AddPaths({clips_ + "holiday.mpg"}, 1);
  ASSERT_TRUE(WaitFor([&] { return Cell(0, 0) == "holiday.mpg"; }, 20000));
  ASSERT_TRUE(ClickButton(dialog_.m_hWnd, IDC_START));
  ASSERT_TRUE(WaitFor([&] { return !Converting(); }, 120000));
  const std::string target = Cell(0, 4);
  ASSERT_EQ("holiday.wmv", target) << dialog_.StatusText();
  EXPECT_EQ(env_.Documents() + "Vidarro/HD_OUTPUT/WMV_HD/", dialog_.OutputFolder());
  auto probe = Probe(dialog_.OutputFolder() + target);
  EXPECT_EQ("asf", probe["format_name"]);
  EXPECT_EQ("wmv2", probe["video.codec_name"]);
  EXPECT_EQ("1280", probe["video.width"]);
  EXPECT_EQ("720", probe["video.height"]);
  EXPECT_EQ("wmav2", probe["audio.codec_name"]);
}

// The status line's frame count, "(N / M)" at its end; N is -1 when there is none.
int ShownFrame(const std::string& status) {
  int frame = -1, total = -1;
  const auto open = status.rfind('(');
  if (open == std::string::npos || status.back() != ')') return -1;
  if (std::sscanf(status.c_str() + open, "(%d / %d)", &frame, &total) != 2) return -1;
  return frame;
}

TEST_F(ParvelSessionTest, AFailedFileKeepsTheWindowBusyUntilTheBatchEnds) {
  ASSERT_TRUE(MakeClip(clips_ + "broken.mpg", 1));
  ASSERT_TRUE(MakeClip(clips_ + "good.mpg", 2));
  Open(kModeWmvHd, "");
  dialog_.AddPaths({clips_ + "broken.mpg", clips_ + "good.mpg"}, 1);
  ASSERT_TRUE(WaitFor([&] { return dialog_.AddFilesWindow() == nullptr && Cell(1, 0) == "good.mpg"; }, 20000));
  // Listed while it was whole; by the time FFmpeg reads it there is nothing left to read.
  std::ofstream(clips_ + "broken.mpg", std::ios::trunc) << std::string(4096, '\x5a');
  ASSERT_TRUE(ClickButton(dialog_.m_hWnd, IDC_START));
  bool sawFailure = false, busyAfterFailure = true;
  std::string statusAtFailure;
  ASSERT_TRUE(WaitFor(
      [&] {
        if (Cell(0, 4).rfind("File conversion error.", 0) == 0) {
          if (!sawFailure) {
            WritePicture(dialog_.m_hWnd, "main_failed_row.png");
            statusAtFailure = dialog_.StatusText();
          }
          sawFailure = true;
          // Until the second file has its result the batch runs.
          if (Cell(1, 4) != "good.wmv")
            busyAfterFailure &=
                Converting() && !ControlEnabled(dialog_.m_hWnd, IDC_ADD) && !ControlVisible(dialog_.m_hWnd, IDC_START);
        }
        return !Converting();
      },
      120000));
  EXPECT_TRUE(sawFailure) << Cell(0, 4);
  EXPECT_TRUE(busyAfterFailure);
  // FFmpeg's own words for the cause, short, in the row beside the suite's text.
  const std::string failed = Cell(0, 4);
  EXPECT_EQ(0u, failed.find("File conversion error. (")) << failed;
  EXPECT_NE(std::string::npos, failed.find("Invalid data found when processing input")) << failed;
  EXPECT_LE(failed.size(), 150u) << failed;
  EXPECT_EQ("File conversion error. (broken.mpg: Invalid data found when processing input)", failed);
  EXPECT_EQ(failed, statusAtFailure);
  EXPECT_EQ("good.wmv", Cell(1, 4)) << dialog_.StatusText();
  EXPECT_TRUE(ControlEnabled(dialog_.m_hWnd, IDC_ADD));
  // The count ends at the frame the converter reached, not 0.
  EXPECT_GT(ShownFrame(dialog_.StatusText()), 0) << dialog_.StatusText();
  EXPECT_EQ(0u, dialog_.StatusText().find("Video conversion status - 100 %")) << dialog_.StatusText();
}

TEST_F(ParvelSessionTest, ACodecThisFfmpegLacksIsNamedInTheStatusAndEveryRow) {
  ASSERT_TRUE(MakeClip(clips_ + "one.mpg", 1));
  ASSERT_TRUE(MakeClip(clips_ + "two.mpg", 1));
  // A program folder of its own, with the engine and a profile asking for an encoder FFmpeg lacks.
  dialog_.m_strProgramFolder = env_.Home() + "wmv3_program/";
  fs::create_directories(dialog_.m_strProgramFolder + "profile/Mobile");
  fs::create_symlink(platform::AppFolder() + "Mordax.so", dialog_.m_strProgramFolder + "Mordax.so");
  std::ofstream(dialog_.m_strProgramFolder + "profile/Mobile/wmv3.pfh", std::ios::binary)
      << "<Narvell MobileEncoder Profile>\r\n[INFO]\r\nPROFILE=WMV 9\r\n[CONTAINER]\r\nFORCE=asf\r\n"
         "FILEPREFIX=@SRC_NAME\r\nEXF=.wmv\r\n[VIDEO]\r\nCODEC=wmv3\r\nPRO_COUNT=1\r\n"
         "PRO1=320,240,25,500,0,1\r\n[AUDIO]\r\nCODEC=wmav2\r\nAPRO_COUNT=1\r\nAPRO1=2,44100,128,0,1\r\n";
  Open(kModeMobile, "");
  ASSERT_TRUE(dialog_.MordaxLoaded());
  dialog_.AddPaths({clips_ + "one.mpg", clips_ + "two.mpg"}, 1);
  ASSERT_TRUE(WaitFor([&] { return Rows() == 2 && Cell(1, 0) == "two.mpg"; }, 20000));
  ASSERT_TRUE(ClickButton(dialog_.m_hWnd, IDC_START));
  ASSERT_TRUE(WaitFor([&] { return !Converting(); }, 60000));
  const std::string expected = "File conversion error. no encoder for \"wmv3\" in this FFmpeg";
  EXPECT_EQ(expected, dialog_.StatusText());
  EXPECT_EQ(expected, ControlText(dialog_.m_hWnd, IDC_STATUS));
  EXPECT_EQ(expected, Cell(0, 4));
  EXPECT_EQ(expected, Cell(1, 4));
  WritePicture(dialog_.m_hWnd, "main_no_encoder.png");
}

TEST_F(ParvelSessionTest, TheIpadModeStartsOnTheIpadProfileAndTheIpodModesOnTheFirst) {
  const std::pair<const char*, const char*> expected[] = {
      {"/IPad", "iPad"}, {"/IPOD", "iPod Video"}, {"/IPOD_IPHONE", "iPod Video"}};
  for (const auto& [option, profile] : expected) {
    SCOPED_TRACE(option);
    const ParvelCommand command = ParseParvelCommandLine(env_.Temp() + "filelist.tmp " + option);
    auto owned = std::make_unique<CParvelDlg>();
    owned->m_nMode = command.mode;
    owned->m_hImages = resources_.Images();
    ASSERT_TRUE(owned->Create(IDD_PARVEL_DIALOG));
    Pump();
    auto combo = [&](int id) {
      const LRESULT sel = SendDlgItemMessage(owned->m_hWnd, id, CB_GETCURSEL, 0, 0);
      char text[256] = {};
      if (sel >= 0)
        SendDlgItemMessage(owned->m_hWnd, id, CB_GETLBTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(text));
      return std::string(text);
    };
    EXPECT_EQ(profile, combo(IDC_PROFILE));
    if (command.mode == kModeIpad) {
      // Its own default presets, not the first profile's.
      EXPECT_EQ("1024 x 768 / 29.97fps / 2500kbps", combo(IDC_VIDEO_PRESET));
      EXPECT_EQ("Stereo / 48000hz / 160kbps", combo(IDC_AUDIO_PRESET));
    }
    owned->SendMessage(WM_CLOSE);
    owned->DestroyWindow();
    Pump();
  }
}

// Pumps as the program's own dialog loop does: each message passes the windows' pre-translation.
void PumpDialog(HWND dialog) {
  for (int round = 0; round < 5; ++round) {
    MSG m;
    int n = 0;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (!AfxWalkPreTranslateTree(dialog, &m)) {
        TranslateMessage(&m);
        DispatchMessage(&m);
      }
      ++n;
    }
    if (!n) break;
  }
}

// The mouse moved onto a control as a hand moves it: more than one step.
void MoveOver(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  RECT r;
  GetWindowRect(control, &r);
  for (int step = 0; step < 2; ++step) {
    platform::InjectMouseMove(POINT{(r.left + r.right) / 2 + step, (r.top + r.bottom) / 2});
    PumpDialog(dialog);
  }
}

// Colours of the window's background pattern (the image library's bitmap 206).
bool IsPatternColour(COLORREF c) { return c == RGB(38, 36, 32) || c == RGB(46, 43, 38); }

TEST_F(ParvelSessionTest, TheSkinnedWindowExplainsItsButtonsAndFollowsTheMouse) {
  ManualTime time;
  Open(kModePsp, "");
  // The three choices sit on the window's own pattern, with the skin's arrow at their right
  // edge: its normal image, and its disabled image while the choices are off.
  auto arrowInk = [](HWND combo, COLORREF ink) {
    RECT r;
    GetClientRect(combo, &r);
    int found = 0;
    for (int y = 0; y < r.bottom; ++y) found += Pixel(combo, r.right - 8, y) == ink;
    return found;
  };
  constexpr COLORREF kNormalInk = RGB(153, 145, 130), kDisabledInk = RGB(96, 96, 96);
  for (int id : {IDC_PROFILE, IDC_VIDEO_PRESET, IDC_AUDIO_PRESET}) {
    SCOPED_TRACE(id);
    HWND combo = GetDlgItem(dialog_.m_hWnd, id);
    RECT r;
    GetClientRect(combo, &r);
    int pattern = 0, white = 0;
    for (int y : {1, r.bottom - 2})
      for (int x = 1; x < 12; ++x) {
        const COLORREF c = Pixel(combo, x, y);
        pattern += IsPatternColour(c);
        white += c == RGB(255, 255, 255);
      }
    EXPECT_GT(pattern, 0);
    EXPECT_EQ(0, white);
    EXPECT_GT(arrowInk(combo, kNormalInk), 0);
    EXPECT_EQ(0, arrowInk(combo, kDisabledInk));
    EnableWindow(combo, FALSE);
    EXPECT_GT(arrowInk(combo, kDisabledInk), 0);
    EnableWindow(combo, TRUE);
  }

  // The tip over Add, after the hover delay on the window's clock.
  CToolTipCtrl& tip = dialog_.ToolTip();
  ASSERT_NE(nullptr, tip.GetSafeHwnd());
  EXPECT_EQ(7, tip.GetToolCount());
  MoveOver(dialog_.m_hWnd, IDC_ADD);
  EXPECT_FALSE(tip.IsWindowVisible());
  time.Advance(600);
  ASSERT_TRUE(tip.IsWindowVisible());
  std::string text;
  tip.GetText(text, CWnd::FromHandle(GetDlgItem(dialog_.m_hWnd, IDC_ADD)));
  EXPECT_EQ("Add Files", text);
  RECT shown, add;
  tip.GetWindowRect(&shown);
  GetWindowRect(GetDlgItem(dialog_.m_hWnd, IDC_ADD), &add);
  EXPECT_LE(shown.right - shown.left, 200);
  EXPECT_GE(shown.top, add.top);
  // The tip is a window of its own: the screen shows it over the dialog.
  tip.UpdateWindow();
  dialog_.UpdateWindow();
  platform::WriteScreenPng(PictureFolder() + "main_tooltip.png");
  // A longer text, as a translation may bring, is broken into lines within the width.
  CWnd* addButton = CWnd::FromHandle(GetDlgItem(dialog_.m_hWnd, IDC_ADD));
  tip.UpdateTipText("Add video files from your camcorder, your phone or any folder to the list of files to convert",
                    addButton);
  RECT wrapped;
  tip.GetWindowRect(&wrapped);
  EXPECT_LE(wrapped.right - wrapped.left, 200);
  EXPECT_GT(wrapped.bottom - wrapped.top, shown.bottom - shown.top);

  // The mouse over a button gives it the keyboard focus.
  SetFocus(dialog_.List().m_hWnd);
  MoveOver(dialog_.m_hWnd, IDC_START);
  EXPECT_EQ(GetDlgItem(dialog_.m_hWnd, IDC_START), GetFocus());
  // Both close buttons close the window.
  MoveOver(dialog_.m_hWnd, IDC_CLOSE2);
  ASSERT_TRUE(ClickButton(dialog_.m_hWnd, IDC_CLOSE2));
  INT_PTR result = 0;
  EXPECT_TRUE(platform::DialogEnded(dialog_.m_hWnd, &result));
  EXPECT_EQ(IDCANCEL, result);
}

TEST_F(ParvelSessionTest, StopInMidConversionLeavesNoFfmpegBehind) {
  ASSERT_TRUE(MakeClip(clips_ + "long.mpg", 60, 1280, 720));
  Open(kModeIpad, "");
  dialog_.AddPaths({clips_ + "long.mpg"}, 1);
  ASSERT_TRUE(WaitFor([&] { return Rows() == 1 && Cell(0, 0) == "long.mpg"; }, 20000));
  ASSERT_TRUE(ClickButton(dialog_.m_hWnd, IDC_START));
  ASSERT_TRUE(WaitFor([&] { return dialog_.ProgressPos() > 0 || !Converting(); }, 60000));
  ASSERT_TRUE(Converting());
  ASSERT_TRUE(ClickButton(dialog_.m_hWnd, IDC_STOP));
  ASSERT_TRUE(WaitFor([&] { return !Converting() && FfmpegChildren() == 0; }, 20000));
  WaitFor([&] { return dialog_.StatusText() == "Status : File conversion stopped by user."; }, 5000);
  EXPECT_EQ("Status : File conversion stopped by user.", dialog_.StatusText());
  EXPECT_EQ(0, FfmpegChildren());
}

TEST_F(ParvelSessionTest, WithoutMordaxTheWindowOpensAndTellsWhy) {
  dialog_.m_strProgramFolder = env_.Home() + "nowhere/";
  fs::create_directories(dialog_.m_strProgramFolder);
  Open(kModeMobile, "");
  EXPECT_FALSE(dialog_.MordaxLoaded());
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_NE(std::string::npos, boxes_.Last().text.find("Mordax.so"));
  EXPECT_EQ("Please add files...", Cell(0, 0));
  dialog_.AddPaths({clips_ + "none.mpg"}, 1);
  EXPECT_EQ(nullptr, dialog_.AddFilesWindow());
  EXPECT_TRUE(ControlEnabled(dialog_.m_hWnd, IDC_ADD));
  ClickButton(dialog_.m_hWnd, IDC_START);
  EXPECT_FALSE(Converting());
}

TEST_F(ParvelSessionTest, TheProfilePrioritiesGoToTheDebuggerBeforeAndAfterTheSort) {
  dialog_.m_strProgramFolder = env_.Home() + "three_profiles/";
  const std::pair<const char*, int> profiles[] = {{"a.pfh", 3}, {"b.pfh", 1}, {"c.pfh", 2}};
  for (const auto& [file, priority] : profiles) {
    const std::string path = dialog_.m_strProgramFolder + "profile/Mobile/" + file;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << "<Narvell MobileEncoder Profile>\r\n[INFO]\r\nPROFILE=Priority "
                                          << priority << "\r\nSORT_PRIORITY=" << priority << "\r\n";
  }
  platform::DebugOutputCapture debug;
  Open(kModeMobile, "");
  EXPECT_EQ(
      "before sort : [3] [0x00000000]\nbefore sort : [1] [0x00000001]\nbefore sort : [2] [0x00000002]\n"
      "after sort : [1] [0x00000000]\nafter sort : [2] [0x00000001]\nafter sort : [3] [0x00000002]\n",
      debug.Text());
  EXPECT_EQ("Priority 1", Combo(IDC_PROFILE));
}

TEST_F(ParvelSessionTest, EmptyWindowAndAddFilesPictures) {
  ASSERT_TRUE(MakeClip(clips_ + "a.mpg", 1));
  Open(kModePsp, "");
  EXPECT_EQ("Please add files...", Cell(0, 0));
  // The header is the skin's, drawn over its own background.
  ASSERT_NE(nullptr, dialog_.Header().GetSafeHwnd());
  EXPECT_EQ(dialog_.Header().m_hWnd, reinterpret_cast<HWND>(dialog_.List().SendMessage(LVM_GETHEADER)));
  WritePicture(dialog_.m_hWnd, "main_empty.png");
  // Unreadable files come back as failed adds; the list keeps its placeholder.
  std::ofstream(clips_ + "broken.mpg") << "not a video";
  dialog_.AddPaths({clips_ + "broken.mpg", clips_ + "a.mpg", clips_ + "missing.mpg"}, 0);
  ASSERT_NE(nullptr, dialog_.AddFilesWindow());
  EXPECT_EQ("0%", dialog_.AddFilesWindow()->BarText());
  WritePicture(dialog_.AddFilesWindow()->m_hWnd, "add_files.png");
  ASSERT_TRUE(WaitFor([&] { return dialog_.AddFilesWindow() == nullptr; }, 20000));
  EXPECT_EQ(1, Rows());
  EXPECT_EQ("a.mpg", Cell(0, 0));
  EXPECT_TRUE(ControlEnabled(dialog_.m_hWnd, IDC_ADD));
  // The list wears the skin's scroll bars: enabled only once the rows no longer fit.
  CSkinBitmapScrollFrame* frame = CSkinBitmapScrollFrame::FromList(dialog_.List().m_hWnd);
  ASSERT_NE(nullptr, frame);
  frame->Sync();
  EXPECT_FALSE(frame->VerticalBar().IsWindowEnabled() && frame->VerticalBar().IsWindowVisible());
  for (int i = 0; i < 40; ++i) dialog_.List().InsertItem(1 + i, "filler " + std::to_string(i));
  dialog_.List().UpdateWindow();
  Pump();
  frame->Sync();
  EXPECT_TRUE(frame->VerticalBar().IsWindowVisible());
  EXPECT_TRUE(frame->VerticalBar().IsWindowEnabled());
  for (int i = 0; i < 40; ++i) dialog_.List().DeleteItem(1);
  // Escape and Enter leave the window open; Ctrl with a key selects every row and Delete removes
  // them, bringing the placeholder back.
  SetFocus(dialog_.List().m_hWnd);
  PressKey(VK_ESCAPE);
  PressKey(VK_RETURN);
  ASSERT_TRUE(IsWindow(dialog_.m_hWnd));
  EXPECT_TRUE(dialog_.IsWindowVisible());
  SetFocus(dialog_.List().m_hWnd);
  platform::InjectKeyDown(VK_CONTROL);
  PressKey('A');
  platform::InjectKeyUp(VK_CONTROL);
  Pump();
  EXPECT_EQ(1u, dialog_.List().GetSelectedCount());
  PressKey(VK_DELETE);
  EXPECT_EQ("Please add files...", Cell(0, 0));
}

TEST_F(ParvelSessionTest, RemovingTheProjectRowWithFilesGivesTheEngineOnlyTheFiles) {
  ASSERT_TRUE(MakeClip(clips_ + "one.mpg", 1));
  ASSERT_TRUE(MakeClip(clips_ + "two.mpg", 1));
  const std::string list = env_.Temp() + "filelist.tmp";
  std::ofstream(list) << "[Edit] file=\"Edited Video\";time=100\n" << clips_ << "one.mpg\n" << clips_ << "two.mpg\n";
  Open(kModePsp, list);
  ASSERT_TRUE(WaitFor([&] { return Rows() == 3; }, 20000));
  EXPECT_EQ("Edited Video", Cell(0, 0));
  EXPECT_EQ("00:00:00.10", Cell(0, 2));  // the play time is in milliseconds
  dialog_.List().SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
  dialog_.List().SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
  ClickButton(dialog_.m_hWnd, IDC_REMOVE);
  ASSERT_EQ(1, Rows());
  EXPECT_EQ("two.mpg", Cell(0, 0));
  ASSERT_TRUE(ClickButton(dialog_.m_hWnd, IDC_START));
  ASSERT_TRUE(WaitFor([&] { return !Converting(); }, 60000));
  // Only the file still listed was converted.
  int outputs = 0;
  for (const auto& entry : fs::directory_iterator(dialog_.OutputFolder())) outputs += entry.is_regular_file();
  EXPECT_EQ(1, outputs);
  EXPECT_NE(std::string::npos, Cell(0, 4).find(".MP4"));
}

// Paths of 2,000 bytes, past any fixed buffer: the stored output folder and the rendered file
// are used as the main program set them.
TEST_F(ParvelSessionTest, ALongStoredOutputFolderAndRenderedFileAreUsedAsSet) {
  std::string base = env_.Home();
  while (base.size() + 61 < 1990) base += std::string(60, 'o') + "/";
  base += std::string(1999 - base.size(), 'b') + "/";
  ASSERT_EQ(2000u, base.size());
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kParvelKey, "OutFolder", base));
  std::string folder = env_.Home() + "r/";
  while (folder.size() + 61 < 1900) folder += std::string(60, 'r') + "/";
  fs::create_directories(folder);
  const std::string rendered = folder + std::string(2000 - folder.size() - 4, 'e') + ".mpg";
  ASSERT_EQ(2000u, rendered.size());
  ASSERT_TRUE(MakeClip(rendered, 1));
  const std::string list = env_.Temp() + "filelist.tmp";
  std::ofstream(list) << "[Edit] file=\"Edited Video\";time=100\n";
  Open(kModePsp, list);
  EXPECT_EQ(base + "PSP_OUTPUT/100MNV01/", dialog_.OutputFolder());
  EXPECT_TRUE(fs::is_directory(dialog_.OutputFolder()));
  ASSERT_TRUE(ClickButton(dialog_.m_hWnd, IDC_START));
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kParvelKey, "File", rendered));
  dialog_.SendMessage(WM_CONVERTER_LINK, PUBLISH_DONE, 0);
  ASSERT_TRUE(WaitFor([&] { return Cell(0, 0) == fs::path(rendered).filename().string() && !Converting(); }, 60000))
      << Cell(0, 0) << " " << dialog_.StatusText();
  const std::string target = Cell(0, 4);
  ASSERT_NE(std::string::npos, target.find(".MP4")) << target;
  EXPECT_EQ("mpeg4", Probe(dialog_.OutputFolder() + target)["video.codec_name"]);
}

// The main program closes while Parvel waits for its render: Parvel says so and the project
// row ends as failed within the main program's ping period, ready to start again.
TEST_F(ParvelSessionTest, ARenderThatWillNotComeEndsTheItemAsFailed) {
  HWND main =
      ::CreateWindowEx(0, "#32770", "Fake main program", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, main);
  ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, kParvelKey, "MainHwnd", HandleToDword(main)));
  const std::string list = env_.Temp() + "filelist.tmp";
  std::ofstream(list) << "[Edit] file=\"Edited Video\";time=6500\n";
  Open(kModePsp, list);
  ASSERT_TRUE(ClickButton(dialog_.m_hWnd, IDC_START));
  ASSERT_TRUE(dialog_.IsWaitingForRender());
  // While the main program is there, the wait goes on.
  WaitFor([] { return false; }, 2500);
  EXPECT_TRUE(dialog_.IsWaitingForRender());
  EXPECT_TRUE(Converting());
  ::DestroyWindow(main);
  const std::string said = "File conversion error. The main program has closed, so the project cannot be rendered.";
  EXPECT_TRUE(WaitFor([&] { return !dialog_.IsWaitingForRender(); }, 2000));
  EXPECT_EQ(said, dialog_.StatusText());
  EXPECT_EQ(said, Cell(0, 4));
  EXPECT_EQ("Edited Video", Cell(0, 0));
  EXPECT_FALSE(Converting());
  EXPECT_TRUE(ControlEnabled(dialog_.m_hWnd, IDC_ADD));
  WritePicture(dialog_.m_hWnd, "main_render_abandoned.png");
}

TEST_F(ParvelSessionTest, ARenderedFileWithALongPathReplacesTheProjectRow) {
  std::string folder = env_.Home();
  while (folder.size() < 400) folder += std::string(60, 'r') + "/";
  fs::create_directories(folder);
  const std::string rendered = folder + "Edited Video.mpg";
  ASSERT_TRUE(MakeClip(rendered, 1));
  const std::string list = env_.Temp() + "filelist.tmp";
  std::ofstream(list) << "[Edit] file=\"Edited Video\";time=100\n";
  Open(kModePsp, list);
  ASSERT_TRUE(ClickButton(dialog_.m_hWnd, IDC_START));
  EXPECT_TRUE(dialog_.IsWaitingForRender());
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kParvelKey, "File", rendered));
  dialog_.SendMessage(WM_CONVERTER_LINK, PUBLISH_DONE, 0);
  ASSERT_TRUE(WaitFor([&] { return Cell(0, 0) == "Edited Video.mpg" && !Converting(); }, 60000));
  EXPECT_NE(std::string::npos, Cell(0, 4).find(".MP4"));
}

TEST_F(ParvelSessionTest, AnEmptyProgressRangeFromTheEngineDrawsNothingAndKeepsGoing) {
  dialog_.m_strProgramFolder = env_.Home();
  Open(kModePsp, "");
  dialog_.SendMessage(kConvertNotifyMessage, MAKEWPARAM(Qn_OP_PROGRESS, 15), 0);
  dialog_.SendMessage(kConvertNotifyMessage, MAKEWPARAM(Qn_OP_PROGRESS, 16), 5);
  Pump();
  EXPECT_EQ("Video conversion status - 0 %", dialog_.StatusText());
  WritePicture(dialog_.m_hWnd, "empty_range.png");
  dialog_.SendMessage(kConvertNotifyMessage, MAKEWPARAM(Qn_OP_PROGRESS, 15), 50);
  dialog_.SendMessage(kConvertNotifyMessage, MAKEWPARAM(Qn_OP_PROGRESS, 16), 25);
  EXPECT_EQ("Video conversion status - 25 %", dialog_.StatusText());
  EXPECT_EQ(25, dialog_.ProgressPos());
  // A stopped conversion with no item started still ends in idle with the user's text.
  dialog_.SendMessage(kConvertNotifyMessage, MAKEWPARAM(Qn_OP_CONVERT, Qn_MSG_FAILED), Qn_ERR_STOPPED);
  EXPECT_EQ("Status : File conversion stopped by user.", dialog_.StatusText());
}

TEST_F(ParvelSessionTest, DroppedFilesAndDesktopLinksAreAddedAndAChosenFolderBecomesTheBase) {
  ASSERT_TRUE(MakeClip(clips_ + "dropped.mpg", 1));
  ASSERT_TRUE(MakeClip(clips_ + "linked clip.mpg", 1));
  std::ofstream(clips_ + "clip.desktop") << "[Desktop Entry]\nType=Link\nName=Clip\nURL=file://" << clips_
                                         << "linked%20clip.mpg\n";
  std::ofstream(clips_ + "app.desktop") << "[Desktop Entry]\nType=Application\nExec=/bin/true\n";
  Open(kModeMobile, "");
  HGLOBAL drop =
      platform::ole::BuildDropFiles({clips_ + "dropped.mpg", clips_ + "clip.desktop", clips_ + "app.desktop", clips_});
  dialog_.SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  ASSERT_NE(nullptr, dialog_.AddFilesWindow());
  EXPECT_EQ(1, dialog_.AddFilesWindow()->Position());
  ASSERT_TRUE(WaitFor([&] { return dialog_.AddFilesWindow() == nullptr; }, 20000));
  // The folder and the application link are refused by the engine; the file and the link's target come in.
  ASSERT_EQ(2, Rows());
  EXPECT_EQ("dropped.mpg", Cell(0, 0));
  EXPECT_EQ("linked clip.mpg", Cell(1, 0));

  const std::string chosen = env_.Home() + "Exports/Phone";
  boxes_.QueueAnswer(IDYES);
  TypeIntoFolderDialog(chosen);
  ClickButton(dialog_.m_hWnd, IDC_BROWSE);
  EXPECT_EQ(chosen + "/MOBILE_OUTPUT/", dialog_.OutputFolder());
  EXPECT_TRUE(fs::is_directory(chosen + "/MOBILE_OUTPUT"));
  EXPECT_EQ(chosen + "/MOBILE_OUTPUT/", ControlText(dialog_.m_hWnd, IDC_OUT_FOLDER));
}

// Every shipped profile, converted once with its default presets and read back.
// A clip with sound and one without, through every profile: the silent one gets a silent track
// of the profile's sound only where its container refuses a file without sound (the PSP's).
TEST_F(ParvelSessionTest, EveryInstalledProfileGivesWhatItPromisesWithAndWithoutSound) {
  ASSERT_TRUE(MakeClip(clips_ + "sample.mpg", 1));
  ASSERT_TRUE(MakeSilentClip(clips_ + "silent.mpg", 2));
  ASSERT_TRUE(Probe(clips_ + "silent.mpg")["audio.codec_name"].empty());
  const std::map<std::string, std::string> codecNames = {
      {"mpeg4", "mpeg4"}, {"libxvid", "mpeg4"}, {"libx264", "h264"}, {"h263", "h263"},
      {"wmv2", "wmv2"},   {"aac", "aac"},       {"wmav2", "wmav2"},  {"libmp3lame", "mp3"},
  };
  const std::map<std::string, std::string> containers = {{"psp", "mp4"}, {"ipod", "mp4"}, {"mp4", "mp4"},
                                                         {"3gp", "mp4"}, {"avi", "avi"},  {"asf", "asf"}};
  const std::pair<int, const char*> families[] = {{kModePsp, "PSP"},
                                                  {kModeIpod, "iPod"},
                                                  {kModeMobile, "Mobile"},
                                                  {kModeXvidHd, "XviD-HD"},
                                                  {kModeWmvHd, "WMV-HD"}};
  int converted = 0;
  for (const auto& [mode, family] : families) {
    CProfileList expected;
    expected.ScanFolder(platform::AppFolder() + "profile/" + family);
    expected.SortAlgorithmSelection(1);
    auto owned = std::make_unique<CParvelDlg>();
    CParvelDlg& dialog_ = *owned;
    auto Cell = [&](int row, int column) { return dialog_.List().GetItemText(row, column); };
    auto Converting = [&] { return ControlVisible(dialog_.m_hWnd, IDC_STOP); };
    auto Combo = [&](int id) {
      const LRESULT sel = SendDlgItemMessage(dialog_.m_hWnd, id, CB_GETCURSEL, 0, 0);
      char text[256] = {};
      if (sel >= 0)
        SendDlgItemMessage(dialog_.m_hWnd, id, CB_GETLBTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(text));
      return std::string(text);
    };
    dialog_.m_nMode = mode;
    dialog_.m_hImages = resources_.Images();
    ASSERT_TRUE(dialog_.Create(IDD_PARVEL_DIALOG));
    dialog_.ShowWindow(SW_SHOW);
    Pump();
    dialog_.AddPaths({clips_ + "sample.mpg", clips_ + "silent.mpg"}, 1);
    ASSERT_TRUE(WaitFor([&] { return Cell(0, 0) == "sample.mpg" && Cell(1, 0) == "silent.mpg"; }, 20000)) << family;
    for (int i = 0; i < expected.GetCount(); ++i) {
      const CDeviceProfile* p = expected.GetProfile(i);
      SendDlgItemMessage(dialog_.m_hWnd, IDC_PROFILE, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
      dialog_.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_PROFILE, CBN_SELCHANGE),
                          reinterpret_cast<LPARAM>(GetDlgItem(dialog_.m_hWnd, IDC_PROFILE)));
      ASSERT_EQ(p->PROFILE, Combo(IDC_PROFILE));
      ASSERT_TRUE(ClickButton(dialog_.m_hWnd, IDC_START));
      ASSERT_TRUE(WaitFor([&] { return !Converting(); }, 120000)) << p->PROFILE;
      const CVideoPreset* v = p->video[0].get();
      for (const auto& preset : p->video)
        if (preset->isDefault == 1) v = preset.get();
      const CAudioPreset* a = p->audio[0].get();
      for (const auto& preset : p->audio)
        if (preset->isDefault == 1) a = preset.get();
      for (int row = 0; row < 2; ++row) {
        const std::string what = p->PROFILE + (row ? " (silent clip)" : "");
        const std::string target = Cell(row, 4);
        ASSERT_NE(std::string::npos, target.find(p->EXF)) << what << ": " << target << " " << dialog_.StatusText();
        auto probe = Probe(dialog_.OutputFolder() + target);
        EXPECT_EQ(codecNames.at(v->codec), probe["video.codec_name"]) << what;
        EXPECT_EQ(std::to_string(v->width), probe["video.width"]) << what;
        EXPECT_EQ(std::to_string(v->height), probe["video.height"]) << what;
        EXPECT_NEAR(v->frameRate, FrameRate(probe["video.r_frame_rate"]), 0.01) << what;
        EXPECT_NE(std::string::npos, probe["format_name"].find(containers.at(p->FORCE))) << what;
        EXPECT_TRUE(DecodeErrors(dialog_.OutputFolder() + target).empty()) << what;
        const bool sound = row == 0 || p->FORCE == "psp";
        if (sound) {
          EXPECT_EQ(codecNames.at(a->codec), probe["audio.codec_name"]) << what;
          EXPECT_EQ(std::to_string(a->sampleRate), probe["audio.sample_rate"]) << what;
          EXPECT_EQ(std::to_string(static_cast<int>(a->channels)), probe["audio.channels"]) << what;
        } else {
          EXPECT_EQ("", probe["audio.codec_name"]) << what;
        }
        if (row == 1 && sound) {
          // As long as the clip, and silent.
          EXPECT_NEAR(2.0, std::atof(probe["duration"].c_str()), 0.2) << what;
          const std::string level =
              parvel_test::Run("ffmpeg -nostdin -v info -i '" + dialog_.OutputFolder() + target +
                               "' -map 0:a -af volumedetect -f null - 2>&1 | grep -o 'max_volume: [-a-z0-9.]*'");
          // Digital silence reads as the 16-bit floor, -91 dB.
          ASSERT_EQ(0u, level.find("max_volume: ")) << what << ": " << level;
          EXPECT_LE(std::atof(level.c_str() + 12), -90.0) << what << ": " << level;
        }
      }
      ++converted;
    }
    dialog_.SendMessage(WM_CLOSE);
    dialog_.DestroyWindow();
    Pump();
  }
  EXPECT_EQ(8, converted);
}

// FFmpeg counts the frames it writes: a 25 fps clip converted at 29.97 has more of them than the
// clip, and the count ends at its own total.
TEST_F(ParvelSessionTest, TheFrameCountOfA25FpsWmvAtThePspRateEndsAtItsTotal) {
  ASSERT_TRUE(MakeWmvClip(clips_ + "camcorder.wmv", 4));
  Open(kModePsp, "");
  dialog_.AddPaths({clips_ + "camcorder.wmv"}, 1);
  ASSERT_TRUE(WaitFor([&] { return Cell(0, 0) == "camcorder.wmv"; }, 20000));
  ASSERT_EQ("320 x 240 / 29.97fps / 768kbps", Combo(IDC_VIDEO_PRESET));
  ASSERT_TRUE(ClickButton(dialog_.m_hWnd, IDC_START));
  std::vector<std::string> seen;
  ASSERT_TRUE(WaitFor(
      [&] {
        const std::string status = dialog_.StatusText();
        if (seen.empty() || seen.back() != status) seen.push_back(status);
        return !Converting();
      },
      120000));
  const std::string last = dialog_.StatusText();
  int frame = -1, total = -1;
  ASSERT_EQ(2, std::sscanf(last.c_str() + last.rfind('('), "(%d / %d)", &frame, &total)) << last;
  EXPECT_EQ(0u, last.find("Video conversion status - 100 %")) << last;
  EXPECT_EQ(frame, total) << last;
  // About 4 s at 29.97: some 120 frames, not the clip's 100.
  EXPECT_NEAR(120, total, 2) << last;
  for (const std::string& status : seen) {
    if (status.back() != ')') continue;
    int f = -1, t = -1;
    ASSERT_EQ(2, std::sscanf(status.c_str() + status.rfind('('), "(%d / %d)", &f, &t)) << status;
    EXPECT_LE(f, t) << status;
  }
  auto probe = Probe(dialog_.OutputFolder() + Cell(0, 4));
  EXPECT_EQ("mpeg4", probe["video.codec_name"]);
}

}  // namespace

// A name holding bytes that are not UTF-8 (a Latin-1 "é") is a name the file system holds:
// the clip is listed like any other, never dropped without a word.
TEST_F(ParvelSessionTest, AClipWhoseNameIsNotUtf8IsListed) {
  const std::string name = "caf\xe9.mpg";
  ASSERT_TRUE(MakeClip(clips_ + name, 1));
  Open(kModeWmvHd, "");
  dialog_.AddPaths({clips_ + name}, 1);
  ASSERT_TRUE(WaitFor([&] { return dialog_.AddFilesWindow() == nullptr; }, 20000));
  EXPECT_EQ(name, Cell(0, 0));
}

// A file the converter cannot take, whatever bytes its name holds, is named with the reason
// once the add ends, never dropped without a word; the files it can take are listed.
TEST_F(ParvelSessionTest, FilesThatCannotBeAddedAreNamedWithTheirReason) {
  ASSERT_TRUE(MakeClip(clips_ + "a.mpg", 1));
  const std::string notes = clips_ + "notes \xe9t\xe9.mpg", missing = clips_ + "missing.mpg";
  std::ofstream(notes) << "not a video";
  Open(kModePsp, "");
  // The box as the user sees it.
  platform::MessageBoxHandler recorder = platform::SetMessageBoxHandler(platform::ShowMessageBoxDialog);
  std::string shown;
  WhenDialogShows([&](HWND box) {
    shown = ControlText(box, platform::kMessageBoxTextId);
    WritePicture(box, "add_refused_box.png");
    ClickButton(box, IDOK);
  });
  dialog_.AddPaths({notes, clips_ + "a.mpg", missing}, 0);
  const bool answered = WaitFor([&] { return !shown.empty(); }, 20000);
  platform::SetMessageBoxHandler(recorder);
  ASSERT_TRUE(answered);
  EXPECT_EQ("These files were not added:\n\n" + notes + "\n    it is not a video the converter can read\n" + missing +
                "\n    it no longer exists",
            shown);
  EXPECT_EQ(nullptr, dialog_.AddFilesWindow());
  EXPECT_EQ(1, Rows());
  EXPECT_EQ("a.mpg", Cell(0, 0));
  EXPECT_TRUE(ControlEnabled(dialog_.m_hWnd, IDC_ADD));

  // The listed clip dropped again is named too, once.
  dialog_.AddPaths({clips_ + "a.mpg"}, 1);
  ASSERT_TRUE(WaitFor([&] { return dialog_.AddFilesWindow() == nullptr && boxes_.Count() == 1; }, 20000));
  EXPECT_EQ("This file was not added:\n\n" + clips_ + "a.mpg\n    it is in the list already", boxes_.Last().text);
  EXPECT_EQ(1, Rows());
  Pump();
  EXPECT_EQ(1u, boxes_.Count());
}

// Another converter (another session sharing the documents folder) finishes a file of the
// announced name first: both files stay, and the row names the file this conversion left.
TEST_F(ParvelSessionTest, TheRowNamesTheFileAConversionLeftWhenItsNameWasTakenMeanwhile) {
  ASSERT_TRUE(MakeClip(clips_ + "clip.mpg", 2));
  Open(kModePsp, "");
  const std::string out = dialog_.OutputFolder();
  auto convert = [&](const std::function<void()>& whileAnnounced) {
    dialog_.AddPaths({clips_ + "clip.mpg"}, 0);
    ASSERT_TRUE(WaitFor([&] { return dialog_.AddFilesWindow() == nullptr && Rows() == 1; }, 20000));
    ASSERT_TRUE(ClickButton(dialog_.m_hWnd, IDC_START));
    // The engine announces the file and waits a second before FFmpeg starts.
    ASSERT_TRUE(WaitFor([&] { return dialog_.StatusText().rfind("Video conversion status - ", 0) == 0; }, 20000));
    whileAnnounced();
    ASSERT_TRUE(WaitFor([&] { return !Converting(); }, 120000));
  };
  // A first run learns the name the empty folder gives; the folder is then emptied again.
  convert([] {});
  const std::string announced = Cell(0, 4);
  ASSERT_FALSE(announced.empty());
  ASSERT_TRUE(fs::remove(out + announced));
  SetFocus(dialog_.List().m_hWnd);
  platform::InjectKeyDown(VK_CONTROL);
  PressKey('A');
  platform::InjectKeyUp(VK_CONTROL);
  Pump();
  PressKey(VK_DELETE);
  ASSERT_EQ("Please add files...", Cell(0, 0));

  convert([&] { std::ofstream(out + announced) << "another converter's"; });
  const std::string got = Cell(0, 4);
  EXPECT_NE(got, announced);
  std::string theirs;
  platform::ReadWholeFile(out + announced, &theirs);
  EXPECT_EQ(theirs, "another converter's");
  EXPECT_EQ("mpeg4", Probe(out + got)["video.codec_name"]) << got;
  EXPECT_EQ("", DecodeErrors(out + got));
  WritePicture(dialog_.m_hWnd, "main_name_taken_meanwhile.png");
}

// Linux names may hold double quotes and bytes that are not UTF-8: clips so named are chosen
// in the Add dialog's list and listed like any other.
TEST_F(ParvelSessionTest, ClipsWhoseNamesHoldQuotesOrOtherBytesAreChosenInTheAddDialog) {
  const std::string quoted = "say \"hi\".mpg", latin = "caf\xe9.mpg";
  ASSERT_TRUE(MakeClip(clips_ + quoted, 1));
  ASSERT_TRUE(MakeClip(clips_ + latin, 1));
  Open(kModePsp, "");
  for (const std::string& name : {quoted, latin}) {
    AnswerFileDialog(clips_);  // a folder typed is entered
    PickInFileDialog(name);
    ASSERT_TRUE(ClickButton(dialog_.m_hWnd, IDC_ADD));
    ASSERT_TRUE(WaitFor([&] { return dialog_.AddFilesWindow() == nullptr && Cell(Rows() - 1, 0) == name; }, 20000))
        << name;
  }
  ASSERT_EQ(2, Rows());
  EXPECT_EQ(quoted, Cell(0, 0));
  EXPECT_EQ(latin, Cell(1, 0));
  WritePicture(dialog_.m_hWnd, "main_unusual_names.png");
  // And both convert: FFmpeg reads them by the names they have.
  ASSERT_TRUE(ClickButton(dialog_.m_hWnd, IDC_START));
  ASSERT_TRUE(WaitFor([&] { return !Converting(); }, 120000));
  for (int row = 0; row < 2; ++row) {
    const std::string target = dialog_.OutputFolder() + Cell(row, 4);
    EXPECT_EQ("mpeg4", Probe(target)["video.codec_name"]) << Cell(row, 4);
    EXPECT_EQ("", DecodeErrors(target));
  }
}
