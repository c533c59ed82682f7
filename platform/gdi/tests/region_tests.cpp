#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/tests/gdi_test_util.h"

namespace {

TEST(Regions, CombineModesGiveTheExpectedShapes) {
  HRGN a = CreateRectRgn(0, 0, 10, 10);
  HRGN b = CreateRectRgn(5, 5, 15, 15);
  HRGN r = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(SIMPLEREGION, CombineRgn(r, a, b, RGN_AND));
  RECT box;
  GetRgnBox(r, &box);
  EXPECT_EQ(5, box.left);
  EXPECT_EQ(10, box.right);
  EXPECT_EQ(COMPLEXREGION, CombineRgn(r, a, b, RGN_OR));
  EXPECT_TRUE(PtInRegion(r, 14, 14));
  EXPECT_FALSE(PtInRegion(r, 14, 2));
  EXPECT_EQ(COMPLEXREGION, CombineRgn(r, a, b, RGN_XOR));
  EXPECT_FALSE(PtInRegion(r, 7, 7));
  EXPECT_TRUE(PtInRegion(r, 2, 2));
  EXPECT_EQ(COMPLEXREGION, CombineRgn(r, a, b, RGN_DIFF));
  EXPECT_FALSE(PtInRegion(r, 7, 7));
  EXPECT_FALSE(PtInRegion(r, 12, 12));
  EXPECT_EQ(NULLREGION, CombineRgn(r, a, a, RGN_DIFF));
  // The destination may be a source.
  EXPECT_EQ(COMPLEXREGION, CombineRgn(a, a, b, RGN_OR));
  EXPECT_TRUE(PtInRegion(a, 14, 14));
  EXPECT_EQ(SIMPLEREGION, CombineRgn(r, b, nullptr, RGN_COPY));
  EXPECT_TRUE(EqualRgn(r, b));
  for (HRGN h : {a, b, r}) DeleteObject(h);
}

TEST(Regions, EllipseAndPolygonCoverTheirInsideOnly) {
  HRGN e = CreateEllipticRgn(0, 0, 20, 10);
  EXPECT_TRUE(PtInRegion(e, 10, 5));
  EXPECT_FALSE(PtInRegion(e, 0, 0));
  EXPECT_FALSE(PtInRegion(e, 19, 9));
  EXPECT_FALSE(PtInRegion(e, 20, 5));  // right edge excluded
  RECT box;
  GetRgnBox(e, &box);
  EXPECT_EQ(0, box.left);
  EXPECT_EQ(20, box.right);
  // The balloon pointer triangle.
  POINT tri[3] = {{0, 60}, {15, 65}, {15, 75}};
  HRGN t = CreatePolygonRgn(tri, 3, ALTERNATE);
  EXPECT_TRUE(PtInRegion(t, 12, 66));
  EXPECT_FALSE(PtInRegion(t, 1, 70));
  EXPECT_FALSE(PtInRegion(t, 16, 66));
  HRGN both = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(both, e, t, RGN_OR);
  EXPECT_TRUE(PtInRegion(both, 10, 5));
  EXPECT_TRUE(PtInRegion(both, 12, 66));
  for (HRGN h : {e, t, both}) DeleteObject(h);
}

TEST(Regions, RegionDataRoundTripsAndThousandsOfRectanglesStayExact) {
  // A mask scan: one rectangle per row run, as a skin button builds its window region.
  std::vector<uint8_t> block(sizeof(RGNDATAHEADER) + 4000 * sizeof(RECT));
  auto* data = reinterpret_cast<RGNDATA*>(block.data());
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  RECT* rects = reinterpret_cast<RECT*>(data->Buffer);
  int n = 0;
  for (int y = 0; y < 1000; ++y) {
    rects[n++] = {0, y, 10, y + 1};
    rects[n++] = {20 + (y % 7), y, 40, y + 1};
    rects[n++] = {50, y, 60, y + 1};
    rects[n++] = {55, y, 70, y + 1};  // overlaps the previous one
  }
  data->rdh.nCount = static_cast<DWORD>(n);
  HRGN rgn = ExtCreateRegion(nullptr, static_cast<DWORD>(block.size()), data);
  ASSERT_NE(nullptr, rgn);
  EXPECT_TRUE(PtInRegion(rgn, 65, 999));
  EXPECT_TRUE(PtInRegion(rgn, 27, 6));
  EXPECT_TRUE(PtInRegion(rgn, 26, 6));
  EXPECT_FALSE(PtInRegion(rgn, 25, 6));
  EXPECT_FALSE(PtInRegion(rgn, 20, 6));
  EXPECT_FALSE(PtInRegion(rgn, 45, 500));
  EXPECT_FALSE(PtInRegion(rgn, 5, 1000));
  DWORD need = GetRegionData(rgn, 0, nullptr);
  std::vector<uint8_t> out(need);
  ASSERT_EQ(need, GetRegionData(rgn, need, reinterpret_cast<RGNDATA*>(out.data())));
  HRGN copy = ExtCreateRegion(nullptr, need, reinterpret_cast<RGNDATA*>(out.data()));
  EXPECT_TRUE(EqualRgn(rgn, copy));
  EXPECT_EQ(COMPLEXREGION, OffsetRgn(copy, 100, 5));
  EXPECT_TRUE(PtInRegion(copy, 165, 1004));
  EXPECT_FALSE(EqualRgn(rgn, copy));
  DeleteObject(rgn);
  DeleteObject(copy);
}

TEST(Regions, FillFrameAndInvertPaintExactlyTheRegion) {
  Canvas c(40, 40);
  HRGN r = CreateRectRgn(5, 5, 25, 25);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  FillRgn(c.dc, r, red);
  EXPECT_EQ(400, c.Count({0, 0, 40, 40}, RGB(255, 0, 0)));
  FrameRgn(c.dc, r, blue, 2, 1);
  EXPECT_EQ(RGB(0, 0, 255), c.At(6, 10));  // two wide at the sides
  EXPECT_EQ(RGB(255, 0, 0), c.At(7, 10));
  EXPECT_EQ(RGB(0, 0, 255), c.At(10, 5));  // one high at the top
  EXPECT_EQ(RGB(255, 0, 0), c.At(10, 6));
  InvertRgn(c.dc, r);
  EXPECT_EQ(RGB(0, 255, 255), c.At(10, 10));
  EXPECT_EQ(RGB(255, 255, 255), c.At(30, 30));
  DeleteObject(r);
  DeleteObject(red);
  DeleteObject(blue);
}

TEST(Regions, ClipRegionConfinesDrawingAndSaveRestoreBringsItBack) {
  Canvas c(30, 30);
  int saved = SaveDC(c.dc);
  HRGN clip = CreateEllipticRgn(0, 0, 30, 30);
  EXPECT_EQ(COMPLEXREGION, SelectClipRgn(c.dc, clip));
  DeleteObject(clip);  // the DC keeps its own copy
  ExcludeClipRect(c.dc, 10, 10, 20, 20);
  RECT all{0, 0, 30, 30};
  FillRect(c.dc, &all, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(CLR_INVALID, c.At(0, 0));  // outside the clip, as in Win32
  RestoreDC(c.dc, saved);
  EXPECT_EQ(RGB(0, 0, 0), c.At(5, 15));
  EXPECT_EQ(RGB(255, 255, 255), c.At(15, 15));
  EXPECT_EQ(RGB(255, 255, 255), c.At(0, 0));
  RECT box;
  EXPECT_EQ(SIMPLEREGION, GetClipBox(c.dc, &box));
  EXPECT_EQ(30, box.right);
}

TEST(Regions, SurfaceDcDrawsOnlyInsideItsVisibleRegionAtItsOrigin) {
  // What the window system hands out: a DC on a window surface, clipped to what shows.
  Canvas surface(50, 50);
  HRGN vis = CreateRectRgn(0, 0, 10, 10);
  HDC dc = platform::gdi::CreateSurfaceDC(platform::gdi::GetTargetBitmap(surface.dc), POINT{20, 20}, vis);
  DeleteObject(vis);
  ASSERT_NE(nullptr, dc);
  RECT r{0, 0, 100, 100};
  FillRect(dc, &r, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(100, surface.Count({0, 0, 50, 50}, RGB(0, 0, 0)));
  EXPECT_EQ(RGB(0, 0, 0), surface.At(29, 29));
  EXPECT_EQ(RGB(255, 255, 255), surface.At(30, 30));
  EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, 0, 0));
  DeleteDC(dc);
}

}  // namespace
