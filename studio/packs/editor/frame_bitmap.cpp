#include "frame_bitmap.h"

#include <cstring>

#include "platform/gdi/bitmap.h"

namespace studio::packs {

HBITMAP BitmapFromFrameImage(const std::vector<std::uint8_t>& image) {
  constexpr size_t kFileHeader = 14;
  if (image.size() < kFileHeader + sizeof(BITMAPINFOHEADER) || image[0] != 'B' || image[1] != 'M') return nullptr;
  BITMAPINFOHEADER header;
  std::memcpy(&header, image.data() + kFileHeader, sizeof header);
  uint32_t offset = 0;
  std::memcpy(&offset, image.data() + 10, sizeof offset);
  const long long width = header.biWidth, height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  if (header.biBitCount != 24 || width < 1 || height < 1 || width > 4096 || height > 4096) return nullptr;
  // Rows are padded to four bytes; a header promising more than the buffer holds is refused.
  const long long stride = (width * 3 + 3) / 4 * 4;
  if (offset < kFileHeader + sizeof header || offset + stride * height > static_cast<long long>(image.size()))
    return nullptr;
  BITMAPINFO info{};
  info.bmiHeader = header;
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = 0;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) std::memcpy(bits, image.data() + offset, static_cast<size_t>(stride * height));
  return bitmap;
}

std::vector<std::uint8_t> PaintedFrameImage(int width, int height, const std::function<Bgr(int x, int y)>& paint) {
  constexpr size_t kHeaders = 54;
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
  std::vector<std::uint8_t> image(kHeaders + pixels, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) image[at + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
  };
  image[0] = 'B';
  image[1] = 'M';
  put32(2, static_cast<uint32_t>(image.size()));
  put32(10, kHeaders);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  image[26] = 1;
  image[28] = 24;
  put32(34, static_cast<uint32_t>(pixels));
  // Rows are stored bottom-up.
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const Bgr p = paint(x, y);
      std::uint8_t* at = &image[kHeaders + (static_cast<size_t>(height - 1 - y) * width + x) * 3];
      at[0] = p.blue;
      at[1] = p.green;
      at[2] = p.red;
    }
  return image;
}

}  // namespace studio::packs
