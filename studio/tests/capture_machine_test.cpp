// The capture page on the machine's own hardware (VIDARRO_SIMULATED=0): a machine without
// capture devices, and what the machine tells as devices and discs come and go.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "capture_fixture.h"
#include "platform/disc/device_events.h"
#include "platform/disc/drive_set.h"
#include "platform/dshow/tests/v4l2_model.h"
#include "platform/window/device_change.h"

namespace studio {
namespace {

using namespace testkit;

class MachineCaptureTest : public BurnerCaptureFixture {
 protected:
  void SetUp() override {
    BurnerCaptureFixture::SetUp();
    setenv("VIDARRO_SIMULATED", "0", 1);
    platform::dshow::sim::Hardware::Instance().Reload();
    machine_ = std::make_unique<platform::dshow::v4l2::model::Model>(
        std::vector<platform::dshow::v4l2::model::DeviceDesc>{}, std::string(VIDARRO_TEST_BINARY_DIR) + "/machine");
  }
  void TearDown() override {
    BurnerCaptureFixture::TearDown();
    machine_.reset();
    platform::disc::ReloadMachineDrives();
    setenv("VIDARRO_SIMULATED", "1", 1);
    platform::dshow::sim::Hardware::Instance().Reload();
  }
  std::unique_ptr<platform::dshow::v4l2::model::Model> machine_;
};

TEST_F(MachineCaptureTest, AMachineWithoutDevicesOpensNothing) {
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    EXPECT_EQ(TheCaptureEngine().devices.GetVideoDeviceCount(), 0);
    EXPECT_FALSE(TheCaptureEngine().graph.IsOpen());
    ClickButton(p, IDC_CAPTURE_START);
    EXPECT_FALSE(page.IsRecording());
    Picture(::GetAncestor(p, GA_ROOT), "capture_page_machine_no_device.png");
  });
}

platform::disc::DeviceRecord MediumRecord(const std::string& node, bool present) {
  platform::disc::DeviceRecord record{"block", "change", node, {{"ID_CDROM", "1"}, {"DISK_MEDIA_CHANGE", "1"}}};
  if (present) record.properties["ID_CDROM_MEDIA"] = "1";
  return record;
}

// A disc put into a drive of the machine: udev's record reaches the main window as a volume
// arrival with the drive's letter, which hands it to the capture page while that page is the
// current one; the page asks the burner about the disc and fits the format to it.
TEST_F(MachineCaptureTest, ADiscPutIntoARealDriveReachesTheCapturePageThroughTheMainWindow) {
  auto registration = UseBurner();
  std::vector<platform::disc::DriveDesc> drives(2);
  drives[0].realAddress = drives[0].id = "/dev/sr0";
  drives[1].realAddress = drives[1].id = "/dev/sr1";
  drives[0].name = drives[1].name = "Writer";
  platform::disc::SetMachineDrives(drives);
  configure = [](AppSettings& s) {
    s.recordFormat = kWmv;
    s.outputHoldsLargeFiles = TRUE;
  };
  RunCapture([&](CQuillonDlg& dialog, CCapturePage&, HWND p) {
    burner_->Answer("checkdrive drive=E", static_cast<HRESULT>(204480));
    ASSERT_TRUE(platform::disc::DeliverDeviceRecord(MediumRecord("/dev/sr1", true)));
    ASSERT_TRUE(PumpReal([&] { return Logged(Command("checkdrive drive=E")); }));
    EXPECT_EQ(model_.settings.recordFormat, kDvd);
    EXPECT_EQ(ControlText(p, IDC_FORMAT_LABEL), "DVD");
    Picture(::GetAncestor(p, GA_ROOT), "capture_page_disc_arrived.png");
    // The disc taken out is handed on too, and the page asks nothing about it.
    const size_t told = log_.size();
    ASSERT_TRUE(platform::disc::DeliverDeviceRecord(MediumRecord("/dev/sr1", false)));
    Settle();
    testkit::Pump();
    EXPECT_EQ(log_.size(), told);
    EXPECT_EQ(model_.settings.recordFormat, kDvd);

    // On the edit step the capture page is not asked: the main window keeps the news.
    ClickButton(::GetAncestor(p, GA_ROOT), IDC_STEP_EDIT);
    ASSERT_EQ(dialog.Model().currentPage, 1);
    ASSERT_TRUE(platform::disc::DeliverDeviceRecord(MediumRecord("/dev/sr0", true)));
    Settle();
    testkit::Pump();
    EXPECT_FALSE(Logged(Command("checkdrive drive=D")));
  });
}

// A capture box plugged into the machine: the capture page hears the capture device's arrival,
// and the device list the page offers (its record settings) names the box.
TEST_F(MachineCaptureTest, ACaptureBoxPluggedInIsHeardAndListed) {
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    EXPECT_EQ(TheCaptureEngine().devices.GetVideoDeviceCount(), 0);
    const auto listening = ::DeviceInterfaceRecipients(platform::disc::kCaptureInterfaceClass);
    EXPECT_NE(std::find(listening.begin(), listening.end(), p), listening.end());

    machine_.reset();
    machine_ = std::make_unique<platform::dshow::v4l2::model::Model>(
        platform::dshow::v4l2::model::UsbCaptureBox(), std::string(VIDARRO_TEST_BINARY_DIR) + "/machine-plugged");
    ASSERT_TRUE(platform::disc::DeliverDeviceRecord(
        {"video4linux", "add", "/dev/video0", {{"ID_V4L_CAPABILITIES", ":capture:"}, {"ID_VENDOR_ID", "534d"}}}));
    testkit::Pump();

    std::vector<std::string> listed;
    WhenDialogShows([&](HWND settings) {
      HWND combo = ::GetDlgItem(settings, IDC_RS_VIDEO_DEVICE);
      for (int i = 0; i < static_cast<int>(::SendMessage(combo, CB_GETCOUNT, 0, 0)); ++i) {
        char text[256] = {};
        ::SendMessage(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        listed.push_back(text);
      }
      Picture(settings, "record_settings_box_plugged_in.png");
      ClickButton(settings, IDCANCEL);
    });
    ClickButton(p, IDC_RECORD_OPTION);
    ASSERT_EQ(TheCaptureEngine().devices.GetVideoDeviceCount(), 1);
    EXPECT_EQ(listed, std::vector<std::string>{TheCaptureEngine().devices.GetVideoDeviceName(0)});
    (void)page;
  });
}

}  // namespace
}  // namespace studio
