// The Blu-ray record-and-burn page on the HDV camcorder: record, author through Tarnel, burn
// as UDF and read the image back with libbluray; the job file; folder-only output.
#include <gtest/gtest.h>

#include <libbluray/bluray.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "bdauthor/tarnel.h"
#include "capture_graphs.h"
#include "disc_jobs.h"
#include "record_plan.h"
#include "platform/base/debug_output.h"
#include "platform/base/file.h"
#include "platform/base/process.h"
#include "platform/dshow/camcorder_streams.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/window/message_box_dialog.h"
#include "platform/window/window_surface.h"
#include "platform/disc/drive_set.h"
#include "platform/disc/sim_drive.h"
#include "record_burn_bd_page.h"
#include "record_burn_support.h"
#include "wizard_ids.h"
#include "wizard_state.h"

namespace {

using namespace testkit;
using namespace wizardtest;
namespace sim = platform::dshow::sim;

class RecordBurnBd : public BdRoadTest {
 protected:
  void SetUp() override {
    BdRoadTest::SetUp();
    sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
  }
  CRecordBurnBdPage* GoToRecordPage(HWND frame, CWendrelDlg& dialog) {
    for (int step = 0; step < 4; ++step) ClickButton(frame, IDC_NEXT), Pump();
    auto* page = dynamic_cast<CRecordBurnBdPage*>(dialog.GetActivePage());
    if (!page) return nullptr;
    // Presses before the camcorder is open would be lost: Record and the tape wait for it.
    buttonsBeforeOpen_ = ControlEnabled(page->m_hWnd, IDC_RECORD) || ControlEnabled(page->m_hWnd, IDC_TAPE_PLAY);
    time_.Advance(200);
    return page;
  }
  bool buttonsBeforeOpen_ = true;
  CWendrelDlg dialog_;
};

double BluRayTitleSeconds(const std::string& path, unsigned* titles) {
  BLURAY* bd = bd_open(path.c_str(), nullptr);
  if (!bd) return -1;
  *titles = bd_get_titles(bd, TITLES_ALL, 0);
  double seconds = -1;
  if (BLURAY_TITLE_INFO* info = *titles ? bd_get_title_info(bd, 0, 0) : nullptr) {
    seconds = static_cast<double>(info->duration) / 90000.0;
    bd_free_title_info(info);
  }
  bd_close(bd);
  return seconds;
}

TEST_F(RecordBurnBd, TheCamcorderRoadBurnsABluRayDiscLibblurayReads) {
  CWendrelDlg dialog;
  std::string workFolder, discName;
  WhenDialogShows([&](HWND d) {
    CRecordBurnBdPage* page = GoToRecordPage(d, dialog);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(3, page->DeviceType());
    EXPECT_FALSE(buttonsBeforeOpen_);
    EXPECT_TRUE(ControlEnabled(page->m_hWnd, IDC_TAPE_PLAY));
    EXPECT_TRUE(wizard::DvGraphOpen());
    WritePicture(d, "record_burn_bd_345_idle.png");
    ClickButton(page->m_hWnd, IDC_TAPE_PLAY);
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
    ASSERT_EQ(CRecordBurnBdPage::kRecording, page->GetPhase());
    RecordFor(time_, 20000, false);
    WritePicture(d, "record_burn_bd_345_recording.png");
    workFolder = page->WorkFolder();
    discName = wizard::State().discName;
    boxes_.QueueAnswer(IDYES);
    boxes_.QueueAnswer(IDYES);
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_STOP));
    EXPECT_TRUE(PumpUntilReal(time_, [&] { return page->GetPhase() == CRecordBurnBdPage::kBurning; }));
    WritePicture(d, "record_burn_bd_345_burning.png");
    EXPECT_TRUE(PumpUntilReal(time_, [&] { return boxes_.Count() >= 3; }));
    Pump();
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  std::vector<std::string> texts;
  for (const auto& call : boxes_.Calls()) texts.push_back(call.text);
  ASSERT_EQ(3u, boxes_.Count()) << ::testing::PrintToString(texts);
  EXPECT_EQ("Burning complete.", boxes_.Calls()[2].text);
  EXPECT_FALSE(platform::FolderExists(workFolder));
  // The disc the blank-disc page locked comes out once burned.
  const auto drives = platform::disc::MachineDrives();
  ASSERT_EQ(1u, drives.size());
  EXPECT_TRUE(drives.front()->State().trayOpen);
  EXPECT_FALSE(drives.front()->State().locked);

  std::string out, err;
  int code = -1;
  ASSERT_TRUE(platform::RunProcess("bd_info", {WriterImage()}, &out, &err, &code, 60000));
  EXPECT_NE(out.find(discName), std::string::npos) << out;
  EXPECT_NE(out.find("HDMV titles         : 1"), std::string::npos) << out;
  unsigned titles = 0;
  EXPECT_NEAR(20.0, BluRayTitleSeconds(WriterImage(), &titles), 1.0);
  EXPECT_EQ(1u, titles);
}

// Lines of "<left> : <right> / <left meter>  : <right meter> \n", each checked against the meter
// scale: -80 dBFS and below is an empty meter, -17.5 dBFS and above a full one.
int CheckLevelLines(const std::string& text) {
  int lines = 0;
  for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1, ++lines) {
    const std::string line = text.substr(at, end - at + 1);
    double left = 0, right = 0;
    int leftMeter = -1, rightMeter = -1;
    EXPECT_EQ(4, std::sscanf(line.c_str(), "%lf : %lf / %d  : %d", &left, &right, &leftMeter, &rightMeter)) << line;
    char expected[64];
    std::snprintf(expected, sizeof expected, "%5.2f : %5.2f / %d  : %d \n", left, right, leftMeter, rightMeter);
    EXPECT_EQ(expected, line);
    for (auto [level, meter] : {std::pair{left, leftMeter}, std::pair{right, rightMeter}}) {
      EXPECT_TRUE(level >= -80.0 && level <= 0.0) << line;
      EXPECT_NEAR(std::clamp((level + 80.0) * 1.6 - 48.0, 0.0, 100.0), meter, 1.0) << line;
    }
  }
  return lines;
}

