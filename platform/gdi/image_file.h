// Picture files: BMP read/write, PNG and JPEG read, PNG write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/gdi/gdi_types.h"

namespace platform::gdi {

// The most pixels a decoded picture may have (8K UHD fits): a file that declares more is
// refused before anything is allocated for it, so a few bytes cannot ask for gigabytes.
constexpr std::int64_t kMaxImagePixels = std::int64_t{1} << 25;

// Decodes BMP (with or without its file header), PNG or JPEG bytes into a new 32-bit top-down DIB
// section (alpha premultiplied in the fourth byte). NULL when the data is not a picture we read,
// or one of more than kMaxImagePixels.
HBITMAP DecodeImage(const void* data, size_t size);
HBITMAP LoadImageFile(const std::string& path);

// Writes any bitmap as a 24-bit BMP or an RGB PNG.
bool SaveBmpFile(HBITMAP bitmap, const std::string& path);
bool SavePngFile(HBITMAP bitmap, const std::string& path);
// 0x00RRGGBB pixels, top-down rows.
bool WritePng(const std::uint32_t* pixels, int width, int height, const std::string& path);

}  // namespace platform::gdi

namespace platform::gdi {

// An icon or cursor from the bytes of an .ico/.cur file: the image nearest to cx x cy (0: 32),
// BMP or PNG encoded. NULL when the bytes are not an icon file (or its picture is too large,
// as for DecodeImage).
HICON DecodeIcon(const void* data, size_t size, int cx, int cy);

}  // namespace platform::gdi
