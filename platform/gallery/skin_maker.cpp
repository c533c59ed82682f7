// gallery_skin_maker <folder>: writes the gallery's skin bitmaps, so the resource script takes
// pictures the build made instead of binary files kept in the sources.
//   skin_background.bmp  a vertical blue gradient the dialog stretches over its background
//   skin_play.bmp        four 64x24 frames of the play button: normal, hot, pressed, disabled
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Image {
  int width;
  int height;
  std::vector<std::uint32_t> rgb;  // 0xRRGGBB, top-down
  void Set(int x, int y, std::uint32_t c) { rgb[static_cast<size_t>(y) * width + x] = c; }
};

void Put16(std::string& out, unsigned v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, unsigned v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// A 24-bit bottom-up BMP with rows padded to four bytes.
bool WriteBmp(const std::string& path, const Image& img) {
  const unsigned stride = (static_cast<unsigned>(img.width) * 3 + 3) & ~3u;
  const unsigned size = stride * static_cast<unsigned>(img.height);
  std::string out = "BM";
  Put32(out, 54 + size);
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, static_cast<unsigned>(img.width));
  Put32(out, static_cast<unsigned>(img.height));
  Put16(out, 1);
  Put16(out, 24);
  for (unsigned v : {0u, size, 2835u, 2835u, 0u, 0u}) Put32(out, v);
  for (int y = img.height - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < img.width; ++x) {
      const std::uint32_t c = img.rgb[static_cast<size_t>(y) * img.width + x];
      row += static_cast<char>(c & 0xFF);
      row += static_cast<char>((c >> 8) & 0xFF);
      row += static_cast<char>((c >> 16) & 0xFF);
    }
    row.resize(stride, '\0');
    out += row;
  }
  std::ofstream file(path, std::ios::binary);
  file << out;
  return static_cast<bool>(file);
}

std::uint32_t Rgb(int r, int g, int b) { return static_cast<std::uint32_t>((r << 16) | (g << 8) | b); }

Image Background() {
  Image img{8, 128, std::vector<std::uint32_t>(8 * 128)};
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) img.Set(x, y, Rgb(24 + y / 4, 48 + y / 3, 96 + y / 2));
  return img;
}

// Each frame: a filled face with a light top edge, a dark bottom edge and a white triangle.
Image PlayStrip() {
  constexpr int kFrame = 64, kHeight = 24;
  Image img{kFrame * 4, kHeight, std::vector<std::uint32_t>(kFrame * 4 * kHeight)};
  const std::uint32_t faces[4] = {Rgb(40, 150, 60), Rgb(60, 190, 80), Rgb(20, 100, 40), Rgb(128, 128, 128)};
  for (int f = 0; f < 4; ++f) {
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kFrame; ++x) {
        std::uint32_t c = faces[f];
        if (y == 0) c = f == 2 ? Rgb(10, 50, 20) : Rgb(200, 240, 200);
        if (y == kHeight - 1) c = f == 2 ? Rgb(200, 240, 200) : Rgb(10, 50, 20);
        const int tx = x - 26, ty = y - 6;
        if (tx >= 0 && ty >= 0 && ty < 12 && tx <= (ty < 6 ? ty : 11 - ty) * 2) c = Rgb(255, 255, 255);
        img.Set(f * kFrame + x, y, c);
      }
    }
  }
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gallery_skin_maker <folder>\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  if (!WriteBmp(folder + "skin_background.bmp", Background()) || !WriteBmp(folder + "skin_play.bmp", PlayStrip())) {
    std::fprintf(stderr, "gallery_skin_maker: cannot write into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
