// Pictures drawn by the build-time painters, written as 24-bit BMPs (or icons) with the resource
// script fragments that name them, for the libraries whose skin the build paints.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace paint {

struct Colour {
  int r, g, b;
};

// num/den of the way from a to b.
inline Colour Mix(Colour a, Colour b, int num, int den) {
  if (den <= 0) return a;
  return Colour{a.r + (b.r - a.r) * num / den, a.g + (b.g - a.g) * num / den, a.b + (b.b - a.b) * num / den};
}

// 0 outside a box of w x h with corners of radius r, 1 on its outline, 2 inside.
inline int InsideRounded(int i, int j, int w, int h, int r) {
  const int cx = i < r ? r : i >= w - r ? w - r - 1 : i;
  const int cy = j < r ? r : j >= h - r ? h - r - 1 : j;
  const int d = (i - cx) * (i - cx) + (j - cy) * (j - cy);
  if (d > r * r) return 0;
  const bool edge = i == 0 || j == 0 || i == w - 1 || j == h - 1 || d > (r - 1) * (r - 1);
  return edge ? 1 : 2;
}

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
  // Rows shading from `top` to `bottom`.
  void Gradient(int x, int y, int w, int h, Colour top, Colour bottom) {
    for (int j = 0; j < h; ++j) Fill(x, y + j, w, 1, Mix(top, bottom, j, std::max(h - 1, 1)));
  }
  // A box with rounded corners of radius r, shading from `top` to `bottom`, outlined in `line`.
  void RoundBox(int x, int y, int w, int h, int r, Colour top, Colour bottom, Colour line) {
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i)
        if (const int inside = InsideRounded(i, j, w, h, r))
          Set(x + i, y + j, inside == 1 ? line : Mix(top, bottom, j, std::max(h - 1, 1)));
  }
  // `key` outside a quarter circle of radius r in one corner (0 top left, 1 top right,
  // 2 bottom left, 3 bottom right): the colour window regions are cut with.
  void CutCorner(int corner, int r, Colour key) {
    for (int j = 0; j < r; ++j)
      for (int i = 0; i < r; ++i) {
        const int dx = r - i, dy = r - j;
        if (dx * dx + dy * dy <= r * r) continue;
        Set(corner % 2 == 0 ? i : w_ - 1 - i, corner < 2 ? j : h_ - 1 - j, key);
      }
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

// The colours of a scroll-bar strip.
struct ScrollColours {
  Colour background, track, line, mark;
  Colour faces[3];  // normal, hot, pressed
};

// A skinned list's scroll bars in the layout the scroll-bar frame reads: cells of `p` pixels in rows
// normal, hot and pressed: up and down arrows, vertical thumb and track, left and right arrows,
// horizontal thumb and track, corner.
inline Canvas ScrollStrip(const ScrollColours& c, int p = 16) {
  Canvas s(9 * p, 3 * p, c.background);
  for (int row = 0; row < 3; ++row) {
    const int y = row * p;
    for (int col : {0, 1, 4, 5, 2, 6}) {
      s.Fill(col * p + 1, y + 1, p - 2, p - 2, c.faces[row]);
      s.Frame(col * p, y, p, p, c.line);
    }
    // Arrow heads: up, down, left, right.
    for (int k = 0; k < 4; ++k) {
      s.Fill(0 * p + p / 2 - k, y + 5 + k, 2 * k + 1, 1, c.mark);
      s.Fill(1 * p + p / 2 - k, y + 10 - k, 2 * k + 1, 1, c.mark);
      s.Fill(4 * p + 5 + k, y + p / 2 - k, 1, 2 * k + 1, c.mark);
      s.Fill(5 * p + 10 - k, y + p / 2 - k, 1, 2 * k + 1, c.mark);
    }
    s.Fill(3 * p + p / 2, y, 1, p, c.line);
    s.Fill(7 * p, y + p / 2, p, 1, c.line);
    s.Fill(8 * p, y, p, p, c.track);
  }
  return s;
}

// A 32-bit icon of one image; pixels of colour `key` are transparent.
inline bool WriteIcon(const std::string& path, const Canvas& picture, Colour key) {
  const int w = picture.Width(), h = picture.Height();
  auto transparent = [&](int x, int y) {
    const Colour c = picture.At(x, y);
    return c.r == key.r && c.g == key.g && c.b == key.b;
  };
  std::string out;
  auto put16 = [&out](unsigned v) { out += static_cast<char>(v & 0xFF), out += static_cast<char>((v >> 8) & 0xFF); };
  auto put32 = [&put16](unsigned v) { put16(v & 0xFFFF), put16(v >> 16); };
  const unsigned maskStride = ((static_cast<unsigned>(w) + 31) / 32) * 4;
  const unsigned pixels = static_cast<unsigned>(w * h) * 4, mask = maskStride * static_cast<unsigned>(h);
  put16(0), put16(1), put16(1);
  out += static_cast<char>(w), out += static_cast<char>(h), out += '\0', out += '\0';
  put16(1), put16(32), put32(40 + pixels + mask), put32(6 + 16);
  put32(40), put32(static_cast<unsigned>(w)), put32(static_cast<unsigned>(2 * h)), put16(1), put16(32);
  for (unsigned v : {0u, pixels + mask, 0u, 0u, 0u, 0u}) put32(v);
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) {
      const Colour c = transparent(x, y) ? Colour{0, 0, 0} : picture.At(x, y);
      out += static_cast<char>(c.b), out += static_cast<char>(c.g), out += static_cast<char>(c.r);
      out += static_cast<char>(transparent(x, y) ? 0x00 : 0xFF);
    }
  for (int y = h - 1; y >= 0; --y) {
    std::string row(maskStride, '\0');
    for (int x = 0; x < w; ++x)
      if (transparent(x, y)) row[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
    out += row;
  }
  std::ofstream file(path, std::ios::binary);
  file << out;
  return static_cast<bool>(file);
}

// One bitmap of a painter's output: its resource id, its file and its picture.
struct Picture {
  std::string id;
  std::string file;
  Canvas canvas;
};

// Writes the pictures into `folder` and a script fragment `scriptName` naming them.
inline bool WritePictures(const char* painter, const std::string& folder, const std::string& scriptName,
                          const std::vector<Picture>& pictures) {
  std::ofstream script(folder + scriptName);
  script << "// Generated by " << painter << "; do not edit.\n";
  for (const Picture& picture : pictures) {
    if (!picture.canvas.Write(folder + picture.file)) {
      std::fprintf(stderr, "%s: cannot write %s%s\n", painter, folder.c_str(), picture.file.c_str());
      return false;
    }
    script << picture.id << " BITMAP \"" << picture.file << "\"\n";
  }
  return static_cast<bool>(script);
}

}  // namespace paint
