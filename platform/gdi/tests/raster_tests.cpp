#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gdi/tests/gdi_test_util.h"

namespace {

TEST(Raster, RopsCombineSourceAndDestinationBitwise) {
  Canvas dst(4, 1, RGB(0xF0, 0x0F, 0x55));
  Canvas src(4, 1, RGB(0x3C, 0x3C, 0xFF));
  BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, SRCCOPY);
  BitBlt(dst.dc, 1, 0, 1, 1, src.dc, 0, 0, SRCAND);
  BitBlt(dst.dc, 2, 0, 1, 1, src.dc, 0, 0, SRCPAINT);
  BitBlt(dst.dc, 3, 0, 1, 1, src.dc, 0, 0, SRCINVERT);
  EXPECT_EQ(RGB(0x3C, 0x3C, 0xFF), dst.At(0, 0));
  EXPECT_EQ(RGB(0x30, 0x0C, 0x55), dst.At(1, 0));
  EXPECT_EQ(RGB(0xFC, 0x3F, 0xFF), dst.At(2, 0));
  EXPECT_EQ(RGB(0xCC, 0x33, 0xAA), dst.At(3, 0));
  // Pattern and destination-only operations.
  SelectObject(dst.dc, GetStockObject(BLACK_BRUSH));
  PatBlt(dst.dc, 0, 0, 1, 1, DSTINVERT);
  EXPECT_EQ(RGB(0xC3, 0xC3, 0x00), dst.At(0, 0));
  PatBlt(dst.dc, 1, 0, 1, 1, WHITENESS);
  EXPECT_EQ(RGB(255, 255, 255), dst.At(1, 0));
  PatBlt(dst.dc, 2, 0, 1, 1, PATCOPY);
  EXPECT_EQ(RGB(0, 0, 0), dst.At(2, 0));
  SelectObject(dst.dc, GetStockObject(WHITE_BRUSH));
}

