// The blank-disc checks for each kind of disc, the ready loop and the erase dialog.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "disc_check.h"
#include "erase_disc_dlg.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "wizard_ids.h"
#include "wizard_state.h"
#include "wizard_test_support.h"

namespace {

using namespace testkit;
using namespace wizardtest;

class DiscCheck : public WizardTest {
 protected:
  // The writer with the disc, chosen as page 241 leaves it.
  CQnDataCDDVD& Load(const std::string& extra, bool bluRay) {
    UseWriters({Writer("W", extra)});
    CQnDataCDDVD& writer = wizard::Writer();
    writer.Uninitialize();
    writer.Initialize();
    writer.SetBurnMode(bluRay ? 8 : 0);
    writer.ChooseDrive(0);
    wizard::State().discType = bluRay ? 1 : 0;
    return writer;
  }
  BOOL Check(bool bluRay) { return bluRay ? wizard::CheckBluRayDisc(nullptr) : wizard::CheckDvdDisc(nullptr); }
  // Lets the erase dialog's ticks run until the simulated erase ends it.
  void RunEraseToTheEnd() {
    WhenDialogShows([this](HWND d) {
      for (int i = 0; i < 400 && IsWindow(d); ++i) {
        time_.Advance(1000);
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    });
  }
  void TearDown() override {
    wizard::Writer().Uninitialize();
    WizardTest::TearDown();
  }
};

TEST_F(DiscCheck, EachKindPassesOrIsRefusedWithItsMessageAndTheTrayOpens) {
  struct Case {
    const char* writer;
    bool bluRay;
    bool passes;
    const char* message;  // "" for none
    bool doubleLayer;
  };
  const Case cases[] = {
      {"WRITES=DVD+R\nMEDIUM=DVD+R\n", false, true, "", false},
      {"WRITES=DVD-R\nMEDIUM=DVD-R\nSTATE=appendable\nUSED=300\n", false, false, "Media is not blank.", false},
      {"WRITES=DVD+R,DVD+R DL\nMEDIUM=DVD+R DL\n", false, true, "", true},
      {"WRITES=DVD+R\nMEDIUM=DVD+R DL\n", false, false, "Media non-applicable", false},
      {"WRITES=CD-R,DVD+R\nMEDIUM=CD-R\n", false, false, "Media non-applicable", false},
      {"WRITES=DVD+R,BD-R\nMEDIUM=BD-R\n", false, false, "Media non-applicable", false},
      {"WRITES=BD-R\nMEDIUM=BD-R\n", true, true, "", false},
      {"WRITES=BD-R\nMEDIUM=BD-R\nSTATE=appendable\nUSED=500\n", true, false, "Media is not blank.", false},
      {"WRITES=BD-R,DVD+R\nMEDIUM=DVD+R\n", true, false, "Media non-applicable", false},
      {"WRITES=BD-RE\nMEDIUM=BD-RE\n", true, true, "", false},
  };
  for (const Case& c : cases) {
    boxes_.Clear();
    CQnDataCDDVD& writer = Load(c.writer, c.bluRay);
    EXPECT_EQ(c.passes ? TRUE : FALSE, Check(c.bluRay)) << c.writer;
    EXPECT_EQ(c.doubleLayer ? TRUE : FALSE, wizard::State().doubleLayer) << c.writer;
    if (c.message[0]) {
      ASSERT_EQ(1u, boxes_.Count()) << c.writer;
      EXPECT_EQ(c.message, boxes_.Last().text);
      EXPECT_EQ("Narvell Vidarro 5.0", boxes_.Last().caption);
      EXPECT_EQ(0, writer.TestUnitReady()) << "the tray stays shut for " << c.writer;
    } else {
      EXPECT_EQ(0u, boxes_.Count()) << c.writer;
    }
  }
}

TEST_F(DiscCheck, NoToTheReadyQuestionOpensTheTrayAndYesTriesAgain) {
  CQnDataCDDVD& writer = Load("WRITES=DVD+R\nMEDIUM=DVD+R\nNOTREADY=1\n", false);
  writer.UnloadMedium();
  writer.LoadMedium();
  boxes_.QueueAnswer(IDNO);
  EXPECT_FALSE(Check(false));
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ("Drive or media not ready.  Please check the media/drive and click [Yes] to try again.",
            boxes_.Last().text);
  EXPECT_EQ(0, writer.TestUnitReady());

  // Yes closes the tray; the new disc needs one more poll before it answers.
  boxes_.Clear();
  boxes_.QueueAnswer(IDYES);
  boxes_.QueueAnswer(IDYES);
  EXPECT_TRUE(Check(false));
  EXPECT_EQ(2u, boxes_.Count());
}

TEST_F(DiscCheck, AWrittenRewritableDiscIsErasedOnlyWhenTheUserAgrees) {
  const std::string written = "WRITES=DVD+RW\nMEDIUM=DVD+RW\nSTATE=appendable\nUSED=800\nERASETIME=5000\n";
  CQnDataCDDVD& writer = Load(written, false);
  boxes_.QueueAnswer(IDNO);
  EXPECT_FALSE(Check(false));
  EXPECT_EQ("Rewritable media is not blank. Do you want to erase and continue?", boxes_.Last().text);
  EXPECT_EQ(0, writer.TestUnitReady());

  Load(written, false);
  boxes_.Clear();
  boxes_.QueueAnswer(IDYES);
  RunEraseToTheEnd();
  EXPECT_TRUE(Check(false));
  EXPECT_EQ(1u, boxes_.Count());
  EXPECT_EQ(0u, writer.GetTotalDiscBlock());
}

TEST_F(DiscCheck, AFailedEraseSaysSoAndOpensTheTray) {
  CQnDataCDDVD& writer = Load("WRITES=BD-RE\nMEDIUM=BD-RE\nUSED=40\nERASEFAIL=1\nERASETIME=0\n", true);
  boxes_.QueueAnswer(IDYES);
  RunEraseToTheEnd();
  EXPECT_FALSE(Check(true));
  ASSERT_EQ(2u, boxes_.Count());
  EXPECT_EQ("Failed to erase the data.", boxes_.Last().text);
  EXPECT_EQ(0, writer.TestUnitReady());
}

TEST_F(DiscCheck, TheEraseDialogEstimatesItsProgressAndEndsWhenTheEraseCannotStart) {
  EXPECT_EQ(4, CEraseDiscDlg::EstimatedPercent(1));
  EXPECT_EQ(30, CEraseDiscDlg::EstimatedPercent(10));
  EXPECT_EQ(99, CEraseDiscDlg::EstimatedPercent(88));
  EXPECT_EQ(99, CEraseDiscDlg::EstimatedPercent(500));

  Load("WRITES=DVD+RW\nMEDIUM=DVD+RW\nUSED=10\nERASETIME=3600000\n", false);
  std::vector<std::string> shown;
  std::string picture;
  WhenDialogShows([&](HWND d) {
    for (int tick = 1; tick <= 10; ++tick) {
      time_.Advance(1000);
      Pump();
      if (tick == 1 || tick == 10) shown.push_back(ControlText(d, IDC_ERASE_PERCENT));
    }
    picture = WritePicture(d, "erase_204.png");
    time_.Advance(3600000);
    for (int i = 0; i < 400 && IsWindow(d); ++i) {
      time_.Advance(1000);
      Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  CEraseDiscDlg erase;
  EXPECT_EQ(IDOK, erase.DoModal());
  // The simulated erase waits for the test's clock, so the dialog is open at every step and each
  // second is one tick of its estimate.
  ASSERT_EQ(2u, shown.size());
  EXPECT_EQ("04 %", shown[0]);
  EXPECT_EQ("30 %", shown[1]);
  EXPECT_FALSE(picture.empty());

  // A second erase while none can start (no disc in the drive) ends the dialog instead of
  // leaving it open for good.
  wizard::Writer().UnloadMedium();
  WhenDialogShows([&](HWND d) {
    for (int i = 0; i < 5 && IsWindow(d); ++i) {
      time_.Advance(1000);
      Pump();
    }
  });
  CEraseDiscDlg refused;
  EXPECT_EQ(IDCANCEL, refused.DoModal());
}

TEST(FolderAccess, AnswersForFoldersFilesAndMissingPaths) {
  Environment env(CurrentTestName());
  int folders = -1, files = -1;
  CheckFolderAccess(env.Home(), &folders, &files);
  EXPECT_EQ(1, folders);
  EXPECT_EQ(1, files);
  CheckFolderAccess(env.Home() + "missing/", &folders, &files);
  EXPECT_EQ(0, folders);
  EXPECT_EQ(0, files);
}

}  // namespace
