// Paints the wizard's pictures at build time: its frame, page backgrounds, button strips and
// progress strips for the UI library, the logo for the extra library and the large pictures for
// the image library, each as a 24-bit BMP with a script fragment naming it.
//   wizard_painter <output folder>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Colour {
  int r, g, b;
};

constexpr Colour kRed{255, 0, 0};
constexpr Colour kFrame{38, 44, 52}, kBand{56, 66, 78}, kPage{46, 54, 64}, kPageLine{62, 72, 86};
constexpr Colour kFace{70, 86, 106}, kHot{84, 128, 172}, kPressed{30, 42, 56}, kDisabled{110, 114, 120};
constexpr Colour kAccent{47, 150, 220}, kLight{232, 236, 240}, kTrack{24, 30, 38};

Colour Mix(Colour a, Colour b, int num, int den) {
  return den <= 0 ? a
                  : Colour{a.r + (b.r - a.r) * num / den, a.g + (b.g - a.g) * num / den, a.b + (b.b - a.b) * num / den};
}

class Canvas {
 public:
  Canvas(int w, int h, Colour fill) : w_(w), h_(h), px_(static_cast<std::size_t>(w) * h, fill) {}
  int Width() const { return w_; }
  int Height() const { return h_; }
  void Set(int x, int y, Colour c) {
    if (x >= 0 && y >= 0 && x < w_ && y < h_) px_[static_cast<std::size_t>(y) * w_ + x] = c;
  }
  void Fill(int x, int y, int w, int h, Colour c) {
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i) Set(i, j, c);
  }
  void Gradient(int x, int y, int w, int h, Colour top, Colour bottom) {
    for (int j = 0; j < h; ++j) Fill(x, y + j, w, 1, Mix(top, bottom, j, std::max(h - 1, 1)));
  }
  // Pure red outside a rounded corner of radius r, the key the window shape is cut with.
  void CutCorners(int r) {
    for (int j = 0; j < r; ++j)
      for (int i = 0; i < r; ++i) {
        const int dx = r - i, dy = r - j;
        if (dx * dx + dy * dy <= r * r) continue;
        Set(i, j, kRed), Set(w_ - 1 - i, j, kRed), Set(i, h_ - 1 - j, kRed), Set(w_ - 1 - i, h_ - 1 - j, kRed);
      }
  }
  bool Write(const std::string& path) const {
    const int rowBytes = (w_ * 3 + 3) & ~3;
    const std::uint32_t imageSize = static_cast<std::uint32_t>(rowBytes) * h_;
    std::vector<std::uint8_t> out;
    auto u16 = [&](std::uint32_t v) { out.push_back(v & 0xFF), out.push_back((v >> 8) & 0xFF); };
    auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    out.push_back('B'), out.push_back('M');
    u32(14 + 40 + imageSize), u32(0), u32(14 + 40);
    u32(40), u32(w_), u32(h_), u16(1), u16(24), u32(0), u32(imageSize), u32(2835), u32(2835), u32(0), u32(0);
    for (int y = h_ - 1; y >= 0; --y) {
      for (int x = 0; x < w_; ++x) {
        const Colour& c = px_[static_cast<std::size_t>(y) * w_ + x];
        out.push_back(static_cast<std::uint8_t>(c.b)), out.push_back(static_cast<std::uint8_t>(c.g));
        out.push_back(static_cast<std::uint8_t>(c.r));
      }
      for (int pad = w_ * 3; pad < rowBytes; ++pad) out.push_back(0);
    }
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
  }

 private:
  int w_, h_;
  std::vector<Colour> px_;
};

// The wizard's frame: a title band, the page well and the button row, with cut corners.
Canvas Frame() {
  Canvas c(800, 550, kFrame);
  c.Gradient(0, 0, 800, 70, kBand, kFrame);
  c.Fill(17, 118, 766, 373, kPage);
  c.Fill(17, 117, 766, 1, kPageLine), c.Fill(17, 491, 766, 1, kPageLine);
  c.CutCorners(18);
  return c;
}

Canvas Page(Colour tint) {
  Canvas c(766, 373, kPage);
  c.Gradient(0, 0, 766, 120, Mix(kPage, tint, 1, 4), kPage);
  return c;
}

