// Paints the main program's window skin at build time: the nine-piece frame whose piece sizes set
// the window's layout, the clip list's background and the button strips (five frames: normal,
// hover, pressed, disabled and the region mask, red outside). The frame and the small buttons go
// to the UI library, the step and Project buttons to the program's own library, a second name
// plate to the extra library; the program's icons go with its own library. The capture page's
// frame, buttons and controls go to the UI library too.
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
constexpr Colour kGrey{160, 164, 168}, kRecord{220, 40, 36}, kMagenta{255, 0, 255};
// The capture page's own greys, those of its brushes and texts.
constexpr Colour kPageGrey{54, 61, 64}, kPageDark{20, 25, 28}, kPageLine{64, 72, 77}, kPageText{130, 145, 153};

// The frame's geometry: the main window lays itself out from these sizes.
constexpr int kTopHeight = 60, kTopLeftWidth = 200, kTopMiddleWidth = 490, kTopRightWidth = 240;
constexpr int kLeftWidth = 14, kSideStep = 40;
constexpr int kRightWidth = 160, kRightTopHeight = 20, kRightEndHeight = 96;
constexpr int kBottomHeight = 20, kBottomCornerWidth = 40;
constexpr int kCornerRadius = 14;

using paint::InsideRounded;
using paint::Mix;
using paint::Picture;

void CutCorner(Canvas& c, int corner) { c.CutCorner(corner, kCornerRadius, kRed); }

// The top band: a lit edge, a gradient and an accent line above its lower border.
Canvas TopBand(int w) {
  Canvas c(w, kTopHeight, kBandTop);
  c.Gradient(0, 0, w, kTopHeight, kBandTop, kBandBottom);
  c.Fill(0, 0, w, 1, kFaceTop);
  c.Fill(0, kTopHeight - 4, w, 1, kAccentDark);
  c.Fill(0, kTopHeight - 3, w, 3, kBorder);
  return c;
}

// The top-left corner carries the product's name plate; `lit` tells the extra library's apart.
Canvas TopLeft(Colour lit) {
  Canvas c = TopBand(kTopLeftWidth);
  c.RoundBox(22, 14, 156, 32, 8, lit, kFaceBottom, kLight);
  c.Fill(36, 28, 128, 4, kMark);
  c.Fill(0, 0, 2, kTopHeight, kBorder);
  CutCorner(c, 0);
  return c;
}

// The step buttons sit in a recess in the middle of the top side.
Canvas TopMiddle() {
  Canvas c = TopBand(kTopMiddleWidth);
  c.RoundBox(0, 12, kTopMiddleWidth, 46, 8, kTrack, kBandBottom, kBorder);
  return c;
}

Canvas TopRight() {
  Canvas c = TopBand(kTopRightWidth);
  c.RoundBox(6, 15, kTopRightWidth - 14, 41, 8, kTrack, kBandBottom, kBorder);
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
  c.RoundBox(kWellLeft, 14, kWellWidth, 16, 5, kWell, kWell, kBorder);
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
  c.RoundBox(kWellLeft, -6, kWellWidth, 9, 4, kWell, kWell, kBorder);
  c.Fill(kWellLeft, 45, kWellWidth, 1, kBorder);
  c.Fill(kWellLeft, 46, kWellWidth, 1, kFaceTop);
  return c;
}

Canvas Bottom(int w, int corner) {
  Canvas c(w, kBottomHeight, kPanel);
  c.Gradient(0, 0, w, kBottomHeight, kPanel, kBandBottom);
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

// A triangle pointing right (or left) with its tip at x, h tall, centred on cy.
void Triangle(Canvas& c, int x, int cy, int h, bool right, Colour ink) {
  for (int k = 0; k <= h / 2; ++k) c.Fill(right ? x - k : x + k, cy - k, 1, 2 * k + 1, ink);
}

// A glyph drawn on every frame of a strip: 0 none, 1 "?", 2 "_", 3 full screen, 4 normal size, 5 "X";
// the capture page's: 6 play, 7 pause, 8 stop square, 9 rewind, 10 fast forward, 11 record dot at
// the left, 12 stop square at the left.
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
    case 6: Triangle(c, cx + 5, cy, 12, true, ink); break;
    case 7: c.Fill(cx - 5, cy - 6, 4, 13, ink), c.Fill(cx + 2, cy - 6, 4, 13, ink); break;
    case 8: c.Fill(cx - 5, cy - 5, 11, 11, ink); break;
    case 9: Triangle(c, cx - 8, cy, 12, false, ink), Triangle(c, cx, cy, 12, false, ink); break;
    case 10: Triangle(c, cx + 8, cy, 12, true, ink), Triangle(c, cx, cy, 12, true, ink); break;
    case 11:
      for (int j = -6; j <= 6; ++j)
        for (int i = -6; i <= 6; ++i)
          if (i * i + j * j <= 36) c.Set(x + 18 + i, cy + j, ink.r == kGrey.r ? kGrey : kRecord);
      break;
    case 12: c.Fill(x + 12, cy - 6, 12, 12, ink); break;
    default: break;
  }
}

