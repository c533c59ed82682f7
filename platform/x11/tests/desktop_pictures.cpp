#include "desktop_pictures.h"

#include <png.h>

#include <cstdio>
#include <memory>

#include "desktop_session.h"

namespace desktop_test {
namespace {

std::uint32_t BigEndian32(const std::string& s, size_t at) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) << 24) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 8) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 3]));
}

}  // namespace

bool ReadXwd(const std::string& path, Picture* out) {
  const std::string data = ReadFile(path);
  if (data.size() < 100) return false;
  auto field = [&](int index) { return BigEndian32(data, static_cast<size_t>(index) * 4); };
  const std::uint32_t headerSize = field(0);
  const std::uint32_t width = field(4), height = field(5), byteOrder = field(7);
  const std::uint32_t bitsPerPixel = field(11), bytesPerLine = field(12), colours = field(19);
  if (field(1) != 7 || bitsPerPixel != 32 || width == 0 || height == 0) return false;
  const size_t start = headerSize + static_cast<size_t>(colours) * 12;
  if (data.size() < start + static_cast<size_t>(bytesPerLine) * height) return false;
  out->width = static_cast<int>(width);
  out->height = static_cast<int>(height);
  out->pixels.resize(static_cast<size_t>(width) * height);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const size_t at = start + static_cast<size_t>(y) * bytesPerLine + x * 4;
      const auto b = [&](size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + i])); };
      const std::uint32_t v =
          byteOrder == 0 ? (b(3) << 24 | b(2) << 16 | b(1) << 8 | b(0)) : (b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3));
      out->pixels[static_cast<size_t>(y) * width + x] = v & 0xFFFFFF;
    }
  }
  return true;
}

bool ReadPng(const std::string& path, Picture* out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_BGRA;
  std::vector<std::uint32_t> pixels(static_cast<size_t>(image.width) * image.height);
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  out->width = static_cast<int>(image.width);
  out->height = static_cast<int>(image.height);
  for (auto& p : pixels) p &= 0xFFFFFF;
  out->pixels = std::move(pixels);
  return true;
}

bool WritePng(const Picture& picture, int x, int y, int width, int height, const std::string& path) {
  if (x < 0 || y < 0 || width <= 0 || height <= 0 || x + width > picture.width || y + height > picture.height)
    return false;
  std::vector<std::uint32_t> part(static_cast<size_t>(width) * height);
  for (int row = 0; row < height; ++row)
    for (int column = 0; column < width; ++column)
      part[static_cast<size_t>(row) * width + column] = picture.At(x + column, y + row) | 0xFF000000u;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_BGRA;
  return png_image_write_to_file(&image, path.c_str(), 0, part.data(), 0, nullptr) != 0;
}

}  // namespace desktop_test
