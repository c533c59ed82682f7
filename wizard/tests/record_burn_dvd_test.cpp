// The DVD record-and-burn page on the default USB box and writer: record, the stop questions,
// multiplexing and authoring, the burn read back by lsdvd, copies, folder-only output and the
// failures, each ending idle with its message.
#include <gtest/gtest.h>

#include <fstream>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "capture/capture_graph.h"
#include "capture_graphs.h"
#include "platform/base/paths.h"
#include "platform/testkit/file_size_limit.h"
#include "platform/base/file.h"
#include "platform/base/file_system.h"
#include "platform/base/local_time.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/disc/sim_drive.h"
#include "platform/disc/drive_set.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dvd/qn_mpg_mux.h"
#include "platform/window/device_change.h"
#include "record_burn_dvd_page.h"
#include "small_dialogs.h"
#include "record_burn_support.h"
#include "wizard_ids.h"
#include "wizard_state.h"

namespace {

using namespace testkit;
using namespace wizardtest;
namespace sim = platform::dshow::sim;

class RecordBurnDvd : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
    wizard::State().recordingMinutes = 1;
    wizard::State().makeCopyDisc = 1;
  }
  void TearDown() override {
    wizard::ReleaseCaptureGraphs();
    WizardTest::TearDown();
  }
  // Next through the disc and source pages to 343, as a user on the default box does, reading
  // each page for `readMs` of the clock first.
  CRecordBurnDvdPage* GoToRecordPage(HWND frame, CWendrelDlg& dialog, int readMs = 0) {
    auto click = [&](HWND window, int id) {
      for (int waited = 0; waited < readMs; waited += 100) time_.Advance(100);
      ClickButton(window, id), Pump();
    };
    for (int step = 0; step < 2; ++step) click(frame, IDC_NEXT);
    click(dialog.GetActivePage()->m_hWnd, 1092);
    click(frame, IDC_NEXT);
    click(dialog.GetActivePage()->m_hWnd, 1101);
    for (int step = 0; step < 3; ++step) click(frame, IDC_NEXT);
    auto* page = dynamic_cast<CRecordBurnDvdPage*>(dialog.GetActivePage());
    if (!page) return nullptr;
    // A press before the device is open would be lost: Record waits for it.
    recordBeforeOpen_ = ControlEnabled(page->m_hWnd, IDC_RECORD);
    time_.Advance(200);  // the device opens
    return page;
  }
  bool recordBeforeOpen_ = true;
  // Record for `ms`, then Stop with the two answers given.
  void RecordAndStop(CRecordBurnDvdPage* page, int ms, int stopAnswer, int burnAnswer) {
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
    ASSERT_EQ(CRecordBurnDvdPage::kRecording, page->GetPhase());
    RecordFor(time_, ms, true);
    boxes_.QueueAnswer(stopAnswer);
    if (stopAnswer == IDYES) boxes_.QueueAnswer(burnAnswer);
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_STOP));
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& call : boxes_.Calls()) texts.push_back(call.text);
    return texts;
  }
  bool Shown(const std::string& part) const {
    for (const auto& text : Texts())
      if (text.find(part) != std::string::npos) return true;
    return false;
  }
  // Runs `steps` on page 343 inside the wizard's modal loop; then the wizard ends (Exit when it
  // is still open).
  void OnRecordPage(const std::function<void(HWND frame, CRecordBurnDvdPage* page)>& steps, int readMs = 0) {
    WhenDialogShows([&](HWND d) {
      CRecordBurnDvdPage* page = GoToRecordPage(d, dialog_, readMs);
      ASSERT_NE(page, nullptr);
      steps(d, page);
      Pump();
      if (::IsWindow(d)) ClickButton(d, IDC_EXIT);
    });
    dialog_.DoModal();
  }
  // Waits for the pass to end with `count` boxes shown in all.
  bool BoxesShown(std::size_t count) {
    return PumpUntilReal(time_, [&] { return boxes_.Count() >= count; });
  }
  CWendrelDlg dialog_;
};

