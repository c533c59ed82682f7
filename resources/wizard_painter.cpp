// Paints the wizard's pictures at build time: its frame, page backgrounds, button strips and
// progress strips for the UI library, the logo for the extra library and the large pictures for
// the image library, each as a 24-bit BMP with a script fragment naming it.
//   wizard_painter <output folder>
#include <algorithm>
#include <cstdio>
#include <fstream>
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

// The marks a button's face carries, drawn around its centre within `s` pixels each way.
enum Mark {
  kBackMark,
  kNextMark,
  kExitMark,
  kMinimiseMark,
  kBarMark,
  kRecordMark,
  kSquareMark,
  kPlayMark,
  kPauseMark,
  kRewindMark,
  kForwardMark
};

constexpr Colour kRecordRed{220, 40, 40};

// A triangle pointing left or right, its tip `reach` pixels from x0.
void Triangle(Canvas& c, int x0, int cy, int s, int reach, bool right, Colour colour) {
  for (int k = -s; k <= s; ++k) {
    const int length = reach * (s - (k < 0 ? -k : k)) / std::max(s, 1) + 1;
    c.Fill(right ? x0 : x0 - length + 1, cy + k, length, 1, colour);
  }
}

void DrawMark(Canvas& c, int mark, int cx, int cy, int s) {
  switch (mark) {
    case kRecordMark:
      for (int j = -s; j <= s; ++j)
        for (int i = -s; i <= s; ++i)
          if (i * i + j * j <= s * s) c.Set(cx + i, cy + j, kRecordRed);
      return;
    case kSquareMark: c.Fill(cx - s, cy - s, 2 * s + 1, 2 * s + 1, kLight); return;
    case kPlayMark: Triangle(c, cx - s, cy, s, 2 * s, true, kLight); return;
    case kPauseMark:
      c.Fill(cx - s, cy - s, s * 2 / 3 + 1, 2 * s + 1, kLight);
      c.Fill(cx + s - s * 2 / 3, cy - s, s * 2 / 3 + 1, 2 * s + 1, kLight);
      return;
    case kRewindMark:
      Triangle(c, cx, cy, s, s, false, kLight);
      Triangle(c, cx + s, cy, s, s, false, kLight);
      return;
    case kForwardMark:
      Triangle(c, cx - s, cy, s, s, true, kLight);
      Triangle(c, cx, cy, s, s, true, kLight);
      return;
    default: break;
  }
  for (int k = -s; k <= s; ++k) {
    switch (mark) {
      case kBackMark: c.Fill(cx - s + (k < 0 ? -k : k), cy + k, 2, 1, kLight); break;
      case kNextMark: c.Fill(cx + s - (k < 0 ? -k : k), cy + k, 2, 1, kLight); break;
      case kExitMark: c.Set(cx + k, cy + k, kLight), c.Set(cx + k, cy - k, kLight); break;
      case kMinimiseMark: c.Fill(cx - s, cy + s, 2 * s, 2, kLight); break;
      default: c.Fill(cx - 1, cy + k, 3, 1, kLight); break;
    }
  }
}

// Five frames (normal, hover, pressed, disabled, mask) of one button with a light mark.
Canvas Buttons(int fw, int fh, int mark) {
  Canvas c(fw * 5, fh, kRed);
  const Colour faces[] = {kFace, kHot, kPressed, kDisabled};
  for (int f = 0; f < 5; ++f) {
    const int x = f * fw;
    const Colour face = f < 4 ? faces[f] : Colour{0, 0, 0};
    c.Fill(x + 1, 1, fw - 2, fh - 2, face);
    if (f < 4) DrawMark(c, mark, x + fw / 2, fh / 2, std::min(fw, fh) / 5);
  }
  return c;
}

