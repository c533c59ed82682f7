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

}  // namespace studio::packs