TEST_F(RecordBurnDvd, TheDemoRoadBurnsADiscLsdvdReadsAndTheWizardCloses) {
  CWendrelDlg dialog;
  std::string workFolder, discName;
  int recordingPhase = -1;
  bool navigationHeld = false;
  WhenDialogShows([&](HWND d) {
    CRecordBurnDvdPage* page = GoToRecordPage(d, dialog);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(1, page->DeviceType());
    EXPECT_FALSE(recordBeforeOpen_);
    EXPECT_TRUE(ControlEnabled(page->m_hWnd, IDC_RECORD));
    EXPECT_TRUE(wizard::AnalogGraphRunning());
    EXPECT_EQ(60, page->PlannedSeconds());
    EXPECT_EQ(8000000, page->VideoBitRate());
    WritePicture(d, "record_burn_dvd_343_idle.png");
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
    recordingPhase = page->GetPhase();
    RecordFor(time_, 20000, true);
    // The clock starts with its first tick, half a second in.
    EXPECT_EQ(19, page->ElapsedSeconds());
    WritePicture(d, "record_burn_dvd_343_recording.png");
    workFolder = page->WorkFolder();
    discName = wizard::State().discName;
    boxes_.QueueAnswer(IDYES);  // stop?
    boxes_.QueueAnswer(IDYES);  // burn?
    boxes_.QueueAnswer(IDNO);   // another copy?
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_STOP));
    navigationHeld = !ControlEnabled(d, IDC_FINISH);
    time_.Advance(300);
    EXPECT_TRUE(PumpUntilReal(time_, [&] { return page->GetPhase() == CRecordBurnDvdPage::kBurning; }));
    WritePicture(d, "record_burn_dvd_343_burning.png");
    EXPECT_TRUE(PumpUntilReal(time_, [&] { return boxes_.Count() >= 3; }));
    Pump();
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  EXPECT_EQ(CRecordBurnDvdPage::kRecording, recordingPhase);
  EXPECT_TRUE(navigationHeld);
  ASSERT_EQ(3u, boxes_.Count()) << ::testing::PrintToString(Texts());
  EXPECT_EQ("Do you want to stop recording?", boxes_.Calls()[0].text);
  EXPECT_NE(boxes_.Calls()[1].text.find("Do you want to start burning?"), std::string::npos);
  EXPECT_NE(boxes_.Calls()[2].text.find("Burning complete."), std::string::npos);
  EXPECT_TRUE(dialog.TornDown());
  EXPECT_FALSE(workFolder.empty());
  EXPECT_FALSE(platform::FolderExists(workFolder)) << "the work folder goes after the burn";

  const DvdReading disc = ReadDvd(WriterImage());
  ASSERT_TRUE(disc.ok);
  ASSERT_EQ(1u, disc.titles.size());
  EXPECT_NEAR(20.0, disc.titles[0].seconds, 0.5);
  EXPECT_EQ(1, disc.titles[0].chapters);
  EXPECT_EQ(discName, disc.discTitle);
}

TEST_F(RecordBurnDvd, AnotherCopyGoesOnAFreshBlankOfTheSameClassAndABluRayIsRefused) {
  UseWriters({Writer("A", "WRITES=DVD+R,DVD+R DL,BD-R\nMEDIUM=DVD+R DL\n")});
  OnRecordPage([&](HWND, CRecordBurnDvdPage* page) {
    RecordAndStop(page, 3000, IDYES, IDYES);
    boxes_.QueueAnswer(IDYES);  // burning complete, another copy?
    boxes_.QueueAnswer(IDOK);   // insert a blank: a fresh DVD+R DL comes
    boxes_.QueueAnswer(IDYES);  // the copy is burned, another copy?
    // The copy's question ends its burn; the next blank is taken only once the page's timer
    // runs, after the clock has moved on.
    ASSERT_TRUE(BoxesShown(5));
    EXPECT_EQ(1u, ReadDvd(WriterImage()).titles.size());
    // The next blank is a Blu-ray disc: refused, and No ends the wizard.
    const auto drives = platform::disc::MachineDrives();
    ASSERT_EQ(1u, drives.size());
    drives.front()->SetNextBlank(20);
    boxes_.QueueAnswer(IDOK);  // insert a blank
    boxes_.QueueAnswer(IDOK);  // does not match
    boxes_.QueueAnswer(IDNO);  // another copy?
    ASSERT_TRUE(BoxesShown(8));
  });
  const auto texts = Texts();
  ASSERT_EQ(8u, texts.size()) << ::testing::PrintToString(texts);
  EXPECT_EQ("Please remove any discs from the disc tray and insert a blank disc into your drive.", texts[3]);
  EXPECT_NE(texts[4].find("Burning complete."), std::string::npos) << "the copy went on the DL blank";
  EXPECT_EQ("Disc type does not match!  Please insert the same type of disc.", texts[6]);
  EXPECT_TRUE(dialog_.TornDown());
}

