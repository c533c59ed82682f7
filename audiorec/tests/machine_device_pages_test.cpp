// Auvry's "Audio Device Properties" on the machine's own sound card (the tone plugin as the card,
// the mixer plugin as its mixer): the card's page opens over the recorder's window, the capture
// volume moved there reaches the card's mixer while it records sound, and Cancel puts it back.
// The mixer is read with amixer, as a user would.
#include <alsa/asoundlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "audiorec/tests/recorder_window_fixture.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/tests/tone_card.h"
#include "platform/propertyframe/property_frame.h"
#include "platform/window/focus.h"

namespace auvry::testing {
namespace {

using namespace testkit;
namespace card = platform::dshow::testing;

constexpr int kVolumeSlider = 1603;  // the sound input page's capture volume and its percent
constexpr int kVolumeText = 1604;

HWND PageHolding(HWND frame, int id) {
  for (HWND c = ::GetWindow(frame, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
    if (::GetDlgItem(c, id)) return c;
  return nullptr;
}

class RecorderDevicePagesTest : public RecorderWindowTest {
 protected:
  void SetUp() override {
    RecorderWindowTest::SetUp();
    card::InstallToneCard(card::Tone(48000, 2, 1.0, 1000, -12), {});
    const std::string home = std::getenv("HOME");
    std::ofstream(home + "/.asoundrc", std::ios::app)
        << "ctl_type.vidarromixer { lib \"" VIDARRO_MIXER_PLUGIN "\" }\n"
        << "ctl.!default { type vidarromixer state \"" << home << "/mixer.state\" }\n";
    snd_config_update_free_global();
    platform::dshow::sim::Hardware::Instance().Reload();
  }
  void TearDown() override {
    RecorderWindowTest::TearDown();
    card::RemoveSoundCards();
  }

  // Settings, then "Audio Device Properties": `inside` runs on the frame, which closes with
  // `close`; the settings and the window close after it.
  void OnCardsPage(const std::function<void(HWND window, HWND frame)>& inside, int close) {
    WhenDialogShows([](HWND d) { ClickButton(d, IDC_AUVRY_SETTINGS); });
    WhenDialogShows([&, close](HWND settings) {
      WhenDialogShows([&, close](HWND frame) {
        inside(::GetWindow(settings, GW_OWNER), frame);
        ClickButton(frame, close);
      });
      ClickButton(settings, IDC_AUVRY_DEVICE_PAGES);
      ClickButton(settings, IDCANCEL);
      WhenDialogShows([](HWND d) { ClickButton(d, IDC_AUVRY_EXIT); });
    });
    CRecorderDlg dialog;
    dialog.DoModal();
  }
};

TEST_F(RecorderDevicePagesTest, TheCardsCaptureVolumeMovedOnItsPageReachesTheMixerAndCancelPutsItBack) {
  ASSERT_EQ(card::AmixerValues("Mic Capture Volume"), "20,20");
  std::string caption, shown, during;
  bool overTheWindow = false, recording = false;
  OnCardsPage(
      [&](HWND window, HWND frame) {
        caption = WindowText(frame);
        overTheWindow = window && ::GetWindow(frame, GW_OWNER) == window && !::IsWindowEnabled(window);
        recording = RecordEngine().IsPreviewing();
        HWND page = PageHolding(frame, kVolumeSlider);
        ASSERT_TRUE(page);
        shown = ControlText(page, kVolumeText);
        ::SetFocus(::GetDlgItem(page, kVolumeSlider));
        PressKey(VK_END);
        during = card::AmixerValues("Mic Capture Volume");
        EXPECT_FALSE(WritePicture(frame, "audio_device_properties.png").empty());
      },
      IDOK);
  EXPECT_EQ(caption, "Vidarro Test Card Properties");
  EXPECT_TRUE(overTheWindow);
  EXPECT_TRUE(recording);
  EXPECT_EQ(shown, "65 %");  // 20 of 31
  EXPECT_EQ(during, "31,31");
  EXPECT_EQ(card::AmixerValues("Mic Capture Volume"), "31,31");

  OnCardsPage(
      [&](HWND, HWND frame) {
        HWND page = PageHolding(frame, kVolumeSlider);
        ASSERT_TRUE(page);
        shown = ControlText(page, kVolumeText);
        ::SetFocus(::GetDlgItem(page, kVolumeSlider));
        for (int i = 0; i < 3; ++i) PressKey(VK_PRIOR);  // a page down the scale each
        during = card::AmixerValues("Mic Capture Volume");
      },
      IDCANCEL);
  EXPECT_EQ(shown, "100 %");
  EXPECT_EQ(during, "22,22");
  EXPECT_EQ(card::AmixerValues("Mic Capture Volume"), "31,31");
}

}  // namespace
}  // namespace auvry::testing
