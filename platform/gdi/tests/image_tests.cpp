#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/gdi/image_file.h"
#include "platform/gdi/tests/gdi_test_util.h"

namespace {

std::string Temp(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/" + name;
}

HBITMAP Sample() {
  Canvas c(7, 5, RGB(10, 200, 30));
  SetPixel(c.dc, 0, 0, RGB(255, 0, 0));
  SetPixel(c.dc, 6, 4, RGB(0, 0, 255));
  HBITMAP copy = CreateCompatibleBitmap(c.dc, 7, 5);
  HDC m = CreateCompatibleDC(c.dc);
  HGDIOBJ old = SelectObject(m, copy);
  BitBlt(m, 0, 0, 7, 5, c.dc, 0, 0, SRCCOPY);
  SelectObject(m, old);
  DeleteDC(m);
  return copy;
}

void ExpectSample(HBITMAP b) {
  ASSERT_NE(nullptr, b);
  BITMAP bm;
  GetObject(b, sizeof(bm), &bm);
  EXPECT_EQ(7, bm.bmWidth);
  EXPECT_EQ(5, bm.bmHeight);
  HDC m = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(m, b);
  EXPECT_EQ(RGB(255, 0, 0), GetPixel(m, 0, 0));
  EXPECT_EQ(RGB(0, 0, 255), GetPixel(m, 6, 4));
  EXPECT_EQ(RGB(10, 200, 30), GetPixel(m, 3, 2));
  SelectObject(m, old);
  DeleteDC(m);
}

TEST(Images, BmpAndPngRoundTrip) {
  HBITMAP b = Sample();
  ASSERT_TRUE(platform::gdi::SaveBmpFile(b, Temp("s.bmp")));
  ASSERT_TRUE(platform::gdi::SavePngFile(b, Temp("s.png")));
  HBITMAP fromBmp = platform::gdi::LoadImageFile(Temp("s.bmp"));
  HBITMAP fromPng = platform::gdi::LoadImageFile(Temp("s.png"));
  ExpectSample(fromBmp);
  ExpectSample(fromPng);
  for (HBITMAP h : {b, fromBmp, fromPng}) DeleteObject(h);
}

TEST(Images, JpegFromFfmpegLoadsAndDrawsScaledForAThumbnail) {
  std::string path = Temp("red.jpg");
  std::string cmd = "ffmpeg -v quiet -y -f lavfi -i color=c=0xC02020:s=320x240 -frames:v 1 " + path;
  if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "ffmpeg not available";
  HBITMAP pic = platform::gdi::LoadImageFile(path);
  ASSERT_NE(nullptr, pic);
  BITMAP bm;
  GetObject(pic, sizeof(bm), &bm);
  EXPECT_EQ(320, bm.bmWidth);
  Canvas thumb(80, 60, RGB(0, 0, 0));
  HDC m = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(m, pic);
  SetStretchBltMode(thumb.dc, HALFTONE);
  StretchBlt(thumb.dc, 0, 0, 80, 60, m, 0, 0, 320, 240, SRCCOPY);
  COLORREF mid = thumb.At(40, 30);
  EXPECT_NEAR(0xC0, GetRValue(mid), 8);
  EXPECT_NEAR(0x20, GetGValue(mid), 8);
  SelectObject(m, old);
  DeleteDC(m);
  DeleteObject(pic);
}

TEST(Images, PaletteBmpWithoutFileHeaderDecodes) {
  // An 8-bit DIB as resources store it: header, colour table, bottom-up rows.
  std::vector<uint8_t> dib(40 + 256 * 4 + 4 * 2, 0);
  BITMAPINFOHEADER h;
  h.biWidth = 2;
  h.biHeight = 2;
  h.biBitCount = 8;
  std::memcpy(dib.data(), &h, sizeof(h));
  dib[40 + 1 * 4 + 2] = 255;   // index 1: red
  dib[40 + 1024 + 4 + 0] = 1;  // top row (stored last), left pixel
  HBITMAP b = platform::gdi::DecodeImage(dib.data(), dib.size());
  ASSERT_NE(nullptr, b);
  HDC m = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(m, b);
  EXPECT_EQ(RGB(255, 0, 0), GetPixel(m, 0, 0));
  EXPECT_EQ(RGB(0, 0, 0), GetPixel(m, 0, 1));
  SelectObject(m, old);
  DeleteDC(m);
  DeleteObject(b);
}

TEST(Images, ColourTableLongerThanTheDepthIndexes) {
  // A 4-bit DIB whose header declares 256 colours: all are skipped over, the first 16 index.
  std::vector<uint8_t> dib(40 + 256 * 4 + 4 * 2, 0);
  BITMAPINFOHEADER h;
  h.biWidth = 2;
  h.biHeight = 2;
  h.biBitCount = 4;
  h.biClrUsed = 256;
  std::memcpy(dib.data(), &h, sizeof(h));
  dib[40 + 1 * 4 + 1] = 255;      // index 1: green
  dib[40 + 1024 + 4 + 0] = 0x10;  // top row (stored last), left pixel index 1
  HBITMAP b = platform::gdi::DecodeImage(dib.data(), dib.size());
  ASSERT_NE(nullptr, b);
  HDC m = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(m, b);
  EXPECT_EQ(RGB(0, 255, 0), GetPixel(m, 0, 0));
  EXPECT_EQ(RGB(0, 0, 0), GetPixel(m, 1, 0));
  SelectObject(m, old);
  DeleteDC(m);
  DeleteObject(b);
}

TEST(Images, UnreadableFilesFailCleanly) {
  EXPECT_EQ(nullptr, platform::gdi::LoadImageFile(Temp("missing.png")));
  std::string junk = Temp("junk.bmp");
  std::ofstream(junk) << "BM this is not a bitmap";
  EXPECT_EQ(nullptr, platform::gdi::LoadImageFile(junk));
  // A PNG cut in half.
  HBITMAP b = Sample();
  ASSERT_TRUE(platform::gdi::SavePngFile(b, Temp("cut.png")));
  std::ifstream in(Temp("cut.png"), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(nullptr, platform::gdi::DecodeImage(bytes.data(), bytes.size() / 2));
  std::string jpeg = "\xFF\xD8\xFF\xE0 broken";
  EXPECT_EQ(nullptr, platform::gdi::DecodeImage(jpeg.data(), jpeg.size()));
  // A BMP header that claims more pixels than the file holds.
  std::vector<uint8_t> dib(40 + 8, 0);
  BITMAPINFOHEADER h;
  h.biWidth = 30000;
  h.biHeight = 30000;
  h.biBitCount = 24;
  std::memcpy(dib.data(), &h, sizeof(h));
  EXPECT_EQ(nullptr, platform::gdi::DecodeImage(dib.data(), dib.size()));
  EXPECT_FALSE(platform::gdi::SavePngFile(nullptr, Temp("none.png")));
  DeleteObject(b);
}

}  // namespace

namespace {

// A 2x2 32-bit icon file: one opaque red pixel, the rest transparent by the AND mask.
std::vector<uint8_t> TinyIcon() {
  std::vector<uint8_t> f;
  auto put16 = [&](uint16_t v) {
    f.push_back(v & 0xFF);
    f.push_back(v >> 8);
  };
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) f.push_back((v >> (8 * i)) & 0xFF);
  };
  put16(0);
  put16(1);
  put16(1);
  f.push_back(2);
  f.push_back(2);
  f.push_back(0);
  f.push_back(0);
  put16(1);
  put16(32);
  uint32_t bytes = 40 + 2 * 2 * 4 + 2 * 4;
  put32(bytes);
  put32(22);
  BITMAPINFOHEADER h;
  h.biWidth = 2;
  h.biHeight = 4;
  h.biBitCount = 32;
  const uint8_t* hp = reinterpret_cast<const uint8_t*>(&h);
  f.insert(f.end(), hp, hp + 40);
  // Colour rows bottom-up: bottom row black, top row red then black.
  for (int i = 0; i < 2; ++i) put32(0);
  put32(0x00FF0000);
  put32(0);
  // AND rows bottom-up: bottom row both clear, top row: first opaque, second clear.
  put32(0x000000C0);
  put32(0x00000040);
  return f;
}

TEST(Images, IconFilesBecomeIconsThatDrawThroughTheirMask) {
  std::vector<uint8_t> ico = TinyIcon();
  HICON icon = platform::gdi::DecodeIcon(ico.data(), ico.size(), 0, 0);
  ASSERT_NE(nullptr, icon);
  Canvas c(4, 4, RGB(0, 0, 255));
  DrawIconEx(c.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
  EXPECT_EQ(RGB(255, 0, 0), c.At(0, 0));
  EXPECT_EQ(RGB(0, 0, 255), c.At(1, 0));
  EXPECT_EQ(RGB(0, 0, 255), c.At(0, 1));
  DestroyIcon(icon);
  ico[2] = 7;  // not an icon type
  EXPECT_EQ(nullptr, platform::gdi::DecodeIcon(ico.data(), ico.size(), 0, 0));
  ico[2] = 1;
  EXPECT_EQ(nullptr, platform::gdi::DecodeIcon(ico.data(), 30, 0, 0));  // cut short
}

}  // namespace
