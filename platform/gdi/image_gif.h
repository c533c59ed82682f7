// GIF pictures for the image loader: the first frame, on a transparent canvas of the
// picture's own size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::gdi {

// RGBA rows, top down. False for data that is not a GIF, is damaged before the first frame ends
// or is larger than `maxPixels`.
bool DecodeGifRgba(const std::uint8_t* data, std::size_t size, std::int64_t maxPixels, std::vector<std::uint8_t>* rgba,
                   int* width, int* height);

}  // namespace platform::gdi
