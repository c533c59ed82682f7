// corrin_skin_maker <folder>: draws the uploader's skin bitmaps and the resource script naming
// them, so the image library is made from pictures the build drew.
//   buttons      five frames side by side: normal, hover, pressed, disabled, region mask
//   combo arrow  three frames: disabled, normal, pressed
//   check box    six squares: checked, unchecked, each hot and disabled
//   progress     two halves stacked: empty above, filled below
//   close        the title bar's button with its cross, five frames as the buttons'
//   backgrounds  the full and the compact layout; the two link pictures
#include <cstdio>
#include <string>
#include <vector>

#include "resources/bmp_canvas.h"
#include "corrin_ids.h"
#include "corrin_layout.h"

namespace {

using paint::Canvas;
using paint::Colour;

constexpr Colour kKey{255, 0, 0}, kMagenta{255, 0, 255};
constexpr Colour kFace{72, 80, 92}, kHot{96, 108, 124}, kPressed{44, 50, 58}, kDisabled{130, 130, 130};
constexpr Colour kLight{236, 236, 236}, kAccent{200, 40, 40}, kPanel{200, 200, 200}, kBand{52, 60, 72};
constexpr Colour kWhite{255, 255, 254}, kAccentDark{150, 24, 24};

// A face whose corners show the region's key colour.
void Face(Canvas& c, int x, int y, int w, int h, Colour face) {
  c.Fill(x, y, w, h, face);
  c.Frame(x, y, w, h, kLight);
  for (const int cx : {x, x + w - 1})
    for (const int cy : {y, y + h - 1}) c.Set(cx, cy, kKey);
}

bool Button(const std::string& path, int w, int h) {
  Canvas c(w * 5, h, kKey);
  const Colour faces[4] = {kFace, kHot, kPressed, kDisabled};
  for (int i = 0; i < 4; ++i) Face(c, i * w, 0, w, h, faces[i]);
  Face(c, 4 * w, 0, w, h, kFace);
  return c.Write(path);
}

// The title bar's Close: the button's five looks, each with its cross.
bool CloseButton(const std::string& path) {
  constexpr int s = 20;
  Canvas c(s * 5, s, kKey);
  const Colour faces[5] = {kBand, kHot, kPressed, kDisabled, kBand};
  const Colour crosses[5] = {kLight, kWhite, kLight, kPanel, kLight};
  for (int i = 0; i < 5; ++i) {
    Face(c, i * s, 0, s, s, faces[i]);
    for (int d = 5; d < s - 5; ++d)
      for (int t = 0; t < 2; ++t) {
        c.Set(i * s + d + t, d, crosses[i]);
        c.Set(i * s + s - 1 - d - t, d, crosses[i]);
      }
  }
  return c.Write(path);
}

// The service's home link: its red badge with the white play mark, and the name's bar beside.
bool HomeLink(const std::string& path, int w, int h) {
  Canvas c(w, h, kPanel);
  c.RoundBox(2, 2, 36, h - 4, 6, kAccent, kAccentDark, kAccentDark);
  for (int row = 0; row < 12; ++row) {
    const int half = row < 6 ? row : 11 - row;
    c.Fill(15, 8 + row, half + 1, 1, kWhite);
  }
  c.Fill(46, 9, w - 54, 4, kBand);
  c.Fill(46, 16, (w - 54) * 2 / 3, 3, kDisabled);
  return c.Write(path);
}

bool ComboArrow(const std::string& path) {
  constexpr int w = 20, h = 22;
  Canvas c(w * 3, h, kPanel);
  const Colour arrows[3] = {kDisabled, kFace, kPressed};
  for (int i = 0; i < 3; ++i) {
    c.Fill(i * w, 0, w, h, kLight);
    for (int row = 0; row < 5; ++row) c.Fill(i * w + 5 + row, 8 + row, 10 - 2 * row, 1, arrows[i]);
  }
  return c.Write(path);
}

bool CheckBox(const std::string& path) {
  constexpr int s = 14;
  Canvas c(s * 6, s, kMagenta);
  const Colour edges[6] = {kFace, kFace, kHot, kHot, kDisabled, kDisabled};
  for (int i = 0; i < 6; ++i) {
    c.Fill(i * s + 1, 1, s - 2, s - 2, kLight);
    c.Frame(i * s + 1, 1, s - 2, s - 2, edges[i]);
    if (i % 2 == 0) c.Fill(i * s + 4, 4, s - 8, s - 8, i == 4 ? kDisabled : kAccent);
  }
  return c.Write(path);
}

bool Progress(const std::string& path) {
  constexpr int w = 400, h = 10;
  Canvas c(w, h * 2, kLight);
  c.Frame(0, 0, w, h, kDisabled);
  c.Fill(0, h, w, h, kAccent);
  return c.Write(path);
}

bool Background(const std::string& path, int w, int h) {
  Canvas c(w, h, {kPanel.r, kPanel.g, kPanel.b});
  c.Fill(0, 0, w, 40, kBand);
  c.Frame(0, 0, w, h, kBand);
  return c.Write(path);
}

bool Picture(const std::string& path, int w, int h, Colour fill) {
  Canvas c(w, h, fill);
  c.Frame(0, 0, w, h, kLight);
  return c.Write(path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: corrin_skin_maker <folder>\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  struct Item {
    int id;
    const char* file;
    bool written;
  };
  const Item items[] = {
      {IDB_BUTTON_WIDE, "button_wide.bmp", Button(dir + "button_wide.bmp", 100, 30)},
      {IDB_BUTTON_SMALL, "button_small.bmp", Button(dir + "button_small.bmp", 80, 22)},
      {IDB_CLOSE, "close.bmp", CloseButton(dir + "close.bmp")},
      {IDB_COMBO_ARROW, "combo_arrow.bmp", ComboArrow(dir + "combo_arrow.bmp")},
      {IDB_CHECK, "check.bmp", CheckBox(dir + "check.bmp")},
      {IDB_PROGRESS, "progress.bmp", Progress(dir + "progress.bmp")},
      {IDB_BACKGROUND, "background.bmp",
       Background(dir + "background.bmp", corrin::kFullLayout.width, corrin::kFullLayout.height)},
      {IDB_BACKGROUND_COMPACT, "background_compact.bmp",
       Background(dir + "background_compact.bmp", corrin::kCompactLayout.width, corrin::kCompactLayout.height)},
      {IDB_HOME_LINK, "home_link.bmp", HomeLink(dir + "home_link.bmp", 120, 28)},
      {IDB_TERMS_LINK, "terms_link.bmp", Picture(dir + "terms_link.bmp", 90, 14, kBand)},
  };
  std::ofstream rc(dir + "corrin_skin.rc");
  rc << "// Written by corrin_skin_maker: the uploader's skin bitmaps.\n";
  bool ok = true;
  for (const Item& item : items) {
    ok = ok && item.written;
    rc << item.id << " BITMAP \"" << item.file << "\"\n";
  }
  return ok && rc ? 0 : 1;
}
