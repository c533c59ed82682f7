// Paints the main program's window skin at build time: the nine-piece frame whose piece sizes set
// the window's layout, the clip list's background and the button strips (five frames: normal,
// hover, pressed, disabled and the region mask, red outside). The frame and the small buttons go
// to the UI library, the step and Project buttons to the program's own library, a second name
// plate to the extra library; the program's icon goes with its own library.
//   studio_painter <output folder>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bmp_canvas.h"

namespace {

using paint::Canvas;
using paint::Colour;

constexpr Colour kRed{255, 0, 0}, kBlack{0, 0, 0};
constexpr Colour kBorder{16, 24, 32}, kTrack{30, 38, 48};
constexpr Colour kBandTop{62, 76, 96}, kBandBottom{32, 40, 52};
constexpr Colour kPanel{44, 56, 72}, kWell{8, 10, 14};
constexpr Colour kFaceTop{70, 86, 106}, kFaceBottom{44, 56, 72};
constexpr Colour kHotTop{84, 128, 172}, kHotBottom{52, 86, 124};
constexpr Colour kPressedTop{30, 42, 56}, kPressedBottom{47, 127, 192};
constexpr Colour kDisabledTop{128, 132, 138}, kDisabledBottom{104, 108, 114};
constexpr Colour kAccent{112, 192, 245}, kAccentDark{47, 127, 192}, kLight{232, 236, 240}, kMark{230, 160, 64};
constexpr Colour kGrey{160, 164, 168};

// The frame's geometry: the main window lays itself out from these sizes.
constexpr int kTopHeight = 60, kTopLeftWidth = 200, kTopMiddleWidth = 490, kTopRightWidth = 240;
constexpr int kLeftWidth = 14, kSideStep = 40;
constexpr int kRightWidth = 160, kRightTopHeight = 20, kRightEndHeight = 96;
constexpr int kBottomHeight = 20, kBottomCornerWidth = 40;
constexpr int kCornerRadius = 14;

Colour Mix(Colour a, Colour b, int num, int den) {
  if (den <= 0) return a;
  return Colour{a.r + (b.r - a.r) * num / den, a.g + (b.g - a.g) * num / den, a.b + (b.b - a.b) * num / den};
}

void Gradient(Canvas& c, int x, int y, int w, int h, Colour top, Colour bottom) {
  for (int j = 0; j < h; ++j) c.Fill(x, y + j, w, 1, Mix(top, bottom, j, std::max(h - 1, 1)));
}

// 0 outside a box of w x h with corners of radius r, 1 on its outline, 2 inside.
int InsideRounded(int i, int j, int w, int h, int r) {
  const int cx = std::clamp(i, r, w - r - 1), cy = std::clamp(j, r, h - r - 1);
  const int d = (i - cx) * (i - cx) + (j - cy) * (j - cy);
  if (d > r * r) return 0;
  const bool edge = i == 0 || j == 0 || i == w - 1 || j == h - 1 || d > (r - 1) * (r - 1);
  return edge ? 1 : 2;
}

void RoundBox(Canvas& c, int x, int y, int w, int h, int r, Colour top, Colour bottom, Colour line) {
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i)
      if (const int inside = InsideRounded(i, j, w, h, r))
        c.Set(x + i, y + j, inside == 1 ? line : Mix(top, bottom, j, std::max(h - 1, 1)));
}

// Pure red outside a quarter circle in one corner (0 top left, 1 top right, 2 bottom left,
// 3 bottom right): the key the window's corner regions are cut with.
void CutCorner(Canvas& c, int corner) {
  const int r = kCornerRadius;
  for (int j = 0; j < r; ++j)
    for (int i = 0; i < r; ++i) {
      const int dx = r - i, dy = r - j;
      if (dx * dx + dy * dy <= r * r) continue;
      const int x = corner % 2 == 0 ? i : c.Width() - 1 - i;
      const int y = corner < 2 ? j : c.Height() - 1 - j;
      c.Set(x, y, kRed);
    }
}

// The top band: a lit edge, a gradient and an accent line above its lower border.
Canvas TopBand(int w) {
  Canvas c(w, kTopHeight, kBandTop);
  Gradient(c, 0, 0, w, kTopHeight, kBandTop, kBandBottom);
  c.Fill(0, 0, w, 1, kFaceTop);
  c.Fill(0, kTopHeight - 4, w, 1, kAccentDark);
  c.Fill(0, kTopHeight - 3, w, 3, kBorder);
  return c;
}

