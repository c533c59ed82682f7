#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The fairest in-process libav first picture: the container named from the file's extension (so
// no probing), one decoding thread, and the decoder drained after each packet so that the first
// picture comes out as soon as it is decoded rather than after the next one.
namespace bench {

// libavformat's name for a file's container by its extension, or nullptr to probe.
const char* AvFormatFor(const std::string& path);

struct AvPicture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> bgr;  // top-down rows, 3 bytes a pixel
};

// The first picture of the first video stream as BGR24, scaled (area) to width x height, or at
// its own size when width is 0; throughFullSize converts to a full-size BGR24 picture first and
// scales that, as a grabber holding full-size pictures does. False when the file gives no picture.
bool AvFirstPicture(const std::string& path, int width, int height, AvPicture* out = nullptr,
                    bool throughFullSize = false);

}  // namespace bench