Canvas Button(int w, int h, int glyph) {
  Canvas c(w * 5, h, kRed);
  const int r = std::min(6, std::min(w, h) / 4);
  for (int f = 0; f < 4; ++f) {
    c.RoundBox(f * w, 0, w, h, r, kFaces[f].top, kFaces[f].bottom, kBorder);
    if (f == 1) c.Fill(f * w + r, 1, w - 2 * r, 1, kAccent);  // the hover look lights the top edge
    if (f == 2) c.Fill(f * w + r, h - 2, w - 2 * r, 1, kAccent);
    Glyph(c, f * w, w, h, glyph, f == 3 ? kGrey : kLight);
  }
  c.RoundBox(4 * w, 0, w, h, r, kBlack, kBlack, kBlack);
  return c;
}

// The capture page's frame: a dark rim with a lit line inside, its top carrying a groove in
// the middle and its sides ending in a lit notch above the bottom.
constexpr int kPageRim = 8, kPageRightRim = 6, kPageSideEnd = 24, kPageDecoration = 160;

Canvas PageEdge(int w, int h, bool horizontal, bool litFirst) {
  Canvas c(w, h, kPageGrey);
  if (horizontal) {
    c.Fill(0, litFirst ? 0 : h - 2, w, 2, kPageDark);
    c.Fill(0, litFirst ? 2 : h - 3, w, 1, kPageLine);
  } else {
    c.Fill(litFirst ? 0 : w - 2, 0, 2, h, kPageDark);
    c.Fill(litFirst ? 2 : w - 3, 0, 1, h, kPageLine);
  }
  return c;
}

// A corner joins the rims of its two sides (0 top left, 1 top right, 2 bottom left, 3 bottom right).
Canvas PageCorner(int w, int corner) {
  Canvas c(w, kPageRim, kPageGrey);
  const bool top = corner < 2, left = corner % 2 == 0;
  const int dark = top ? 0 : kPageRim - 2, line = top ? 2 : kPageRim - 3;
  c.Fill(0, dark, w, 2, kPageDark);
  c.Fill(left ? 2 : 0, line, w - 2, 1, kPageLine);
  c.Fill(left ? 0 : w - 2, 0, 2, kPageRim, kPageDark);
  c.Fill(left ? 2 : w - 3, top ? 2 : 0, 1, kPageRim - 2, kPageLine);
  return c;
}

Canvas PageTopMiddle() {
  Canvas c = PageEdge(kPageDecoration, kPageRim, true, true);
  c.RoundBox(0, 3, kPageDecoration, 5, 2, kAccentDark, kAccent, kPageDark);
  return c;
}

Canvas PageSideEnd(int w, bool left) {
  Canvas c = PageEdge(w, kPageSideEnd, false, left);
  c.Fill(left ? 3 : 0, 4, w - 3, kPageSideEnd - 8, kPageLine);
  c.Fill(left ? 4 : 1, 6, w - 5, kPageSideEnd - 12, kAccentDark);
  return c;
}

// The aspect list's arrow on the page's dark well: normal, pressed, disabled.
Canvas CaptureComboArrow() {
  constexpr int w = 16, h = 22;
  Canvas c(w * 3, h, kPageDark);
  const Colour inks[3] = {kPageText, kLight, kPageLine};
  for (int f = 0; f < 3; ++f) {
    c.RoundBox(f * w, 0, w, h, 3, f == 1 ? kPageLine : kPageGrey, kPageDark, kPageLine);
    for (int k = 0; k < 4; ++k) c.Fill(f * w + 4 + k, h / 2 - 2 + k, 8 - 2 * k, 1, inks[f]);
  }
  return c;
}

// Check boxes: checked and clear for normal, pressed and disabled.
Canvas CaptureCheckBox() {
  constexpr int n = 13;
  Canvas c(n * 6, n, kPageGrey);
  for (int i = 0; i < 6; ++i) {
    const bool disabled = i >= 4, pressed = i == 2 || i == 3;
    c.RoundBox(i * n, 0, n, n, 2, pressed ? kPageLine : kPageDark, kPageDark, disabled ? kPageLine : kPageText);
    if (i % 2 == 0) {
      const Colour mark = disabled ? kPageLine : kAccent;
      for (int k = 0; k < 3; ++k) c.Fill(i * n + 3 + k, 6 + k, 2, 1, mark);
      for (int k = 0; k < 5; ++k) c.Fill(i * n + 5 + k, 8 - k, 2, 1, mark);
    }
  }
  return c;
}