TEST(Raster, MonochromeConversionsUseTextAndBackgroundColours) {
  Canvas colour(4, 1, RGB(10, 20, 30));
  SetPixel(colour.dc, 1, 0, RGB(200, 0, 0));
  HDC mono = CreateCompatibleDC(nullptr);
  HBITMAP mbmp = CreateBitmap(4, 1, 1, 1, nullptr);
  HGDIOBJ old = SelectObject(mono, mbmp);
  // Colour to mono: pixels of the source's background colour become white.
  SetBkColor(colour.dc, RGB(10, 20, 30));
  BitBlt(mono, 0, 0, 4, 1, colour.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(RGB(255, 255, 255), GetPixel(mono, 0, 0));
  EXPECT_EQ(RGB(0, 0, 0), GetPixel(mono, 1, 0));
  // Mono to colour: 0 takes the destination's text colour, 1 its background colour.
  Canvas out(4, 1);
  SetTextColor(out.dc, RGB(1, 2, 3));
  SetBkColor(out.dc, RGB(250, 240, 230));
  BitBlt(out.dc, 0, 0, 4, 1, mono, 0, 0, SRCCOPY);
  EXPECT_EQ(RGB(250, 240, 230), out.At(0, 0));
  EXPECT_EQ(RGB(1, 2, 3), out.At(1, 0));
  // A new memory DC's compatible bitmap is monochrome, as in Win32.
  HBITMAP compat = CreateCompatibleBitmap(mono, 8, 8);
  BITMAP bm;
  ASSERT_EQ(static_cast<int>(sizeof(BITMAP)), GetObject(compat, sizeof(bm), &bm));
  EXPECT_EQ(1, bm.bmBitsPixel);
  HBITMAP colourCompat = CreateCompatibleBitmap(out.dc, 8, 8);
  GetObject(colourCompat, sizeof(bm), &bm);
  EXPECT_EQ(32, bm.bmBitsPixel);
  SelectObject(mono, old);
  DeleteObject(mbmp);
  DeleteObject(compat);
  DeleteObject(colourCompat);
  DeleteDC(mono);
}

TEST(Raster, MaskAndImageBlitsMakeATransparentSprite) {
  // The classic two-pass sprite: AND the mask, then OR/XOR the image.
  Canvas dst(2, 1, RGB(0, 128, 0));
  HDC m = CreateCompatibleDC(nullptr);
  uint8_t maskBits[2] = {0x40, 0};  // pixel 0 black (draw), pixel 1 white (keep)
  HBITMAP mask = CreateBitmap(2, 1, 1, 1, maskBits);
  HGDIOBJ old = SelectObject(m, mask);
  SetTextColor(dst.dc, RGB(0, 0, 0));
  SetBkColor(dst.dc, RGB(255, 255, 255));
  BitBlt(dst.dc, 0, 0, 2, 1, m, 0, 0, SRCAND);
  Canvas img(2, 1, RGB(0, 0, 0));
  SetPixel(img.dc, 0, 0, RGB(255, 0, 255));
  BitBlt(dst.dc, 0, 0, 2, 1, img.dc, 0, 0, SRCPAINT);
  EXPECT_EQ(RGB(255, 0, 255), dst.At(0, 0));
  EXPECT_EQ(RGB(0, 128, 0), dst.At(1, 0));
  SelectObject(m, old);
  DeleteObject(mask);
  DeleteDC(m);
}

TEST(Raster, DibSectionRowsFollowTheHeaderOrientation) {
  HDC dc = CreateCompatibleDC(nullptr);
  for (int sign : {1, -1}) {
    BITMAPINFO bi{};
    bi.bmiHeader.biWidth = 3;
    bi.bmiHeader.biHeight = 2 * sign;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP b = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(nullptr, b);
    ASSERT_NE(nullptr, bits);
    HGDIOBJ old = SelectObject(dc, b);
    SetPixel(dc, 2, 0, RGB(1, 2, 3));  // top row, right
    auto* bytes = static_cast<uint8_t*>(bits);
    int stride = 12;                        // 9 bytes padded to 4
    int row = sign > 0 ? 1 : 0;             // bottom-up keeps the top row last
    EXPECT_EQ(3, bytes[row * stride + 6]);  // blue first
    EXPECT_EQ(2, bytes[row * stride + 7]);
    EXPECT_EQ(1, bytes[row * stride + 8]);
    DIBSECTION ds;
    ASSERT_EQ(static_cast<int>(sizeof(DIBSECTION)), GetObject(b, sizeof(ds), &ds));
    EXPECT_EQ(bits, ds.dsBm.bmBits);
    EXPECT_EQ(stride, ds.dsBm.bmWidthBytes);
    SelectObject(dc, old);
    DeleteObject(b);
  }
  DeleteDC(dc);
}

TEST(Raster, DibTransfersRoundTripInBothRowOrders) {
  Canvas c(4, 3);
  SetPixel(c.dc, 0, 0, RGB(10, 20, 30));
  SetPixel(c.dc, 3, 2, RGB(40, 50, 60));
  HBITMAP bmp = CreateCompatibleBitmap(c.dc, 4, 3);
  HDC m = CreateCompatibleDC(c.dc);
  HGDIOBJ old = SelectObject(m, bmp);
  BitBlt(m, 0, 0, 4, 3, c.dc, 0, 0, SRCCOPY);
  SelectObject(m, old);
  BITMAPINFO bi{};
  ASSERT_EQ(1, GetDIBits(c.dc, bmp, 0, 3, nullptr, &bi, DIB_RGB_COLORS));
  EXPECT_EQ(4, bi.bmiHeader.biWidth);
  EXPECT_EQ(3, bi.bmiHeader.biHeight);
  bi.bmiHeader.biBitCount = 24;
  std::vector<uint8_t> bits(12 * 3);
  ASSERT_EQ(3, GetDIBits(c.dc, bmp, 0, 3, bits.data(), &bi, DIB_RGB_COLORS));
  EXPECT_EQ(30, bits[2 * 12 + 0]);  // bottom-up: the top row is the last scan line
  EXPECT_EQ(60, bits[0 * 12 + 9]);
  Canvas out(4, 3, RGB(0, 0, 0));
  EXPECT_EQ(3, SetDIBitsToDevice(out.dc, 0, 0, 4, 3, 0, 0, 0, 3, bits.data(), &bi, DIB_RGB_COLORS));
  EXPECT_EQ(RGB(10, 20, 30), out.At(0, 0));
  EXPECT_EQ(RGB(40, 50, 60), out.At(3, 2));
  // Stretching the 4x3 picture to 8x6 doubles every pixel; a negative width mirrors it.
  Canvas big(8, 6, RGB(0, 0, 0));
  StretchDIBits(big.dc, 0, 0, 8, 6, 0, 0, 4, 3, bits.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(RGB(10, 20, 30), big.At(1, 1));
  EXPECT_EQ(RGB(40, 50, 60), big.At(7, 5));
  StretchDIBits(big.dc, 7, 0, -8, 6, 0, 0, 4, 3, bits.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(RGB(10, 20, 30), big.At(7, 0));
  DeleteObject(bmp);
  DeleteDC(m);
}

TEST(Raster, StretchAndTransparentBltScaleAndSkipTheKeyColour) {
  Canvas src(2, 2, RGB(255, 0, 0));
  SetPixel(src.dc, 1, 1, RGB(0, 0, 255));
  Canvas dst(8, 8, RGB(0, 255, 0));
  StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(RGB(255, 0, 0), dst.At(1, 1));
  EXPECT_EQ(RGB(0, 0, 255), dst.At(3, 3));
  EXPECT_EQ(RGB(0, 255, 0), dst.At(4, 4));
  TransparentBlt(dst.dc, 4, 4, 4, 4, src.dc, 0, 0, 2, 2, RGB(255, 0, 0));
  EXPECT_EQ(RGB(0, 255, 0), dst.At(4, 4));
  EXPECT_EQ(RGB(0, 0, 255), dst.At(7, 7));
  // HALFTONE averages what it shrinks.
  Canvas stripes(2, 1, RGB(0, 0, 0));
  SetPixel(stripes.dc, 1, 0, RGB(200, 100, 50));
  SetStretchBltMode(dst.dc, HALFTONE);
  StretchBlt(dst.dc, 0, 0, 1, 1, stripes.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(RGB(100, 50, 25), dst.At(0, 0));
}

TEST(Raster, OverlappingBlitWithinOneBitmapReadsTheOldPixels) {
  Canvas c(5, 1);
  for (int x = 0; x < 5; ++x) SetPixel(c.dc, x, 0, RGB(x * 10, 0, 0));
  BitBlt(c.dc, 1, 0, 4, 1, c.dc, 0, 0, SRCCOPY);
  for (int x = 1; x < 5; ++x) EXPECT_EQ(RGB((x - 1) * 10, 0, 0), c.At(x, 0));
}

TEST(Raster, BrushesFillPatternsAndSystemColours) {
  Canvas c(16, 16);
  RECT r{0, 0, 16, 16};
  FillRect(c.dc, &r, reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1)));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), c.At(8, 8));
  // A 2x2 checker as a DIB pattern brush tiles from the origin.
  std::vector<uint8_t> packed(sizeof(BITMAPINFOHEADER) + 2 * 8);
  BITMAPINFOHEADER h;
  h.biWidth = 2;
  h.biHeight = -2;
  h.biBitCount = 32;
  std::memcpy(packed.data(), &h, sizeof(h));
  uint32_t px[4] = {0x000000, 0xFFFFFF, 0xFFFFFF, 0x000000};
  std::memcpy(packed.data() + sizeof(h), px, sizeof(px));
  HBRUSH checker = CreateDIBPatternBrushPt(packed.data(), DIB_RGB_COLORS);
  ASSERT_NE(nullptr, checker);
  FillRect(c.dc, &r, checker);
  EXPECT_EQ(RGB(0, 0, 0), c.At(4, 4));
  EXPECT_EQ(RGB(255, 255, 255), c.At(5, 4));
  EXPECT_EQ(RGB(0, 0, 0), c.At(5, 5));
  DeleteObject(checker);
  // NULL_BRUSH leaves the inside alone.
  SelectObject(c.dc, GetStockObject(NULL_BRUSH));
  Rectangle(c.dc, 2, 2, 14, 14);
  EXPECT_EQ(RGB(0, 0, 0), c.At(2, 2));
  EXPECT_EQ(RGB(0, 0, 0), c.At(13, 13));
  EXPECT_EQ(RGB(255, 255, 255), c.At(7, 6));
}

