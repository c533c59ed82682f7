// Paints the wizard's pictures at build time: its frame, page backgrounds, button strips and
// progress strips for the UI library, the logo for the extra library and the large pictures for
// the image library, each as a 24-bit BMP with a script fragment naming it.
//   wizard_painter <output folder>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bmp_canvas.h"

namespace {

using paint::Canvas;
using paint::Colour;
using paint::Mix;

constexpr Colour kRed{255, 0, 0};
constexpr Colour kFrame{38, 44, 52}, kBand{56, 66, 78}, kPage{46, 54, 64}, kPageLine{62, 72, 86};
constexpr Colour kFace{70, 86, 106}, kHot{84, 128, 172}, kPressed{30, 42, 56}, kDisabled{110, 114, 120};
constexpr Colour kAccent{47, 150, 220}, kLight{232, 236, 240}, kTrack{24, 30, 38};

// The wizard's frame: a title band, the page well and the button row, with cut corners.
Canvas Frame() {
  Canvas c(800, 550, kFrame);
  c.Gradient(0, 0, 800, 70, kBand, kFrame);
  c.Fill(17, 118, 766, 373, kPage);
  c.Fill(17, 117, 766, 1, kPageLine), c.Fill(17, 491, 766, 1, kPageLine);
  for (int corner = 0; corner < 4; ++corner) c.CutCorner(corner, 18, kRed);
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: wizard_painter <output folder>\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  std::vector<paint::Picture> bitmaps, logo, pictures;
  auto add = [](std::vector<paint::Picture>& to, int id, Canvas c) {
    to.push_back({std::to_string(id), "wizard_" + std::to_string(id) + ".bmp", std::move(c)});
  };
  auto ui = [&](int id, Canvas c) { add(bitmaps, id, std::move(c)); };
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
  add(logo, 3004, Picture(200, 56, Colour{200, 140, 40}));
  for (int id = 22001; id <= 22015; ++id) add(pictures, id, Picture(320, 240, Colour{60 + (id % 5) * 35, 90, 160}));
  const bool written = paint::WritePictures("wizard_painter", folder, "wizard_bitmaps.rc", bitmaps) &&
                       paint::WritePictures("wizard_painter", folder, "wizard_logo.rc", logo) &&
                       paint::WritePictures("wizard_painter", folder, "wizard_pictures.rc", pictures);
  return written ? 0 : 1;
}
