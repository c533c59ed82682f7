#include <cstdio>

#include "mpegdec/video_decoder.h"
#include "platform/base/file.h"
#include "steps.h"

namespace demo {

bool MakeThumbnail(const std::string& mpegPath, const std::string& bmpPath) {
  MpegThumbnail thumbnail;
  const int result = DecodeMpegThumbnail(mpegPath.c_str(), thumbnail);
  if (result != 1) {
    std::printf("  Thumbnail of %s failed with code %d\n", mpegPath.c_str(), result);
    return false;
  }
  const std::string image(thumbnail.bitmap.begin(), thumbnail.bitmap.end());
  if (!platform::WriteWholeFileAtomic(bmpPath, image)) {
    std::printf("  Cannot write %s\n", bmpPath.c_str());
    return false;
  }
  std::printf("  Thumbnail: %dx%d, %d pictures in the clip -> %s\n", thumbnail.width, thumbnail.height,
              thumbnail.pictureCount, bmpPath.c_str());
  return true;
}

}  // namespace demo