TEST_F(RecordBurnBd, EachLevelReadingGoesToTheDebuggerWithItsMeterValues) {
  // A camcorder without a tape films live and always has sound; one with a tape is silent until
  // the tape plays.
  const std::string tape = env_.Documents() + "hdv_tape.m2t";
  {
    std::ofstream out(tape, std::ios::binary);
    for (int i = 0; i < 8; ++i)
      out.write(reinterpret_cast<const char*>(sim::HdvLoop().data()),
                static_cast<std::streamsize>(sim::HdvLoop().size()));
  }
  sim::Hardware::Instance().Update("HDVCAM", [&](sim::DeviceDesc& d) { d.tape = tape; });
  std::string silent, playing;
  WhenDialogShows([&](HWND d) {
    CRecordBurnBdPage* page = GoToRecordPage(d, dialog_);
    ASSERT_NE(page, nullptr);
    {
      // With the tape stopped no sound reaches the meters.
      platform::DebugOutputCapture debug;
      for (int tick = 0; tick < 3; ++tick) time_.Advance(300), Pump();  // the level timer's period
      silent = debug.Text();
    }
    // The tape's sound comes through a lossy encoder, so its levels are read back from the lines.
    platform::DebugOutputCapture debug;
    ClickButton(page->m_hWnd, IDC_TAPE_PLAY);
    for (int tick = 0; tick < 3; ++tick) time_.Advance(300), Pump();
    playing = debug.Text();
    ClickButton(d, IDC_EXIT);
  });
  dialog_.DoModal();
  // Graph threads that sleep on the suite clock move it too, so a step may hold a reading more.
  std::string silentLines;
  while (silentLines.size() < silent.size()) silentLines += "-80.00 : -80.00 / 0  : 0 \n";
  EXPECT_GE(silent.size(), 3 * std::strlen("-80.00 : -80.00 / 0  : 0 \n"));
  EXPECT_EQ(silentLines, silent);
  EXPECT_GE(CheckLevelLines(playing), 3) << playing;
}

TEST_F(RecordBurnBd, WithoutAWriterTheBdmvFolderStaysUnderCreateBDFolder) {
  UseWriters({});
  CWendrelDlg dialog;
  std::string workFolder;
  WhenDialogShows([&](HWND d) {
    ClickButton(d, IDC_NEXT), Pump();  // 196
    ClickButton(dialog.GetActivePage()->m_hWnd, IDC_SAVE_TO_PC);
    for (int step = 0; step < 3; ++step) ClickButton(d, IDC_NEXT), Pump();
    auto* page = dynamic_cast<CRecordBurnBdPage*>(dialog.GetActivePage());
    ASSERT_NE(page, nullptr);
    time_.Advance(200);
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
    RecordFor(time_, 5000, false);
    workFolder = page->WorkFolder();
    boxes_.QueueAnswer(IDYES);
    boxes_.QueueAnswer(IDYES);
    boxes_.QueueAnswer(IDOK);
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_STOP));
    EXPECT_TRUE(PumpUntilReal(time_, [&] { return boxes_.Count() >= 3; }));
    EXPECT_EQ(CRecordBurnBdPage::kIdle, page->GetPhase());
    EXPECT_TRUE(ControlEnabled(page->m_hWnd, IDC_RECORD));
    ClickButton(d, IDC_EXIT);
  });
  dialog.DoModal();
  ASSERT_EQ(3u, boxes_.Count());
  EXPECT_EQ("Created Blu-ray folder on your hard drive. ", boxes_.Calls()[2].text);
  EXPECT_EQ(0u, workFolder.find(wizard::State().bdFolder)) << workFolder;
  unsigned titles = 0;
  EXPECT_NEAR(5.0, BluRayTitleSeconds(workFolder, &titles), 1.0);
  EXPECT_EQ(1u, titles);
}

