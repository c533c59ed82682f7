// A picture drawn by a build-time painter and written as a 24-bit BMP, for the resource scripts
// of programs whose skin the build paints.
#pragma once

#include <cstddef>
#include <fstream>
#include <string>
#include <vector>

namespace paint {

struct Colour {
  int r, g, b;
};

class Canvas {
 public:
  Canvas(int w, int h, Colour fill) : w_(w), h_(h), px_(static_cast<std::size_t>(w) * h, fill) {}
  int Width() const { return w_; }
  int Height() const { return h_; }
  Colour At(int x, int y) const { return px_[static_cast<std::size_t>(y) * w_ + x]; }
  void Set(int x, int y, Colour c) {
    if (x >= 0 && y >= 0 && x < w_ && y < h_) px_[static_cast<std::size_t>(y) * w_ + x] = c;
  }
  void Fill(int x, int y, int w, int h, Colour c) {
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i) Set(i, j, c);
  }
  void Frame(int x, int y, int w, int h, Colour c) {
    Fill(x, y, w, 1, c);
    Fill(x, y + h - 1, w, 1, c);
    Fill(x, y, 1, h, c);
    Fill(x + w - 1, y, 1, h, c);
  }
  // Bottom-up rows of blue, green, red, each padded to four bytes.
  bool Write(const std::string& path) const {
    const unsigned stride = (static_cast<unsigned>(w_) * 3 + 3) & ~3u;
    const unsigned size = stride * static_cast<unsigned>(h_);
    std::string out = "BM";
    auto put16 = [&out](unsigned v) {
      out += static_cast<char>(v & 0xFF);
      out += static_cast<char>((v >> 8) & 0xFF);
    };
    auto put32 = [&put16](unsigned v) {
      put16(v & 0xFFFF);
      put16(v >> 16);
    };
    put32(54 + size);
    put32(0);
    put32(54);
    put32(40);
    put32(static_cast<unsigned>(w_));
    put32(static_cast<unsigned>(h_));
    put16(1);
    put16(24);
    for (unsigned v : {0u, size, 2835u, 2835u, 0u, 0u}) put32(v);
    for (int y = h_ - 1; y >= 0; --y) {
      std::string row;
      for (int x = 0; x < w_; ++x) {
        const Colour c = px_[static_cast<std::size_t>(y) * w_ + x];
        row += static_cast<char>(c.b);
        row += static_cast<char>(c.g);
        row += static_cast<char>(c.r);
      }
      row.resize(stride, '\0');
      out += row;
    }
    std::ofstream file(path, std::ios::binary);
    file << out;
    return static_cast<bool>(file);
  }

 private:
  int w_, h_;
  std::vector<Colour> px_;
};

}  // namespace paint