// The top-left corner carries the product's name plate; `lit` tells the extra library's apart.
Canvas TopLeft(Colour lit) {
  Canvas c = TopBand(kTopLeftWidth);
  RoundBox(c, 22, 14, 156, 32, 8, lit, kFaceBottom, kLight);
  c.Fill(36, 28, 128, 4, kMark);
  c.Fill(0, 0, 2, kTopHeight, kBorder);
  CutCorner(c, 0);
  return c;
}

// The step buttons sit in a recess in the middle of the top side.
Canvas TopMiddle() {
  Canvas c = TopBand(kTopMiddleWidth);
  RoundBox(c, 0, 12, kTopMiddleWidth, 46, 8, kTrack, kBandBottom, kBorder);
  return c;
}

Canvas TopRight() {
  Canvas c = TopBand(kTopRightWidth);
  RoundBox(c, 6, 15, kTopRightWidth - 14, 41, 8, kTrack, kBandBottom, kBorder);
  c.Fill(kTopRightWidth - 2, 0, 2, kTopHeight, kBorder);
  CutCorner(c, 1);
  return c;
}

Canvas Left() {
  Canvas c(kLeftWidth, kSideStep, kPanel);
  for (int i = 0; i < kLeftWidth; ++i) c.Fill(i, 0, 1, kSideStep, Mix(kPanel, kBandBottom, i, kLeftWidth - 1));
  c.Fill(0, 0, 2, kSideStep, kBorder);
  c.Fill(2, 0, 1, kSideStep, kFaceTop);
  c.Fill(kLeftWidth - 1, 0, 1, kSideStep, kBorder);
  return c;
}

// The right side is the clip list's column: a panel with a dark well the list fills, which
// begins under the top piece and ends above the buttons of the end piece.
constexpr int kWellLeft = 10, kWellWidth = kRightWidth - 21;

Canvas RightPanel(int h) {
  Canvas c(kRightWidth, h, kPanel);
  c.Fill(0, 0, 1, h, kBorder);
  c.Fill(kRightWidth - 2, 0, 2, h, kBorder);
  c.Fill(kRightWidth - 3, 0, 1, h, kFaceTop);
  return c;
}

Canvas RightTop() {
  Canvas c = RightPanel(kRightTopHeight);
  RoundBox(c, kWellLeft, 14, kWellWidth, 16, 5, kWell, kWell, kBorder);
  return c;
}

Canvas RightSegment() {
  Canvas c = RightPanel(8);
  c.Fill(kWellLeft, 0, kWellWidth, 8, kWell);
  c.Fill(kWellLeft, 0, 1, 8, kBorder);
  c.Fill(kWellLeft + kWellWidth - 1, 0, 1, 8, kBorder);
  return c;
}

Canvas RightEnd() {
  Canvas c = RightPanel(kRightEndHeight);
  RoundBox(c, kWellLeft, -6, kWellWidth, 9, 4, kWell, kWell, kBorder);
  c.Fill(kWellLeft, 45, kWellWidth, 1, kBorder);
  c.Fill(kWellLeft, 46, kWellWidth, 1, kFaceTop);
  return c;
}

Canvas Bottom(int w, int corner) {
  Canvas c(w, kBottomHeight, kPanel);
  Gradient(c, 0, 0, w, kBottomHeight, kPanel, kBandBottom);
  c.Fill(0, 0, w, 1, kFaceTop);
  c.Fill(0, kBottomHeight - 2, w, 2, kBorder);
  if (corner == 2) c.Fill(0, 0, 2, kBottomHeight, kBorder);
  if (corner == 3) c.Fill(w - 2, 0, 2, kBottomHeight, kBorder);
  if (corner >= 0) CutCorner(c, corner);
  return c;
}

// The clip list's background: the list's own black with a faint lit edge at the top.
Canvas ClipListBackground() {
  Canvas c(kRightWidth, 1200, kBlack);
  c.Fill(0, 0, kRightWidth, 1, kTrack);
  return c;
}

struct Face {
  Colour top, bottom;
};
constexpr Face kFaces[4] = {
    {kFaceTop, kFaceBottom}, {kHotTop, kHotBottom}, {kPressedTop, kPressedBottom}, {kDisabledTop, kDisabledBottom}};

