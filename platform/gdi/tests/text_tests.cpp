#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/gdi/tests/gdi_test_util.h"

namespace {

RECT InkBox(const Canvas& c, int w, int h, COLORREF ground) {
  RECT box{w, h, -1, -1};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (c.At(x, y) != ground) {
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
  return box;
}

TEST(Text, ArialResolvesToAMetricCompatibleFreeFace) {
  std::string file = platform::gdi::ResolveFontFile("Arial", FW_NORMAL, false);
  EXPECT_NE(std::string::npos, file.find("LiberationSans")) << file;
  EXPECT_NE(std::string::npos, platform::gdi::ResolveFontFile("Arial", FW_BOLD, false).find("Bold"));
}

TEST(Text, MetricsFollowTheRequestedHeight) {
  Canvas c(10, 10);
  HFONT cell = CreateFont(20, 0, 0, 0, 500, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  HFONT em = CreateFont(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  TEXTMETRIC tm;
  SelectObject(c.dc, cell);
  ASSERT_TRUE(GetTextMetrics(c.dc, &tm));
  EXPECT_NEAR(20, tm.tmHeight, 1);  // positive: cell height
  EXPECT_GT(tm.tmInternalLeading, 0);
  char face[LF_FACESIZE];
  GetTextFace(c.dc, LF_FACESIZE, face);
  EXPECT_STREQ("Liberation Sans", face);
  SelectObject(c.dc, em);
  GetTextMetrics(c.dc, &tm);
  EXPECT_EQ(20, tm.tmHeight - tm.tmInternalLeading);  // negative: character height
  EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
  SIZE wide, narrow;
  GetTextExtentPoint32(c.dc, "WWWW", 4, &wide);
  GetTextExtentPoint32(c.dc, "iiii", 4, &narrow);
  EXPECT_GT(wide.cx, narrow.cx);
  EXPECT_EQ(tm.tmHeight, wide.cy);
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(cell);
  DeleteObject(em);
}

TEST(Text, TextOutInksInsideItsComputedExtent) {
  Canvas c(200, 60);
  HFONT f = CreateFont(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  SelectObject(c.dc, f);
  SetBkMode(c.dc, TRANSPARENT);
  SetTextColor(c.dc, RGB(0, 0, 0));
  const char* text = "Record Hg";
  SIZE ext;
  GetTextExtentPoint32(c.dc, text, static_cast<int>(std::strlen(text)), &ext);
  TextOut(c.dc, 10, 20, text, static_cast<int>(std::strlen(text)));
  RECT ink = InkBox(c, 200, 60, RGB(255, 255, 255));
  EXPECT_GE(ink.left, 10);
  EXPECT_GE(ink.top, 20);
  EXPECT_LE(ink.right, 10 + ext.cx + 1);
  EXPECT_LE(ink.bottom, 20 + ext.cy);
  EXPECT_GT(ink.right - ink.left, ext.cx / 2);
  // Opaque mode paints the cell behind the text.
  SetBkMode(c.dc, OPAQUE);
  SetBkColor(c.dc, RGB(0, 255, 0));
  TextOut(c.dc, 10, 40, "ab", 2);
  EXPECT_EQ(RGB(0, 255, 0), c.At(10, 40));
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST(Text, DrawTextAlignsClipsAndMeasures) {
  Canvas c(200, 100);
  HFONT f = CreateFont(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  SelectObject(c.dc, f);
  SetBkMode(c.dc, TRANSPARENT);
  RECT calc{0, 0, 0, 0};
  int h = DrawText(c.dc, "Capture", -1, &calc, DT_CALCRECT | DT_SINGLELINE);
  SIZE ext;
  GetTextExtentPoint32(c.dc, "Capture", 7, &ext);
  EXPECT_EQ(ext.cx, calc.right);
  EXPECT_EQ(ext.cy, h);
  // Centred on one line in a box: ink is centred both ways.
  RECT box{0, 0, 200, 100};
  DrawText(c.dc, "Capture", -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  RECT ink = InkBox(c, 200, 100, RGB(255, 255, 255));
  EXPECT_NEAR(100, (ink.left + ink.right) / 2, 3);
  EXPECT_NEAR(50, (ink.top + ink.bottom) / 2, 4);
  // Word breaking wraps into more lines; CALCRECT reports them.
  RECT narrow{0, 0, 60, 0};
  int oneLine = ext.cy;
  int wrapped = DrawText(c.dc, "one two three four", -1, &narrow, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_GE(wrapped, 3 * oneLine);
  EXPECT_LE(narrow.right, 60);
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST(Text, PrefixesEllipsisAndClipping) {
  Canvas c(300, 40);
  HFONT f = CreateFont(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  SelectObject(c.dc, f);
  RECT a{0, 0, 0, 0}, b{0, 0, 0, 0}, amp{0, 0, 0, 0};
  DrawText(c.dc, "&Open", -1, &a, DT_CALCRECT | DT_SINGLELINE);
  DrawText(c.dc, "Open", -1, &b, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(a.right, b.right);  // the prefix marker takes no room
  DrawText(c.dc, "A&&B", -1, &amp, DT_CALCRECT | DT_SINGLELINE);
  RECT amp2{0, 0, 0, 0};
  DrawText(c.dc, "A&B", -1, &amp2, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(amp.right, amp2.right);
  // The prefixed character is underlined below the baseline.
  SetBkMode(c.dc, TRANSPARENT);
  RECT r{0, 0, 100, 30};
  DrawText(c.dc, "&Open", -1, &r, DT_SINGLELINE);
  TEXTMETRIC tm;
  GetTextMetrics(c.dc, &tm);
  bool underline = false;
  for (int y = tm.tmAscent + 1; y < tm.tmHeight + 1; ++y) underline |= c.At(3, y) != RGB(255, 255, 255);
  EXPECT_TRUE(underline);
  // A long line ends in an ellipsis inside the box; without NOCLIP nothing is drawn outside it.
  RECT e{150, 0, 200, 20};
  DrawText(c.dc, "A very long clip name.mpg", -1, &e, DT_SINGLELINE | DT_END_ELLIPSIS);
  RECT calcE = e;
  DrawText(c.dc, "A very long clip name.mpg", -1, &calcE, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
  EXPECT_LE(calcE.right - calcE.left, 50);
  for (int y = 0; y < 40; ++y) EXPECT_EQ(RGB(255, 255, 255), c.At(201, y));
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST(Text, PathEllipsisKeepsTheFileName) {
  Canvas c(10, 10);
  HFONT f = CreateFont(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  SelectObject(c.dc, f);
  RECT full{0, 0, 0, 0}, name{0, 0, 0, 0};
  const char* path = "/home/user/Documents/Vidarro 5/Capture/clip.mpg";
  DrawText(c.dc, path, -1, &full, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  DrawText(c.dc, ".../clip.mpg", -1, &name, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  RECT box{0, 0, full.right / 2, 20};
  DrawText(c.dc, path, -1, &box, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS);
  EXPECT_LE(box.right, full.right / 2);
  EXPECT_GE(box.right, name.right);  // the name is all there, plus some of the folders
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST(Text, DisabledDrawStateEmbossesInTwoColours) {
  Canvas c(100, 30, RGB(255, 255, 255));
  HFONT f = CreateFont(-16, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  SelectObject(c.dc, f);
  DrawState(c.dc, nullptr, nullptr, reinterpret_cast<LPARAM>("Burn"), 0, 2, 2, 0, 0, DST_PREFIXTEXT | DSS_DISABLED);
  EXPECT_GT(c.Count({0, 0, 100, 30}, GetSysColor(COLOR_3DSHADOW)), 10);
  SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

}  // namespace
