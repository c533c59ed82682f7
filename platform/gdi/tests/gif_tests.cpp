// GIF pictures, written here with giflib's encoder, read back through the image loader.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/image_file.h"
#include "platform/gdi/objects.h"

namespace {

int WriteToVector(GifFileType* gif, const GifByteType* data, int size) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + size);
  return size;
}

struct Frame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  int transparent = -1;
  std::vector<GifPixelType> rows;  // indices, top down in display order
};

// A picture of `w` x `h` with colours 0 black, 1 red, 2 green, 3 blue and one frame.
std::vector<std::uint8_t> MakeGif(int w, int h, const Frame& frame) {
  std::vector<std::uint8_t> bytes;
  int error = 0;
  GifFileType* gif = EGifOpen(&bytes, &WriteToVector, &error);
  GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  ColorMapObject* map = GifMakeMapObject(4, colours);
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, w, h, 2, 0, map);
  if (frame.transparent >= 0) {
    GraphicsControlBlock gcb{};
    gcb.TransparentColor = frame.transparent;
    GifByteType ext[4];
    const size_t n = EGifGCBToExtension(&gcb, ext);
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext);
  }
  EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.interlaced, nullptr);
  // Interlaced frames are stored pass by pass.
  std::vector<int> order;
  if (frame.interlaced) {
    for (int start : {0, 4, 2, 1})
      for (int y = start; y < frame.height; y += start == 0 || start == 4 ? 8 : start == 2 ? 4 : 2) order.push_back(y);
  } else {
    for (int y = 0; y < frame.height; ++y) order.push_back(y);
  }
  for (int y : order)
    EGifPutLine(gif, const_cast<GifPixelType*>(&frame.rows[static_cast<size_t>(y) * frame.width]), frame.width);
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return bytes;
}

Frame Solid(int w, int h, GifPixelType index) {
  Frame f;
  f.width = w;
  f.height = h;
  f.rows.assign(static_cast<size_t>(w) * h, index);
  return f;
}

class Picture {
 public:
  explicit Picture(const std::vector<std::uint8_t>& bytes)
      : bitmap_(platform::gdi::DecodeImage(bytes.data(), bytes.size())) {
    dc_ = CreateCompatibleDC(nullptr);
    if (bitmap_) old_ = SelectObject(dc_, bitmap_);
  }
  ~Picture() {
    if (bitmap_) SelectObject(dc_, old_);
    DeleteDC(dc_);
    if (bitmap_) DeleteObject(bitmap_);
  }
  bool Loaded() const { return bitmap_ != nullptr; }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  SIZE Size() const {
    BITMAP info{};
    GetObject(bitmap_, sizeof info, &info);
    return {info.bmWidth, info.bmHeight};
  }

 private:
  HBITMAP bitmap_;
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

TEST(GifPictures, TheFirstFrameShowsInItsPlaceAndInterlacedRowsInTheirOrder) {
  Picture red(MakeGif(40, 30, Solid(40, 30, 1)));
  ASSERT_TRUE(red.Loaded());
  EXPECT_EQ(red.Size().cx, 40);
  EXPECT_EQ(red.Size().cy, 30);
  EXPECT_EQ(red.At(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(red.At(39, 29), RGB(255, 0, 0));

  // Row y has colour 1 + y % 3: an interlaced frame must come out in display order.
  Frame striped = Solid(5, 11, 0);
  striped.interlaced = true;
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 5; ++x) striped.rows[static_cast<size_t>(y) * 5 + x] = static_cast<GifPixelType>(1 + y % 3);
  Picture stripes(MakeGif(5, 11, striped));
  ASSERT_TRUE(stripes.Loaded());
  const COLORREF want[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
  for (int y = 0; y < 11; ++y) EXPECT_EQ(stripes.At(2, y), want[y % 3]) << y;

  // A small frame in a larger picture, its transparent index left clear.
  Frame inner = Solid(4, 4, 3);
  inner.left = 2;
  inner.top = 1;
  inner.transparent = 3;
  inner.rows[0] = 2;
  Picture placed(MakeGif(8, 8, inner));
  ASSERT_TRUE(placed.Loaded());
  EXPECT_EQ(placed.At(2, 1), RGB(0, 255, 0));
  EXPECT_EQ(placed.At(3, 1), RGB(0, 0, 0));  // transparent over the clear canvas
}

TEST(GifPictures, DamagedOrOversizedPicturesAreRefused) {
  const std::vector<std::uint8_t> good = MakeGif(40, 30, Solid(40, 30, 1));
  for (size_t cut : {6u, 13u, 30u, static_cast<unsigned>(good.size() / 2)}) {
    std::vector<std::uint8_t> truncated(good.begin(), good.begin() + static_cast<long>(cut));
    EXPECT_FALSE(Picture(truncated).Loaded()) << cut;
  }
  std::vector<std::uint8_t> noise = good;
  for (size_t i = 13 + 12; i < noise.size(); i += 3) noise[i] ^= 0x5A;
  Picture scrambled(noise);  // may or may not decode; must not crash
  (void)scrambled;
  // 20000 x 20000 is more than any thumbnail source is given.
  EXPECT_FALSE(Picture(MakeGif(20000, 20000, Solid(2, 2, 1))).Loaded());
  // A frame reaching past the picture is cut to it.
  Frame wide = Solid(10, 10, 2);
  wide.left = 5;
  Picture cut(MakeGif(8, 8, wide));
  ASSERT_TRUE(cut.Loaded());
  EXPECT_EQ(cut.At(7, 7), RGB(0, 255, 0));
  EXPECT_EQ(cut.At(4, 0), RGB(0, 0, 0));
}

}  // namespace
