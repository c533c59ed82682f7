// The arithmetic of the skin controls, kept apart from their windows so it can be checked alone.
// Every function accepts any input: empty ranges, zero sizes and inverted ranges give a defined
// answer, never a division by zero.
#pragma once

#include <optional>
#include <vector>

#include "platform/base/win_types.h"

namespace skin {

// Pixels of a bar of `length` filled for pos in [min, max]: the fraction (pos - min) / (max - min)
// clamped to 0..1. No value for an empty or inverted range (the bar then draws nothing).
std::optional<int> FillLength(int pos, int min, int max, int length);

// Slider: the thumb's centre travels from leftMargin + thumbWidth / 2 over `travel` pixels.
int SliderTravel(int channelWidth, int leftMargin, int rightMargin, int thumbWidth);
// With max == min or no travel the thumb sits at the left end.
int SliderCentreForPos(int pos, int min, int max, int leftMargin, int thumbWidth, int travel);
// With max == min or no travel the position is min.
int SliderPosForCentre(int centre, int min, int max, int leftMargin, int thumbWidth, int travel);
// The legal centres of the thumb (for clamping a drag).
int SliderMinCentre(int leftMargin, int thumbWidth);
int SliderMaxCentre(int channelWidth, int rightMargin, int thumbWidth);

// Scroll bar parts, the platform's scroll codes.
constexpr int kPartNone = -1;
constexpr int kPartLineUp = 0;
constexpr int kPartLineDown = 1;
constexpr int kPartPageUp = 2;
constexpr int kPartPageDown = 3;
constexpr int kPartThumb = 5;

struct ScrollGeometry {
  int arrow = 0;        // length of each arrow
  int track = 0;        // length between the arrows
  int thumb = 0;        // length of the thumb; 0 when none is drawn
  int thumbOffset = 0;  // from the end of the first arrow
};

// A bar of `length` pixels with pieces of `piece` pixels over [min, max] with `page` and
// position `pos`. The thumb always lies inside the track, whatever the page or the position.
ScrollGeometry ScrollThumbGeometry(int length, int piece, int min, int max, int page, int pos);
// The part under `along` (the coordinate along the bar); kPartNone outside it.
int ScrollHitTest(const ScrollGeometry& g, int length, int along);
// The highest position a thumb can reach: max - page + 1, never below min.
int ScrollMaxPos(int min, int max, int page);
// The position after dragging the thumb by `moved` pixels from startPos, clamped to
// [min, ScrollMaxPos].
int ScrollDragPos(const ScrollGeometry& g, int min, int max, int page, int startPos, int moved);

// Combo box arrow: where the 16-pixel arrow frame is drawn and from which row of the frame.
struct ArrowPlacement {
  int y = 0;
  int sourceRow = 0;
};
ArrowPlacement ComboArrowPlacement(int controlHeight);

// Check box pictures: 0 checked, 1 unchecked, 2 checked and pressed, 3 unchecked and pressed,
// 4 checked and disabled, 5 unchecked and disabled.
int CheckBoxFrame(bool checked, bool pressed, bool disabled);

// One side of a skin frame laid from up to four pieces (start, repeated segment, middle
// decoration or end, end corner); widths of 0 are absent pieces.
struct PieceRun {
  int piece;   // 0..3
  int offset;  // from the start of the side
};
// Pieces in drawing order. A repeated piece of zero width is never repeated.
std::vector<PieceRun> FrameSideRuns(int length, const int widths[4]);
// The length of each repeated run on a four-piece top side.
int FrameTopFillWidth(int frameWidth, const int topWidths[4]);

// The rectangle inscribed in the balloon's ellipse where its text goes.
RECT BalloonTextRect(const RECT& client);

// Nine-piece skin bitmap of the scroll bars: P = width / 9.
inline int ScrollPieceSize(int bitmapWidth) { return bitmapWidth > 0 ? bitmapWidth / 9 : 0; }

// Spin button hover zones and the face each half shows.
constexpr int kSpinZoneUpper = 4;
constexpr int kSpinZoneLower = 5;
constexpr int kSpinZoneNone = 6;
constexpr int kSpinHot = 0;
constexpr int kSpinNormal = 1;
constexpr int kSpinPressed = 2;
constexpr int kSpinDisabled = 3;
struct SpinFaces {
  int upper;
  int lower;
};
SpinFaces SpinHalfFaces(int state, int zone);

// Skin button: the frame shown and the text colour slot (0 normal, 1 state 1, 2 state 2,
// 3 disabled) for the button's state.
struct ButtonLook {
  int frame;
  int textColour;
  bool clearsHover;
};
ButtonLook SkinButtonLook(bool disabled, int disabledFrame, int fixedState, bool hover, bool pressed);

}  // namespace skin