// A glyph drawn on every frame of a strip: 0 none, 1 "?", 2 "_", 3 full screen, 4 normal size, 5 "X".
void Glyph(Canvas& c, int x, int w, int h, int glyph, Colour ink) {
  const int cx = x + w / 2, cy = h / 2;
  switch (glyph) {
    case 1:  // a question mark: hook, stem and dot
      c.Fill(cx - 4, cy - 8, 8, 2, ink);
      c.Fill(cx + 3, cy - 7, 2, 5, ink);
      c.Fill(cx - 5, cy - 7, 2, 3, ink);
      c.Fill(cx - 1, cy - 2, 4, 2, ink);
      c.Fill(cx - 1, cy, 2, 3, ink);
      c.Fill(cx - 1, cy + 5, 2, 2, ink);
      break;
    case 2: c.Fill(cx - 6, cy + 4, 12, 3, ink); break;
    case 3: c.Frame(cx - 7, cy - 6, 14, 12, ink), c.Fill(cx - 7, cy - 6, 14, 3, ink); break;
    case 4:
      c.Frame(cx - 4, cy - 7, 11, 9, ink), c.Fill(cx - 4, cy - 7, 11, 2, ink);
      c.Fill(cx - 7, cy - 3, 11, 10, kFaceBottom);
      c.Frame(cx - 7, cy - 3, 11, 10, ink), c.Fill(cx - 7, cy - 3, 11, 2, ink);
      break;
    case 5:
      for (int k = -5; k <= 5; ++k)
        c.Fill(cx + k - 1, cy + k - 1, 3, 3, ink), c.Fill(cx + k - 1, cy - k - 1, 3, 3, ink);
      break;
    default: break;
  }
}

Canvas Button(int w, int h, int glyph) {
  Canvas c(w * 5, h, kRed);
  const int r = std::min(6, std::min(w, h) / 4);
  for (int f = 0; f < 4; ++f) {
    RoundBox(c, f * w, 0, w, h, r, kFaces[f].top, kFaces[f].bottom, kBorder);
    if (f == 1) c.Fill(f * w + r, 1, w - 2 * r, 1, kAccent);  // the hover look lights the top edge
    if (f == 2) c.Fill(f * w + r, h - 2, w - 2 * r, 1, kAccent);
    Glyph(c, f * w, w, h, glyph, f == 3 ? kGrey : kLight);
  }
  RoundBox(c, 4 * w, 0, w, h, r, kBlack, kBlack, kBlack);
  return c;
}

// The program's icon, 32 x 32: a lit rounded square with a play mark, written as an ICO file
// (one 32-bit image, transparent outside the square).
bool WriteIcon(const std::string& path) {
  constexpr int n = 32;
  std::string out;
  auto put16 = [&out](unsigned v) { out += static_cast<char>(v & 0xFF), out += static_cast<char>((v >> 8) & 0xFF); };
  auto put32 = [&put16](unsigned v) { put16(v & 0xFFFF), put16(v >> 16); };
  const unsigned maskStride = 4, pixels = n * n * 4, mask = maskStride * n;
  put16(0), put16(1), put16(1);  // an icon file of one image
  out += static_cast<char>(n), out += static_cast<char>(n), out += '\0', out += '\0';
  put16(1), put16(32), put32(40 + pixels + mask), put32(6 + 16);
  put32(40), put32(n), put32(2 * n), put16(1), put16(32);
  for (unsigned v : {0u, pixels + mask, 0u, 0u, 0u, 0u}) put32(v);
  for (int y = n - 1; y >= 0; --y)
    for (int x = 0; x < n; ++x) {
      const int inside = InsideRounded(x, y, n, n, 7);
      Colour c = inside == 1 ? kBorder : Mix(kHotTop, kAccentDark, y, n - 1);
      const int dx = x - 12, dy = y - 16;  // the play mark
      if (inside == 2 && dx >= 0 && dx < 10 && dy * 2 <= 10 - dx && -dy * 2 <= 10 - dx) c = kLight;
      out += static_cast<char>(c.b), out += static_cast<char>(c.g), out += static_cast<char>(c.r);
      out += static_cast<char>(inside ? 0xFF : 0x00);
    }
  for (int y = n - 1; y >= 0; --y) {
    unsigned bits = 0;
    for (int x = 0; x < n; ++x)
      if (!InsideRounded(x, y, n, n, 7)) bits |= 1u << (31 - x);
    for (int k = 3; k >= 0; --k) out += static_cast<char>((bits >> (8 * k)) & 0xFF);
  }
  std::ofstream file(path, std::ios::binary);
  file << out;
  return static_cast<bool>(file);
}

