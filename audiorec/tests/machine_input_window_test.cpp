// The recorder's window on the machine's own sound input (the tone plugin as the card): a card
// that vanishes while recording stops the recording, keeps its file and says why.
#include <chrono>

#include "audiorec/tests/recorder_window_fixture.h"
#include "platform/dshow/tests/tone_card.h"

namespace auvry::testing {
namespace {

using namespace testkit;
namespace card = platform::dshow::testing;

TEST_F(RecorderWindowTest, ACardThatVanishesWhileRecordingStopsItKeepsTheFileAndSaysWhy) {
  card::InstallToneCard(card::Tone(48000, 2, 1.0, 1000, -12), {.failAtMs = 1500});
  std::string device;
  bool stopped = false;
  int rows = 0;
  WhenDialogShows([&](HWND d) {
    device = SelectedDevice(d);
    ClickButton(d, IDC_AUVRY_RECORD);
    // The card keeps real time; the window's clock follows it.
    const auto start = std::chrono::steady_clock::now();
    while (boxes_.Count() == 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(8)) Advance(100);
    stopped = ControlVisible(d, IDC_AUVRY_RECORD);
    PumpUntil([&] { return Rows(d) == 1; });
    rows = Rows(d);
    ClickButton(d, IDC_AUVRY_EXIT);
  });
  CRecorderDlg dialog;
  dialog.DoModal();
  EXPECT_EQ(device, "Vidarro Test Card");
  EXPECT_TRUE(stopped);
  EXPECT_EQ(rows, 1);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(
      "\"Vidarro Test Card\" stopped delivering sound: it was disconnected or failed. The recording so far is kept.",
      boxes_.Last().text);
}

}  // namespace
}  // namespace auvry::testing