// A person reads every page for three seconds: the blank-disc page's unlock has long run when
// its check locks the disc, and the burn's end must still open the tray for the next blank.
TEST_F(RecordBurnDvd, AtAPersonsPaceTheTrayOpensAfterTheBurnAndTheCopyGoesOnTheNextBlank) {
  HWND trayWatch = MakeTop("Tray watch");
  const std::string firstDisc = env_.Home() + "first_disc.img";
  bool openForTheNext = false, firstLocked = false;
  OnRecordPage(
      [&](HWND, CRecordBurnDvdPage* page) {
        RecordAndStop(page, 3000, IDYES, IDYES);
        boxes_.QueueAnswer(IDYES);  // burning complete, another copy?
        boxes_.QueueAnswer(IDOK);   // insert a blank
        boxes_.QueueAnswer(IDNO);   // the copy is burned, another copy?
        ASSERT_TRUE(BoxesShown(3));
        // The first disc, as it came out of the tray, before the next blank goes in.
        const auto drives = platform::disc::MachineDrives();
        ASSERT_EQ(1u, drives.size());
        openForTheNext = drives.front()->State().trayOpen;
        firstLocked = drives.front()->State().locked;
        std::filesystem::copy_file(WriterImage(), firstDisc);
        ASSERT_TRUE(BoxesShown(5));
      },
      3000);
  const auto texts = Texts();
  ASSERT_EQ(5u, texts.size()) << ::testing::PrintToString(texts);
  EXPECT_TRUE(openForTheNext) << "the burned disc came out";
  EXPECT_FALSE(firstLocked);
  EXPECT_EQ("Please remove any discs from the disc tray and insert a blank disc into your drive.", texts[3]);
  EXPECT_NE(texts[4].find("Burning complete."), std::string::npos) << texts[4];
  EXPECT_TRUE(dialog_.TornDown());
  for (const std::string& image : {firstDisc, WriterImage()}) {
    const DvdReading disc = ReadDvd(image);
    ASSERT_TRUE(disc.ok) << image;
    ASSERT_EQ(1u, disc.titles.size()) << image;
    EXPECT_NEAR(3.0, disc.titles[0].seconds, 0.5) << image;
  }
  // The tray as the machine told it: out after the first burn, the blank in, out after the copy.
  std::vector<WPARAM> tray;
  PumpUntilReal(
      time_,
      [&] {
        tray.clear();
        for (const Logged& m : Log())
          if (m.hwnd == trayWatch && m.msg == WM_DEVICECHANGE) tray.push_back(m.wParam);
        return tray.size() >= 3;
      },
      10);
  EXPECT_EQ((std::vector<WPARAM>{DBT_DEVICEREMOVECOMPLETE, DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE}), tray);
}

TEST_F(RecordBurnDvd, WithoutAWriterTheFolderStaysInCreateDvdFolderAndTwoRecordingsOfAMinuteBothSurvive) {
  UseWriters({});
  platform::FixedLocalTime when(2026, 12, 9, 13, 5, 0);
  platform::ScopedLocalTime scoped(when);
  std::vector<std::string> folders;
  WhenDialogShows([&](HWND d) {
    ClickButton(d, IDC_NEXT), Pump();  // 196
    ClickButton(dialog_.GetActivePage()->m_hWnd, IDC_SAVE_TO_PC);
    ClickButton(d, IDC_NEXT), Pump();
    ClickButton(dialog_.GetActivePage()->m_hWnd, 1092);
    ClickButton(d, IDC_NEXT), Pump();
    ClickButton(dialog_.GetActivePage()->m_hWnd, 1101);
    for (int step = 0; step < 3; ++step) ClickButton(d, IDC_NEXT), Pump();
    auto* page = dynamic_cast<CRecordBurnDvdPage*>(dialog_.GetActivePage());
    ASSERT_NE(page, nullptr);
    time_.Advance(200);
    for (int run = 0; run < 2; ++run) {
      RecordAndStop(page, 3000, IDYES, IDYES);
      boxes_.QueueAnswer(IDOK);
      ASSERT_TRUE(BoxesShown(3 * (run + 1)));
      folders.push_back(page->WorkFolder());
      EXPECT_EQ(CRecordBurnDvdPage::kIdle, page->GetPhase());
      time_.Advance(200);  // the preview comes back
    }
    ClickButton(d, IDC_EXIT);
  });
  dialog_.DoModal();
  EXPECT_EQ("Created DVD folder on your hard drive. ", Texts().at(2));
  ASSERT_EQ(2u, folders.size());
  EXPECT_EQ(wizard::State().dvdFolder + "20261209_1305/", folders[0]);
  EXPECT_EQ(wizard::State().dvdFolder + "20261209_1305_2/", folders[1]);
  for (const std::string& folder : folders) {
    const DvdReading reading = ReadDvd(folder);
    ASSERT_EQ(1u, reading.titles.size()) << folder;
    EXPECT_NEAR(3.0, reading.titles[0].seconds, 0.5);
    // Only the disc's folders are left.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"AUDIO_TS", "VIDEO_TS"}), names);
  }
}

