#include "widgets/skin_geometry.h"

#include <algorithm>
#include <cstdint>

namespace skin {

std::optional<int> FillLength(int pos, int min, int max, int length) {
  if (max <= min) return std::nullopt;
  if (length <= 0) return 0;
  const std::int64_t range = std::int64_t{max} - min;
  const std::int64_t done = std::clamp<std::int64_t>(std::int64_t{pos} - min, 0, range);
  return static_cast<int>(done * length / range);
}

int SliderTravel(int channelWidth, int leftMargin, int rightMargin, int thumbWidth) {
  return channelWidth - rightMargin - thumbWidth - leftMargin;
}

int SliderCentreForPos(int pos, int min, int max, int leftMargin, int thumbWidth, int travel) {
  if (max <= min || travel <= 0) return leftMargin + thumbWidth / 2;
  const double fraction = (static_cast<double>(pos) - min) / (static_cast<double>(max) - min);
  return leftMargin + static_cast<int>(fraction * travel) + thumbWidth / 2;
}

int SliderPosForCentre(int centre, int min, int max, int leftMargin, int thumbWidth, int travel) {
  if (max <= min || travel <= 0) return min;
  const double fraction = static_cast<double>(centre - thumbWidth / 2 - leftMargin) / travel;
  return min + static_cast<int>(fraction * (static_cast<double>(max) - min));
}

int SliderMinCentre(int leftMargin, int thumbWidth) { return leftMargin + thumbWidth / 2; }

int SliderMaxCentre(int channelWidth, int rightMargin, int thumbWidth) {
  return channelWidth - rightMargin - thumbWidth / 2;
}

int ScrollMaxPos(int min, int max, int page) { return std::max(min, max - std::max(page - 1, 0)); }

ScrollGeometry ScrollThumbGeometry(int length, int piece, int min, int max, int page, int pos) {
  ScrollGeometry g;
  length = std::max(length, 0);
  piece = std::max(piece, 0);
  g.track = std::max(0, length - 2 * piece);
  g.arrow = g.track == 0 ? length / 2 : piece;
  const std::int64_t range = std::int64_t{max} - min + 1;
  const std::int64_t pageSize = std::max(page, 0);
  // Nothing to scroll, or no room for a thumb: the track is split between the two page parts.
  if (g.track < 6 || range <= 0 || pageSize >= range) {
    g.thumb = 0;
    g.thumbOffset = g.track / 2;
    return g;
  }
  g.thumb = static_cast<int>(std::clamp<std::int64_t>(pageSize * g.track / range, 6, g.track));
  const std::int64_t span = range - std::max<std::int64_t>(pageSize, 1) + 1;  // positions the thumb can take
  const std::int64_t along = std::clamp<std::int64_t>(std::int64_t{pos} - min, 0, std::max<std::int64_t>(span - 1, 0));
  g.thumbOffset = span > 1 ? static_cast<int>((g.track - g.thumb) * along / (span - 1)) : 0;
  return g;
}

int ScrollHitTest(const ScrollGeometry& g, int length, int along) {
  if (along < 0 || along >= length) return kPartNone;
  if (along < g.arrow) return kPartLineUp;
  if (along >= length - g.arrow) return kPartLineDown;
  const int thumbStart = g.arrow + g.thumbOffset;
  if (along < thumbStart) return kPartPageUp;
  if (g.thumb > 0 && along < thumbStart + g.thumb) return kPartThumb;
  return kPartPageDown;
}

int ScrollDragPos(const ScrollGeometry& g, int min, int max, int page, int startPos, int moved) {
  const int highest = ScrollMaxPos(min, max, page);
  const int free = g.track - g.thumb;
  std::int64_t pos = startPos;
  if (free > 0) pos += (std::int64_t{highest} - min) * moved / free;
  return static_cast<int>(std::clamp<std::int64_t>(pos, min, highest));
}

ArrowPlacement ComboArrowPlacement(int controlHeight) {
  // The arrow frame is drawn for a 27-pixel face; lower faces show its middle rows.
  const int y = (controlHeight - 27) / 2;
  if (y < 1) return ArrowPlacement{0, std::max(0, -y)};
  return ArrowPlacement{y, 0};
}

int CheckBoxFrame(bool checked, bool pressed, bool disabled) {
  if (disabled) return checked ? 4 : 5;
  if (pressed) return checked ? 2 : 3;
  return checked ? 0 : 1;
}

std::vector<PieceRun> FrameSideRuns(int length, const int widths[4]) {
  std::vector<PieceRun> runs;
  const int w0 = std::max(widths[0], 0), w1 = std::max(widths[1], 0);
  const int w2 = std::max(widths[2], 0), w3 = std::max(widths[3], 0);
  auto repeat = [&](int from, int until) {
    if (w1 == 0) return;  // a zero-width segment would never fill its run
    for (int x = from; x < until; x += w1) runs.push_back(PieceRun{1, x});
  };
  if (w2 > 0 && w3 > 0) {
    if (w0 > 0) runs.push_back(PieceRun{0, 0});
    const int half = (length - w0 - w2 - w3 + 1) / 2;
    if (half >= 1) repeat(w0, w0 + half);
    const int middle = w0 + std::max(half, 0);
    runs.push_back(PieceRun{2, middle});
    if (half >= 1) repeat(middle + w2, middle + w2 + half);
    runs.push_back(PieceRun{3, length - w3});
  } else if (w2 > 0) {
    if (w0 > 0) runs.push_back(PieceRun{0, 0});
    repeat(w0, length - w2);
    runs.push_back(PieceRun{2, length - w2});
  } else if (w1 == 0 && w0 > 0) {
    runs.push_back(PieceRun{0, 0});
  }
  return runs;
}

int FrameTopFillWidth(int frameWidth, const int topWidths[4]) {
  return (frameWidth - topWidths[3] - topWidths[2] - topWidths[0] + 1) / 2;
}

RECT BalloonTextRect(const RECT& client) {
  // Half the diagonal of the square inscribed in a unit circle.
  constexpr double kInscribed = 0.5 * 0.7071085623775818;
  const int w = client.right - client.left - 10;
  const int h = client.bottom - client.top;
  const int dx = static_cast<int>(w * kInscribed);
  const int dy = static_cast<int>(h * kInscribed);
  return RECT{w / 2 - dx + 10, h / 2 - dy, w / 2 + dx + 10, h / 2 + dy};
}

SpinFaces SpinHalfFaces(int state, int zone) {
  if (state == kSpinDisabled) return SpinFaces{kSpinDisabled, kSpinDisabled};
  if (zone == kSpinZoneUpper) return SpinFaces{state, kSpinNormal};
  if (zone == kSpinZoneLower) return SpinFaces{kSpinNormal, state};
  return SpinFaces{kSpinNormal, kSpinNormal};
}

ButtonLook SkinButtonLook(bool disabled, int disabledFrame, int fixedState, bool hover, bool pressed) {
  if (disabled) return ButtonLook{std::clamp(disabledFrame, 0, 4), 3, true};
  fixedState = std::clamp(fixedState, 0, 3);
  if (!hover) return ButtonLook{fixedState, fixedState, fixedState == 3};
  if (!pressed) {
    const int frame = fixedState == 2 ? 2 : 1;
    return ButtonLook{frame, frame, false};
  }
  const int frame = fixedState == 1 ? 1 : 2;
  return ButtonLook{frame, frame, false};
}

}  // namespace skin