TEST(Raster, ShapesAndLinesKeepWin32EdgeRules) {
  Canvas c(20, 20);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HGDIOBJ oldBrush = SelectObject(c.dc, red);
  Rectangle(c.dc, 2, 2, 10, 10);
  EXPECT_EQ(RGB(0, 0, 0), c.At(2, 2));  // pen border
  EXPECT_EQ(RGB(0, 0, 0), c.At(9, 9));  // last pixel inside the right/bottom edge
  EXPECT_EQ(RGB(255, 255, 255), c.At(10, 10));
  EXPECT_EQ(RGB(255, 0, 0), c.At(5, 5));
  MoveToEx(c.dc, 0, 15, nullptr);
  LineTo(c.dc, 10, 15);
  EXPECT_EQ(RGB(0, 0, 0), c.At(9, 15));
  EXPECT_EQ(RGB(255, 255, 255), c.At(10, 15));  // the end point is not drawn
  POINT pos;
  GetCurrentPositionEx(c.dc, &pos);
  EXPECT_EQ(10, pos.x);
  Ellipse(c.dc, 10, 0, 20, 10);
  EXPECT_EQ(RGB(255, 0, 0), c.At(15, 5));
  EXPECT_EQ(RGB(255, 255, 255), c.At(10, 0));
  // XOR pen draws and undraws.
  SetROP2(c.dc, R2_XORPEN);
  HPEN white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  HGDIOBJ oldPen = SelectObject(c.dc, white);
  MoveToEx(c.dc, 0, 18, nullptr);
  LineTo(c.dc, 5, 18);
  EXPECT_EQ(RGB(0, 0, 0), c.At(2, 18));
  MoveToEx(c.dc, 0, 18, nullptr);
  LineTo(c.dc, 5, 18);
  EXPECT_EQ(RGB(255, 255, 255), c.At(2, 18));
  SelectObject(c.dc, oldPen);
  SelectObject(c.dc, oldBrush);
  DeleteObject(white);
  DeleteObject(red);
}

