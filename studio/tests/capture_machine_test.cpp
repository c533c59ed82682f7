// The capture page on the machine's own hardware (VIDARRO_SIMULATED=0) where the machine has no
// capture device: nothing opens, and Start records nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "capture_fixture.h"
#include "platform/dshow/tests/v4l2_model.h"

namespace studio {
namespace {

using namespace testkit;

class MachineCaptureTest : public CaptureFixture {
 protected:
  void SetUp() override {
    CaptureFixture::SetUp();
    setenv("VIDARRO_SIMULATED", "0", 1);
    platform::dshow::sim::Hardware::Instance().Reload();
    machine_ = std::make_unique<platform::dshow::v4l2::model::Model>(
        std::vector<platform::dshow::v4l2::model::DeviceDesc>{}, std::string(VIDARRO_TEST_BINARY_DIR) + "/machine");
  }
  void TearDown() override {
    CaptureFixture::TearDown();
    machine_.reset();
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

}  // namespace
}  // namespace studio