TEST_F(RecordBurnDvd, AFailedMultiplexKeepsTheStreamsAndEndsIdle) {
  std::string stem;
  OnRecordPage([&](HWND d, CRecordBurnDvdPage* page) {
    RecordAndStop(page, 2000, IDYES, IDYES);
    stem = page->WorkFolder() + page->BaseName();
    // The video turns out not to be MPEG.
    ASSERT_TRUE(platform::WriteWholeFileAtomic(stem + ".mpv", std::string(100000, 'x')));
    boxes_.QueueAnswer(IDOK);
    ASSERT_TRUE(BoxesShown(3));
    EXPECT_EQ(CRecordBurnDvdPage::kIdle, page->GetPhase());
    EXPECT_FALSE(ControlEnabled(page->m_hWnd, IDC_RECORD));
    time_.Advance(200);  // the preview comes back
    EXPECT_TRUE(ControlEnabled(page->m_hWnd, IDC_RECORD));
    EXPECT_TRUE(ControlEnabled(d, IDC_EXIT));
  });
  EXPECT_TRUE(Shown("could not be prepared")) << ::testing::PrintToString(Texts());
  EXPECT_TRUE(platform::FileExists(stem + ".mpv"));
  EXPECT_TRUE(platform::FileExists(stem + ".mpa"));
}

TEST_F(RecordBurnDvd, AMissingDvdauthorEndsIdleWithItsReason) {
  const std::string path = std::getenv("PATH");
  ::setenv("PATH", "/nonexistent", 1);
  OnRecordPage([&](HWND, CRecordBurnDvdPage* page) {
    RecordAndStop(page, 2000, IDYES, IDYES);
    boxes_.QueueAnswer(IDOK);
    ASSERT_TRUE(BoxesShown(3));
    EXPECT_EQ(CRecordBurnDvdPage::kIdle, page->GetPhase());
    EXPECT_TRUE(platform::FileExists(page->WorkFolder() + "1.mpg")) << "the multiplexed recording is kept";
  });
  ::setenv("PATH", path.c_str(), 1);
  EXPECT_TRUE(Shown("dvdauthor is not installed")) << ::testing::PrintToString(Texts());
}

TEST_F(RecordBurnDvd, ABurnFailingAtABlockNamesTheSenseDataAndKeepsTheFolder) {
  UseWriters({Writer("A", "WRITES=DVD+R\nMEDIUM=DVD+R\nWRITEERROR=100:05:24:00\n")});
  std::string folder;
  OnRecordPage([&](HWND, CRecordBurnDvdPage* page) {
    RecordAndStop(page, 2000, IDYES, IDYES);
    folder = page->WorkFolder();
    boxes_.QueueAnswer(IDOK);
    ASSERT_TRUE(BoxesShown(3));
  });
  EXPECT_EQ("Burning failed.\nError Code : SenseKey( 5), ASC(24), ASCQ( 0)", Texts().at(2));
  EXPECT_TRUE(dialog_.TornDown());
  EXPECT_EQ(1u, ReadDvd(folder).titles.size()) << "VIDEO_TS stays for a later burn";
}