TEST(Raster, FramesEdgesAndFocusRectangles) {
  Canvas c(20, 20);
  RECT r{2, 2, 12, 12};
  FrameRect(c.dc, &r, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(RGB(0, 0, 0), c.At(11, 5));
  EXPECT_EQ(RGB(255, 255, 255), c.At(10, 5));
  CDC dc;
  dc.Attach(c.dc);
  RECT r2{0, 14, 6, 20};
  dc.Draw3dRect(&r2, RGB(255, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(RGB(255, 0, 0), c.At(0, 14));
  EXPECT_EQ(RGB(0, 0, 255), c.At(5, 19));
  EXPECT_EQ(RGB(0, 0, 255), c.At(5, 14));  // top-right corner belongs to the right side
  dc.Detach();
  RECT f{14, 14, 20, 20};
  DrawFocusRect(c.dc, &f);
  EXPECT_EQ(RGB(0, 0, 0), c.At(14, 14));
  EXPECT_EQ(RGB(255, 255, 255), c.At(15, 14));
  DrawFocusRect(c.dc, &f);
  EXPECT_EQ(RGB(255, 255, 255), c.At(14, 14));
  RECT e{0, 0, 10, 10};
  DrawEdge(c.dc, &e, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  EXPECT_EQ(GetSysColor(COLOR_3DSHADOW), c.At(0, 5));
  EXPECT_EQ(GetSysColor(COLOR_3DHILIGHT), c.At(9, 5));
  EXPECT_EQ(2, e.left);
  EXPECT_EQ(8, e.right);
}

TEST(Raster, ViewportOriginMovesDrawing) {
  Canvas c(10, 10);
  SetViewportOrgEx(c.dc, 3, 4, nullptr);
  SetPixel(c.dc, 0, 0, RGB(9, 9, 9));
  EXPECT_EQ(RGB(9, 9, 9), GetPixel(c.dc, 0, 0));
  SetViewportOrgEx(c.dc, 0, 0, nullptr);
  EXPECT_EQ(RGB(9, 9, 9), c.At(3, 4));
}

TEST(Raster, IconsDrawThroughTheirMaskAndImageLists) {
  Canvas c(40, 20, RGB(0, 0, 255));
  uint8_t maskBits[4 * 2] = {0x3F, 0, 0x3F, 0, 0xFF, 0, 0xFF, 0};  // 2x... rows word aligned
  HBITMAP mask = CreateBitmap(4, 4, 1, 1, maskBits);
  HBITMAP colour = CreateBitmap(4, 4, 1, 32, nullptr);
  HDC m = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(m, colour);
  RECT all{0, 0, 4, 4};
  HBRUSH yellow = CreateSolidBrush(RGB(255, 255, 0));
  FillRect(m, &all, yellow);
  SelectObject(m, old);
  ICONINFO ii;
  ii.hbmMask = mask;
  ii.hbmColor = colour;
  HICON icon = CreateIconIndirect(&ii);
  ASSERT_NE(nullptr, icon);
  DrawIconEx(c.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
  EXPECT_EQ(RGB(255, 255, 0) ^ 0, c.At(0, 0) & 0xFFFFFF);                     // mask 0: image shows
  EXPECT_EQ(RGB(0, 0, 0) | (RGB(0, 0, 255) ^ RGB(255, 255, 0)), c.At(2, 0));  // mask 1: XOR
  EXPECT_EQ(RGB(0, 0, 255), c.At(8, 8));
  // Image list with a key colour.
  HIMAGELIST list = ImageList_Create(4, 4, ILC_COLOR32 | ILC_MASK, 1, 1);
  EXPECT_EQ(0, ImageList_AddMasked(list, colour, RGB(0, 0, 0)));
  EXPECT_EQ(1, ImageList_GetImageCount(list));
  ImageList_Draw(list, 0, c.dc, 20, 0, ILD_TRANSPARENT);
  EXPECT_EQ(RGB(255, 255, 0), c.At(21, 1));
  EXPECT_EQ(RGB(0, 0, 255), c.At(24, 1));
  EXPECT_FALSE(ImageList_Draw(list, 5, c.dc, 0, 0, ILD_NORMAL));
  ImageList_Destroy(list);
  DestroyIcon(icon);
  DeleteObject(mask);
  DeleteObject(colour);
  DeleteObject(yellow);
  DeleteDC(m);
}

}  // namespace

// A HALFTONE shrink of a DIB gives the same means as one from a bitmap holding its pixels.
struct ShrinkCase {
  int bits;
  bool topDown;
  RECT source;  // left, top (from the picture's top), width, height
};

void ExpectShrinksAlike(int w, int h, const ShrinkCase& c, int dw, int dh) {
  SCOPED_TRACE(testing::Message() << w << "x" << h << " to " << dw << "x" << dh << ", " << c.bits << " bits, top-down "
                                  << c.topDown << ", from " << c.source.left);
  Canvas picture(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) SetPixel(picture.dc, x, y, RGB((x * 7 + y) & 0xFF, (y * 11) & 0xFF, (x * y) & 0xFF));
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = c.topDown ? -h : h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = static_cast<WORD>(c.bits);
  std::vector<uint8_t> bits(static_cast<size_t>((w * c.bits + 31) / 32 * 4 * h));
  ASSERT_EQ(h, GetDIBits(picture.dc, picture.bmp, 0, static_cast<UINT>(h), bits.data(), &bi, DIB_RGB_COLORS));
  Canvas viaDib(dw, dh, RGB(1, 2, 3)), viaBitmap(dw, dh, RGB(1, 2, 3));
  for (HDC dc : {viaDib.dc, viaBitmap.dc}) {
    SetStretchBltMode(dc, HALFTONE);
    HRGN clip = CreateRectRgn(1, 0, dw, dh);
    SelectClipRgn(dc, clip);
    DeleteObject(clip);
  }
  const RECT& s = c.source;
  // StretchDIBits counts a bottom-up DIB's rows from its bottom.
  const int dibY = c.topDown ? s.top : h - s.top - s.bottom;
  StretchDIBits(viaDib.dc, 0, 0, dw, dh, s.left, dibY, s.right, s.bottom, bits.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
  StretchBlt(viaBitmap.dc, 0, 0, dw, dh, picture.dc, s.left, s.top, s.right, s.bottom, SRCCOPY);
  for (HDC dc : {viaDib.dc, viaBitmap.dc}) SelectClipRgn(dc, nullptr);
  for (int y = 0; y < dh; ++y)
    for (int x = 0; x < dw; ++x) ASSERT_EQ(viaBitmap.At(x, y), viaDib.At(x, y)) << x << "," << y;
  EXPECT_NE(RGB(1, 2, 3), viaDib.At(dw / 2, dh / 2));
  EXPECT_EQ(RGB(1, 2, 3), viaDib.At(0, 0));  // outside the clip
}

// 24 and 32 bits, either row order, a source rectangle reaching past the picture, a clipped
// target, and bands of rows too tall for narrow sums.
TEST(Raster, HalftoneShrinkOfADibMatchesTheBitmapShrink) {
  const ShrinkCase cases[] = {{24, false, {0, 0, 37, 23}},
                              {32, true, {0, 0, 37, 23}},
                              {24, true, {3, 2, 30, 19}},
                              {32, false, {5, 4, 29, 17}},
                              {24, false, {-4, 6, 40, 20}}};
  for (const ShrinkCase& c : cases) ExpectShrinksAlike(37, 23, c, 12, 9);
  ExpectShrinksAlike(21, 600, {24, false, {0, 0, 21, 600}}, 4, 2);
  ExpectShrinksAlike(21, 600, {32, true, {1, 0, 20, 599}}, 3, 2);
}
