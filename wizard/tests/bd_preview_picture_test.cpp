// The HDV camcorder's picture in the Blu-ray record-and-burn page's preview, read back from the
// window surface while the tape is idle, while it plays and while the page records.
#include <gtest/gtest.h>

#include <cstdlib>

#include "capture_graphs.h"
#include "platform/dshow/sim_hardware.h"
#include "record_burn_bd_page.h"
#include "record_burn_support.h"
#include "wizard_ids.h"
#include "wizard_state.h"

namespace {

using namespace testkit;
using namespace wizardtest;
namespace sim = platform::dshow::sim;

// The simulated pattern's top band: 75% white, yellow, cyan, green, magenta, red, blue.
constexpr COLORREF kBars[7] = {RGB(191, 191, 191), RGB(191, 191, 0), RGB(0, 191, 191), RGB(0, 191, 0),
                               RGB(191, 0, 191),   RGB(191, 0, 0),   RGB(0, 0, 191)};

bool Near(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) < 48 && std::abs(GetGValue(a) - GetGValue(b)) < 48 &&
         std::abs(GetBValue(a) - GetBValue(b)) < 48;
}

class BdPreviewPicture : public BdRoadTest {
 protected:
  void SetUp() override {
    BdRoadTest::SetUp();
    sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
  }
  // Six of the seven bars at their places across the top of the video window in the preview
  // (the moving box may cover one), once frames have come through.
  bool ShowsBars(HWND page) {
    return PumpUntilReal(
        time_,
        [&] {
          HWND video = ::GetWindow(::GetDlgItem(page, IDC_PREVIEW), GW_CHILD);
          if (!video || !::IsWindowVisible(video)) return false;
          RECT r{};
          ::GetClientRect(video, &r);
          int shown = 0;
          for (int i = 0; i < 7; ++i)
            if (Near(Pixel(video, (2 * i + 1) * r.right / 14, r.bottom / 5), kBars[i])) ++shown;
          return shown >= 6;
        },
        20);
  }
  CWendrelDlg dialog_;
};

TEST_F(BdPreviewPicture, TheHdvCamcordersPictureShowsIdlePlayingAndRecording) {
  bool idle = false, playing = false, recording = false;
  WhenDialogShows([&](HWND d) {
    for (int step = 0; step < 4; ++step) ClickButton(d, IDC_NEXT), Pump();
    auto* page = dynamic_cast<CRecordBurnBdPage*>(dialog_.GetActivePage());
    ASSERT_NE(page, nullptr);
    time_.Advance(200);
    idle = ShowsBars(page->m_hWnd);
    WritePicture(d, "record_burn_bd_preview_idle.png");
    ClickButton(page->m_hWnd, IDC_TAPE_PLAY);
    playing = ShowsBars(page->m_hWnd);
    ASSERT_TRUE(ClickButton(page->m_hWnd, IDC_RECORD));
    recording = ShowsBars(page->m_hWnd);
    WritePicture(d, "record_burn_bd_preview_recording.png");
    boxes_.QueueAnswer(IDYES);
    boxes_.QueueAnswer(IDNO);
    ClickButton(page->m_hWnd, IDC_STOP);
    ClickButton(d, IDC_EXIT);
  });
  dialog_.DoModal();
  EXPECT_TRUE(idle);
  EXPECT_TRUE(playing);
  EXPECT_TRUE(recording);
}

}  // namespace
