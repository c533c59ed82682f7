// Window shapes cut from a bitmap: every pixel whose colour lies outside a key box becomes part
// of the region, row by row in runs.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gdi/gdi_types.h"

// Rectangles go to the sink in batches, so a large picture never needs one huge block.
constexpr std::size_t kMaskRunBatch = 2000;

// 32-bit pixels (blue, green, red, unused byte order), rows top first, pitch in bytes. Runs of
// pixels outside [key, key + tolerance] per channel become rectangles one row high; the sink
// hears every kMaskRunBatch of them and the rest at the end. Bad sizes give no rectangles.
void CollectMaskRuns(const std::uint8_t* pixels, int width, int height, std::size_t pitch, COLORREF key,
                     COLORREF tolerance, const std::function<void(const std::vector<RECT>&)>& sink);

// The region of every pixel of the bitmap outside the key box; NULL for a missing bitmap or
// when the pixels cannot be read. A bitmap that is all key colour gives an empty region.
HRGN BuildRegionFromBitmap(HBITMAP bitmap, COLORREF key, COLORREF tolerance = 0);
