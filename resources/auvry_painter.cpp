// auvry_painter <folder>: draws the audio recorder's pictures of the UI library (the window's
// background and title, the spectrum and level bars, REC and Stop) and its own library's two
// icons, each set with the script fragment that names them.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "resources/auvry_skin_ids.h"
#include "resources/bmp_canvas.h"

namespace {

using paint::Canvas;
using paint::Colour;

constexpr Colour kKey{255, 0, 0};
constexpr Colour kDeep{18, 22, 26}, kPanel{34, 40, 46}, kPanelLine{64, 74, 82}, kEdge{90, 104, 114};
constexpr Colour kAccent{214, 160, 60}, kText{130, 145, 153}, kLight{230, 232, 226};
constexpr Colour kGreen{70, 190, 90}, kYellow{230, 210, 60}, kRed{220, 60, 50};

using paint::Mix;

// Green at the bottom through yellow to red at the top: the colour of a band's row.
Colour MeterColour(int fromBottom, int height) {
  const int half = height / 2;
  if (fromBottom < half) return Mix(kGreen, kYellow, fromBottom, half);
  return Mix(kYellow, kRed, fromBottom - half, height - half);
}

// The window: a dark body with framed panels where the groups of controls sit, and 18 x 18
// corners that are red outside a quarter circle.
Canvas Background() {
  constexpr int w = 750, h = 550, r = 18;
  Canvas c(w, h, kDeep);
  c.Frame(0, 0, w, h, kEdge);
  c.Fill(1, 44, w - 2, 1, kAccent);
  struct Box {
    int x, y, w, h;
  };
  // Spectra and levels, read-outs, recording controls, the list.
  for (const Box& b :
       {Box{20, 56, 340, 250}, Box{372, 56, 358, 120}, Box{372, 186, 358, 120}, Box{20, 318, 710, 214}}) {
    c.Fill(b.x, b.y, b.w, b.h, kPanel);
    c.Frame(b.x, b.y, b.w, b.h, kPanelLine);
  }
  for (int cy : {0, h - r})
    for (int cx : {0, w - r})
      for (int y = 0; y < r; ++y)
        for (int x = 0; x < r; ++x) {
          // Distance from the corner's own circle centre, inward.
          const int dx = cx == 0 ? r - x : x + 1, dy = cy == 0 ? r - y : y + 1;
          if (dx * dx + dy * dy > r * r) c.Set(cx + x, cy + y, kKey);
          else if (dx * dx + dy * dy > (r - 1) * (r - 1)) c.Set(cx + x, cy + y, kEdge);
        }
  return c;
}

Canvas Title() {
  Canvas c(320, 26, kDeep);
  c.Fill(0, 4, 6, 18, kAccent);
  // A waveform beside the plate: what the program records.
  for (int x = 12; x < 60; ++x) {
    const int a = ((x * 7) % 11) - 5;
    c.Fill(x, 13 - (a < 0 ? -a : a), 1, 2 * (a < 0 ? -a : a) + 1, kText);
  }
  c.Fill(70, 12, 240, 2, kPanelLine);
  return c;
}

Canvas Bar(Colour tint) {
  constexpr int w = 9, h = 80;
  Canvas c(w, h, kDeep);
  for (int y = 0; y < h; ++y) c.Fill(0, y, w, 1, Mix(MeterColour(h - 1 - y, h), tint, 1, 5));
  return c;
}

Canvas SpectrumBack() {
  constexpr int w = 302, h = 80;
  Canvas c(w, h, kDeep);
  for (int y = 0; y < h; y += 10) c.Fill(0, y, w, 1, kPanel);
  return c;
}

Canvas Level() {
  constexpr int w = 302, h = 24;
  Canvas c(w, h, kDeep);
  c.Frame(0, 0, w, h / 2, kPanelLine);
  for (int x = 0; x < w; ++x) c.Fill(x, h / 2, 1, h / 2, MeterColour(x, w));
  return c;
}

// Five frames: normal, hover, pressed, disabled, and the region (red outside a rounded box).
Canvas Strip(int fw, int fh, bool record) {
  Canvas c(fw * 5, fh, kKey);
  const Colour faces[4] = {Colour{58, 68, 78}, Colour{84, 100, 114}, kDeep, Colour{70, 70, 70}};
  for (int f = 0; f < 5; ++f) {
    const int x0 = f * fw;
    c.Fill(x0 + 2, 0, fw - 4, fh, f == 4 ? Colour{0, 0, 0} : faces[f]);
    c.Fill(x0, 2, fw, fh - 4, f == 4 ? Colour{0, 0, 0} : faces[f]);
    c.Set(x0 + 1, 1, f == 4 ? Colour{0, 0, 0} : faces[f]);
    c.Set(x0 + fw - 2, 1, f == 4 ? Colour{0, 0, 0} : faces[f]);
    c.Set(x0 + 1, fh - 2, f == 4 ? Colour{0, 0, 0} : faces[f]);
    c.Set(x0 + fw - 2, fh - 2, f == 4 ? Colour{0, 0, 0} : faces[f]);
    if (f == 4) continue;
    const Colour mark = f == 3 ? kText : record ? kRed : kLight;
    const int cx = x0 + fw / 2, cy = fh / 2, s = fh / 4;
    if (record) {
      for (int y = -s; y <= s; ++y)
        for (int x = -s; x <= s; ++x)
          if (x * x + y * y <= s * s) c.Set(cx + x, cy + y, mark);
    } else {
      c.Fill(cx - s, cy - s, 2 * s, 2 * s, mark);
    }
  }
  return c;
}

// A 32 x 32 icon: a microphone-like capsule on a round plate, transparent outside it.
Canvas Icon(Colour plate) {
  constexpr int n = 32;
  constexpr Colour kOutside{255, 0, 255};
  Canvas c(n, n, kOutside);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const int dx = 2 * x + 1 - n, dy = 2 * y + 1 - n;
      if (dx * dx + dy * dy > n * n) continue;
      Colour colour = plate;
      if (x >= 12 && x < 20 && y >= 6 && y < 20) colour = kLight;
      if (x >= 15 && x < 17 && y >= 20 && y < 26) colour = kLight;
      c.Set(x, y, colour);
    }
  return c;
}

