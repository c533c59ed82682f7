// A capture device of the machine that another program holds: the capture page names it and
// says what to do, in its preview area, and picks the device up again once it is free.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "capture_fixture.h"
#include "platform/dshow/tests/tone_card.h"
#include "platform/dshow/tests/v4l2_model.h"

namespace studio {
namespace {

using namespace testkit;
namespace v4l2model = platform::dshow::v4l2::model;

class BusyDeviceTest : public BurnerCaptureFixture {
 protected:
  void SetUp() override {
    BurnerCaptureFixture::SetUp();
    setenv("VIDARRO_SIMULATED", "0", 1);
    platform::dshow::testing::InstallToneCard(platform::dshow::testing::Tone(48000, 2, 1.0, 1000, -12), {});
    platform::dshow::sim::Hardware::Instance().Reload();
    machine_ = std::make_unique<v4l2model::Model>(v4l2model::UsbCaptureBox(),
                                                  std::string(VIDARRO_TEST_BINARY_DIR) + "/busy_machine");
  }
  void TearDown() override {
    BurnerCaptureFixture::TearDown();
    machine_.reset();
    platform::dshow::testing::RemoveSoundCards();
    setenv("VIDARRO_SIMULATED", "1", 1);
    platform::dshow::sim::Hardware::Instance().Reload();
  }
  std::unique_ptr<v4l2model::Model> machine_;
};

// The page is shown with the machine's one box chosen.
void ChooseTheBox(AppSettings& s) {
  s.videoDeviceIndex = 0;
  s.videoDeviceName = TheCaptureEngine().devices.GetVideoDeviceName(0);
  s.audioDeviceIndex = 0;
  s.audioDeviceName = TheCaptureEngine().devices.GetAudioDeviceName(0);
}

TEST_F(BusyDeviceTest, ADeviceAnotherProgramHoldsIsNamedWithWhatToDo) {
  machine_->SetBusy("video0", true);
  configure = ChooseTheBox;
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    EXPECT_FALSE(TheCaptureEngine().graph.IsPreviewing());
    const std::string note = ControlText(p, IDC_CAPTURE_PREVIEW);
    EXPECT_NE(note.find("/dev/video0"), std::string::npos) << note;
    EXPECT_NE(note.find("is in use by another program. Close the program that uses it and try again."),
              std::string::npos)
        << note;
    Picture(::GetAncestor(p, GA_ROOT), "capture_page_busy_device.png");
  });
  // Once the other program lets go, the next start previews and the note goes.
  machine_->SetBusy("video0", false);
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    EXPECT_TRUE(TheCaptureEngine().graph.IsPreviewing());
    EXPECT_EQ(ControlText(p, IDC_CAPTURE_PREVIEW), "");
  });
}

}  // namespace
}  // namespace studio