// Six check boxes (checked, unchecked, each also pressed and disabled) of `box` pixels, on the
// page's colour.
Canvas CheckBoxes(int box) {
  Canvas c(box * 6, box, kPage);
  for (int i = 0; i < 6; ++i) {
    const bool checked = i % 2 == 0, pressed = i == 2 || i == 3, disabled = i >= 4;
    const int x = i * box;
    c.Fill(x + 1, 1, box - 2, box - 2, disabled ? kDisabled : kLight);
    c.Fill(x + 3, 3, box - 6, box - 6, pressed ? kHot : disabled ? kDisabled : kTrack);
    if (checked) c.Fill(x + 6, 6, box - 12, box - 12, disabled ? kLight : kAccent);
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

// The program's icon, 32 x 32: a disc on the accent colour, its hole and edge in the frame's.
Canvas WizardIcon() {
  constexpr int n = 32;
  constexpr Colour kKey{255, 0, 255};
  Canvas c(n, n, kKey);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const int dx = 2 * x + 1 - n, dy = 2 * y + 1 - n, d = dx * dx + dy * dy;  // doubled, from the centre
      if (d > n * n) continue;
      const bool edge = d > (n - 3) * (n - 3), hole = d < 36;
      c.Set(x, y, edge || hole ? kFrame : d < 144 ? kLight : Mix(kAccent, kLight, dx + n, 4 * n));
    }
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
  ui(1302, Buttons(90, 32, kBackMark));
  ui(1303, Buttons(30, 30, kBarMark));
  ui(1304, Buttons(30, 30, kMinimiseMark));
  ui(1305, Buttons(90, 32, kNextMark));
  ui(1306, Bar(160, 24));
  ui(1307, Buttons(30, 30, kExitMark));
  ui(1308, Buttons(90, 32, kExitMark));
  for (int id : {1311, 1312, 1315, 1318, 1319, 1321, 1322, 1323, 1325, 1331, 1340, 1342})
    ui(id, Page(Colour{40 + (id % 7) * 20, 120, 200 - (id % 5) * 20}));
  ui(1313, Buttons(34, 34, kBarMark));
  for (int id : {1316, 1317, 1326, 1327, 1328, 1332, 1333}) ui(id, Buttons(200, 180, kBarMark));
  for (int id : {1314, 1320}) ui(id, Buttons(40, 30, kBarMark));
  ui(1345, Picture(320, 46, kFace));
  ui(1346, Bar(280, 15));
  for (int id : {1343, 1344}) ui(id, Buttons(90, 32, kBarMark));
  ui(1341, CheckBoxes(20));
  // Record and Stop of the record pages, and the camcorder's tape buttons.
  ui(1347, Buttons(90, 32, kRecordMark));
  ui(1348, Buttons(90, 32, kSquareMark));
  ui(1349, Buttons(40, 30, kPlayMark));
  ui(1350, Buttons(40, 30, kPauseMark));
  ui(1351, Buttons(40, 30, kSquareMark));
  ui(1352, Buttons(40, 30, kRewindMark));
  ui(1353, Buttons(40, 30, kForwardMark));
  ui(1335, Buttons(16, 27, kBarMark));
  ui(1336, Bar(572, 15));
  ui(1337, Buttons(12, 16, kBarMark));
  ui(1338, Buttons(12, 16, kBarMark));
  ui(1359, Picture(500, 85, kFace));
  ui(1360, Bar(447, 10));
  add(logo, 3004, Picture(200, 56, Colour{200, 140, 40}));
  for (int id = 22001; id <= 22015; ++id) add(pictures, id, Picture(320, 240, Colour{60 + (id % 5) * 35, 90, 160}));
  const bool written = paint::WriteIcon(folder + "wendrel.ico", WizardIcon(), Colour{255, 0, 255}) &&
                       paint::WritePictures("wizard_painter", folder, "wizard_bitmaps.rc", bitmaps) &&
                       paint::WritePictures("wizard_painter", folder, "wizard_logo.rc", logo) &&
                       paint::WritePictures("wizard_painter", folder, "wizard_pictures.rc", pictures);
  // The program's own library takes its icon from a script beside it: a script finds its files in
  // its own folder.
  std::ofstream icon(folder + "wendrel_icon.rc");
  icon << "IDR_WENDREL_ICON ICON \"wendrel.ico\"\n";
  return written && icon.good() ? 0 : 1;
}