// The button as the screen shows it, row by row.
std::vector<std::uint32_t> ButtonPicture(HWND page, int id) {
  HWND button = ::GetDlgItem(page, id);
  HWND top = ::GetAncestor(button, GA_ROOT);
  ::UpdateWindow(top);
  Pump();
  platform::PixelImage screen;
  if (!platform::ComposeWindow(top, &screen)) return {};
  RECT frame{}, r{};
  ::GetWindowRect(top, &frame);
  ::GetWindowRect(button, &r);
  std::vector<std::uint32_t> pixels;
  for (int y = r.top - frame.top; y < r.bottom - frame.top; ++y)
    for (int x = r.left - frame.left; x < r.right - frame.left; ++x)
      pixels.push_back(screen.pixels[static_cast<std::size_t>(y) * screen.width + x]);
  return pixels;
}

TEST_F(RecordBurnBd, RecordStopAndEachTapeButtonShowWhatTheyDo) {
  std::vector<std::vector<std::uint32_t>> tape;
  std::vector<std::uint32_t> stop, record;
  WhenDialogShows([&](HWND d) {
    CRecordBurnBdPage* page = GoToRecordPage(d, dialog_);
    ASSERT_NE(page, nullptr);
    for (int id = IDC_TAPE_PLAY; id <= IDC_TAPE_FORWARD; ++id) tape.push_back(ButtonPicture(page->m_hWnd, id));
    stop = ButtonPicture(page->m_hWnd, IDC_STOP);  // disabled while idle
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
    record = ButtonPicture(page->m_hWnd, IDC_RECORD);  // disabled while recording
    boxes_.QueueAnswer(IDYES);
    boxes_.QueueAnswer(IDNO);
    ClickButton(page->m_hWnd, IDC_STOP);
    ClickButton(d, IDC_EXIT);
  });
  dialog_.DoModal();
  ASSERT_EQ(5u, tape.size());
  ASSERT_FALSE(record.empty());
  EXPECT_EQ(record.size(), stop.size());
  EXPECT_NE(record, stop) << "Record and Stop, both disabled, still differ";
  for (std::size_t i = 0; i < tape.size(); ++i) {
    ASSERT_FALSE(tape[i].empty());
    for (std::size_t j = i + 1; j < tape.size(); ++j) EXPECT_NE(tape[i], tape[j]) << i << " and " << j;
  }
}

std::atomic<int> g_authoringFailures{0};

// The authoring as it runs, after the given number of failures.
bool FailingAuthoring(const char* job) {
  if (g_authoringFailures.load() > 0) {
    --g_authoringFailures;
    return false;
  }
  return tarnel(job);
}

TEST_F(RecordBurnBd, RetryAfterAFailedAuthoringAuthorsTheKeptClipAgainAndBurnsIt) {
  wizard::SetBdAuthorCall(&FailingAuthoring);
  g_authoringFailures = 2;
  std::string clip, discName;
  WhenDialogShows([&](HWND d) {
    CRecordBurnBdPage* page = GoToRecordPage(d, dialog_);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
    RecordFor(time_, 5000, false);
    clip = page->ClipPath();
    discName = wizard::State().discName;
    // Stop? Burn? Then Retry twice, the second failing again, and the burn's end.
    for (int answer : {IDYES, IDYES, IDRETRY, IDRETRY, IDOK}) boxes_.QueueAnswer(answer);
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_STOP));
    EXPECT_TRUE(PumpUntilReal(time_, [&] { return boxes_.Count() >= 5; }));
    Pump();
  });
  dialog_.DoModal();
  wizard::SetBdAuthorCall(nullptr);
  const auto calls = boxes_.Calls();
  ASSERT_EQ(5u, calls.size());
  for (std::size_t i : {2u, 3u}) {
    EXPECT_EQ(static_cast<UINT>(MB_RETRYCANCEL), calls[i].flags & 0xF) << calls[i].text;
    EXPECT_NE(calls[i].text.find(clip + ".ptsinfo"), std::string::npos) << calls[i].text;
  }
  EXPECT_EQ("Burning complete.", calls[4].text);
  // The failure as the desktop shows it.
  std::string picture;
  WhenDialogShows([&](HWND box) {
    picture = WritePicture(box, "record_burn_bd_345_authoring_failed.png");
    ClickButton(box, IDCANCEL);
  });
  EXPECT_EQ(IDCANCEL, platform::ShowMessageBoxDialog(nullptr, calls[2].text, calls[2].caption, calls[2].flags));
  EXPECT_FALSE(picture.empty());
  std::string out, err;
  int code = -1;
  ASSERT_TRUE(platform::RunProcess("bd_info", {WriterImage()}, &out, &err, &code, 60000));
  EXPECT_NE(out.find(discName), std::string::npos) << out;
  unsigned titles = 0;
  EXPECT_NEAR(5.0, BluRayTitleSeconds(WriterImage(), &titles), 1.0);
}

