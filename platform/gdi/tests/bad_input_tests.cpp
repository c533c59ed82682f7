#include <gtest/gtest.h>

#include "platform/gdi/tests/gdi_test_util.h"

namespace {

TEST(BadInput, NullAndStaleHandlesFailWithoutHarm) {
  size_t before = platform::gdi::LiveObjectCount();
  EXPECT_EQ(nullptr, SelectObject(nullptr, GetStockObject(BLACK_BRUSH)));
  EXPECT_FALSE(BitBlt(nullptr, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
  EXPECT_EQ(CLR_INVALID, GetPixel(nullptr, 0, 0));
  EXPECT_EQ(0, FillRect(nullptr, nullptr, nullptr));
  EXPECT_FALSE(DeleteObject(static_cast<HGDIOBJ>(nullptr)));
  EXPECT_EQ(ERROR, CombineRgn(nullptr, nullptr, nullptr, RGN_OR));
  EXPECT_FALSE(PtInRegion(nullptr, 0, 0));
  EXPECT_EQ(0, GetObject(nullptr, 0, nullptr));
  EXPECT_FALSE(DrawText(nullptr, "x", 1, nullptr, 0));
  EXPECT_FALSE(TextOut(nullptr, 0, 0, "x", 1));
  HBRUSH b = CreateSolidBrush(RGB(1, 1, 1));
  DeleteObject(b);
  EXPECT_FALSE(DeleteObject(b));  // stale
  {
    RECT r{0, 0, 5, 5};
    Canvas c(5, 5);
    EXPECT_EQ(0, FillRect(c.dc, &r, b));
    EXPECT_EQ(RGB(255, 255, 255), c.At(1, 1));
    EXPECT_EQ(nullptr, SelectObject(c.dc, b));
  }
  HDC dc = CreateCompatibleDC(nullptr);
  DeleteDC(dc);
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_EQ(before, platform::gdi::LiveObjectCount());
}

TEST(BadInput, ZeroAndNegativeSizes) {
  Canvas c(4, 4);
  EXPECT_EQ(nullptr, CreateCompatibleBitmap(c.dc, -1, 5));
  HBITMAP zero = CreateCompatibleBitmap(c.dc, 0, 0);  // Win32 gives a 1x1 monochrome bitmap
  BITMAP bm;
  ASSERT_EQ(static_cast<int>(sizeof(bm)), GetObject(zero, sizeof(bm), &bm));
  EXPECT_EQ(1, bm.bmWidth);
  EXPECT_EQ(1, bm.bmBitsPixel);
  DeleteObject(zero);
  EXPECT_EQ(nullptr, CreateBitmap(-3, 3, 1, 32, nullptr));
  EXPECT_EQ(nullptr, CreateBitmap(3, 3, 1, 8, nullptr));
  BITMAPINFO bi{};
  bi.bmiHeader.biWidth = 0;
  bi.bmiHeader.biHeight = 10;
  bi.bmiHeader.biBitCount = 32;
  EXPECT_EQ(nullptr, CreateDIBSection(c.dc, &bi, DIB_RGB_COLORS, nullptr, nullptr, 0));
  bi.bmiHeader.biWidth = 100000;
  bi.bmiHeader.biHeight = 100000;
  EXPECT_EQ(nullptr, CreateDIBSection(c.dc, &bi, DIB_RGB_COLORS, nullptr, nullptr, 0));
  EXPECT_FALSE(BitBlt(c.dc, 0, 0, -2, 2, c.dc, 0, 0, SRCCOPY));
  EXPECT_FALSE(TransparentBlt(c.dc, 0, 0, 2, 2, c.dc, 0, 0, 0, 2, 0));
  EXPECT_EQ(nullptr, ImageList_Create(0, 16, ILC_COLOR32, 1, 1));
  // Blits reaching outside the source or destination draw only what exists.
  EXPECT_TRUE(BitBlt(c.dc, -10, -10, 100, 100, c.dc, 0, 0, SRCCOPY));
  // A source rectangle wholly past the source bitmap copies nothing (a child window placed
  // beyond its parent's pixels starts this way).
  {
    Canvas from(8, 8);
    EXPECT_TRUE(BitBlt(c.dc, 0, 0, 4, 4, from.dc, 672, 21, SRCCOPY));
    EXPECT_TRUE(BitBlt(c.dc, 0, 0, 4, 4, from.dc, -50, 2, SRCCOPY));
  }
  EXPECT_TRUE(PatBlt(c.dc, 2, 2, -2, -2, BLACKNESS));  // negative extents flip the rectangle
  EXPECT_EQ(RGB(0, 0, 0), c.At(0, 0));
  EXPECT_EQ(RGB(255, 255, 255), c.At(2, 2));
}

TEST(BadInput, SelectionRulesAndDeletionOfSelectedObjects) {
  HDC a = CreateCompatibleDC(nullptr);
  HDC b = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateBitmap(4, 4, 1, 32, nullptr);
  HGDIOBJ oldA = SelectObject(a, bmp);
  ASSERT_NE(nullptr, oldA);
  EXPECT_EQ(nullptr, SelectObject(b, bmp));  // one DC at a time
  // Deleting a selected brush kills the handle but the DC keeps drawing safely with it.
  HBRUSH brush = CreateSolidBrush(RGB(0, 0, 200));
  SelectObject(a, brush);
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_TRUE(PatBlt(a, 0, 0, 4, 4, PATCOPY));
  EXPECT_EQ(RGB(0, 0, 200), GetPixel(a, 1, 1));
  EXPECT_FALSE(RestoreDC(a, 3));
  EXPECT_EQ(0, GetObjectType(reinterpret_cast<HGDIOBJ>(brush)));
  EXPECT_EQ(OBJ_MEMDC, GetObjectType(a));
  SelectObject(a, oldA);
  EXPECT_NE(nullptr, SelectObject(b, bmp));  // free again
  DeleteDC(a);
  DeleteDC(b);  // deleting the DC releases its selection
  EXPECT_TRUE(DeleteObject(bmp));
}

TEST(BadInput, HugeShapesAreRefusedInsteadOfExhaustingMemory) {
  EXPECT_EQ(nullptr, CreateEllipticRgn(0, 0, 100, 2000000000));
  EXPECT_EQ(nullptr, CreateRoundRectRgn(0, -1000000000, 10, 1000000000, 5, 5));
  POINT tall[3] = {{0, 0}, {10, 0}, {0, 1000000000}};
  EXPECT_EQ(nullptr, CreatePolygonRgn(tall, 3, WINDING));
  Canvas c(10, 10);
  EXPECT_FALSE(Ellipse(c.dc, 0, 0, 10, 1000000000));
  EXPECT_FALSE(Polygon(c.dc, tall, 3));
  // Lines and focus rectangles far beyond the bitmap draw what shows, quickly.
  MoveToEx(c.dc, -1000000000, 5, nullptr);
  EXPECT_TRUE(LineTo(c.dc, 1000000000, 5));
  EXPECT_EQ(RGB(0, 0, 0), c.At(3, 5));
  RECT huge{-1000000000, 2, 1000000000, 1000000000};
  EXPECT_TRUE(DrawFocusRect(c.dc, &huge));
  HRGN wide = CreateRectRgn(-2000000000, -2000000000, 2000000000, 2000000000);  // one band: fine
  EXPECT_NE(nullptr, wide);
  EXPECT_TRUE(PtInRegion(wide, 0, 0));
  DeleteObject(wide);
}

TEST(BadInput, BadRegionDataIsRefused) {
  std::vector<uint8_t> block(sizeof(RGNDATAHEADER) + sizeof(RECT));
  auto* data = reinterpret_cast<RGNDATA*>(block.data());
  data->rdh.nCount = 1000;  // more rectangles than the block holds
  EXPECT_EQ(nullptr, ExtCreateRegion(nullptr, static_cast<DWORD>(block.size()), data));
  data->rdh.nCount = 1;
  data->rdh.iType = 7;
  EXPECT_EQ(nullptr, ExtCreateRegion(nullptr, static_cast<DWORD>(block.size()), data));
  EXPECT_EQ(nullptr, CreatePolygonRgn(nullptr, 3, ALTERNATE));
  HRGN degenerate = CreatePolygonRgn(std::vector<POINT>{{0, 0}, {5, 5}}.data(), 2, ALTERNATE);
  RECT box;
  EXPECT_EQ(NULLREGION, GetRgnBox(degenerate, &box));
  DeleteObject(degenerate);
  HRGN r = CreateRectRgn(0, 0, 5, 5);
  EXPECT_EQ(ERROR, CombineRgn(r, r, nullptr, RGN_AND));
  EXPECT_EQ(ERROR, CombineRgn(r, r, r, 99));
  DeleteObject(r);
}

}  // namespace

#include <thread>

namespace {

TEST(Threads, TwoThreadsDrawTextAndShapesAtOnce) {
  // The splash window paints on a thread of its own while the main window paints.
  auto work = [](COLORREF colour, int* inked) {
    Canvas c(120, 30);
    SelectObject(c.dc, GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(c.dc, colour);
    SetBkMode(c.dc, TRANSPARENT);
    for (int i = 0; i < 50; ++i) {
      RECT r{0, 0, 120, 30};
      FillRect(c.dc, &r, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      DrawText(c.dc, "Loading...", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      HRGN rgn = CreateEllipticRgn(0, 0, 20, 20);
      DeleteObject(rgn);
    }
    *inked = 120 * 30 - c.Count({0, 0, 120, 30}, RGB(255, 255, 255));
  };
  int a = 0, b = 0;
  std::thread t1(work, RGB(200, 0, 0), &a);
  std::thread t2(work, RGB(0, 0, 200), &b);
  t1.join();
  t2.join();
  EXPECT_GT(a, 20);
  EXPECT_EQ(a, b);  // the same text in the same font inks the same number of pixels
}

}  // namespace
