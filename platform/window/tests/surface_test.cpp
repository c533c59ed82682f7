#include <gtest/gtest.h>

#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/objects.h"
#include "platform/window/paint.h"
#include "platform/window/window_surface.h"
#include "platform/testkit/window_log.h"

using namespace testkit;

namespace {

class OwnSurfaces : public ::testing::Test {
 protected:
  void TearDown() override { ResetWindows(); }
};

TEST_F(OwnSurfaces, EveryWindowHasADeviceContextWithoutTheControlsLayer) {
  HWND top = MakeTop("surfaces", WS_POPUP | WS_VISIBLE, RECT{0, 0, 40, 30});
  HWND empty = MakeChild(top, 7, RECT{0, 0, 0, 0});
  for (HWND hwnd : {top, empty}) {
    HDC dc = GetDC(hwnd);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(ReleaseDC(hwnd, dc), 1);
    dc = GetWindowDC(hwnd);
    ASSERT_NE(dc, nullptr);
    ReleaseDC(hwnd, dc);
  }
  HWND gone = MakeTop("gone");
  DestroyWindow(gone);
  EXPECT_EQ(GetDC(gone), nullptr);
  EXPECT_EQ(GetWindowDC(gone), nullptr);
}

TEST_F(OwnSurfaces, WhatIsDrawnInTheClientAreaShowsInTheWindowsPicture) {
  HWND top = MakeTop("picture", WS_POPUP | WS_VISIBLE, RECT{0, 0, 40, 30});
  HDC dc = GetDC(top);
  ASSERT_NE(dc, nullptr);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT box{10, 10, 20, 20};
  FillRect(dc, &box, red);
  ReleaseDC(top, dc);
  DeleteObject(red);
  platform::PixelImage image;
  ASSERT_TRUE(platform::ComposeWindow(top, &image));
  ASSERT_EQ(image.width, 40);
  EXPECT_EQ(image.pixels[15 * 40 + 15], 0xFF0000u);
  EXPECT_NE(image.pixels[5 * 40 + 5], 0xFF0000u);
}

}  // namespace
