// Paints the recorder's list header, burn dialog face, buttons, progress strip and check box
// into BMP files, with the script fragment that names them, at build time.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "auvry_burn_ids.h"
#include "bmp_canvas.h"

namespace {

using paint::Canvas;
using paint::Colour;

constexpr Colour kRed{255, 0, 0};  // cut away by the buttons' region
constexpr Colour kBlack{0, 0, 0};
constexpr Colour kPanel{54, 61, 64};
constexpr Colour kPanelDark{38, 43, 45};
constexpr Colour kLine{90, 100, 106};
constexpr Colour kFace{76, 84, 88};
constexpr Colour kHot{96, 108, 114};
constexpr Colour kPressed{44, 50, 53};
constexpr Colour kDisabled{62, 66, 68};
constexpr Colour kMark{130, 145, 153};
constexpr Colour kAccent{176, 120, 60};

// Five frames: normal, hover, pressed, disabled and the region mask; a glyph marks what it does.
Canvas Button(int w, int h, const std::vector<std::pair<int, int>>& glyph) {
  Canvas c(w * 5, h, kRed);
  const Colour faces[4] = {kFace, kHot, kPressed, kDisabled};
  for (int f = 0; f < 4; ++f) {
    c.Fill(f * w + 1, 1, w - 2, h - 2, faces[f]);
    c.Frame(f * w, 0, w, h, kLine);
    for (const auto& [x, y] : glyph) c.Fill(f * w + x, y, 2, 2, f == 3 ? kLine : kMark);
  }
  c.Fill(4 * w, 0, w, h, kBlack);
  return c;
}

std::vector<std::pair<int, int>> Line(int x0, int y0, int x1, int y1) {
  std::vector<std::pair<int, int>> points;
  const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
  for (int i = 0; i <= steps; i += 2)
    points.push_back({x0 + (x1 - x0) * i / std::max(steps, 1), y0 + (y1 - y0) * i / std::max(steps, 1)});
  return points;
}

std::vector<std::pair<int, int>> Join(std::vector<std::vector<std::pair<int, int>>> parts) {
  std::vector<std::pair<int, int>> all;
  for (auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

Canvas Background() {
  Canvas c(700, 430, kPanel);
  c.Fill(0, 0, 700, 50, kPanelDark);
  c.Fill(0, 50, 700, 1, kLine);
  c.Frame(0, 0, 700, 430, kLine);
  return c;
}

Canvas Header() {
  Canvas c(2 * 11, 20, kFace);
  c.Fill(11, 0, 11, 20, kPressed);
  for (int cell = 0; cell < 2; ++cell) {
    c.Fill(cell * 11, 0, 11, 1, kLine);
    c.Fill(cell * 11, 19, 11, 1, kPanelDark);
    c.Fill(cell * 11, 0, 1, 20, kLine);
    c.Fill(cell * 11 + 10, 0, 1, 20, kPanelDark);
  }
  return c;
}

Canvas Progress() {
  Canvas c(460, 30, kPanelDark);
  c.Frame(0, 0, 460, 15, kLine);
  c.Fill(0, 15, 460, 15, kAccent);
  c.Frame(0, 15, 460, 15, kLine);
  return c;
}

// The track list's scroll bars.
Canvas ListFrame() { return paint::ScrollStrip({kPanelDark, kPanel, kLine, kMark, {kFace, kHot, kPressed}}); }

// Six 16-pixel boxes: checked, unchecked, both pressed, both disabled.
Canvas CheckBox() {
  Canvas c(96, 16, kPanel);
  for (int i = 0; i < 6; ++i) {
    const bool disabled = i >= 4;
    c.Fill(i * 16 + 1, 1, 14, 14, i == 2 || i == 3 ? kPressed : kPanelDark);
    c.Frame(i * 16, 0, 16, 16, disabled ? kDisabled : kMark);
    if (i % 2 == 0) c.Fill(i * 16 + 4, 4, 8, 8, disabled ? kLine : kAccent);
  }
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: auvry_burn_painter <output folder>\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  const std::vector<paint::Picture> pictures = {
      {std::to_string(IDB_LIST_HEADER), "auvry_header.bmp", Header()},
      {std::to_string(IDB_LIST_FRAME), "auvry_list_frame.bmp", ListFrame()},
      {std::to_string(IDB_BURN_PROGRESS), "auvry_progress.bmp", Progress()},
      {std::to_string(IDB_BURN_ADD), "auvry_add.bmp",
       Button(58, 22, Join({Line(22, 10, 34, 10), Line(28, 4, 28, 16)}))},
      {std::to_string(IDB_BURN_BACKGROUND), "auvry_background.bmp", Background()},
      {std::to_string(IDB_BURN_BURN), "auvry_burn.bmp",
       Button(90, 30, Join({Line(36, 8, 54, 15), Line(36, 22, 54, 15), Line(36, 8, 36, 22)}))},
      {std::to_string(IDB_BURN_CLOSE), "auvry_close.bmp",
       Button(30, 30, Join({Line(9, 9, 20, 20), Line(20, 9, 9, 20)}))},
      {std::to_string(IDB_BURN_CHECK), "auvry_check.bmp", CheckBox()},
      {std::to_string(IDB_BURN_DELETE), "auvry_delete.bmp", Button(58, 22, Line(22, 10, 34, 10))},
      {std::to_string(IDB_BURN_EJECT), "auvry_eject.bmp",
       Button(90, 30, Join({Line(36, 18, 45, 9), Line(45, 9, 54, 18), Line(36, 22, 54, 22)}))},
      {std::to_string(IDB_BURN_ERASE), "auvry_erase.bmp",
       Button(90, 30, Join({Line(36, 8, 54, 22), Line(36, 22, 54, 8)}))},
      {std::to_string(IDB_BURN_EXIT), "auvry_exit.bmp",
       Button(90, 30, Join({Line(38, 15, 52, 15), Line(46, 9, 52, 15), Line(46, 21, 52, 15)}))},
  };
  return paint::WritePictures("auvry_burn_painter", folder, "auvry_burn_bitmaps.rc", pictures) ? 0 : 1;
}
