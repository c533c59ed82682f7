// Device bitmaps from the 24-bit bitmap file images the clip reader makes of frames.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gdi/gdi_types.h"

namespace studio::packs {

// A bitmap of the image's own size; null when the header does not describe the buffer.
HBITMAP BitmapFromFrameImage(const std::vector<std::uint8_t>& image);

// A 24-bit bitmap file image of width x height (width a multiple of 4, so rows need no padding)
// whose pixel at x, y (from the top) `paint` gives as {blue, green, red}.
struct Bgr {
  std::uint8_t blue, green, red;
};
std::vector<std::uint8_t> PaintedFrameImage(int width, int height, const std::function<Bgr(int x, int y)>& paint);

}  // namespace studio::packs
