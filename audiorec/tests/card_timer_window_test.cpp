// The recording limit on the machine's own sound input (the tone plugin as the card, the real
// clock): a timer recording lasts what the limit says, to within a period of the card, and the
// list shows the length the clock showed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "audiorec/recorder_app.h"
#include "audiorec/recorder_dlg.h"
#include "platform/base/local_time.h"
#include "platform/base/strings.h"
#include "platform/controls/commctrl.h"
#include "platform/dshow/tests/tone_card.h"
#include "platform/testkit/testkit.h"
#include "platform/window/window.h"
#include "resources/auvry_ids.h"
#include "platform/dshow/tests/media_clips.h"

namespace auvry::testing {
namespace {

using namespace testkit;
namespace card = platform::dshow::testing;

class CardTimerTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    platform::SetLocalTimeSource(&localTime_);
    ASSERT_FALSE(app_.FindRunningProgram());
    ASSERT_TRUE(app_.LoadResourceLibraries());
  }
  void TearDown() override {
    platform::SetLocalTimeSource(nullptr);
    app_.ExitInstance();
    testkit::ResetWindows();
  }

  testkit::Environment env_{testkit::CurrentTestName()};
  testkit::MessageBoxAnswers boxes_;
  platform::FixedLocalTime localTime_{2026, 12, 9, 13, 5, 42};
  CRecorderApp app_;
};

TEST_P(CardTimerTest, ATimerRecordingLastsItsLimitAndIsListedAtIt) {
  const int limit = GetParam();
  card::InstallToneCard(card::Tone(48000, 2, 1.0, 1000, -12), {});
  std::string playTime;
  WhenDialogShows([&](HWND d) {
    TypeInto(d, IDC_AUVRY_SECONDS, platform::Format("%02d", limit));
    ClickButton(d, IDC_AUVRY_RECORD);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(limit + 5);
    while (ControlVisible(d, IDC_AUVRY_STOP) && std::chrono::steady_clock::now() < until) {
      Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    PumpUntil([&] { return ::SendMessage(::GetDlgItem(d, IDC_AUVRY_LIST), LVM_GETITEMCOUNT, 0, 0) == 1; }, 1000);
    char text[64] = {};
    LVITEM item{};
    item.iSubItem = 2, item.pszText = text, item.cchTextMax = sizeof text;
    ::SendMessage(::GetDlgItem(d, IDC_AUVRY_LIST), LVM_GETITEMTEXT, 0, reinterpret_cast<LPARAM>(&item));
    playTime = text;
    ClickButton(d, IDC_AUVRY_EXIT);
  });
  CRecorderDlg dialog;
  dialog.DoModal();
  const std::string expected = platform::Format("00 : 00 : %02d", limit);
  EXPECT_EQ(playTime, expected);
  const double seconds = media_clips::ProbeDuration(dialog.CurrentFile());
  EXPECT_NEAR(seconds, limit, 0.05);
  EXPECT_TRUE(boxes_.Calls().empty());
}

INSTANTIATE_TEST_SUITE_P(Limits, CardTimerTest, ::testing::Values(6, 10));

}  // namespace
}  // namespace auvry::testing
