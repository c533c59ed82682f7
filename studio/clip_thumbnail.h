// The 80 x 60 pictures of the clip list, made from a file by its extension.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/gdi_types.h"

namespace studio {

constexpr int kThumbWidth = 80;
constexpr int kThumbHeight = 60;

// Where a picture of width x height lands in the thumbnail box: smaller pictures are not
// enlarged, larger ones keep their shape.
RECT FitIntoThumbnail(int width, int height);

// A device bitmap of 80 x 60 from a 24-bit bitmap file image (54-byte header, padded bottom-up
// rows); null when the header does not describe the buffer.
HBITMAP ThumbnailFromBitmapImage(const std::vector<uint8_t>& image);

// A picture file drawn fitted on opaque black; null when it cannot be read.
HBITMAP PictureThumbnail(const std::string& path);

enum class ThumbnailResult { kMade, kFailed, kQuickTimeMissing };

// The thumbnail of a clip by its extension (with its dot, any case): MPEG through the picture
// decoder and, when that fails, the frame grabber; pictures fitted; other video through the
// grabber. Unknown extensions fail.
ThumbnailResult MakeClipThumbnail(const std::string& path, const std::string& extension, HBITMAP* out);

// The frame grabber's picture of a file rendered by its type.
int GrabFrameThumbnail(const std::string& path, HBITMAP* out, int width, int height);

}  // namespace studio
