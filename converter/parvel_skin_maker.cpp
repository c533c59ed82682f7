// parvel_skin_maker <folder>: draws the converter's skin bitmaps and the resource script that
// names them, so the image library is made from pictures the build drew.
//   buttons      five frames side by side: normal, hover, pressed, disabled, region mask
//   combo arrow  three frames: disabled, normal, pressed
//   check box    six squares: checked, unchecked, each hot and disabled
//   progress     two halves stacked: empty above, filled below
//   scroll tiles nine square tiles; background a quiet dark pattern
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "resources/bmp_canvas.h"
#include "parvel_ids.h"

namespace {

using paint::Canvas;
using paint::Colour;

constexpr Colour kKey{255, 0, 0}, kMagenta{255, 0, 255};
constexpr Colour kFace{58, 54, 46}, kHot{86, 80, 66}, kPressed{36, 33, 28}, kDisabled{96, 96, 96};
constexpr Colour kAccent{214, 160, 60}, kText{153, 145, 130}, kDark{20, 25, 28}, kLight{230, 226, 214};

// A face with cut corners that show the region key colour.
void Face(Canvas& c, int x, int y, int w, int h, Colour face, Colour line) {
  c.Fill(x, y, w, h, face);
  c.Frame(x, y, w, h, line);
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2 - i; ++j) {
      c.Set(x + i, y + j, kKey);
      c.Set(x + w - 1 - i, y + j, kKey);
      c.Set(x + i, y + h - 1 - j, kKey);
      c.Set(x + w - 1 - i, y + h - 1 - j, kKey);
    }
}

// A glyph drawn in the middle of each frame: what the button does.
enum class Glyph { kPlus, kMinus, kFolder, kPlay, kStop, kCross };

void DrawGlyph(Canvas& c, int x, int y, int w, int h, Glyph g, Colour ink) {
  const int cx = x + w / 2, cy = y + h / 2;
  switch (g) {
    case Glyph::kPlus:
      c.Fill(cx - 5, cy - 1, 11, 3, ink);
      c.Fill(cx - 1, cy - 5, 3, 11, ink);
      break;
    case Glyph::kMinus: c.Fill(cx - 5, cy - 1, 11, 3, ink); break;
    case Glyph::kFolder:
      c.Fill(cx - 7, cy - 3, 14, 8, ink);
      c.Fill(cx - 7, cy - 5, 6, 2, ink);
      break;
    case Glyph::kPlay:
      for (int i = 0; i < 8; ++i) c.Fill(cx - 4 + i, cy - 7 + i, 1, 15 - 2 * i, ink);
      break;
    case Glyph::kStop: c.Fill(cx - 5, cy - 5, 11, 11, ink); break;
    case Glyph::kCross:
      for (int i = -4; i <= 4; ++i) {
        c.Fill(cx + i, cy + i, 2, 2, ink);
        c.Fill(cx + i, cy - i, 2, 2, ink);
      }
      break;
  }
}

bool Button(const std::string& path, int w, int h, Glyph g) {
  Canvas c(w * 5, h, kKey);
  const Colour faces[4] = {kFace, kHot, kPressed, kDisabled};
  for (int i = 0; i < 4; ++i) {
    Face(c, i * w, 0, w, h, faces[i], kDark);
    DrawGlyph(c, i * w, 0, w, h, g, i == 3 ? kText : (i == 1 ? kAccent : kLight));
  }
  Face(c, 4 * w, 0, w, h, kLight, kLight);
  return c.Write(path);
}

bool ComboArrow(const std::string& path) {
  Canvas c(48, 16, kFace);
  const Colour ink[3] = {kDisabled, kText, kAccent};
  for (int i = 0; i < 3; ++i) {
    c.Frame(i * 16, 0, 16, 16, kDark);
    for (int j = 0; j < 4; ++j) c.Fill(i * 16 + 4 + j, 6 + j, 8 - 2 * j, 1, ink[i]);
  }
  return c.Write(path);
}