// Up and down halves in the five looks of a skin spin button.
Canvas CaptureSpin() {
  constexpr int w = 16, h = 30;
  Canvas c(w * 5, h, kPageDark);
  for (int f = 0; f < 5; ++f) {
    const Face& face = kFaces[f == 4 ? 0 : f];
    const Colour ink = f == 3 ? kGrey : f == 1 ? kAccent : kLight;
    for (int half = 0; half < 2; ++half) {
      c.RoundBox(f * w, half * h / 2, w, h / 2, 3, face.top, face.bottom, kBorder);
      for (int k = 0; k < 4; ++k) {
        const int row = half == 0 ? h / 4 - 2 + k : h / 2 + h / 4 + 1 - k;
        c.Fill(f * w + 4 + (3 - k), row, 2 * k + 2, 1, ink);
      }
    }
  }
  return c;
}

Canvas VolumeChannel() {
  Canvas c(110, 16, kMagenta);
  c.RoundBox(0, 5, 110, 6, 3, kPageDark, kPageLine, kBorder);
  return c;
}

Canvas VolumeThumb() {
  Canvas c(12, 16, kMagenta);
  c.RoundBox(0, 0, 12, 16, 4, kLight, kPageText, kBorder);
  c.Fill(5, 4, 2, 8, kAccentDark);
  return c;
}

// A level meter: the empty well above, the lit bar below running green to amber to red.
Canvas LevelMeter() {
  constexpr int w = 175, h = 7;
  constexpr Colour kGreen{60, 200, 90}, kAmber{240, 200, 40};
  Canvas c(w, 2 * h, kPageDark);
  c.Frame(0, 0, w, h, kPageLine);
  for (int i = 0; i < w; ++i) {
    const Colour lit = i < w * 2 / 3 ? Mix(kGreen, kAmber, i, w * 2 / 3) : Mix(kAmber, kRecord, i - w * 2 / 3, w / 3);
    c.Fill(i, h, 1, h, lit);
  }
  c.Frame(0, h, w, h, kPageLine);
  return c;
}

// The program's icon, 32 x 32: a lit rounded square with a play mark.
Canvas ProgramIcon() {
  constexpr int n = 32;
  Canvas c(n, n, kMagenta);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const int inside = InsideRounded(x, y, n, n, 7);
      if (!inside) continue;
      Colour colour = inside == 1 ? kBorder : Mix(kHotTop, kAccentDark, y, n - 1);
      const int dx = x - 12, dy = y - 16;  // the play mark
      if (inside == 2 && dx >= 0 && dx < 10 && dy * 2 <= 10 - dx && -dy * 2 <= 10 - dx) colour = kLight;
      c.Set(x, y, colour);
    }
  return c;
}

