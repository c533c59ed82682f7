// The source pages: the connection pictures and hints, and the automatic device choice.
#include <gtest/gtest.h>

#include <cstdlib>

#include "capture/device_list.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/tests/v4l2_model.h"
#include "source_pages.h"
#include "wizard_ids.h"
#include "wizard_state.h"
#include "wizard_test_support.h"

namespace {

using namespace testkit;
using namespace wizardtest;
namespace sim = platform::dshow::sim;

class SourcePages : public WizardTest {
 protected:
  void TearDown() override {
    sim::Hardware::Instance().Reload();
    WizardTest::TearDown();
  }
};

TEST(ConnectPicture, EachPlayerAndCableHasItsPictureAndHint) {
  EXPECT_EQ(22006u, CConnectPage::DvdPicture(4, 2));
  EXPECT_EQ(static_cast<UINT>(IDS_HINT_AV_SVIDEO), CConnectPage::DvdHint(4, 2));
  EXPECT_EQ(22001u, CConnectPage::DvdPicture(0, 1));
  EXPECT_EQ(22012u, CConnectPage::DvdPicture(1, 2));
  EXPECT_EQ(static_cast<UINT>(IDS_HINT_AV_USB), CConnectPage::DvdHint(0, 1));
  EXPECT_EQ(static_cast<UINT>(IDS_HINT_RCA_USB), CConnectPage::DvdHint(3, 1));
  EXPECT_EQ(static_cast<UINT>(IDS_HINT_AV_SVIDEO_USB), CConnectPage::DvdHint(0, 2));
  EXPECT_EQ(static_cast<UINT>(IDS_HINT_SVIDEO_RCA_USB), CConnectPage::DvdHint(5, 2));
  EXPECT_EQ(0u, CConnectPage::DvdPicture(0, 3));
  EXPECT_EQ(0u, CConnectPage::DvdPicture(7, 1));
}

TEST_F(SourcePages, TheBoxAndItsAudioInputAreChosenForDvdAndTheCamcorderForBluRay) {
  wizard::State().audioDevice = "Stale audio";
  CCaptureDeviceList devices;
  ASSERT_TRUE(CConnectPage::ChooseDevices(devices, false));
  EXPECT_EQ("Vidarro USB Video Capture", wizard::State().videoDevice);
  EXPECT_EQ("Vidarro USB Audio Capture", wizard::State().audioDevice);
  ASSERT_TRUE(CConnectPage::ChooseDevices(devices, true));
  EXPECT_EQ(devices.GetHdvDeviceName(), wizard::State().videoDevice);
  EXPECT_FALSE(wizard::State().videoDevice.empty());
}

TEST_F(SourcePages, ABoxWithItsOwnSoundNeedsNoAudioInputAndDropsAStaleOne) {
  for (const sim::DeviceDesc& d : sim::Hardware::Instance().Devices())
    if (d.kind == sim::DeviceKind::UsbBox)
      sim::Hardware::Instance().Update(d.id, [](sim::DeviceDesc& x) { x.audioPin = true; });
  wizard::State().audioDevice = "Stale audio";
  CCaptureDeviceList devices;
  ASSERT_TRUE(CConnectPage::ChooseDevices(devices, false));
  EXPECT_EQ("Vidarro USB Video Capture", wizard::State().videoDevice);
  EXPECT_EQ("", wizard::State().audioDevice);
}

TEST_F(SourcePages, NoDeviceClearsTheStoredNameAndLeadsToTheInformationPage) {
  sim::Hardware::Instance().SetDevices({});
  wizard::State().videoDevice = "Old box";
  CCaptureDeviceList devices;
  EXPECT_FALSE(CConnectPage::ChooseDevices(devices, false));
  EXPECT_EQ("", wizard::State().videoDevice);
  EXPECT_FALSE(CConnectPage::ChooseDevices(devices, true));
}

// Told to use the machine's own hardware, a machine without capture devices has none to offer.
TEST_F(SourcePages, AMachineWithoutDevicesLeadsToTheInformationPage) {
  setenv("VIDARRO_SIMULATED", "0", 1);
  sim::Hardware::Instance().Reload();
  {
    platform::dshow::v4l2::model::Model machine({}, std::string(VIDARRO_TEST_BINARY_DIR) + "/machine");
    CCaptureDeviceList devices;
    EXPECT_EQ(devices.GetVideoDeviceCount(), 0);
    EXPECT_FALSE(CConnectPage::ChooseDevices(devices, false));
  }
  setenv("VIDARRO_SIMULATED", "1", 1);
  sim::Hardware::Instance().Reload();
}

TEST_F(SourcePages, TheDefaultBoxReachesTheRecordSettingsAndTheChoicesAreKept) {
  CWendrelDlg dialog;
  std::vector<int> pages;
  WhenDialogShows([&](HWND d) {
    for (int step = 0; step < 2; ++step) {
      ClickButton(d, IDC_NEXT);
      Pump();
    }
    ClickButton(dialog.GetActivePage()->m_hWnd, 1092);  // game console
    ClickButton(d, IDC_NEXT);
    Pump();
    ClickButton(dialog.GetActivePage()->m_hWnd, 1101);  // S-Video
    for (int step = 0; step < 2; ++step) {
      pages.push_back(ActivePage(dialog));
      ClickButton(d, IDC_NEXT);
      Pump();
    }
    pages.push_back(ActivePage(dialog));
    ClickButton(d, IDC_EXIT);
  });
  dialog.DoModal();
  EXPECT_EQ((std::vector<int>{339, 340, 342}), pages);
  EXPECT_EQ(4, wizard::State().sourcePlayer);
  EXPECT_EQ(2, wizard::State().inputCable);
  EXPECT_EQ("Vidarro USB Video Capture", wizard::State().videoDevice);
}

}  // namespace
