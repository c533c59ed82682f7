#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gdi/tests/gdi_test_util.h"

namespace {

TEST(Shapes, PolygonsRoundRectsAndHatchesFillTheirInside) {
  Canvas c(40, 40);
  HBRUSH green = CreateSolidBrush(RGB(0, 160, 0));
  HGDIOBJ ob = SelectObject(c.dc, green);
  POINT tri[3] = {{0, 0}, {20, 0}, {0, 20}};
  Polygon(c.dc, tri, 3);
  EXPECT_EQ(RGB(0, 160, 0), c.At(4, 4));
  EXPECT_EQ(RGB(255, 255, 255), c.At(15, 15));
  EXPECT_EQ(RGB(0, 0, 0), c.At(10, 0));  // the outline
  RoundRect(c.dc, 20, 20, 40, 40, 10, 10);
  EXPECT_EQ(RGB(0, 160, 0), c.At(30, 30));
  EXPECT_EQ(RGB(255, 255, 255), c.At(20, 20));  // the rounded corner is outside
  POINT line[3] = {{0, 30}, {10, 30}, {10, 39}};
  Polyline(c.dc, line, 3);
  EXPECT_EQ(RGB(0, 0, 0), c.At(5, 30));
  EXPECT_EQ(RGB(0, 0, 0), c.At(10, 35));
  SelectObject(c.dc, ob);
  DeleteObject(green);
  // A hatch draws its lines in the brush colour over the background colour.
  Canvas h(8, 8);
  HBRUSH hatch = CreateHatchBrush(HS_HORIZONTAL, RGB(255, 0, 0));
  SetBkColor(h.dc, RGB(0, 0, 255));
  RECT all{0, 0, 8, 8};
  FillRect(h.dc, &all, hatch);
  EXPECT_EQ(RGB(255, 0, 0), h.At(3, 4));
  EXPECT_EQ(RGB(0, 0, 255), h.At(3, 3));
  DeleteObject(hatch);
  EXPECT_EQ(nullptr, CreateHatchBrush(42, 0));
}

TEST(Shapes, MonochromePatternBrushesTakeTheDcColours) {
  uint8_t bits[2 * 2] = {0x80, 0, 0x40, 0};  // 2x2: diagonal of ones
  HBITMAP mono = CreateBitmap(2, 2, 1, 1, bits);
  HBRUSH pattern = CreatePatternBrush(mono);
  DeleteObject(mono);  // the brush keeps its own copy
  Canvas c(4, 4);
  SetTextColor(c.dc, RGB(10, 10, 10));
  SetBkColor(c.dc, RGB(250, 250, 250));
  RECT all{0, 0, 4, 4};
  FillRect(c.dc, &all, pattern);
  EXPECT_EQ(RGB(250, 250, 250), c.At(0, 0));
  EXPECT_EQ(RGB(10, 10, 10), c.At(1, 0));
  EXPECT_EQ(RGB(250, 250, 250), c.At(3, 3));
  LOGBRUSH lb;
  ASSERT_EQ(static_cast<int>(sizeof(lb)), GetObject(pattern, sizeof(lb), &lb));
  EXPECT_EQ(BS_PATTERN, lb.lbStyle);
  DeleteObject(pattern);
}

TEST(Shapes, WidePensAndNullPensFollowTheirStyle) {
  Canvas c(20, 20);
  HPEN wide = CreatePen(PS_SOLID, 3, RGB(0, 0, 255));
  HGDIOBJ op = SelectObject(c.dc, wide);
  MoveToEx(c.dc, 2, 10, nullptr);
  LineTo(c.dc, 18, 10);
  EXPECT_EQ(RGB(0, 0, 255), c.At(10, 9));
  EXPECT_EQ(RGB(0, 0, 255), c.At(10, 11));
  EXPECT_EQ(RGB(255, 255, 255), c.At(10, 13));
  LOGPEN lp;
  GetObject(wide, sizeof(lp), &lp);
  EXPECT_EQ(3, lp.lopnWidth.x);
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  SelectObject(c.dc, GetStockObject(BLACK_BRUSH));
  Rectangle(c.dc, 0, 0, 5, 5);  // without a pen the fill stops one short
  EXPECT_EQ(RGB(0, 0, 0), c.At(3, 3));
  EXPECT_EQ(RGB(255, 255, 255), c.At(4, 4));
  SelectObject(c.dc, op);
  DeleteObject(wide);
  EXPECT_EQ(nullptr, CreatePen(7, 1, 0));  // user styles need ExtCreatePen
}

TEST(DeviceContexts, SavedStatesNestAndCoordinatesMapBothWays) {
  Canvas c(10, 10);
  SetTextColor(c.dc, RGB(1, 1, 1));
  int first = SaveDC(c.dc);
  SetTextColor(c.dc, RGB(2, 2, 2));
  SaveDC(c.dc);
  SetTextColor(c.dc, RGB(3, 3, 3));
  EXPECT_TRUE(RestoreDC(c.dc, -1));
  EXPECT_EQ(RGB(2, 2, 2), GetTextColor(c.dc));
  EXPECT_TRUE(RestoreDC(c.dc, first));
  EXPECT_EQ(RGB(1, 1, 1), GetTextColor(c.dc));
  EXPECT_FALSE(RestoreDC(c.dc, first));  // already gone
  SetWindowOrgEx(c.dc, 5, 5, nullptr);
  SetViewportOrgEx(c.dc, 1, 1, nullptr);
  POINT p{5, 5};
  LPtoDP(c.dc, &p, 1);
  EXPECT_EQ(1, p.x);
  DPtoLP(c.dc, &p, 1);
  EXPECT_EQ(5, p.x);
  SetPixel(c.dc, 5, 5, RGB(9, 9, 9));
  SetWindowOrgEx(c.dc, 0, 0, nullptr);
  SetViewportOrgEx(c.dc, 0, 0, nullptr);
  EXPECT_EQ(RGB(9, 9, 9), c.At(1, 1));
  EXPECT_EQ(10, GetDeviceCaps(c.dc, HORZRES));
  EXPECT_EQ(32, GetDeviceCaps(c.dc, BITSPIXEL));
  EXPECT_EQ(96, GetDeviceCaps(c.dc, LOGPIXELSY));
  EXPECT_EQ(OBJ_BITMAP, GetObjectType(GetCurrentObject(c.dc, OBJ_BITMAP)));
  EXPECT_EQ(GetStockObject(WHITE_BRUSH), GetCurrentObject(c.dc, OBJ_BRUSH));
}

TEST(DeviceContexts, ClipQueriesMatchWhatIsDrawn) {
  Canvas c(20, 20);
  EXPECT_EQ(0, GetClipRgn(c.dc, CreateRectRgn(0, 0, 0, 0)) + 0);
  IntersectClipRect(c.dc, 5, 5, 15, 15);
  HRGN got = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(1, GetClipRgn(c.dc, got));
  RECT box;
  GetRgnBox(got, &box);
  EXPECT_EQ(5, box.left);
  EXPECT_EQ(15, box.bottom);
  EXPECT_TRUE(PtVisible(c.dc, 5, 5));
  EXPECT_FALSE(PtVisible(c.dc, 4, 5));
  RECT inside{0, 0, 6, 6}, outside{0, 0, 5, 5};
  EXPECT_TRUE(RectVisible(c.dc, &inside));
  EXPECT_FALSE(RectVisible(c.dc, &outside));
  OffsetClipRgn(c.dc, 5, 5);
  EXPECT_TRUE(PtVisible(c.dc, 19, 19));
  SelectClipRgn(c.dc, nullptr);
  EXPECT_TRUE(PtVisible(c.dc, 0, 0));
  DeleteObject(got);
  // A leak of the region created inline above would show here.
}

TEST(BitmapsMore, BitsRoundTripAndDibBitmapsTakeTheirPixels) {
  uint32_t px[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF};
  HBITMAP b = CreateBitmap(2, 2, 1, 32, px);
  uint32_t out[4] = {};
  EXPECT_EQ(16, GetBitmapBits(b, sizeof(out), out));
  EXPECT_EQ(0x00FF0000u, out[0]);
  uint32_t next[4] = {1, 2, 3, 4};
  EXPECT_EQ(16, SetBitmapBits(b, sizeof(next), next));
  GetBitmapBits(b, sizeof(out), out);
  EXPECT_EQ(4u, out[3]);
  DeleteObject(b);
  // A 24-bit bottom-up DIB made into a device bitmap.
  BITMAPINFO bi{};
  bi.bmiHeader.biWidth = 1;
  bi.bmiHeader.biHeight = 2;
  bi.bmiHeader.biBitCount = 24;
  uint8_t bits[8] = {0, 0, 255, 0, 255, 0, 0, 0};  // bottom red, top blue... as BGR rows of 4 bytes
  Canvas c(2, 2);
  HBITMAP ddb = CreateDIBitmap(c.dc, &bi.bmiHeader, CBM_INIT, bits, &bi, DIB_RGB_COLORS);
  ASSERT_NE(nullptr, ddb);
  HDC m = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(m, ddb);
  EXPECT_EQ(RGB(255, 0, 0), GetPixel(m, 0, 1));
  EXPECT_EQ(RGB(0, 0, 255), GetPixel(m, 0, 0));
  SelectObject(m, old);
  DeleteDC(m);
  // SetDIBits writes into an existing bitmap.
  uint8_t green[8] = {0, 255, 0, 0, 0, 255, 0, 0};
  EXPECT_EQ(2, SetDIBits(c.dc, ddb, 0, 2, green, &bi, DIB_RGB_COLORS));
  m = CreateCompatibleDC(nullptr);
  old = SelectObject(m, ddb);
  EXPECT_EQ(RGB(0, 255, 0), GetPixel(m, 0, 0));
  SelectObject(m, old);
  DeleteDC(m);
  DeleteObject(ddb);
}

TEST(BitmapsMore, AlphaBlendMixesByConstantAndPerPixelAlpha) {
  Canvas dst(2, 1, RGB(0, 0, 0));
  Canvas src(2, 1, RGB(200, 100, 50));
  BLENDFUNCTION half{AC_SRC_OVER, 0, 128, 0};
  EXPECT_TRUE(AlphaBlend(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 1, 1, half));
  EXPECT_EQ(RGB(100, 50, 25), dst.At(0, 0));
  BLENDFUNCTION bad{1, 0, 255, 0};
  EXPECT_FALSE(AlphaBlend(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 1, 1, bad));
  EXPECT_FALSE(AlphaBlend(dst.dc, 0, 0, 1, 1, src.dc, 5, 0, 1, 1, half));  // outside the source
}

TEST(Icons, MaskAndImageIconsCopyAndDrawDisabled) {
  // A monochrome cursor-style icon: AND mask on top of XOR mask.
  uint8_t bits[2 * 4] = {0x00, 0, 0xC0, 0, 0xC0, 0, 0xC0, 0};  // 2x4 mono, rows word aligned
  HBITMAP mask = CreateBitmap(2, 4, 1, 1, bits);
  ICONINFO ii;
  ii.hbmMask = mask;
  HICON mono = CreateIconIndirect(&ii);
  ASSERT_NE(nullptr, mono);
  Canvas c(4, 4, RGB(0, 0, 255));
  DrawIcon(c.dc, 0, 0, mono);
  EXPECT_EQ(RGB(255, 255, 255), c.At(0, 0));  // AND 0, XOR 1: white
  EXPECT_EQ(RGB(255, 255, 0), c.At(0, 1));    // AND 1, XOR 1: inverted
  ICONINFO back;
  ASSERT_TRUE(GetIconInfo(mono, &back));
  EXPECT_EQ(nullptr, back.hbmColor);
  DeleteObject(back.hbmMask);
  HICON copy = CopyIcon(mono);
  EXPECT_NE(nullptr, copy);
  EXPECT_TRUE(DestroyIcon(copy));
  EXPECT_FALSE(DestroyIcon(copy));
  DestroyIcon(mono);
  DeleteObject(mask);
  // Stock icons are shared and survive DestroyIcon.
  HICON app = LoadIcon(nullptr, IDI_APPLICATION);
  ASSERT_NE(nullptr, app);
  EXPECT_TRUE(DestroyIcon(app));
  Canvas d(40, 40, GetSysColor(COLOR_BTNFACE));
  EXPECT_TRUE(DrawState(d.dc, nullptr, nullptr, reinterpret_cast<LPARAM>(app), 0, 0, 0, 0, 0, DST_ICON | DSS_DISABLED));
  EXPECT_GT(d.Count({0, 0, 40, 40}, GetSysColor(COLOR_3DSHADOW)), 100);
  EXPECT_GT(d.Count({0, 0, 40, 40}, GetSysColor(COLOR_3DHILIGHT)), 0);
}

TEST(Icons, ImageListsReplaceRemoveAndGiveIcons) {
  HIMAGELIST list = ImageList_Create(4, 4, ILC_COLOR32 | ILC_MASK, 1, 1);
  Canvas strip(8, 4, RGB(255, 0, 0));
  SetPixel(strip.dc, 5, 1, RGB(0, 255, 0));
  HBITMAP bmp = platform::gdi::GetTargetBitmap(strip.dc);
  EXPECT_EQ(0, ImageList_Add(list, bmp, nullptr));  // two images from an 8-wide strip
  EXPECT_EQ(2, ImageList_GetImageCount(list));
  Canvas other(4, 4, RGB(0, 0, 255));
  EXPECT_TRUE(ImageList_Replace(list, 0, platform::gdi::GetTargetBitmap(other.dc), nullptr));
  Canvas out(8, 4, RGB(0, 0, 0));
  ImageList_Draw(list, 0, out.dc, 0, 0, ILD_NORMAL);
  ImageList_Draw(list, 1, out.dc, 4, 0, ILD_NORMAL);
  EXPECT_EQ(RGB(0, 0, 255), out.At(1, 1));
  EXPECT_EQ(RGB(0, 255, 0), out.At(5, 1));
  HICON icon = ImageList_GetIcon(list, 1, 0);
  ASSERT_NE(nullptr, icon);
  EXPECT_EQ(2, ImageList_AddIcon(list, icon));
  DestroyIcon(icon);
  EXPECT_TRUE(ImageList_Remove(list, 0));
  EXPECT_EQ(2, ImageList_GetImageCount(list));
  EXPECT_FALSE(ImageList_Remove(list, 9));
  EXPECT_TRUE(ImageList_Remove(list, -1));
  EXPECT_EQ(0, ImageList_GetImageCount(list));
  EXPECT_TRUE(ImageList_Destroy(list));
  EXPECT_FALSE(ImageList_Destroy(list));
  EXPECT_EQ(-1, ImageList_Add(list, bmp, nullptr));
}

TEST(Wrappers, GdiWrappersOwnTheirHandlesAndLeakNothing) {
  size_t before = platform::gdi::LiveObjectCount();
  {
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    CBitmap bmp;
    ASSERT_TRUE(bmp.CreateBitmap(10, 10, 1, 32, nullptr));
    CBitmap* old = dc.SelectObject(&bmp);
    ASSERT_NE(nullptr, old);
    CBrush brush(RGB(1, 2, 3));
    CPen pen(PS_SOLID, 1, RGB(4, 5, 6));
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(90, "Arial"));
    LOGFONT lf;
    font.GetLogFont(&lf);
    EXPECT_EQ(-12, lf.lfHeight);
    CBrush* oldBrush = dc.SelectObject(&brush);
    CPen* oldPen = dc.SelectObject(&pen);
    CFont* oldFont = dc.SelectObject(&font);
    dc.Rectangle(0, 0, 10, 10);
    EXPECT_EQ(RGB(4, 5, 6), dc.GetPixel(0, 0));
    EXPECT_EQ(RGB(1, 2, 3), dc.GetPixel(5, 5));
    dc.FillSolidRect(1, 1, 2, 2, RGB(7, 7, 7));
    EXPECT_EQ(RGB(7, 7, 7), dc.GetPixel(2, 2));
    SIZE ext = dc.GetTextExtent("Wide");
    EXPECT_GT(ext.cx, 0);
    CRgn a, b;
    a.CreateRectRgn(0, 0, 5, 5);
    b.CreateEllipticRgn(0, 0, 10, 10);
    EXPECT_EQ(COMPLEXREGION, a.CombineRgn(&a, &b, RGN_OR));
    EXPECT_TRUE(a.PtInRegion(5, 5));
    CRgn copy;
    copy.CreateRectRgn(0, 0, 0, 0);
    copy.CopyRgn(&a);
    EXPECT_TRUE(EqualRgn(copy, a));
    dc.SelectObject(oldFont);
    dc.SelectObject(oldPen);
    dc.SelectObject(oldBrush);
    dc.SelectObject(old);
  }
  EXPECT_EQ(before, platform::gdi::LiveObjectCount());
}