TEST_F(RecordBurnDvd, AFullDiskStopsOnceDeletesTheRecordingAndAnUnreadableOneRecordsOn) {
  std::string folder;
  OnRecordPage([&](HWND, CRecordBurnDvdPage* page) {
    platform::FixedFileSystem unreadable(0, platform::LargeFiles::Yes, true);
    {
      platform::ScopedFileSystem disk(unreadable);
      ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
      RecordFor(time_, 2000, true);
      EXPECT_EQ(CRecordBurnDvdPage::kRecording, page->GetPhase()) << "unknown free space is not a full disk";
    }
    platform::FixedFileSystem full(40ull << 20, platform::LargeFiles::Yes);
    platform::ScopedFileSystem disk(full);
    folder = page->WorkFolder();
    boxes_.QueueAnswer(IDOK);
    RecordFor(time_, 1000, true);
    EXPECT_EQ(CRecordBurnDvdPage::kIdle, page->GetPhase());
  });
  EXPECT_EQ((std::vector<std::string>{"Hard drive is full."}), Texts());
  EXPECT_FALSE(platform::FolderExists(folder));
}

TEST_F(RecordBurnDvd, AWriteThatFailsMidRecordingSaysTheDiskIsFullOnce) {
  std::string folder;
  OnRecordPage([&](HWND, CRecordBurnDvdPage* page) {
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
    RecordFor(time_, 2000, true);
    folder = page->WorkFolder();
    boxes_.QueueAnswer(IDOK);
    {
      // The free space still looks plentiful: only the failed write tells.
      testkit::FileSizeLimit full(64 * 1024);
      for (int i = 0; i < 50 && page->GetPhase() == CRecordBurnDvdPage::kRecording; ++i) RecordFor(time_, 200, true);
    }
    EXPECT_EQ(CRecordBurnDvdPage::kIdle, page->GetPhase());
  });
  EXPECT_EQ((std::vector<std::string>{"Hard drive is full."}), Texts());
  EXPECT_FALSE(platform::FolderExists(folder));
}

TEST_F(RecordBurnDvd, StreamsACrashLeftAreOfferedAndGoOnlyWithAYes) {
  const auto plant = [](const std::string& folder, bool multiplexed) {
    ASSERT_TRUE(platform::CreateFolders(folder));
    for (const char* name : {"DVD_120000.mpv", "DVD_120000.mpa"}) std::ofstream(folder + name) << "stream";
    if (multiplexed) std::ofstream(folder + "1.mpg") << "program stream";
  };
  std::vector<std::string> bases = {platform::WithTrailingSlash(wizard::State().outputFolder)};
  if (platform::WithTrailingSlash(wizard::State().dvdFolder) != bases[0])
    bases.push_back(platform::WithTrailingSlash(wizard::State().dvdFolder));
  for (const std::string& base : bases) {
    plant(base + "20240101_1200/", true);
    plant(base + "20240101_1300/", false);
    std::ofstream(base + "notes.mpv") << "not a work folder";
  }
  boxes_.QueueAnswer(IDYES);
  boxes_.QueueAnswer(IDNO);
  OnRecordPage([&](HWND, CRecordBurnDvdPage*) {});
  const auto texts = Texts();
  ASSERT_EQ(2u, texts.size()) << ::testing::PrintToString(texts);
  EXPECT_NE(texts[0].find("20240101_1200/1.mpg"), std::string::npos) << texts[0];
  EXPECT_NE(texts[1].find("20240101_1300/\""), std::string::npos) << texts[1];
  int removed = 0;
  for (const std::string& base : bases) {
    if (!platform::FileExists(base + "20240101_1200/DVD_120000.mpv")) ++removed;
    EXPECT_TRUE(platform::FileExists(base + "20240101_1200/1.mpg"));
    EXPECT_TRUE(platform::FileExists(base + "20240101_1300/DVD_120000.mpa"));
    EXPECT_TRUE(platform::FileExists(base + "notes.mpv"));
  }
  EXPECT_EQ(removed, 1);
}

TEST_F(RecordBurnDvd, NoToEitherStopQuestionKeepsOrDeletesAsAsked) {
  std::string folder;
  OnRecordPage([&](HWND, CRecordBurnDvdPage* page) {
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
    RecordFor(time_, 2000, true);
    boxes_.QueueAnswer(IDNO);
    ClickButton(page->m_hWnd, IDC_STOP);
    EXPECT_EQ(CRecordBurnDvdPage::kRecording, page->GetPhase());
    folder = page->WorkFolder();
    boxes_.QueueAnswer(IDYES);
    boxes_.QueueAnswer(IDNO);
    ClickButton(page->m_hWnd, IDC_STOP);
    EXPECT_EQ(CRecordBurnDvdPage::kIdle, page->GetPhase());
    // Stop means nothing once idle.
    EXPECT_FALSE(ClickButton(page->m_hWnd, IDC_STOP));
  });
  EXPECT_EQ(3u, boxes_.Count());
  EXPECT_FALSE(platform::FolderExists(folder));
}