// Five frames (normal, hover, pressed, disabled, mask) of one button with a light mark.
Canvas Buttons(int fw, int fh, int mark) {
  Canvas c(fw * 5, fh, kRed);
  const Colour faces[] = {kFace, kHot, kPressed, kDisabled};
  for (int f = 0; f < 5; ++f) {
    const int x = f * fw;
    const Colour face = f < 4 ? faces[f] : Colour{0, 0, 0};
    c.Fill(x + 1, 1, fw - 2, fh - 2, face);
    if (f == 4) continue;
    const int cx = x + fw / 2, cy = fh / 2, s = std::min(fw, fh) / 5;
    for (int k = -s; k <= s; ++k) {
      switch (mark) {
        case 0: c.Fill(cx - s + (k < 0 ? -k : k), cy + k, 2, 1, kLight); break;       // back
        case 1: c.Fill(cx + s - (k < 0 ? -k : k), cy + k, 2, 1, kLight); break;       // next
        case 2: c.Set(cx + k, cy + k, kLight), c.Set(cx + k, cy - k, kLight); break;  // exit
        case 3: c.Fill(cx - s, cy + s, 2 * s, 2, kLight); break;                      // minimise
        default: c.Fill(cx - 1, cy + k, 3, 1, kLight); break;                         // other
      }
    }
  }
  return c;
}

// An empty bar above a full one.
Canvas Bar(int w, int h) {
  Canvas c(w, h * 2, kTrack);
  c.Gradient(0, h, w, h, kAccent, Mix(kAccent, kTrack, 1, 2));
  return c;
}

Canvas Picture(int w, int h, Colour tint) {
  Canvas c(w, h, kPage);
  c.Gradient(0, 0, w, h, tint, kPage);
  c.Fill(w / 4, h / 3, w / 2, h / 3, Mix(tint, kLight, 1, 2));
  return c;
}

struct Entry {
  int id;
  const char* script;  // which fragment names it
  Canvas canvas;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: wizard_painter <output folder>\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  std::vector<Entry> entries;
  auto ui = [&](int id, Canvas c) { entries.push_back({id, "wizard_bitmaps.rc", std::move(c)}); };
  ui(1300, Frame());
  ui(1301, Picture(200, 56, kAccent));
  ui(1302, Buttons(90, 32, 0));
  ui(1303, Buttons(30, 30, 4));
  ui(1304, Buttons(30, 30, 3));
  ui(1305, Buttons(90, 32, 1));
  ui(1306, Bar(160, 24));
  ui(1307, Buttons(30, 30, 2));
  ui(1308, Buttons(90, 32, 2));
  for (int id : {1311, 1312, 1315, 1318, 1319, 1321, 1322, 1323, 1325, 1331, 1340, 1342})
    ui(id, Page(Colour{40 + (id % 7) * 20, 120, 200 - (id % 5) * 20}));
  ui(1313, Buttons(34, 34, 4));
  for (int id : {1316, 1317, 1326, 1327, 1328, 1332, 1333}) ui(id, Buttons(200, 180, 4));
  for (int id : {1314, 1320}) ui(id, Buttons(40, 30, 4));
  ui(1345, Picture(320, 46, kFace));
  ui(1346, Bar(280, 15));
  for (int id : {1343, 1344}) ui(id, Buttons(90, 32, 4));
  for (int id : {1341}) ui(id, Buttons(28, 28, 4));
  ui(1335, Buttons(16, 27, 4));
  ui(1336, Bar(572, 15));
  ui(1337, Buttons(12, 16, 4));
  ui(1338, Buttons(12, 16, 4));
  ui(1359, Picture(500, 85, kFace));
  ui(1360, Bar(447, 10));
  entries.push_back({3004, "wizard_logo.rc", Picture(200, 56, Colour{200, 140, 40})});
  for (int id = 22001; id <= 22015; ++id)
    entries.push_back({id, "wizard_pictures.rc", Picture(320, 240, Colour{60 + (id % 5) * 35, 90, 160})});

  std::ofstream scripts[3] = {std::ofstream(folder + "wizard_bitmaps.rc"), std::ofstream(folder + "wizard_logo.rc"),
                              std::ofstream(folder + "wizard_pictures.rc")};
  for (auto& script : scripts) script << "// Generated by wizard_painter; do not edit.\n";
  for (const Entry& e : entries) {
    const std::string file = "wizard_" + std::to_string(e.id) + ".bmp";
    if (!e.canvas.Write(folder + file)) {
      std::fprintf(stderr, "wizard_painter: cannot write %s%s\n", folder.c_str(), file.c_str());
      return 1;
    }
    const std::string name = e.script;
    auto& script = name == "wizard_bitmaps.rc" ? scripts[0] : name == "wizard_logo.rc" ? scripts[1] : scripts[2];
    script << e.id << " BITMAP \"" << file << "\"\n";
  }
  for (auto& script : scripts)
    if (!script) return 1;
  return 0;
}
