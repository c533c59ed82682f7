// Paints the suite's skin strips at build time: one flat, quiet look (slate faces, a blue
// accent) for every skin control, written as 24-bit BMP files with a resource script fragment
// that names them.
//   skin_painter <output folder>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bmp_canvas.h"

namespace {

using paint::Canvas;
using paint::Colour;
using paint::Mix;
using paint::Picture;

// The palette of the whole skin.
constexpr Colour kBorder{16, 24, 32};
constexpr Colour kFaceTop{70, 86, 106}, kFaceBottom{44, 56, 72};
constexpr Colour kHotTop{84, 128, 172}, kHotBottom{52, 86, 124};
constexpr Colour kPressedTop{30, 42, 56}, kPressedBottom{44, 60, 80};
constexpr Colour kDisabledTop{128, 132, 138}, kDisabledBottom{104, 108, 114};
constexpr Colour kAccentTop{112, 192, 245}, kAccentBottom{47, 127, 192};
constexpr Colour kTrack{30, 38, 48};
constexpr Colour kLight{232, 236, 240}, kLightPressed{200, 212, 224};
constexpr Colour kMark{230, 160, 64};
constexpr Colour kRed{255, 0, 0}, kMagenta{255, 0, 255}, kWhite{255, 255, 255}, kBlack{0, 0, 0};
constexpr Colour kGrey{160, 164, 168}, kBoxFace{252, 252, 252};

// A filled triangle pointing up (dir 0), down (1), left (2) or right (3) centred in a box.
void Arrow(Canvas& c, int x, int y, int w, int h, int dir, Colour colour) {
  const int size = std::max(2, std::min(w, h) / 3);
  const int cx = x + w / 2, cy = y + h / 2;
  for (int k = 0; k < size; ++k) {
    const int half = dir == 0 || dir == 2 ? k : size - 1 - k;
    for (int t = -half; t <= half; ++t) {
      if (dir < 2) c.Set(cx + t, cy - size / 2 + k, colour);
      else c.Set(cx - size / 2 + k, cy + t, colour);
    }
  }
}

struct Face {
  Colour top, bottom;
};
constexpr Face kFaces[4] = {
    {kFaceTop, kFaceBottom}, {kHotTop, kHotBottom}, {kPressedTop, kPressedBottom}, {kDisabledTop, kDisabledBottom}};

Canvas Button() {
  const int w = 80, h = 28;
  Canvas c(w * 5, h, kRed);
  for (int f = 0; f < 4; ++f) {
    c.RoundBox(f * w, 0, w, h, 6, kFaces[f].top, kFaces[f].bottom, kBorder);
    if (f == 1) c.Fill(f * w + 6, 1, w - 12, 1, kAccentTop);  // the hover look lights the top edge
  }
  c.RoundBox(4 * w, 0, w, h, 6, kBlack, kBlack, kBlack);  // mask: red is cut away
  return c;
}

Canvas Progress() {
  Canvas c(200, 24, kTrack);
  c.RoundBox(0, 0, 200, 12, 3, kTrack, kTrack, kBorder);
  c.RoundBox(0, 12, 200, 12, 3, kAccentTop, kAccentBottom, kBorder);
  return c;
}

Canvas ProgressMark() {
  Canvas c(200, 48, kTrack);
  c.RoundBox(0, 0, 200, 12, 3, kMark, Mix(kMark, kBlack, 1, 3), kBorder);
  c.RoundBox(0, 12, 200, 12, 3, kTrack, kTrack, kBorder);
  c.RoundBox(0, 24, 200, 12, 3, kGrey, kGrey, kBorder);
  c.RoundBox(0, 36, 200, 12, 3, kAccentTop, kAccentBottom, kBorder);
  return c;
}

Canvas ProgressVertical() {
  Canvas c(24, 120, kTrack);
  c.RoundBox(0, 0, 12, 120, 3, kTrack, kTrack, kBorder);
  c.RoundBox(12, 0, 12, 120, 3, kAccentTop, kAccentBottom, kBorder);
  return c;
}

Canvas ComboArrow() {
  Canvas c(48, 27, kLight);
  const Colour backs[3] = {kLight, kLightPressed, kLight};
  const Colour arrows[3] = {kFaceBottom, kBorder, kGrey};
  for (int f = 0; f < 3; ++f) {
    c.Fill(f * 16, 0, 16, 27, backs[f]);
    Arrow(c, f * 16, 0, 16, 27, 1, arrows[f]);
  }
  return c;
}

Canvas SliderChannel(bool filled) {
  Canvas c(160, 16, kMagenta);
  if (filled) c.RoundBox(0, 5, 160, 6, 3, kAccentTop, kAccentBottom, kBorder);
  else c.RoundBox(0, 5, 160, 6, 3, kTrack, kFaceBottom, kBorder);
  return c;
}

Canvas SliderThumb(bool drag) {
  Canvas c(12, 16, kMagenta);
  if (drag) c.RoundBox(0, 0, 12, 16, 4, kAccentTop, kAccentBottom, kBorder);
  else c.RoundBox(0, 0, 12, 16, 4, kLight, kGrey, kBorder);
  return c;
}

Canvas CheckBox() {
  Canvas c(78, 13, kWhite);
  for (int i = 0; i < 6; ++i) {
    const bool checked = i % 2 == 0;
    const bool pressed = i == 2 || i == 3;
    const bool disabled = i >= 4;
    const Colour line = disabled ? kGrey : kBorder;
    const Colour face = pressed ? kLightPressed : kBoxFace;
    c.RoundBox(i * 13, 0, 13, 13, 2, face, face, line);
    if (checked) {
      const Colour mark = disabled ? kGrey : kAccentBottom;
      for (int k = 0; k < 3; ++k) c.Fill(i * 13 + 3 + k, 6 + k, 2, 1, mark);  // the short stroke
      for (int k = 0; k < 5; ++k) c.Fill(i * 13 + 5 + k, 8 - k, 2, 1, mark);  // the long stroke
    }
  }
  return c;
}

Canvas ScrollBar() {
  const int p = 16;
  Canvas c(9 * p, 3 * p, kTrack);
  for (int row = 0; row < 3; ++row) {
    const Face& face = kFaces[row];
    const int y = row * p;
    const int arrowDirs[4] = {0, 1, 2, 3};
    const int arrowCols[4] = {0, 1, 4, 5};
    for (int a = 0; a < 4; ++a) {
      c.RoundBox(arrowCols[a] * p, y, p, p, 2, face.top, face.bottom, kBorder);
      Arrow(c, arrowCols[a] * p, y, p, p, arrowDirs[a], row == 1 ? kAccentTop : kLight);
    }
    const Face thumb = row == 0   ? Face{kGrey, kFaceTop}
                       : row == 1 ? Face{kAccentTop, kAccentBottom}
                                  : Face{kAccentBottom, kPressedBottom};
    c.RoundBox(2 * p, y, p, p, 3, thumb.top, thumb.bottom, kBorder);
    c.RoundBox(6 * p, y, p, p, 3, thumb.top, thumb.bottom, kBorder);
    c.Fill(3 * p, y, p, p, kTrack);
    c.Fill(3 * p + p / 2, y, 1, p, kFaceBottom);  // a faint groove along the track
    c.Fill(7 * p, y, p, p, kTrack);
    c.Fill(7 * p, y + p / 2, p, 1, kFaceBottom);
    c.Fill(8 * p, y, p, p, kFaceBottom);
  }
  return c;
}

Canvas Spin() {
  const int w = 16, h = 24;
  Canvas c(w * 5, h, kBorder);
  for (int f = 0; f < 5; ++f) {
    const Face& face = kFaces[f == 4 ? 0 : (f == 0 ? 0 : f)];
    const Colour arrow = f == 3 ? kGrey : f == 1 ? kAccentTop : kLight;
    c.RoundBox(f * w, 0, w, h / 2, 2, face.top, face.bottom, kBorder);
    c.RoundBox(f * w, h / 2, w, h / 2, 2, face.top, face.bottom, kBorder);
    Arrow(c, f * w, 0, w, h / 2, 0, arrow);
    Arrow(c, f * w, h / 2, w, h / 2, 1, arrow);
  }
  return c;
}

// Frame pieces: a dark border with an accent line inside it.
Canvas FramePiece(int w, int h, bool horizontal, bool decoration) {
  Canvas c(w, h, kFaceBottom);
  if (horizontal) {
    c.Fill(0, 0, w, 2, kBorder);
    c.Fill(0, h - 2, w, 2, kBorder);
    c.Fill(0, h / 2 - 1, w, 2, decoration ? kAccentTop : kFaceTop);
  } else {
    c.Fill(0, 0, 2, h, kBorder);
    c.Fill(w - 2, 0, 2, h, kBorder);
    c.Fill(w / 2 - 1, 0, 2, h, kFaceTop);
  }
  return c;
}

Canvas FrameCorner() {
  Canvas c(8, 8, kFaceBottom);
  c.RoundBox(0, 0, 8, 8, 2, kFaceTop, kFaceBottom, kBorder);
  c.Fill(3, 3, 2, 2, kAccentTop);
  return c;
}

// The start-up splash of the main program: a deep gradient with a lit band and a light frame.
Canvas Splash() {
  constexpr int w = 600, h = 400;
  Canvas c(w, h, kTrack);
  for (int y = 0; y < h; ++y) c.Fill(0, y, w, 1, Mix(kHotBottom, kBorder, y, h - 1));
  c.Fill(0, 150, w, 70, kFaceBottom);
  c.Fill(0, 148, w, 2, kAccentTop);
  c.Fill(0, 220, w, 2, kAccentBottom);
  c.Fill(0, 0, w, 2, kLight);
  c.Fill(0, h - 2, w, 2, kLight);
  c.Fill(0, 0, 2, h, kLight);
  c.Fill(w - 2, 0, 2, h, kLight);
  return c;
}

// The starter's pictures. Button strips hold five frames side by side: normal, hover,
// pressed, disabled and the region mask (red outside).
Canvas StarterButtons(int w, int h, Colour accent, int glyph) {
  Canvas c(w * 5, h, kRed);
  const Colour tops[4] = {kFaceTop, kHotTop, kPressedTop, kDisabledTop};
  const Colour bottoms[4] = {kFaceBottom, kHotBottom, kPressedBottom, kDisabledBottom};
  const int r = std::min(w, h) / 5;
  for (int f = 0; f < 4; ++f) {
    c.RoundBox(f * w, 0, w, h, r, tops[f], bottoms[f], kBorder);
    const Colour mark = f == 3 ? kGrey : accent;
    const int cx = f * w + w / 2, cy = h / 2, s = std::max(3, std::min(w, h) / 4);
    if (glyph == 0) c.Fill(cx - s, cy - s / 2, 2 * s, s, mark);                         // a screen
    if (glyph == 1) Arrow(c, f * w, 0, w, h, 3, mark);                                  // play
    if (glyph == 2) c.RoundBox(cx - s / 2, cy - s, s, 2 * s, s / 2, mark, mark, mark);  // microphone
    if (glyph == 3) c.Fill(cx - s / 2, cy - 1, s, 3, mark);                             // minimise bar
    if (glyph == 4)                                                                     // a cross
      for (int k = -s / 2; k <= s / 2; ++k) c.Fill(cx + k, cy + k, 2, 2, mark), c.Fill(cx + k, cy - k, 2, 2, mark);
    if (glyph == 5) c.Fill(cx - 1, cy - s / 2, 3, s, mark), c.Fill(cx - 1, cy - s / 2 - 4, 3, 2, mark);  // "i"
  }
  c.RoundBox(4 * w, 0, w, h, r, kBlack, kBlack, kBlack);
  return c;
}

Canvas StarterBackground() {
  constexpr int w = 800, h = 520;
  Canvas c(w, h, kTrack);
  for (int y = 0; y < h; ++y) c.Fill(0, y, w, 1, Mix(kFaceBottom, kBorder, y, h - 1));
  c.Fill(0, 60, w, 2, kAccentBottom);
  c.Fill(0, 460, w, 1, kAccentBottom);
  return c;
}

// The product name plate: a lit band with a pale frame; `lit` tells the extra library's from the UI one's.
Canvas StarterLogo(Colour lit) {
  constexpr int w = 360, h = 48;
  Canvas c(w, h, kBorder);
  c.RoundBox(0, 0, w, h, 8, lit, kFaceBottom, kLight);
  c.Fill(16, h / 2 - 2, w - 32, 4, kMark);
  return c;
}

// The region corners: each 18 x 18 corner is red outside a quarter circle.
Canvas StarterIntro(Colour band) {
  Canvas c = Splash();
  c.Fill(100, 260, 400, 10, band);
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: skin_painter <output folder>\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  const std::vector<Picture> strips = {
      {"IDB_SKIN_BUTTON", "skin_button.bmp", Button()},
      {"IDB_SKIN_PROGRESS", "skin_progress.bmp", Progress()},
      {"IDB_SKIN_PROGRESS_MARK", "skin_progress_mark.bmp", ProgressMark()},
      {"IDB_SKIN_PROGRESS_VERTICAL", "skin_progress_vertical.bmp", ProgressVertical()},
      {"IDB_SKIN_COMBO_ARROW", "skin_combo_arrow.bmp", ComboArrow()},
      {"IDB_SKIN_SLIDER_CHANNEL", "skin_slider_channel.bmp", SliderChannel(false)},
      {"IDB_SKIN_SLIDER_FILLED", "skin_slider_filled.bmp", SliderChannel(true)},
      {"IDB_SKIN_SLIDER_THUMB", "skin_slider_thumb.bmp", SliderThumb(false)},
      {"IDB_SKIN_SLIDER_THUMB_DRAG", "skin_slider_thumb_drag.bmp", SliderThumb(true)},
      {"IDB_SKIN_CHECKBOX", "skin_checkbox.bmp", CheckBox()},
      {"IDB_SKIN_SCROLLBAR", "skin_scrollbar.bmp", ScrollBar()},
      {"IDB_SKIN_SPIN", "skin_spin.bmp", Spin()},
      {"IDB_SKIN_FRAME_CORNER_TL", "skin_frame_tl.bmp", FrameCorner()},
      {"IDB_SKIN_FRAME_TOP", "skin_frame_top.bmp", FramePiece(4, 8, true, false)},
      {"IDB_SKIN_FRAME_TOP_MIDDLE", "skin_frame_top_middle.bmp", FramePiece(24, 8, true, true)},
      {"IDB_SKIN_FRAME_CORNER_TR", "skin_frame_tr.bmp", FrameCorner()},
      {"IDB_SKIN_FRAME_LEFT", "skin_frame_left.bmp", FramePiece(8, 4, false, false)},
      {"IDB_SKIN_FRAME_RIGHT", "skin_frame_right.bmp", FramePiece(8, 4, false, false)},
      {"IDB_SKIN_FRAME_CORNER_BL", "skin_frame_bl.bmp", FrameCorner()},
      {"IDB_SKIN_FRAME_BOTTOM", "skin_frame_bottom.bmp", FramePiece(4, 8, true, false)},
      {"IDB_SKIN_FRAME_CORNER_BR", "skin_frame_br.bmp", FrameCorner()},
      {"IDB_SPLASH", "splash.bmp", Splash()},
      {"IDB_STARTER_WIZARD", "starter_wizard.bmp", StarterButtons(216, 168, kAccentTop, 0)},
      {"IDB_STARTER_BACKGROUND", "starter_background.bmp", StarterBackground()},
      {"IDB_STARTER_HELP", "starter_help.bmp", StarterButtons(32, 24, kLight, 5)},
      {"IDB_STARTER_MINIMIZE", "starter_minimize.bmp", StarterButtons(32, 24, kLight, 3)},
      {"IDB_STARTER_LOGO", "starter_logo.bmp", StarterLogo(kHotTop)},
      {"IDB_STARTER_ADVANCED", "starter_advanced.bmp", StarterButtons(216, 168, kAccentTop, 1)},
      {"IDB_STARTER_AUDIO", "starter_audio.bmp", StarterButtons(216, 168, kAccentTop, 2)},
      {"IDB_STARTER_CLOSE", "starter_close.bmp", StarterButtons(32, 24, kLight, 4)},
      {"IDB_STARTER_EXIT", "starter_exit.bmp", StarterButtons(90, 32, kLight, 4)},
      {"IDB_STARTER_INTRO", "starter_intro.bmp", StarterIntro(kAccentBottom)},
  };
  // The optional libraries' pictures, each named in a fragment of its own.
  const std::vector<Picture> extra = {
      {"IDB_EXTRA_STARTER_INTRO", "extra_starter_intro.bmp", StarterIntro(kMark)},
      {"IDB_EXTRA_STARTER_LOGO", "extra_starter_logo.bmp", StarterLogo(kAccentTop)},
  };
  const std::vector<Picture> images = {
      {"IDB_IMAGE_STARTER_WIZARD", "image_starter_wizard.bmp", StarterButtons(216, 168, kMark, 0)},
  };
  if (!paint::WritePictures("skin_painter", folder, "extra_bitmaps.rc", extra) ||
      !paint::WritePictures("skin_painter", folder, "image_bitmaps.rc", images))
    return 1;
  return paint::WritePictures("skin_painter", folder, "skin_bitmaps.rc", strips) ? 0 : 1;
}