TEST_F(RecordBurnDvd, WithoutASignalTheBalloonWaitsAndThePictureStartsTheRecording) {
  auto devices = sim::DefaultDevices();
  devices[0].signal = false;
  sim::Hardware::Instance().SetDevices(devices);
  bool balloonOpen = false, recordingWithout = true, closedAfter = false;
  OnRecordPage([&](HWND d, CRecordBurnDvdPage* page) {
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
    Pump();
    balloonOpen = page->BalloonWindow() != nullptr;
    recordingWithout = page->GetPhase() == CRecordBurnDvdPage::kRecording;
    WritePicture(d, "record_burn_dvd_343_waiting.png");
    if (page->BalloonWindow()) WritePicture(page->BalloonWindow(), "record_burn_dvd_343_balloon.png");
    sim::Hardware::Instance().Update(devices[0].id, [](sim::DeviceDesc& box) { box.signal = true; });
    time_.Advance(1000);
    EXPECT_EQ(CRecordBurnDvdPage::kRecording, page->GetPhase());
    closedAfter = page->BalloonWindow() == nullptr;
    RecordFor(time_, 1000, true);
    boxes_.QueueAnswer(IDYES);
    boxes_.QueueAnswer(IDNO);
    ClickButton(page->m_hWnd, IDC_STOP);
  });
  EXPECT_TRUE(balloonOpen);
  EXPECT_FALSE(recordingWithout);
  EXPECT_TRUE(closedAfter);
}

TEST_F(RecordBurnDvd, AnUnpluggedBoxEndsTheRecordingAndWhatWasRecordedIsBurned) {
  wizard::State().makeCopyDisc = 0;
  OnRecordPage([&](HWND, CRecordBurnDvdPage* page) {
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
    RecordFor(time_, 3000, true);
    boxes_.QueueAnswer(IDYES);  // start burning?
    boxes_.QueueAnswer(IDOK);   // burning complete
    sim::Hardware::Instance().Unplug(sim::DefaultDevices()[0].id);
    EXPECT_TRUE(BoxesShown(2));
    sim::Hardware::Instance().Plug(sim::DefaultDevices()[0].id);
  });
  const auto texts = Texts();
  ASSERT_EQ(2u, texts.size()) << ::testing::PrintToString(texts);
  EXPECT_NE(texts[0].find("Do you want to start burning?"), std::string::npos);
  EXPECT_EQ("Burning complete.", texts[1]);
  const DvdReading disc = ReadDvd(WriterImage());
  ASSERT_EQ(1u, disc.titles.size());
  EXPECT_NEAR(3.0, disc.titles[0].seconds, 0.5);
}

TEST_F(RecordBurnDvd, AWorkFolderTheToolsCannotTakeIsRefusedBeforeRecording) {
  int phase = -1;
  OnRecordPage([&](HWND, CRecordBurnDvdPage* page) {
    // Not UTF-8, then not writable.
    for (const std::string& folder : {env_.Documents() + "Vid\xe9os/", std::string("/proc/vidarro/")}) {
      wizard::State().outputFolder = folder;
      boxes_.QueueAnswer(IDOK);
      ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
      EXPECT_TRUE(ControlEnabled(page->m_hWnd, IDC_RECORD));
    }
    phase = page->GetPhase();
  });
  ASSERT_EQ(2u, boxes_.Count());
  for (const auto& text : Texts()) EXPECT_EQ(0u, text.find("Cannot start recording.")) << text;
  EXPECT_EQ(CRecordBurnDvdPage::kIdle, phase);
}