struct Strip {
  const char* id;
  const char* file;
  Canvas canvas;
};

bool WriteStrips(const std::string& folder, const char* scriptName, const std::vector<Strip>& strips) {
  std::ofstream script(folder + scriptName);
  script << "// Generated by studio_painter; do not edit.\n";
  for (const Strip& strip : strips) {
    if (!strip.canvas.Write(folder + strip.file)) {
      std::fprintf(stderr, "studio_painter: cannot write %s%s\n", folder.c_str(), strip.file);
      return false;
    }
    script << strip.id << " BITMAP \"" << strip.file << "\"\n";
  }
  return static_cast<bool>(script);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: studio_painter <output folder>\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  const std::vector<Strip> ui = {
      {"IDB_MAIN_BOTTOM_LEFT", "main_bottom_left.bmp", Bottom(kBottomCornerWidth, 2)},
      {"IDB_MAIN_BOTTOM", "main_bottom.bmp", Bottom(8, -1)},
      {"IDB_MAIN_BOTTOM_RIGHT", "main_bottom_right.bmp", Bottom(kBottomCornerWidth, 3)},
      {"IDB_MAIN_LEFT", "main_left.bmp", Left()},
      {"IDB_MAIN_LEFT_END", "main_left_end.bmp", Left()},
      {"IDB_MAIN_RIGHT_TOP", "main_right_top.bmp", RightTop()},
      {"IDB_MAIN_RIGHT", "main_right.bmp", RightSegment()},
      {"IDB_MAIN_RIGHT_END", "main_right_end.bmp", RightEnd()},
      {"IDB_MAIN_TOP_LEFT", "main_top_left.bmp", TopLeft(kHotTop)},
      {"IDB_MAIN_TOP", "main_top.bmp", TopBand(4)},
      {"IDB_MAIN_TOP_MIDDLE", "main_top_middle.bmp", TopMiddle()},
      {"IDB_MAIN_TOP_RIGHT", "main_top_right.bmp", TopRight()},
      {"IDB_MAIN_ADD", "main_add.bmp", Button(62, 34, 0)},
      {"IDB_MAIN_DELETE", "main_delete.bmp", Button(62, 34, 0)},
      {"IDB_MAIN_IPOD", "main_ipod.bmp", Button(40, 34, 0)},
      {"IDB_MAIN_PSP", "main_psp.bmp", Button(40, 34, 0)},
      {"IDB_MAIN_HD", "main_hd.bmp", Button(40, 34, 0)},
      {"IDB_CLIP_LIST_BACKGROUND", "clip_list_background.bmp", ClipListBackground()},
      {"IDB_MAIN_CLOSE", "main_close.bmp", Button(32, 31, 5)},
      {"IDB_MAIN_HELP", "main_help.bmp", Button(32, 31, 1)},
      {"IDB_MAIN_FULL", "main_full.bmp", Button(31, 31, 3)},
      {"IDB_MAIN_MINIMIZE", "main_minimize.bmp", Button(32, 31, 2)},
      {"IDB_MAIN_NORMAL", "main_normal.bmp", Button(31, 31, 4)},
  };
  const std::vector<Strip> own = {
      {"IDB_STEP_CAPTURE", "step_capture.bmp", Button(156, 36, 0)},
      {"IDB_STEP_EDIT", "step_edit.bmp", Button(156, 36, 0)},
      {"IDB_STEP_BURN", "step_burn.bmp", Button(156, 36, 0)},
      {"IDB_PROJECT_BUTTON", "project_button.bmp", Button(64, 31, 0)},
  };
  const std::vector<Strip> extra = {
      {"IDB_EXTRA_MAIN_TOP_LEFT", "extra_main_top_left.bmp", TopLeft(kAccent)},
  };
  if (!WriteStrips(folder, "studio_own_bitmaps.rc", own) || !WriteStrips(folder, "studio_extra_bitmaps.rc", extra) ||
      !WriteIcon(folder + "quillon.ico"))
    return 1;
  // Named beside the buttons: a script finds its files in its own folder.
  std::ofstream(folder + "studio_own_bitmaps.rc", std::ios::app) << "IDR_MAINFRAME ICON \"quillon.ico\"\n";
  return WriteStrips(folder, "studio_ui_bitmaps.rc", ui) ? 0 : 1;
}