// Record Settings' browse button, 16 x 16: an open folder.
Canvas FolderIcon() {
  constexpr Colour kFolder{236, 190, 84}, kFolderDark{176, 128, 40};
  Canvas c(16, 16, kMagenta);
  c.Fill(1, 3, 6, 2, kFolderDark);
  c.Fill(1, 5, 14, 9, kFolderDark);
  c.Fill(2, 6, 12, 7, kFolder);
  for (int j = 0; j < 5; ++j) c.Fill(3 + (4 - j), 8 + j, 12, 1, j == 4 ? kFolderDark : kFolder);
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: studio_painter <output folder>\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  const std::vector<Picture> ui = {
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
      {"IDB_CLIP_LIST_SCROLL", "clip_list_scroll.bmp",
       paint::ScrollStrip({kWell, kTrack, kBorder, kAccent, {kFaceBottom, kHotBottom, kPressedTop}})},
      {"IDB_MAIN_CLOSE", "main_close.bmp", Button(32, 31, 5)},
      {"IDB_MAIN_HELP", "main_help.bmp", Button(32, 31, 1)},
      {"IDB_MAIN_FULL", "main_full.bmp", Button(31, 31, 3)},
      {"IDB_MAIN_MINIMIZE", "main_minimize.bmp", Button(32, 31, 2)},
      {"IDB_MAIN_NORMAL", "main_normal.bmp", Button(31, 31, 4)},
      {"IDB_CAPTURE_FRAME_TOP_LEFT", "capture_frame_top_left.bmp", PageCorner(kPageRim, 0)},
      {"IDB_CAPTURE_FRAME_TOP", "capture_frame_top.bmp", PageEdge(4, kPageRim, true, true)},
      {"IDB_CAPTURE_FRAME_TOP_MIDDLE", "capture_frame_top_middle.bmp", PageTopMiddle()},
      {"IDB_CAPTURE_FRAME_TOP_RIGHT", "capture_frame_top_right.bmp", PageCorner(kPageRightRim, 1)},
      {"IDB_CAPTURE_FRAME_LEFT", "capture_frame_left.bmp", PageEdge(kPageRim, 4, false, true)},
      {"IDB_CAPTURE_FRAME_LEFT_END", "capture_frame_left_end.bmp", PageSideEnd(kPageRim, true)},
      {"IDB_CAPTURE_FRAME_RIGHT", "capture_frame_right.bmp", PageEdge(kPageRightRim, 4, false, false)},
      {"IDB_CAPTURE_FRAME_RIGHT_END", "capture_frame_right_end.bmp", PageSideEnd(kPageRightRim, false)},
      {"IDB_CAPTURE_FRAME_BOTTOM_LEFT", "capture_frame_bottom_left.bmp", PageCorner(kPageRim, 2)},
      {"IDB_CAPTURE_FRAME_BOTTOM", "capture_frame_bottom.bmp", PageEdge(4, kPageRim, true, false)},
      {"IDB_CAPTURE_FRAME_BOTTOM_RIGHT", "capture_frame_bottom_right.bmp", PageCorner(kPageRightRim, 3)},
      {"IDB_CAPTURE_FORWARD", "capture_forward.bmp", Button(40, 24, 10)},
      {"IDB_CAPTURE_REWIND", "capture_rewind.bmp", Button(40, 24, 9)},
      {"IDB_CAPTURE_PAUSE", "capture_pause.bmp", Button(40, 24, 7)},
      {"IDB_CAPTURE_PLAY", "capture_play.bmp", Button(40, 24, 6)},
      {"IDB_CAPTURE_START", "capture_start.bmp", Button(96, 36, 11)},
      {"IDB_CAPTURE_STOP", "capture_stop.bmp", Button(96, 36, 12)},
      {"IDB_CAPTURE_COMBO_ARROW", "capture_combo_arrow.bmp", CaptureComboArrow()},
      {"IDB_CAPTURE_OPTION", "capture_option.bmp", Button(80, 28, 0)},
      {"IDB_CAPTURE_TAPE_STOP", "capture_tape_stop.bmp", Button(40, 24, 8)},
      {"IDB_CAPTURE_CHECKBOX", "capture_checkbox.bmp", CaptureCheckBox()},
      {"IDB_CAPTURE_SPIN", "capture_spin.bmp", CaptureSpin()},
      {"IDB_CAPTURE_VOLUME_THUMB", "capture_volume_thumb.bmp", VolumeThumb()},
      {"IDB_CAPTURE_VOLUME_CHANNEL", "capture_volume_channel.bmp", VolumeChannel()},
      {"IDB_CAPTURE_SPIN_LOOK", "capture_spin_look.bmp", CaptureSpin()},
      {"IDB_CAPTURE_METER", "capture_meter.bmp", LevelMeter()},
  };
  const std::vector<Picture> own = {
      {"IDB_STEP_CAPTURE", "step_capture.bmp", Button(156, 36, 0)},
      {"IDB_STEP_EDIT", "step_edit.bmp", Button(156, 36, 0)},
      {"IDB_STEP_BURN", "step_burn.bmp", Button(156, 36, 0)},
      {"IDB_PROJECT_BUTTON", "project_button.bmp", Button(64, 31, 0)},
  };
  const std::vector<Picture> extra = {
      {"IDB_EXTRA_MAIN_TOP_LEFT", "extra_main_top_left.bmp", TopLeft(kAccent)},
  };
  if (!paint::WritePictures("studio_painter", folder, "studio_own_bitmaps.rc", own) ||
      !paint::WritePictures("studio_painter", folder, "studio_extra_bitmaps.rc", extra) ||
      !paint::WriteIcon(folder + "quillon.ico", ProgramIcon(), kMagenta) ||
      !paint::WriteIcon(folder + "record_settings_browse.ico", FolderIcon(), kMagenta))
    return 1;
  // Named beside the buttons: a script finds its files in its own folder.
  std::ofstream(folder + "studio_own_bitmaps.rc", std::ios::app)
      << "IDR_MAINFRAME ICON \"quillon.ico\"\nIDI_RS_BROWSE ICON \"record_settings_browse.ico\"\n";
  return paint::WritePictures("studio_painter", folder, "studio_ui_bitmaps.rc", ui) ? 0 : 1;
}
