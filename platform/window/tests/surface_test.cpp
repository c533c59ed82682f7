#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/region.h"
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

void Fill(HWND hwnd, COLORREF colour) {
  HDC dc = GetWindowDC(hwnd);
  ASSERT_NE(dc, nullptr);
  RECT r{};
  GetWindowRect(hwnd, &r);
  OffsetRect(&r, -r.left, -r.top);
  HBRUSH b = CreateSolidBrush(colour);
  FillRect(dc, &r, b);
  DeleteObject(b);
  ReleaseDC(hwnd, dc);
}

// A window's place inside its top-level window.
RECT Within(HWND hwnd, HWND top) {
  RECT r{}, t{};
  GetWindowRect(hwnd, &r);
  GetWindowRect(top, &t);
  OffsetRect(&r, -t.left, -t.top);
  return r;
}

TEST_F(OwnSurfaces, AnAreaComposedInPlaceMatchesTheWholePictureThereAndTouchesNothingElse) {
  HWND top = MakeTop("areas", WS_POPUP | WS_VISIBLE, RECT{0, 0, 60, 40});
  HWND shown = MakeChild(top, 1, RECT{10, 5, 30, 25});
  HWND hidden = MakeChild(top, 2, RECT{40, 10, 50, 20}, WS_CHILD);
  Fill(top, RGB(255, 0, 0));
  Fill(shown, RGB(0, 0, 255));
  Fill(hidden, RGB(0, 255, 0));
  SetWindowRgn(top, CreateRectRgn(0, 0, 50, 40), FALSE);  // the last ten columns show the desktop
  platform::PixelImage whole;
  ASSERT_TRUE(platform::ComposeWindow(top, &whole));
  EXPECT_EQ(whole.pixels[2 * 60 + 2], 0xFF0000u);
  EXPECT_EQ(whole.pixels[10 * 60 + 15], 0x0000FFu);
  EXPECT_EQ(whole.pixels[15 * 60 + 45], 0xFF0000u);  // the hidden child leaves its parent showing
  const std::uint32_t desktop = whole.pixels[5 * 60 + 55];
  EXPECT_NE(desktop, 0xFF0000u);

  // Rows wider than the window, as an X image's may be; pieces that cross the children and the
  // region's edge, and one that runs off the window.
  constexpr int kStride = 64;
  constexpr std::uint32_t kUntouched = 0xDEADBEEF;
  std::vector<std::uint32_t> rows(kStride * 40, kUntouched);
  for (RECT piece : {RECT{0, 0, 30, 20}, RECT{30, 0, 60, 20}, RECT{0, 20, 60, 40}, RECT{55, 35, 200, 90}})
    ASSERT_TRUE(platform::ComposeWindowArea(top, piece, rows.data(), 60, 40, kStride));
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 60; ++x) ASSERT_EQ(rows[y * kStride + x], whole.pixels[y * 60 + x]) << x << "," << y;
    for (int x = 60; x < kStride; ++x) ASSERT_EQ(rows[y * kStride + x], kUntouched);
  }
  std::vector<std::uint32_t> one(kStride * 40, kUntouched);
  ASSERT_TRUE(platform::ComposeWindowArea(top, RECT{12, 6, 14, 8}, one.data(), 60, 40, kStride));
  EXPECT_EQ(one[6 * kStride + 12], 0x0000FFu);
  EXPECT_EQ(one[5 * kStride + 12], kUntouched);
  EXPECT_EQ(one[6 * kStride + 14], kUntouched);

  HWND gone = MakeTop("gone");
  DestroyWindow(gone);
  EXPECT_FALSE(platform::ComposeWindowArea(gone, RECT{0, 0, 1, 1}, one.data(), 60, 40, kStride));
}

TEST_F(OwnSurfaces, PaintingIsNotedOncePerTopLevelWindowInItsWindowCoordinates) {
  HWND top = MakeTop("damage", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{100, 100, 400, 300});
  HWND child = MakeChild(top, 1, RECT{10, 20, 50, 40});
  UpdateWindow(top);
  UpdateWindow(child);
  platform::TakeWindowDamage(top, nullptr);
  RECT area{};
  EXPECT_FALSE(platform::TakeWindowDamage(top, &area));

  InvalidateRect(child, nullptr, FALSE);
  UpdateWindow(child);
  ASSERT_TRUE(platform::TakeWindowDamage(top, &area));
  const RECT inTop = Within(child, top);
  EXPECT_TRUE(EqualRect(&area, &inTop));
  EXPECT_FALSE(platform::TakeWindowDamage(top, &area));
  EXPECT_FALSE(platform::TakeWindowDamage(child, &area));  // noted for the top-level window only

  // A DC of the window's own is taken as painting all of it; areas painted meanwhile add up.
  HDC dc = GetDC(child);
  ReleaseDC(child, dc);
  PAINTSTRUCT ps;
  RECT corner{0, 0, 4, 4};
  InvalidateRect(child, &corner, FALSE);
  BeginPaint(child, &ps);
  EndPaint(child, &ps);
  ASSERT_TRUE(platform::TakeWindowDamage(top, &area));
  EXPECT_TRUE(EqualRect(&area, &inTop));

  DestroyWindow(child);
  EXPECT_FALSE(platform::TakeWindowDamage(top, &area));
}

TEST_F(OwnSurfaces, TheLayoutKeyChangesWithWhatMovesShowsOrRestacksButNotWithPainting) {
  HWND top = MakeTop("layout", WS_POPUP | WS_VISIBLE, RECT{0, 0, 200, 100});
  HWND a = MakeChild(top, 1, RECT{0, 0, 50, 50});
  HWND b = MakeChild(top, 2, RECT{20, 20, 80, 80});
  std::uint64_t key = platform::WindowLayoutKey(top);
  auto changed = [&] {
    const std::uint64_t now = platform::WindowLayoutKey(top);
    const bool different = now != key;
    key = now;
    return different;
  };
  Fill(a, RGB(1, 2, 3));
  EXPECT_FALSE(changed());
  MoveWindow(a, 5, 0, 50, 50, FALSE);
  EXPECT_TRUE(changed());
  ShowWindow(b, SW_HIDE);
  EXPECT_TRUE(changed());
  ShowWindow(b, SW_SHOW);
  EXPECT_TRUE(changed());
  SetWindowPos(GetWindow(top, GW_CHILD), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_TRUE(changed());
  HWND c = MakeChild(a, 3, RECT{1, 1, 5, 5});
  EXPECT_TRUE(changed());
  DestroyWindow(c);
  EXPECT_TRUE(changed());
  SetWindowRgn(top, CreateRectRgn(0, 0, 100, 100), FALSE);
  EXPECT_TRUE(changed());
  MoveWindow(top, 10, 10, 200, 100, FALSE);
  EXPECT_TRUE(changed());
}

}  // namespace
