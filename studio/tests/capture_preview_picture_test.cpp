// The camcorder's picture in the capture page's preview, read back from the window surface: the
// simulated camcorders' colour bars must reach the video window the page owns, while the tape
// is idle, while it plays and while a recording runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "capture_fixture.h"
#include "platform/com/class_table.h"
#include "platform/dshow/uuids.h"

namespace studio {
namespace {

using namespace testkit;

// The simulated pattern's top band: 75% white, yellow, cyan, green, magenta, red, blue.
constexpr COLORREF kBars[7] = {RGB(191, 191, 191), RGB(191, 191, 0), RGB(0, 191, 191), RGB(0, 191, 0),
                               RGB(191, 0, 191),   RGB(191, 0, 0),   RGB(0, 0, 191)};

bool Near(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) < 48 && std::abs(GetGValue(a) - GetGValue(b)) < 48 &&
         std::abs(GetBValue(a) - GetBValue(b)) < 48;
}

class CapturePreviewPictureTest : public CaptureFixture {
 protected:
  // The video window inside the page's preview area, or null when no picture was placed there.
  static HWND VideoWindow(HWND page) { return ::GetWindow(::GetDlgItem(page, IDC_CAPTURE_PREVIEW), GW_CHILD); }
  // How many of the seven bars show at their places across the top of the picture.
  static int BarsShown(HWND video) {
    RECT r{};
    ::GetClientRect(video, &r);
    int shown = 0;
    for (int i = 0; i < 7; ++i) {
      const int x = (2 * i + 1) * r.right / 14, y = r.bottom / 5;
      if (Near(Pixel(video, x, y), kBars[i])) ++shown;
    }
    return shown;
  }
  // Lets frames through until the bars show (the moving box may cover one of them).
  bool ShowsBars(HWND page) {
    return PumpReal(
        [&] {
          time_.Advance(100);
          HWND video = VideoWindow(page);
          return video && ::IsWindowVisible(video) && BarsShown(video) >= 6;
        },
        20);
  }
};

TEST_F(CapturePreviewPictureTest, TheHdvCamcordersPictureShowsIdlePlayingAndRecording) {
  configure = [](AppSettings& s) {
    s.videoDeviceName = "Vidarro HDV Camcorder";
    s.recordFormat = kHdv;
  };
  RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
    ASSERT_EQ(page.DeviceType(), 3);
    EXPECT_TRUE(ShowsBars(p)) << "idle";
    EXPECT_EQ(ControlText(p, IDC_CAPTURE_PREVIEW), "");
    Picture(::GetAncestor(p, GA_ROOT), "capture_preview_hdv_idle.png");
    ASSERT_TRUE(ClickButton(p, IDC_TAPE_PLAY));
    EXPECT_TRUE(ShowsBars(p)) << "playing";
    Picture(::GetAncestor(p, GA_ROOT), "capture_preview_hdv_playing.png");
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
    ASSERT_TRUE(page.IsRecording());
    EXPECT_TRUE(ShowsBars(p)) << "recording";
    Picture(::GetAncestor(p, GA_ROOT), "capture_preview_hdv_recording.png");
    ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_STOP));
    EXPECT_TRUE(PumpReal([&] { return model_.clips.Count() > 0; }));
    EXPECT_TRUE(ShowsBars(p)) << "back to the preview";
  });
}

// The DV camcorder, 4:3 and 16:9: the same picture through the DV decoder.
TEST_F(CapturePreviewPictureTest, TheDvCamcordersPictureShowsInBothAspects) {
  for (int wide : {0, 1}) {
    SCOPED_TRACE(wide);
    configure = [wide](AppSettings& s) {
      s.videoDeviceName = "Vidarro DV Camcorder";
      s.wideScreen = wide;
      s.recordFormat = kDvAvi;
    };
    RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
      ASSERT_EQ(page.DeviceType(), 2);
      EXPECT_TRUE(ShowsBars(p));
      ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
      EXPECT_TRUE(ShowsBars(p)) << "recording";
      ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_STOP));
      EXPECT_TRUE(PumpReal([&] { return model_.clips.Count() > 0; }));
    });
  }
}

// A video renderer that offers no window (a machine without a display for it) leaves the sound,
// the meters and the recording working; the page says that the picture cannot be shown.
TEST_F(CapturePreviewPictureTest, APictureWithoutAVideoWindowIsSaidWhileTheRecordingStillRuns) {
  for (const char* device : {"Vidarro HDV Camcorder", "Vidarro DV Camcorder"}) {
    SCOPED_TRACE(device);
    platform::com::ClassRegistration windowless(CLSID_VideoRendererDefault, [](REFIID riid, void** ppv) {
      return CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, riid, ppv);
    });
    configure = [device](AppSettings& s) {
      s.videoDeviceName = device;
      s.recordFormat = std::string(device).find("HDV") != std::string::npos ? kHdv : kDvAvi;
    };
    RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
      const auto listed = model_.clips.Count();
      time_.Advance(400);
      EXPECT_EQ(VideoWindow(p), nullptr);
      EXPECT_EQ(ControlText(p, IDC_CAPTURE_PREVIEW),
                "The picture of this device cannot be shown here; it still records.");
      ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
      ASSERT_TRUE(page.IsRecording());
      Record(3000);
      EXPECT_EQ(ControlText(p, IDC_CAPTURE_PREVIEW),
                "The picture of this device cannot be shown here; it still records.");
      // The clip list's thumbnails need a real renderer again.
      windowless.Revoke();
      ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_STOP));
      EXPECT_TRUE(PumpReal([&] { return model_.clips.Count() > listed; }));
    });
  }
}

TEST_F(CapturePreviewPictureTest, WithoutAnyDeviceThePreviewSaysSo) {
  platform::dshow::sim::Hardware::Instance().SetDevices({});
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND p) {
    EXPECT_EQ(ControlText(p, IDC_CAPTURE_PREVIEW), "No capture device detected");
    Picture(::GetAncestor(p, GA_ROOT), "capture_preview_no_device.png");
  });
}

}  // namespace
}  // namespace studio
