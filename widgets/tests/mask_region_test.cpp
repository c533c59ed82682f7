#include "widgets/mask_region.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/region.h"

namespace {

// Pixels in the builder's order: blue, green, red, unused.
void Put(std::vector<std::uint8_t>& px, int width, int x, int y, COLORREF c) {
  std::uint8_t* p = &px[(static_cast<std::size_t>(y) * width + x) * 4];
  p[0] = GetBValue(c);
  p[1] = GetGValue(c);
  p[2] = GetRValue(c);
}

std::vector<RECT> AllRuns(const std::vector<std::uint8_t>& px, int w, int h, COLORREF key, COLORREF tol,
                          std::vector<std::size_t>* batches = nullptr) {
  std::vector<RECT> all;
  CollectMaskRuns(px.data(), w, h, static_cast<std::size_t>(w) * 4, key, tol, [&](const std::vector<RECT>& b) {
    if (batches) batches->push_back(b.size());
    all.insert(all.end(), b.begin(), b.end());
  });
  return all;
}

}  // namespace

TEST(MaskRuns, RunsOutsideTheKeyColourBecomeRowRectangles) {
  const int w = 6, h = 2;
  std::vector<std::uint8_t> px(w * h * 4, 0);
  for (int x = 0; x < w; ++x) Put(px, w, x, 0, RGB(255, 0, 0));
  Put(px, w, 2, 0, RGB(10, 20, 30));
  Put(px, w, 3, 0, RGB(10, 20, 30));
  // Row 1 is black: one run over the whole row.
  const std::vector<RECT> runs = AllRuns(px, w, h, RGB(255, 0, 0), 0);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].left, 2);
  EXPECT_EQ(runs[0].right, 4);
  EXPECT_EQ(runs[0].top, 0);
  EXPECT_EQ(runs[1].left, 0);
  EXPECT_EQ(runs[1].right, 6);
  EXPECT_EQ(runs[1].bottom, 2);
}

TEST(MaskRuns, ToleranceWidensTheKeyBoxUpwardsOnly) {
  const int w = 3;
  std::vector<std::uint8_t> px(w * 4, 0);
  Put(px, w, 0, 0, RGB(250, 5, 5));
  Put(px, w, 1, 0, RGB(245, 0, 0));  // below the key: kept
  Put(px, w, 2, 0, RGB(255, 10, 10));
  const std::vector<RECT> runs = AllRuns(px, w, 1, RGB(250, 0, 0), RGB(5, 10, 10));
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].left, 1);
  EXPECT_EQ(runs[0].right, 2);
}

TEST(MaskRuns, FlushedEveryTwoThousandRectangles) {
  // A checkerboard row gives one rectangle per two pixels.
  const int w = 2 * 2500, h = 1;
  std::vector<std::uint8_t> px(w * 4, 0);
  for (int x = 0; x < w; x += 2) Put(px, w, x, 0, RGB(255, 0, 0));
  std::vector<std::size_t> batches;
  EXPECT_EQ(AllRuns(px, w, h, RGB(255, 0, 0), 0, &batches).size(), 2500u);
  EXPECT_EQ(batches, (std::vector<std::size_t>{2000, 500}));
}

TEST(MaskRuns, BadSizesGiveNothing) {
  std::vector<std::uint8_t> px(16, 0);
  EXPECT_TRUE(AllRuns(px, 0, 4, 0, 0).empty());
  EXPECT_TRUE(AllRuns(px, 4, -1, 0, 0).empty());
  int calls = 0;
  CollectMaskRuns(px.data(), 4, 1, 8, 0, 0, [&](const std::vector<RECT>&) { ++calls; });  // pitch too small
  CollectMaskRuns(nullptr, 4, 1, 16, 0, 0, [&](const std::vector<RECT>&) { ++calls; });
  EXPECT_EQ(calls, 0);
}

TEST(RegionFromBitmap, KeyPixelsAreCutOutOfTheShape) {
  // A 10 x 10 red square with a 4 x 4 blue block at (3, 3).
  const int w = 10, h = 10;
  std::vector<std::uint8_t> px(w * h * 4, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      Put(px, w, x, y, (x >= 3 && x < 7 && y >= 3 && y < 7) ? RGB(0, 0, 255) : RGB(255, 0, 0));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bitmap, nullptr);
  std::memcpy(bits, px.data(), px.size());
  HRGN region = BuildRegionFromBitmap(bitmap, RGB(255, 0, 0));
  ASSERT_NE(region, nullptr);
  EXPECT_TRUE(PtInRegion(region, 3, 3));
  EXPECT_TRUE(PtInRegion(region, 6, 6));
  EXPECT_FALSE(PtInRegion(region, 2, 3));
  EXPECT_FALSE(PtInRegion(region, 7, 7));
  DeleteObject(region);
  DeleteObject(bitmap);
  EXPECT_EQ(BuildRegionFromBitmap(nullptr, 0), nullptr);
}
