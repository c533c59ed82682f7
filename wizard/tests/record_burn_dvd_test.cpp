// The DVD record-and-burn page on the default USB box and writer: record, the stop questions,
// multiplexing and authoring, the burn read back by lsdvd, copies, folder-only output and the
// failures, each ending idle with its message.
#include <gtest/gtest.h>

#include <filesystem>

#include "capture/capture_graph.h"
#include "capture_graphs.h"
#include "platform/base/file.h"
#include "platform/base/file_system.h"
#include "platform/base/local_time.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/dshow/sim_hardware.h"
#include "record_burn_dvd_page.h"
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
  // Next through the disc and source pages to 343, as a user on the default box does.
  CRecordBurnDvdPage* GoToRecordPage(HWND frame, CWendrelDlg& dialog) {
    for (int step = 0; step < 2; ++step) ClickButton(frame, IDC_NEXT), Pump();
    ClickButton(dialog.GetActivePage()->m_hWnd, 1092);
    ClickButton(frame, IDC_NEXT), Pump();
    ClickButton(dialog.GetActivePage()->m_hWnd, 1101);
    for (int step = 0; step < 3; ++step) ClickButton(frame, IDC_NEXT), Pump();
    auto* page = dynamic_cast<CRecordBurnDvdPage*>(dialog.GetActivePage());
    if (page) time_.Advance(200);  // the device opens
    return page;
  }
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

}  // namespace