TEST_F(RecordBurnBd, AFailedAuthoringKeepsTheClipAndItsCompanionAndEndsIdle) {
  std::string clip;
  WhenDialogShows([&](HWND d) {
    CRecordBurnBdPage* page = GoToRecordPage(d, dialog_);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
    RecordFor(time_, 100, false);  // too short for two entry points
    clip = page->ClipPath();
    // Stop? Burn? Tarnel's own message, then Cancel to the page's.
    for (int answer : {IDYES, IDYES, IDOK, IDCANCEL}) boxes_.QueueAnswer(answer);
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_STOP));
    EXPECT_TRUE(PumpUntilReal(time_, [&] { return boxes_.Count() >= 4; }));
    EXPECT_EQ(CRecordBurnBdPage::kIdle, page->GetPhase());
    EXPECT_TRUE(ControlEnabled(d, IDC_EXIT));
    EXPECT_TRUE(ControlEnabled(page->m_hWnd, IDC_RECORD));
    ClickButton(d, IDC_EXIT);
  });
  dialog_.DoModal();
  ASSERT_EQ(4u, boxes_.Count());
  const std::string last = boxes_.Calls()[3].text;
  EXPECT_EQ(0u, last.find("failed tarnel")) << last;
  EXPECT_NE(last.find(clip + ".ptsinfo"), std::string::npos) << last;
  EXPECT_TRUE(platform::FileExists(clip));
  EXPECT_TRUE(platform::FileExists(clip + ".ptsinfo"));
}

TEST_F(RecordBurnBd, AnUnpluggedCamcorderEndsTheRecordingWithTheBurnQuestion) {
  std::vector<std::string> texts;
  int phaseAfter = -1;
  WhenDialogShows([&](HWND d) {
    CRecordBurnBdPage* page = GoToRecordPage(d, dialog_);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
    RecordFor(time_, 5000, false);
    boxes_.QueueAnswer(IDNO);  // start burning? No: the recording goes
    sim::DeviceDesc camcorder;
    ASSERT_TRUE(
        sim::Hardware::Instance().FindByName("Vidarro HDV Camcorder", sim::DeviceKind::HdvCamcorder, &camcorder));
    sim::Hardware::Instance().Unplug(camcorder.id);
    EXPECT_TRUE(PumpUntilReal(
        time_, [&] { return boxes_.Count() >= 1; }, 10));
    phaseAfter = page->GetPhase();
    EXPECT_FALSE(platform::FileExists(page->ClipPath()));
    sim::Hardware::Instance().Plug(camcorder.id);
    ClickButton(d, IDC_EXIT);
  });
  dialog_.DoModal();
  for (const auto& call : boxes_.Calls()) texts.push_back(call.text);
  ASSERT_EQ(1u, texts.size()) << ::testing::PrintToString(texts);
  EXPECT_NE(texts[0].find("Do you want to start burning?"), std::string::npos);
  EXPECT_EQ(CRecordBurnBdPage::kIdle, phaseAfter);
}

TEST(BdJobFile, ChaptersEveryFiveMinutesBeforeTheEnd) {
  testkit::Environment env(testkit::CurrentTestName());
  const std::string path = wizard::WriteJobFile("/work/BD/", 600);
  ASSERT_FALSE(path.empty());
  std::string text;
  ASSERT_TRUE(platform::ReadWholeFile(path, &text));
  EXPECT_EQ(
      "\r\n[TARNEL]\r\nVERSION=0.5\r\n\r\n[AUTHORINFO]\r\nINPUTCOUNT=1\r\nOUTPUTPATH=/work/BD/\r\n\r\n[INPUT0]\r\n"
      "CHAPTERTIME=0,300\r\n",
      text);
  EXPECT_EQ("0", wizard::BdChapterTimes(300));
  EXPECT_EQ("0,300", wizard::BdChapterTimes(301));
  EXPECT_EQ("", wizard::BdChapterTimes(0));
}

}  // namespace