TEST_F(RecordBurnDvd, TheCrossbarFollowsTheChosenCable) {
  long routed = -1;
  int cable = -1;
  OnRecordPage([&](HWND, CRecordBurnDvdPage*) {
    cable = wizard::State().inputCable;
    CComPtr<IBaseFilter> filter;
    ASSERT_EQ(S_OK, wizard::AnalogGraph().Graph()->FindFilterByName("Vidarro USB Crossbar", &filter));
    CComPtr<IAMCrossbar> crossbar;
    ASSERT_TRUE(SUCCEEDED(filter->QueryInterface(IID_IAMCrossbar, reinterpret_cast<void**>(&crossbar))));
    crossbar->get_IsRoutedTo(0, &routed);
    int composite = 1, component = 3, unknown = 9;
    long now = -1;
    wizard::SelectAnalogInput(composite);
    crossbar->get_IsRoutedTo(0, &now);
    EXPECT_EQ(0, now);
    wizard::SelectAnalogInput(component);  // the box has none: it stays
    crossbar->get_IsRoutedTo(0, &now);
    EXPECT_EQ(0, now);
    EXPECT_EQ(3, component);
    wizard::SelectAnalogInput(unknown);
    EXPECT_EQ(1, unknown);
    // The box has no tuner: cable TV is Composite.
    int tv = 0;
    wizard::SelectAnalogInput(tv);
    crossbar->get_IsRoutedTo(0, &now);
    EXPECT_EQ(0, now);
    EXPECT_EQ(1, tv);
  });
  EXPECT_EQ(2, cable) << "S-Video, as the cable page chose";
  EXPECT_EQ(1, routed) << "the box's S-Video input";
}

TEST_F(RecordBurnDvd, AMultiplexerEndArrivingAfterAFailedAuthoringLeavesThePageIdle) {
  const std::string path = std::getenv("PATH");
  int phase = -1, recordingPhase = -1;
  std::string percent;
  OnRecordPage([&](HWND, CRecordBurnDvdPage* page) {
    ::setenv("PATH", "/nonexistent", 1);  // the author fails
    RecordAndStop(page, 2000, IDYES, IDYES);
    boxes_.QueueAnswer(IDOK);
    ASSERT_TRUE(BoxesShown(3));
    ::setenv("PATH", path.c_str(), 1);
    // The page is idle when the multiplexer's end comes in.
    ASSERT_EQ(CRecordBurnDvdPage::kIdle, page->GetPhase());
    page->PostMessage(kMuxEndMessage, kDvdJobDone, 0);
    for (int second = 0; second < 3; ++second) time_.Advance(1000);
    phase = page->GetPhase();
    percent = ControlText(page->m_hWnd, IDC_PERCENT);
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
    recordingPhase = page->GetPhase();
    RecordFor(time_, 1000, true);
    boxes_.QueueAnswer(IDYES);
    boxes_.QueueAnswer(IDNO);
    ClickButton(page->m_hWnd, IDC_STOP);
  });
  ::setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(CRecordBurnDvdPage::kIdle, phase);
  EXPECT_EQ("00%", percent) << "nothing runs that could show progress";
  EXPECT_EQ(CRecordBurnDvdPage::kRecording, recordingPhase);
  EXPECT_TRUE(dialog_.TornDown()) << "the wizard still closes";
}

TEST_F(RecordBurnDvd, ADoubleClickOnThePictureShowsItFullScreenAndCloseFitsItBackIntoThePreview) {
  wizard::State().wideScreen = 1;
  bool shown = false;
  RECT preview{}, video{}, record{}, stop{};
  OnRecordPage([&](HWND d, CRecordBurnDvdPage* page) {
    HWND area = ::GetDlgItem(page->m_hWnd, IDC_PREVIEW);
    HWND picture = ::GetWindow(area, GW_CHILD);
    ASSERT_NE(picture, nullptr) << "the live picture lies in the preview";
    WhenDialogShows([&](HWND full) {
      shown = true;
      // For the picture only: a few frames reach the full-screen window.
      const COLORREF first = Pixel(full, 200, 200);
      PumpUntilReal(
          time_, [&] { return Pixel(full, 200, 200) != first; }, 2);
      WritePicture(full, "record_burn_dvd_343_full_screen.png");
      ::SendMessage(full, WM_COMMAND, CFullScreenDialog::kClose, 0);
    });
    RECT r{};
    ::GetClientRect(picture, &r);
    DoubleClick(picture, r.right / 2, r.bottom / 2);
    Pump();
    time_.Advance(200);
    WritePicture(d, "record_burn_dvd_343_after_full_screen.png");
    HWND back = ::GetWindow(area, GW_CHILD);
    ASSERT_NE(back, nullptr) << "the picture came back to the preview";
    ::GetWindowRect(area, &preview);
    ::GetWindowRect(back, &video);
    ::GetWindowRect(::GetDlgItem(page->m_hWnd, IDC_RECORD), &record);
    ::GetWindowRect(::GetDlgItem(page->m_hWnd, IDC_STOP), &stop);
  });
  EXPECT_TRUE(shown);
  // 320 x 240 letterboxed to 16:9: 320 x 180, 30 pixels down.
  EXPECT_EQ(preview.left, video.left);
  EXPECT_EQ(preview.top + 30, video.top);
  EXPECT_EQ(320, video.right - video.left);
  EXPECT_EQ(180, video.bottom - video.top);
  RECT overlap{};
  EXPECT_FALSE(::IntersectRect(&overlap, &video, &record));
  EXPECT_FALSE(::IntersectRect(&overlap, &video, &stop));
}

