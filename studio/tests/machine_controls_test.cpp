// Quillon's device properties on the machine's own capture box (the V4L2 model): the box's driver
// controls in a frame over the preview, a brightness step that reaches the driver, and Cancel
// that gives the driver its value back.
#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "capture_dialogs.h"
#include "capture_fixture.h"
#include "platform/controls/commctrl.h"
#include "platform/controls/tab.h"
#include "platform/dshow/tests/tone_card.h"
#include "platform/dshow/tests/v4l2_model.h"
#include "platform/propertyframe/property_frame.h"
#include "platform/window/focus.h"
#include "platform/window/input.h"

namespace studio {
namespace {

using namespace testkit;
namespace model = platform::dshow::v4l2::model;

constexpr int kDriverBrightness = 2000;  // the first driver control's slider on the Proc Amp page

std::vector<std::string> TabNames(HWND frame) {
  std::vector<std::string> names;
  HWND tab = ::GetDlgItem(frame, platform::propertyframe::kFrameTabId);
  const int count = static_cast<int>(::SendMessage(tab, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[64] = {};
    TCITEM item;
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ::SendMessage(tab, TCM_GETITEM, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    names.emplace_back(text);
  }
  return names;
}

class MachineControlsTest : public BurnerCaptureFixture {
 protected:
  void SetUp() override {
    BurnerCaptureFixture::SetUp();
    setenv("VIDARRO_SIMULATED", "0", 1);
    platform::dshow::testing::InstallToneCard(platform::dshow::testing::Tone(48000, 2, 1.0, 1000, -12), {});
    platform::dshow::sim::Hardware::Instance().Reload();
    machine_ = std::make_unique<model::Model>(model::UsbCaptureBox(),
                                              std::string(VIDARRO_TEST_BINARY_DIR) + "/machine-controls");
  }
  void TearDown() override {
    BurnerCaptureFixture::TearDown();
    machine_.reset();
    platform::dshow::testing::RemoveSoundCards();
    setenv("VIDARRO_SIMULATED", "1", 1);
    platform::dshow::sim::Hardware::Instance().Reload();
  }
  std::unique_ptr<model::Model> machine_;
};

TEST_F(MachineControlsTest, TheControlButtonShowsTheDriversControlsAndABrightnessStepReachesTheDriver) {
  configure = [](AppSettings& s) {
    s.videoDeviceIndex = 0;
    s.videoDeviceName = TheCaptureEngine().devices.GetVideoDeviceName(0);
    s.audioDeviceIndex = 0;
    s.audioDeviceName = TheCaptureEngine().devices.GetAudioDeviceName(0);
  };
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    ASSERT_TRUE(TheCaptureEngine().graph.IsOpen())
        << TheCaptureEngine().devices.GetVideoDeviceCount() << " devices, first \""
        << TheCaptureEngine().devices.GetVideoDeviceName(0) << "\"";
    const std::int32_t before = machine_->ControlValue("video0", V4L2_CID_BRIGHTNESS);
    std::int32_t during = before;
    std::string caption;
    std::vector<std::string> tabs;
    bool sawPage = false;
    WhenDialogShows([&](HWND settings) {
      WhenDialogShows([&](HWND cables) {
        WhenDialogShows([&](HWND frame) {
          caption = WindowText(frame);
          tabs = TabNames(frame);
          EXPECT_EQ(::GetWindow(frame, GW_OWNER), ::GetAncestor(p, GA_ROOT));
          HWND page = nullptr;
          for (HWND c = ::GetWindow(frame, GW_CHILD); c && !page; c = ::GetWindow(c, GW_HWNDNEXT))
            if (::GetDlgItem(c, kDriverBrightness)) page = c;
          sawPage = page != nullptr;
          if (page) {
            ::SetFocus(::GetDlgItem(page, kDriverBrightness));
            for (int i = 0; i < 3; ++i) PressKey(VK_RIGHT);
            during = machine_->ControlValue("video0", V4L2_CID_BRIGHTNESS);
            Picture(frame, "device_properties_v4l2.png");
          }
          ClickButton(frame, IDCANCEL);
        });
        HWND control = ::GetDlgItem(cables, IDC_INPUT_CONTROL) ? ::GetDlgItem(cables, IDC_INPUT_CONTROL)
                                                               : ::GetDlgItem(cables, IDC_INPUT_CONTROL_137);
        EXPECT_TRUE(control);
        if (control) ::SendMessage(control, BM_CLICK, 0, 0);
        ::SendMessage(cables, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      });
      ::SendMessage(settings, WM_COMMAND, MAKEWPARAM(IDC_RS_VIDEO_SETTINGS, BN_CLICKED), 0);
      ::SendMessage(settings, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    ClickButton(p, IDC_RECORD_OPTION);
    EXPECT_EQ(caption, "UVC Camera (534d:2109): USB Vid Properties");
    ASSERT_FALSE(tabs.empty());
    EXPECT_EQ(tabs[0], "Video Proc Amp");
    EXPECT_TRUE(sawPage);
    EXPECT_GT(during, before);
    EXPECT_EQ(machine_->ControlValue("video0", V4L2_CID_BRIGHTNESS), before);
  });
}

}  // namespace
}  // namespace studio
