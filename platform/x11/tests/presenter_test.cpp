// The presenter on a private X server: after painting, moving and hiding, the X window holds the
// same pixels as the window's composed picture, with shared memory and without it.
// gtest before Xlib, whose macros (None, Bool...) would break it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "platform/gdi/draw.h"
#include "platform/gdi/objects.h"
#include "platform/testkit/window_log.h"
#include "platform/window/window.h"
#include "platform/window/window_surface.h"
#include "platform/x11/tests/desktop_session.h"
#include "platform/x11/x11_presenter.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using namespace desktop_test;

void Fill(HWND hwnd, COLORREF colour) {
  HDC dc = GetDC(hwnd);
  RECT r{};
  GetClientRect(hwnd, &r);
  HBRUSH b = CreateSolidBrush(colour);
  FillRect(dc, &r, b);
  DeleteObject(b);
  ReleaseDC(hwnd, dc);
}

class Presenter : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (FindProgram("Xvfb").empty()) GTEST_SKIP() << "Xvfb is not installed";
    server_ = std::make_unique<XvfbServer>();
    ASSERT_FALSE(server_->Display().empty()) << "Xvfb did not start";
    setenv("VIDARRO_X11_NO_SHM", GetParam() ? "0" : "1", 1);
    presenter_ = platform::x11::X11Presenter::Open("presenter_test", server_->Display().c_str());
    ASSERT_NE(presenter_, nullptr);
    reader_ = XOpenDisplay(server_->Display().c_str());
    ASSERT_NE(reader_, nullptr);
  }
  void TearDown() override {
    testkit::ResetWindows();
    if (presenter_) presenter_->ScreenChanged();
    presenter_.reset();
    if (reader_) XCloseDisplay(reader_);
    unsetenv("VIDARRO_X11_NO_SHM");
    server_.reset();
  }

  // Presents once, then waits for the server to show the window as it is composed.
  bool ShownAsComposed(HWND top) {
    presenter_->ScreenChanged();
    platform::PixelImage expected;
    if (!platform::ComposeWindow(top, &expected)) return false;
    const Window xid = presenter_->XWindowOf(top);
    if (!xid) return false;
    differing_ = -1;
    return WaitUntil(
        [&] {
          XImage* shot = XGetImage(reader_, xid, 0, 0, static_cast<unsigned>(expected.width),
                                   static_cast<unsigned>(expected.height), AllPlanes, ZPixmap);
          if (!shot) return false;
          differing_ = 0;
          for (int y = 0; y < expected.height; ++y)
            for (int x = 0; x < expected.width; ++x)
              if ((XGetPixel(shot, x, y) & 0xFFFFFF) != expected.pixels[static_cast<size_t>(y) * expected.width + x])
                ++differing_;
          XDestroyImage(shot);
          return differing_ == 0;
        },
        10);
  }

  std::unique_ptr<XvfbServer> server_;
  std::unique_ptr<platform::x11::X11Presenter> presenter_;
  Display* reader_ = nullptr;
  int differing_ = -1;
};

TEST_P(Presenter, ShowsWhatWasPaintedMovedOrHiddenSinceTheLastPresent) {
  HWND top = testkit::MakeTop("presented", WS_POPUP | WS_VISIBLE, RECT{10, 10, 130, 90});
  HWND child = testkit::MakeChild(top, 1, RECT{40, 30, 70, 50});
  Fill(top, RGB(200, 0, 0));
  Fill(child, RGB(0, 0, 200));
  EXPECT_TRUE(ShownAsComposed(top)) << differing_ << " pixels differ when first shown";

  Fill(child, RGB(0, 200, 0));  // only the child painted: only its rectangle goes
  EXPECT_TRUE(ShownAsComposed(top)) << differing_ << " pixels differ after a child painted";

  MoveWindow(child, 80, 50, 30, 20, FALSE);  // nothing paints: the layout tells
  EXPECT_TRUE(ShownAsComposed(top)) << differing_ << " pixels differ after a child moved";

  ShowWindow(child, SW_HIDE);
  EXPECT_TRUE(ShownAsComposed(top)) << differing_ << " pixels differ after a child hid";

  Fill(top, RGB(0, 0, 0));
  Fill(top, RGB(10, 20, 30));  // twice between presents: the last one shows
  EXPECT_TRUE(ShownAsComposed(top)) << differing_ << " pixels differ after the window painted twice";
}

INSTANTIATE_TEST_SUITE_P(SharedMemoryAndPlain, Presenter, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Shm" : "Plain"; });

}  // namespace
