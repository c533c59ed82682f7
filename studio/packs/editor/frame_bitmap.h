// Device bitmaps from the 24-bit bitmap file images the clip reader makes of frames.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi/gdi_types.h"

namespace studio::packs {

// A bitmap of the image's own size; null when the header does not describe the buffer.
HBITMAP BitmapFromFrameImage(const std::vector<std::uint8_t>& image);

}  // namespace studio::packs