bool WriteIcon(const std::string& path, Colour plate) { return paint::WriteIcon(path, Icon(plate), {255, 0, 255}); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: auvry_painter <folder>\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  const std::vector<paint::Picture> items = {
      {"IDB_AUVRY_BACKGROUND", "auvry_background.bmp", Background()},
      {"IDB_AUVRY_LEFT_BAR", "auvry_left_bar.bmp", Bar(Colour{80, 160, 230})},
      {"IDB_AUVRY_RIGHT_BAR", "auvry_right_bar.bmp", Bar(kAccent)},
      {"IDB_AUVRY_RECORD", "auvry_record.bmp", Strip(72, 40, true)},
      {"IDB_AUVRY_STOP", "auvry_stop.bmp", Strip(72, 40, false)},
      {"IDB_AUVRY_TITLE", "auvry_title.bmp", Title()},
      {"IDB_AUVRY_SPECTRUM_BACK", "auvry_spectrum_back.bmp", SpectrumBack()},
      {"IDB_AUVRY_LEVEL", "auvry_level.bmp", Level()},
  };
  if (!paint::WritePictures("auvry_painter", dir, "auvry_bitmaps.rc", items)) return 1;
  if (!WriteIcon(dir + "auvry.ico", Colour{47, 127, 192}) || !WriteIcon(dir + "auvry_recording.ico", kAccent)) {
    std::fprintf(stderr, "auvry_painter: cannot write the icons\n");
    return 1;
  }
  std::ofstream icons(dir + "auvry_icons.rc");
  icons << "// Generated by auvry_painter; do not edit.\n"
        << "IDI_AUVRY ICON \"auvry.ico\"\nIDI_AUVRY_RECORDING ICON \"auvry_recording.ico\"\n";
  return icons ? 0 : 1;
}
