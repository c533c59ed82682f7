#include <gtest/gtest.h>
#include <jpeglib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

namespace {

uint32_t Crc32(const uint8_t* p, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

void PutBe32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (24 - 8 * i));
}

// A whole small PNG whose header then declares w x h.
std::string PngDeclaring(uint32_t w, uint32_t h) {
  HBITMAP b = Sample();
  EXPECT_TRUE(platform::gdi::SavePngFile(b, Temp("bomb.png")));
  DeleteObject(b);
  std::ifstream in(Temp("bomb.png"), std::ios::binary);
  std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  PutBe32(png, 16, w);
  PutBe32(png, 20, h);
  PutBe32(png, 29, Crc32(reinterpret_cast<const uint8_t*>(png.data()) + 12, 17));  // type and data
  return png;
}

// A whole 8x8 JPEG whose frame header then declares w x h.
std::string JpegDeclaring(uint16_t w, uint16_t h) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = 8;
  c.image_height = 8;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(8 * 3, 128);
  while (c.next_scanline < 8) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::string jpeg(reinterpret_cast<char*>(out), size);
  free(out);
  const size_t sof = jpeg.find("\xFF\xC0");
  EXPECT_NE(sof, std::string::npos);
  jpeg[sof + 5] = static_cast<char>(h >> 8);
  jpeg[sof + 6] = static_cast<char>(h & 0xFF);
  jpeg[sof + 7] = static_cast<char>(w >> 8);
  jpeg[sof + 8] = static_cast<char>(w & 0xFF);
  return jpeg;
}

// An icon file of one entry holding these image bytes.
std::string IconHolding(const std::string& image) {
  std::string f("\0\0\1\0\1\0", 6);
  f += std::string("\0\0\0\0\1\0\x20\0", 8);
  const uint32_t bytes = static_cast<uint32_t>(image.size()), offset = 22;
  for (uint32_t v : {bytes, offset})
    for (int i = 0; i < 4; ++i) f += static_cast<char>(v >> (8 * i));
  return f + image;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

}  // namespace

// A JPEG of a few hundred bytes declaring 18761x18505 pixels cost a gigabyte before it failed. Every
// format now refuses a declared size over the limit before allocating: decoded in a child whose
// address space would not hold the allocation, where the sanitizers allow such a limit.
TEST(Images, DecompressionBombsAreRefusedBeforeAllocating) {
  const std::string jpeg = JpegDeclaring(18761, 18505);
  const std::string png = PngDeclaring(20000, 20000);
  std::vector<uint8_t> dib(40 + 8, 0);
  BITMAPINFOHEADER h;
  h.biWidth = 16384;
  h.biHeight = -16384;
  h.biBitCount = 1;
  std::memcpy(dib.data(), &h, sizeof(h));
  auto decodeAll = [&] {
    int refused = 0;
    for (const std::string* bytes : {&jpeg, &png}) {
      HBITMAP b = platform::gdi::DecodeImage(bytes->data(), bytes->size());
      refused += b == nullptr;
      if (b) DeleteObject(b);
    }
    HBITMAP b = platform::gdi::DecodeImage(dib.data(), dib.size());
    refused += b == nullptr;
    const std::string icon = IconHolding(png);
    HICON i = platform::gdi::DecodeIcon(icon.data(), icon.size(), 0, 0);
    refused += i == nullptr;
    return refused;
  };
  if (kSanitized) {
    EXPECT_EQ(decodeAll(), 4);
  } else {
    const pid_t child = fork();
    if (child == 0) {
      rlimit limit{size_t{768} << 20, size_t{768} << 20};
      if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(10);
      try {
        _exit(decodeAll() == 4 ? 0 : 1);
      } catch (...) {
        _exit(2);
      }
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  // Pictures under the limit still decode.
  const std::string small = PngDeclaring(7, 5);
  HBITMAP b = platform::gdi::DecodeImage(small.data(), small.size());
  ExpectSample(b);
  DeleteObject(b);
}
