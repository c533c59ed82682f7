// The About box, the balloon tip and the full-screen preview.
#include <gtest/gtest.h>

#include "capture/capture_graph.h"
#include "capture_graphs.h"
#include "small_dialogs.h"
#include "wizard_about_dlg.h"
#include "wizard_ids.h"
#include "wizard_state.h"
#include "wizard_test_support.h"

namespace {

using namespace testkit;
using namespace wizardtest;

class SmallDialogs : public WizardTest {
 protected:
  void TearDown() override {
    wizard::ReleaseCaptureGraphs();
    WizardTest::TearDown();
  }
};

TEST_F(SmallDialogs, TheAboutBoxShowsTheTitleTheVersionAndTheAddress) {
  std::string caption, title, version, link, picture;
  WhenDialogShows([&](HWND d) {
    caption = WindowText(d);
    title = ControlText(d, IDC_ABOUT_TITLE);
    version = ControlText(d, IDC_ABOUT_VERSION);
    link = ControlText(d, IDC_ABOUT_LINK);
    picture = WritePicture(d, "about_100.png");
    ClickButton(d, IDOK);
  });
  CAboutDialog about;
  EXPECT_EQ(IDOK, about.DoModal());
  EXPECT_EQ("Narvell Vidarro 5.0", caption);
  EXPECT_EQ("Narvell Vidarro 5.0", title);
  EXPECT_EQ("Product Version : 5.0.25", version);
  EXPECT_EQ("https://www.narvell.example/vidarro", link);
  EXPECT_FALSE(picture.empty());
}

TEST_F(SmallDialogs, TheBalloonWrapsItsLongTextCentresAShortOneAndClosesOnItsTimer) {
  RecordingParent target;
  bool wrapped = false, centred = false;
  COLORREF fill = 0;
  std::string picture;
  WhenDialogShows([&](HWND d) {
    Pump();
    auto* tip = static_cast<CBalloonTipDialog*>(CWnd::FromHandlePermanent(d));
    wrapped = tip && !tip->SingleLine();
    fill = Pixel(d, 140, 20);
    picture = WritePicture(d, "balloon_213.png");
    ::SetTimer(d, CBalloonTipDialog::kCloseTimer, 5000, nullptr);
    time_.Advance(5000);
    Pump();
  });
  CBalloonTipDialog balloon(target.hwnd());
  EXPECT_EQ(IDOK, balloon.DoModal());
  EXPECT_TRUE(wrapped);
  EXPECT_EQ(CBalloonTipDialog::kFill, fill);
  EXPECT_FALSE(picture.empty());

  WhenDialogShows([&](HWND d) {
    Pump();
    auto* tip = static_cast<CBalloonTipDialog*>(CWnd::FromHandlePermanent(d));
    centred = tip && tip->SingleLine();
    ClickButton(d, IDOK);
    ::PostMessage(d, WM_TIMER, CBalloonTipDialog::kCloseTimer, 0);
  });
  CBalloonTipDialog shortTip(target.hwnd());
  shortTip.SetText("Play");
  shortTip.DoModal();
  EXPECT_TRUE(centred);
}

TEST_F(SmallDialogs, TheFullScreenPreviewClosesUnseenWithoutAGraphAndCoversTheScreenOverARunningOne) {
  RecordingParent owner;
  CFullScreenDialog unseen(0, CWnd::FromHandle(owner.hwnd()), owner.hwnd(), false);
  EXPECT_EQ(IDCANCEL, unseen.DoModal());

  CCaptureGraph& graph = wizard::AnalogGraph();
  ASSERT_TRUE(
      graph.OpenDevice(owner.hwnd(), owner.hwnd(), "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1));
  ASSERT_TRUE(graph.StartPreview());
  wizard::SetAnalogGraphRunning(true);
  RECT covered{};
  int state = -1;
  std::string picture;
  WhenDialogShows([&](HWND d) {
    time_.Advance(200);
    Pump();
    GetWindowRect(d, &covered);
    picture = WritePicture(d, "full_screen_214.png");
    SendMessage(d, WM_COMMAND, CFullScreenDialog::kStateOn, 0);
    state = static_cast<CFullScreenDialog*>(CWnd::FromHandlePermanent(d))->State();
    DoubleClick(d, 50, 50);
  });
  CFullScreenDialog full(0, CWnd::FromHandle(owner.hwnd()), owner.hwnd(), false);
  EXPECT_EQ(IDOK, full.DoModal());
  EXPECT_EQ(1, state);
  EXPECT_GT(covered.right - covered.left, 700);
  EXPECT_FALSE(picture.empty());
}

}  // namespace
