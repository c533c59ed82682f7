// Recordings of the capture page read back by ffprobe.
#include <gtest/gtest.h>

#include <filesystem>

#include "capture_fixture.h"

namespace studio {
namespace {

using namespace testkit;
using CapturePagePeerTest = CaptureFixture;

TEST_F(CapturePagePeerTest, TenSecondsOfDvdFromTheUsbBox) {
  configure = [](AppSettings& s) {
    s.recordFormat = kDvd;
    s.cpuMode = 2;
    s.quality = 2;
  };
  std::string file;
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    ASSERT_EQ(page.DeviceType(), 1);
    EXPECT_TRUE(TheCaptureEngine().graph.IsPreviewing());
    EXPECT_EQ(ControlText(p, IDC_FORMAT_LABEL), "DVD");
    Picture(::GetAncestor(p, GA_ROOT), "capture_page_usb_box.png");
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    ASSERT_TRUE(page.IsRecording());
    EXPECT_FALSE(ControlEnabled(p, IDC_RECORD_OPTION));
    // The clock starts on its first tick, half a second in.
    Record(10500);
    EXPECT_EQ(ControlText(p, IDC_ELAPSED), "00:00:10");
    Picture(::GetAncestor(p, GA_ROOT), "capture_page_recording.png");
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_STOP));
    PumpUntil([&] { return model_.clips.Count() > 0; });
    EXPECT_FALSE(page.IsRecording());
    EXPECT_TRUE(ControlEnabled(p, IDC_CAPTURE_START));
    file = Output() + "DVD_140509_0.mpg";
    EXPECT_TRUE(model_.clips.Contains(file));
  });
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(Probe("stream=codec_name,width,height", file, "v:0"), "mpeg2video\n720\n480");
  EXPECT_EQ(Probe("stream=codec_name", file, "a:0"), "mp2");
  const double seconds = std::stod(Probe("format=duration", file));
  EXPECT_NEAR(seconds, 10.0, 1.0);
}

}  // namespace
}  // namespace studio