TEST_F(RecordBurnDvd, ATunerWithoutLockRecordsAtOnceWhileCompositeWithoutASignalWaits) {
  auto devices = sim::DefaultDevices();
  devices[0].signal = false;
  devices[0].tuner = true;
  devices[0].crossbars[0].inputs = {1, 2, 3, 4096, 4097, 4097};
  sim::Hardware::Instance().SetDevices(devices);
  int tunerPhase = -1, compositePhase = -1, cable = -1;
  long tunerRouted = -1, compositeRouted = -1;
  bool tunerBalloon = true, compositeBalloon = false;
  OnRecordPage([&](HWND d, CRecordBurnDvdPage* page) {
    // Cable TV, as a stored setting chooses it.
    ClickButton(d, IDC_BACK), Pump();
    wizard::State().inputCable = 0;
    ClickButton(d, IDC_NEXT), Pump();
    time_.Advance(200);
    cable = wizard::State().inputCable;
    tunerRouted = wizard::AnalogGraph().GetCurrentCrossbarInputType();
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
    Pump();
    tunerPhase = page->GetPhase();
    tunerBalloon = page->BalloonWindow() != nullptr;
    RecordFor(time_, 1000, true);
    boxes_.QueueAnswer(IDYES);
    boxes_.QueueAnswer(IDNO);
    ClickButton(page->m_hWnd, IDC_STOP);
    // Composite has no picture: Record waits under the balloon.
    int composite = 1;
    wizard::SelectAnalogInput(composite);
    compositeRouted = wizard::AnalogGraph().GetCurrentCrossbarInputType();
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
    Pump();
    compositePhase = page->GetPhase();
    compositeBalloon = page->BalloonWindow() != nullptr;
    ClickButton(page->m_hWnd, IDC_STOP);
  });
  EXPECT_EQ(0, cable) << "the box has a tuner";
  // The graph knows what the wizard routed.
  EXPECT_EQ(1, tunerRouted);
  EXPECT_EQ(2, compositeRouted);
  EXPECT_EQ(CRecordBurnDvdPage::kRecording, tunerPhase);
  EXPECT_FALSE(tunerBalloon);
  EXPECT_EQ(CRecordBurnDvdPage::kIdle, compositePhase);
  EXPECT_TRUE(compositeBalloon);
}

TEST_F(RecordBurnDvd, ADvCamcorderRecordsToDvdThroughItsOwnGraph) {
  wizard::State().makeCopyDisc = 0;
  int type = 0;
  OnRecordPage([&](HWND d, CRecordBurnDvdPage* page) {
    ClickButton(d, IDC_BACK), Pump();
    wizard::State().videoDevice = "Vidarro DV Camcorder";
    ClickButton(d, IDC_NEXT), Pump();
    time_.Advance(200);
    type = page->DeviceType();
    ASSERT_TRUE(wizard::DvGraphOpen());
    EXPECT_TRUE(ControlVisible(page->m_hWnd, IDC_TAPE_PLAY));
    ClickButton(page->m_hWnd, IDC_TAPE_PLAY);
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
    ASSERT_EQ(CRecordBurnDvdPage::kRecording, page->GetPhase());
    RecordFor(time_, 3000, false);
    for (int answer : {IDYES, IDYES, IDOK}) boxes_.QueueAnswer(answer);
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_STOP));
    EXPECT_TRUE(BoxesShown(3));
  });
  EXPECT_EQ(2, type);
  const auto texts = Texts();
  ASSERT_EQ(3u, texts.size()) << ::testing::PrintToString(texts);
  EXPECT_EQ("Burning complete.", texts[2]);
  const DvdReading disc = ReadDvd(WriterImage());
  ASSERT_EQ(1u, disc.titles.size());
  EXPECT_NEAR(3.0, disc.titles[0].seconds, 0.5) << "the disc holds the whole recording";
}

}  // namespace
