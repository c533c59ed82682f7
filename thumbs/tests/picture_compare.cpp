#include "thumbs/tests/picture_compare.h"

#include <cmath>
#include <cstring>
#include <filesystem>

namespace thumbs_test {

bool IsQuickTime(const std::string& path) {
  const auto ext = std::filesystem::path(path).extension().string();
  return ext == ".mov" || ext == ".mp4";
}

std::vector<unsigned char> BitmapRows(HBITMAP bitmap, int* width, int* height) {
  DIBSECTION ds;
  if (!bitmap || GetObject(bitmap, sizeof ds, &ds) != static_cast<int>(sizeof ds) || ds.dsBmih.biBitCount != 24)
    return {};
  const int w = ds.dsBm.bmWidth, h = ds.dsBm.bmHeight;
  if (width) *width = w;
  if (height) *height = h;
  std::vector<unsigned char> rows(static_cast<std::size_t>(w) * h * 3);
  const auto* bits = static_cast<const unsigned char*>(ds.dsBm.bmBits);
  for (int y = 0; y < h; ++y)
    std::memcpy(rows.data() + static_cast<std::size_t>(y) * w * 3,
                bits + static_cast<std::size_t>(ds.dsBm.bmWidthBytes) * (h - 1 - y), static_cast<std::size_t>(w) * 3);
  return rows;
}

double Psnr(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
  if (a.size() != b.size() || a.empty()) return 0;
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * static_cast<double>(a[i] - b[i]);
  const double mse = sum / static_cast<double>(a.size());
  return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace thumbs_test