bool CheckBox(const std::string& path) {
  Canvas c(6 * 14, 14, kMagenta);
  for (int i = 0; i < 6; ++i) {
    const bool checked = i % 2 == 0;
    const Colour line = i >= 4 ? kDisabled : (i >= 2 ? kAccent : kText);
    c.Frame(i * 14 + 1, 1, 12, 12, line);
    if (checked) c.Fill(i * 14 + 4, 4, 6, 6, line);
  }
  return c.Write(path);
}

bool Progress(const std::string& path) {
  Canvas c(400, 20, kDark);
  c.Frame(0, 0, 400, 10, kFace);
  for (int x = 0; x < 400; ++x) c.Fill(x, 10, 1, 10, Colour{kAccent.r - x / 20, kAccent.g - x / 25, kAccent.b});
  return c.Write(path);
}

bool ScrollTiles(const std::string& path) {
  Canvas c(9 * 16, 16, kFace);
  for (int i = 0; i < 9; ++i) {
    c.Frame(i * 16, 0, 16, 16, kDark);
    c.Fill(i * 16 + 6, 6, 4, 4, i % 3 == 1 ? kAccent : kText);
  }
  return c.Write(path);
}

// One column of the header's face, tiled across it, and the two-pixel line between columns.
bool Header(const std::string& path) {
  Canvas c(1, 21, kFace);
  for (int y = 0; y < 21; ++y) c.Set(0, y, Colour{150 - y * 3, 146 - y * 3, 136 - y * 3});
  return c.Write(path);
}

bool HeaderSeparator(const std::string& path) {
  Canvas c(2, 21, kDark);
  c.Fill(1, 0, 1, 21, kText);
  return c.Write(path);
}

bool Background(const std::string& path) {
  Canvas c(32, 32, Colour{38, 36, 32});
  for (int y = 0; y < 32; y += 4)
    for (int x = (y / 4) % 2 * 2; x < 32; x += 4) c.Set(x, y, Colour{46, 43, 38});
  return c.Write(path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: parvel_skin_maker <folder>\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  struct Item {
    int id;
    const char* file;
    bool ok;
  };
  const Item items[] = {
      {IDB_ADD, "add.bmp", Button(dir + "add.bmp", 40, 24, Glyph::kPlus)},
      {IDB_REMOVE, "remove.bmp", Button(dir + "remove.bmp", 40, 24, Glyph::kMinus)},
      {IDB_BROWSE, "browse.bmp", Button(dir + "browse.bmp", 30, 20, Glyph::kFolder)},
      {IDB_START, "start.bmp", Button(dir + "start.bmp", 100, 32, Glyph::kPlay)},
      {IDB_STOP, "stop.bmp", Button(dir + "stop.bmp", 100, 32, Glyph::kStop)},
      {IDB_CLOSE, "close.bmp", Button(dir + "close.bmp", 20, 20, Glyph::kCross)},
      {IDB_CLOSE_SMALL, "close_small.bmp", Button(dir + "close_small.bmp", 16, 16, Glyph::kCross)},
      {IDB_COMBO_ARROW, "combo_arrow.bmp", ComboArrow(dir + "combo_arrow.bmp")},
      {IDB_CHECK, "check.bmp", CheckBox(dir + "check.bmp")},
      {IDB_PROGRESS, "progress.bmp", Progress(dir + "progress.bmp")},
      {IDB_SCROLL_TILES, "scroll_tiles.bmp", ScrollTiles(dir + "scroll_tiles.bmp")},
      {IDB_BACKGROUND, "background.bmp", Background(dir + "background.bmp")},
      {IDB_HEADER, "header.bmp", Header(dir + "header.bmp")},
      {IDB_HEADER_SEPARATOR, "header_separator.bmp", HeaderSeparator(dir + "header_separator.bmp")},
  };
  std::ofstream rc(dir + "parvel_skin.rc");
  rc << "// Written by the build: the converter's skin bitmaps.\n";
  for (const Item& item : items) {
    if (!item.ok) {
      std::fprintf(stderr, "parvel_skin_maker: cannot write %s\n", item.file);
      return 1;
    }
    rc << item.id << " BITMAP \"" << item.file << "\"\n";
  }
  return rc ? 0 : 1;
}