TEST(TextMore, AlignmentOpaqueRectanglesAndWidths) {
  Canvas c(200, 40);
  HFONT f = CreateFont(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  SelectObject(c.dc, f);
  SIZE ext;
  GetTextExtentPoint32(c.dc, "Burn", 4, &ext);
  int widths[4];
  ASSERT_TRUE(GetCharWidth32(c.dc, 'B', 'B', widths));
  int dx[4];
  int fit = 0;
  SIZE all;
  ASSERT_TRUE(GetTextExtentExPoint(c.dc, "Burn", 4, widths[0] + 1, &fit, dx, &all));
  EXPECT_EQ(1, fit);
  EXPECT_EQ(widths[0], dx[0]);
  EXPECT_EQ(ext.cx, dx[3]);
  // Right-aligned on the reference point, with the current position moved along.
  SetTextAlign(c.dc, TA_RIGHT | TA_TOP | TA_UPDATECP);
  MoveToEx(c.dc, 150, 5, nullptr);
  SetBkMode(c.dc, OPAQUE);
  SetBkColor(c.dc, RGB(0, 200, 0));
  TextOut(c.dc, 0, 0, "Burn", 4);
  EXPECT_EQ(RGB(0, 200, 0), c.At(150 - ext.cx, 6));
  EXPECT_EQ(RGB(255, 255, 255), c.At(151, 6));
  POINT pos;
  GetCurrentPositionEx(c.dc, &pos);
  EXPECT_EQ(150 - ext.cx, pos.x);
  SetTextAlign(c.dc, TA_LEFT | TA_TOP);
  // ExtTextOut fills its rectangle and clips to it.
  RECT r{10, 20, 30, 36};
  ExtTextOut(c.dc, 10, 20, ETO_OPAQUE | ETO_CLIPPED, &r, "WWWWWW", 6, nullptr);
  EXPECT_EQ(RGB(255, 255, 255), c.At(40, 25));
  EXPECT_FALSE(c.Count({10, 20, 30, 36}, RGB(0, 200, 0)) == 0 && c.Count({10, 20, 30, 36}, RGB(0, 0, 0)) == 0);
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST(TextMore, MultiLineDrawTextCentresEveryLineAndExpandsTabs) {
  Canvas c(200, 100);
  HFONT f = CreateFont(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  SelectObject(c.dc, f);
  RECT r{0, 0, 200, 100};
  TEXTMETRIC tm;
  GetTextMetrics(c.dc, &tm);
  EXPECT_EQ(2 * tm.tmHeight, DrawText(c.dc, "one\r\ntwo", -1, &r, DT_CENTER));
  RECT tab{0, 0, 0, 0}, plain{0, 0, 0, 0};
  DrawText(c.dc, "a\tb", -1, &tab, DT_CALCRECT | DT_EXPANDTABS | DT_SINGLELINE);
  DrawText(c.dc, "ab", -1, &plain, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_GE(tab.right - plain.right, 7 * tm.tmAveCharWidth);
  // Right alignment puts the ink against the right edge.
  Canvas d(100, 20);
  SelectObject(d.dc, f);
  SetBkMode(d.dc, TRANSPARENT);
  RECT box{0, 0, 100, 20};
  DrawText(d.dc, "End", -1, &box, DT_RIGHT | DT_SINGLELINE);
  EXPECT_EQ(0, d.Count({0, 0, 60, 20}, RGB(0, 0, 0)));
  EXPECT_GT(100 * 20 - d.Count({0, 0, 100, 20}, RGB(255, 255, 255)), 10);
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  SelectObject(d.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST(TextMore, UnderlinedFontsAndNonUtf8BytesStillDraw) {
  Canvas c(100, 30);
  HFONT f = CreateFont(-14, 0, 0, 0, FW_NORMAL, 0, TRUE, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  SelectObject(c.dc, f);
  SetBkMode(c.dc, TRANSPARENT);
  TextOut(c.dc, 2, 2, "ii", 2);
  TEXTMETRIC tm;
  GetTextMetrics(c.dc, &tm);
  EXPECT_TRUE(tm.tmUnderlined);
  bool line = false;
  for (int y = 2 + tm.tmAscent; y < 2 + tm.tmHeight + 1; ++y)
    line |= c.Count({2, y, 10, y + 1}, RGB(255, 255, 255)) < 4;
  EXPECT_TRUE(line);
  // A Latin-1 byte that is not UTF-8 measures as one character.
  SIZE one, eacute;
  GetTextExtentPoint32(c.dc, "e", 1, &one);
  EXPECT_TRUE(GetTextExtentPoint32(c.dc, "\xE9", 1, &eacute));
  EXPECT_GT(eacute.cx, 0);
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST(RegionsMore, RoundRectsSetRectAndRectTests) {
  HRGN r = CreateRoundRectRgn(0, 0, 40, 20, 10, 10);
  EXPECT_FALSE(PtInRegion(r, 0, 0));
  EXPECT_TRUE(PtInRegion(r, 20, 0));
  EXPECT_TRUE(PtInRegion(r, 0, 10));
  RECT hit{38, 0, 45, 1}, miss{41, 0, 45, 10};
  EXPECT_FALSE(RectInRegion(r, &hit) && PtInRegion(r, 39, 0));
  EXPECT_FALSE(RectInRegion(r, &miss));
  EXPECT_TRUE(SetRectRgn(r, 5, 5, 6, 6));
  EXPECT_TRUE(PtInRegion(r, 5, 5));
  EXPECT_FALSE(PtInRegion(r, 6, 5));
  EXPECT_EQ(SIMPLEREGION, GetRgnBox(r, &hit));
  DeleteObject(r);
  // Fill and frame on a DC with a window origin land at the mapped place.
  Canvas c(20, 20);
  SetViewportOrgEx(c.dc, 10, 10, nullptr);
  HRGN small = CreateRectRgn(0, 0, 2, 2);
  FillRgn(c.dc, small, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetViewportOrgEx(c.dc, 0, 0, nullptr);
  EXPECT_EQ(RGB(0, 0, 0), c.At(11, 11));
  EXPECT_EQ(RGB(255, 255, 255), c.At(9, 9));
  DeleteObject(small);
}

}  // namespace
