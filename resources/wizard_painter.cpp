// Paints the wizard's pictures at build time: its frame, page backgrounds, button strips and
// progress strips for the UI library, the logo for the extra library and the large pictures for
// the image library, each as a 24-bit BMP with a script fragment naming it.
//   wizard_painter <output folder>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// One thumb: a face with grip lines, lit while dragged, on the key colour.
Canvas Thumb(int w, int h, bool dragged) {
  Canvas c(w, h, kRed);
  c.RoundBox(0, 0, w, h, 3, dragged ? kHot : kLight, dragged ? kAccent : kDisabled, kTrack);
  for (int k = 0; k < 3; ++k) c.Fill(3, h / 2 - 3 + k * 3, w - 6, 1, kTrack);
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

// A 5 x 7 pixel font for the words the pictures carry, each pixel drawn as a square of `scale`.
const char* Glyph(char ch) {
  switch (ch) {
    case 'A': return ".###.#...##...#######...##...##...#";
    case 'B': return "####.#...#####.#...##...##...#####.";
    case 'C': return ".###.#...##....#....#....#...#.###.";
    case 'D': return "####.#...##...##...##...##...#####.";
    case 'E': return "######....####.#....#....#....#####";
    case 'F': return "######....####.#....#....#....#....";
    case 'G': return ".###.#...##....#.####...##...#.###.";
    case 'H': return "#...##...#######...##...##...##...#";
    case 'I': return ".###...#....#....#....#....#...###.";
    case 'L': return "#....#....#....#....#....#....#####";
    case 'M': return "#...###.###.#.##...##...##...##...#";
    case 'N': return "#...###..##.#.##..###...##...##...#";
    case 'O': return ".###.#...##...##...##...##...#.###.";
    case 'P': return "####.#...##...#####.#....#....#....";
    case 'R': return "####.#...##...#####.#.#..#..#.#...#";
    case 'S': return ".####.....#.....###.....#....#####.";
    case 'T': return "#####..#....#....#....#....#....#..";
    case 'U': return "#...##...##...##...##...##...#.###.";
    case 'V': return "#...##...##...##...#.#.#..#.#...#..";
    case 'W': return "#...##...##...##.#.##.#.##.#.#.#.#.";
    case 'X': return "#...##...#.#.#...#...#.#.#...##...#";
    case 'Y': return "#...##...#.#.#...#....#....#....#..";
    case 'a': return "...........###.....#.#####...#.####";
    case 'l': return ".##....#....#....#....#....#...###.";
    case 'r': return "..........#.##.##...#....#....#....";
    case 'u': return "..........#...##...##...##..##.##.#";
    case 'y': return "..........#...##...#.####....#.###.";
    case '1': return "..#...##....#....#....#....#...###.";
    case '3': return "####.....#...#...##.....##...#.###.";
    case '4': return "...#...##..#.#.#..#.#####...#....#.";
    case '9': return ".###.#...##...#.####....#...#..##..";
    case '-': return "................###................";
    case '/': return ".........#...#...#...#...#.........";
    case '(': return "...#...#...#....#....#.....#.....#.";
    case ')': return ".#.....#.....#....#....#...#...#...";
    default: return nullptr;
  }
}

int TextWidth(const std::string& text, int scale) { return static_cast<int>(text.size()) * 6 * scale - scale; }

// `text` centred on cx, its top at y.
void DrawText(Canvas& c, const std::string& text, int cx, int y, int scale, Colour ink) {
  int x = cx - TextWidth(text, scale) / 2;
  for (char ch : text) {
    if (const char* rows = Glyph(ch)) {
      for (int j = 0; j < 7; ++j)
        for (int i = 0; i < 5; ++i) {
          const std::size_t at = static_cast<std::size_t>(j * 5 + i);
          if (at < std::strlen(rows) && rows[at] == '#') c.Fill(x + i * scale, y + j * scale, scale, scale, ink);
        }
    }
    x += 6 * scale;
  }
}

void Disc(Canvas& c, int cx, int cy, int r, Colour face, Colour hole) {
  for (int j = -r; j <= r; ++j)
    for (int i = -r; i <= r; ++i) {
      const int d = i * i + j * j;
      if (d <= r * r) c.Set(cx + i, cy + j, d <= (r / 5) * (r / 5) ? hole : Mix(face, kLight, i + r, 4 * r));
    }
}

// The playback devices, drawn around (cx, cy) in a box of about 8u x 5u.
enum Player { kCamcorder, kVcr, kTvCable, kDvdPlayer, kGameConsole, kSetTopBox };

void DrawPlayer(Canvas& c, int player, int cx, int cy, int u, Colour body) {
  const Colour dark = kTrack;
  switch (player) {
    case kCamcorder:
      c.RoundBox(cx - 3 * u, cy - 2 * u, 5 * u, 4 * u, u / 2, body, Mix(body, dark, 1, 3), kLight);
      Disc(c, cx + 3 * u, cy, 3 * u / 2, kAccent, dark);  // lens
      c.Fill(cx - 3 * u, cy - 3 * u, 2 * u, u, body);     // viewfinder
      break;
    case kVcr:
      c.RoundBox(cx - 4 * u, cy - 3 * u / 2, 8 * u, 3 * u, u / 3, body, Mix(body, dark, 1, 3), kLight);
      c.Fill(cx - 3 * u, cy - u / 2, 4 * u, u / 2, dark);  // tape slot
      for (int k = 0; k < 3; ++k) c.Fill(cx + 2 * u + k * (u * 2 / 3), cy + u / 3, u / 2, u / 3, kAccent);
      break;
    case kTvCable:
      c.RoundBox(cx - 4 * u, cy - 3 * u, 8 * u, 5 * u, u / 2, body, body, kLight);
      c.Fill(cx - 7 * u / 2, cy - 5 * u / 2, 7 * u, 4 * u, Mix(kAccent, dark, 1, 2));  // screen
      c.Fill(cx - u, cy + 2 * u, 2 * u, u, body);                                      // stand
      break;
    case kDvdPlayer:
      c.RoundBox(cx - 4 * u, cy - u, 8 * u, 2 * u, u / 3, body, Mix(body, dark, 1, 3), kLight);
      c.Fill(cx - 3 * u, cy - u / 4, 3 * u, u / 4, dark);  // disc tray
      Disc(c, cx + 2 * u, cy - 2 * u, 3 * u / 2, kAccent, dark);
      break;
    case kGameConsole:
      c.RoundBox(cx - 4 * u, cy - 2 * u, 8 * u, 4 * u, 3 * u / 2, body, Mix(body, dark, 1, 3), kLight);
      c.Fill(cx - 3 * u, cy - u / 4, 2 * u, u / 2, kLight);  // the cross
      c.Fill(cx - 9 * u / 4, cy - u, u / 2, 2 * u, kLight);
      Disc(c, cx + 2 * u, cy - u / 2, u / 2, kRecordRed, kRecordRed);
      Disc(c, cx + 3 * u, cy + u / 2, u / 2, kAccent, kAccent);
      break;
    default:  // set top box: a box with its display, and its remote
      c.RoundBox(cx - 4 * u, cy - u, 6 * u, 2 * u, u / 3, body, Mix(body, dark, 1, 3), kLight);
      c.Fill(cx - 3 * u, cy - u / 3, 2 * u, 2 * u / 3, Colour{80, 220, 120});
      c.RoundBox(cx + 5 * u / 2, cy - 2 * u, u, 4 * u, u / 3, body, body, kLight);
      break;
  }
}

// A picture button's five frames (normal, hover, pressed, chosen, mask), each drawn by `face`.
template <typename Draw>
Canvas PictureButton(int fw, int fh, Draw face) {
  Canvas c(fw * 5, fh, kRed);
  const Colour faces[] = {kFace, kHot, kPressed, kPressed};
  for (int f = 0; f < 5; ++f) {
    const int x = f * fw;
    if (f == 4) {
      c.RoundBox(x, 0, fw, fh, 10, Colour{0, 0, 0}, Colour{0, 0, 0}, Colour{0, 0, 0});
      continue;
    }
    c.RoundBox(x, 0, fw, fh, 10, Mix(faces[f], kLight, 1, 6), faces[f], f == 3 ? kAccent : kPageLine);
    if (f == 3) c.Frame(x + 2, 2, fw - 4, fh - 4, kAccent);  // the chosen one reads as pressed and lit
    face(c, x, f);
  }
  return c;
}

// The disc buttons of the first page: a disc and the word for what it burns.
Canvas DiscButton(const std::string& word, Colour tint) {
  return PictureButton(200, 180, [&](Canvas& c, int x, int) {
    Disc(c, x + 100, 70, 48, tint, kTrack);
    DrawText(c, word, x + 100, 134, 4, kLight);
  });
}

Canvas PlayerButton(int player) {
  return PictureButton(200, 110, [&](Canvas& c, int x, int f) {
    DrawPlayer(c, player, x + 100, 55, 12, f == 3 ? kHot : Mix(kFace, kLight, 1, 3));
  });
}

// The cable's plug end on: yellow, white and red plugs, or the round S-Video plug.
Canvas CableButton(bool sVideo) {
  return PictureButton(200, 180, [&](Canvas& c, int x, int) {
    if (sVideo) {
      Disc(c, x + 100, 80, 40, Colour{40, 40, 46}, kTrack);
      for (int k = 0; k < 4; ++k) c.Fill(x + 84 + (k % 2) * 26, 66 + (k / 2) * 22, 6, 6, kLight);
      c.Fill(x + 96, 52, 8, 10, kLight);
      DrawText(c, "S-VIDEO", x + 100, 138, 3, kLight);
    } else {
      const Colour plugs[] = {Colour{240, 200, 40}, kLight, kRecordRed};
      for (int k = 0; k < 3; ++k) Disc(c, x + 50 + k * 50, 80, 20, plugs[k], kTrack);
      DrawText(c, "RCA", x + 100, 138, 3, kLight);
    }
  });
}

const char* const kPlayerNames[] = {"CAMCORDER", "VCR", "TV / CABLE", "DVD PLAYER", "GAME CONSOLE", "SET TOP BOX"};

// A line of cable from (x0, y) to (x1, y) with a plug at each end.
void Cable(Canvas& c, int x0, int x1, int y, int thick, Colour colour) {
  c.Fill(std::min(x0, x1), y - thick / 2, std::abs(x1 - x0), thick, colour);
  c.Fill(x0 - 4, y - thick, 8, thick * 2, kLight);
  c.Fill(x1 - 4, y - thick, 8, thick * 2, kLight);
}

// The capture box and the computer, with the USB cable between them.
void BoxAndComputer(Canvas& c, const char* cableName) {
  c.RoundBox(400, 190, 90, 60, 8, kFace, kPressed, kLight);  // the capture box
  DrawText(c, "USB BOX", 445, 262, 2, kLight);
  c.RoundBox(590, 150, 130, 95, 6, kFace, kFace, kLight);  // the computer's screen
  c.Fill(600, 160, 110, 75, Mix(kAccent, kTrack, 1, 2));
  c.Fill(635, 245, 40, 15, kFace);
  c.Fill(610, 260, 90, 8, kFace);
  Cable(c, 490, 590, 220, 4, kLight);
  DrawText(c, "USB", 540, 200, 2, kLight);
  DrawText(c, cableName, 310, 170, 2, kLight);
}

// Page 340's picture for one player and cable: the player, its cables to the box, the box's USB
// cable to the computer.
Canvas ConnectPicture(int player, bool sVideo) {
  Canvas c = Page(Colour{60, 120, 180});
  DrawPlayer(c, player, 140, 220, 14, Mix(kFace, kLight, 1, 3));
  DrawText(c, kPlayerNames[player], 140, 300, 2, kLight);
  const Colour yellow{240, 200, 40}, red = kRecordRed;
  if (sVideo) Cable(c, 220, 400, 205, 8, Colour{20, 20, 24});
  else Cable(c, 220, 400, 205, 4, yellow);
  Cable(c, 220, 400, 222, 4, kLight);
  Cable(c, 220, 400, 236, 4, red);
  BoxAndComputer(c, sVideo ? "S-VIDEO" : "COMPOSITE");
  return c;
}

// The Blu-ray road's picture: an HDV camcorder on the computer's FireWire port.
Canvas HdvPicture() {
  Canvas c = Page(Colour{60, 120, 180});
  DrawPlayer(c, kCamcorder, 160, 210, 16, Mix(kFace, kLight, 1, 3));
  DrawText(c, "HDV CAMCORDER", 160, 290, 2, kLight);
  c.RoundBox(560, 150, 130, 95, 6, kFace, kFace, kLight);
  c.Fill(570, 160, 110, 75, Mix(kAccent, kTrack, 1, 2));
  c.Fill(605, 245, 40, 15, kFace);
  c.Fill(580, 260, 90, 8, kFace);
  Cable(c, 260, 560, 220, 6, Colour{20, 20, 24});
  DrawText(c, "IEEE 1394", 410, 196, 2, kLight);
  return c;
}

// Page 195's picture: the computer with nothing on its cable.
Canvas NoDevicePicture(bool bluRay) {
  Canvas c = Page(Colour{160, 90, 60});
  c.RoundBox(560, 150, 130, 95, 6, kFace, kFace, kLight);
  c.Fill(570, 160, 110, 75, Mix(kAccent, kTrack, 1, 2));
  c.Fill(605, 245, 40, 15, kFace);
  c.Fill(580, 260, 90, 8, kFace);
  Cable(c, 360, 560, 220, 6, bluRay ? Colour{20, 20, 24} : kLight);
  DrawText(c, "?", 300, 200, 6, kLight);
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
  for (int id : {1311, 1312, 1315, 1318, 1319, 1322, 1323, 1340, 1342})
    ui(id, Page(Colour{40 + (id % 7) * 20, 120, 200 - (id % 5) * 20}));
  ui(1313, Buttons(34, 34, kBarMark));
  ui(1316, DiscButton("DVD", Colour{200, 170, 60}));
  ui(1317, DiscButton("Blu-ray", Colour{60, 110, 220}));
  // The player page's six buttons, each over its label: 200 x 110.
  const std::pair<int, int> players[] = {{1325, kCamcorder}, {1321, kVcr},         {1333, kTvCable},
                                         {1327, kDvdPlayer}, {1328, kGameConsole}, {1331, kSetTopBox}};
  for (const auto& [id, player] : players) ui(id, PlayerButton(player));
  ui(1326, CableButton(false));
  ui(1332, CableButton(true));
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
  // The slider takes its thumbs whole: each is one frame, the normal one and the dragged one.
  ui(1337, Thumb(12, 16, false));
  ui(1338, Thumb(12, 16, true));
  ui(1359, Picture(500, 85, kFace));
  ui(1360, Bar(447, 10));
  add(logo, 3004, Picture(200, 56, Colour{200, 140, 40}));
  // Page 340's pictures, page-sized: by player (camcorder, DVD player, game console, set top
  // box, TV / cable, VCR), each with Composite and then S-Video.
  const int order[] = {kCamcorder, kDvdPlayer, kGameConsole, kSetTopBox, kTvCable, kVcr};
  for (int k = 0; k < 12; ++k) add(pictures, 22001 + k, ConnectPicture(order[k / 2], k % 2 == 1));
  add(pictures, 22013, HdvPicture());
  add(pictures, 22014, NoDevicePicture(false));
  add(pictures, 22015, NoDevicePicture(true));
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
