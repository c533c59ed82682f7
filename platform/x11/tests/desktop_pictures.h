// Pictures read back for comparison: xwd screenshots and the PNG files the suite writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace desktop_test {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB
  std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// A 24/32-bit TrueColor xwd dump; false for anything else.
bool ReadXwd(const std::string& path, Picture* out);
bool ReadPng(const std::string& path, Picture* out);
// The part of a picture inside the box, as a PNG file.
bool WritePng(const Picture& picture, int x, int y, int width, int height, const std::string& path);

}  // namespace desktop_test
