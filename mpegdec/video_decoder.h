#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "mpegdec/picture_decoder.h"
#include "mpegdec/stream_reader.h"

// The MPEG video decoder the clip list uses for one thumbnail: open a file, count its
// pictures, decode the first picture and convert it.
class CMpegVideoDecoder {
 public:
  // Pictures larger than this are refused unless the caller passes its own limit.
  static constexpr int kDefaultMaxWidth = 4096;
  static constexpr int kDefaultMaxHeight = 4096;

  CMpegVideoDecoder() = default;
  ~CMpegVideoDecoder();
  CMpegVideoDecoder(const CMpegVideoDecoder&) = delete;
  CMpegVideoDecoder& operator=(const CMpegVideoDecoder&) = delete;

  int Open(const char* basePath, const char* enhancementPath, int baseStreamIndex, int enhancementStreamIndex,
           int baseRingSize, int enhancementRingSize, int maxWidth = kDefaultMaxWidth,
           int maxHeight = kDefaultMaxHeight);
  void Close();
  void Reset();

  CMpegStreamReader* baseReader() { return base_.get(); }
  CMpegStreamReader* enhancementReader() { return enhancement_.get(); }
  CMpegPictureDecoder picture;
  uint8_t twoLayers = 0;
  int state = -127;
  const MpegHeaderRecord* baseHeader = nullptr;
  const MpegHeaderRecord* enhancementHeader = nullptr;
  const uint8_t* baseSecondField = nullptr;
  const uint8_t* enhancementSecondField = nullptr;

 private:
  std::unique_ptr<CMpegStreamReader> base_;
  std::unique_ptr<CMpegStreamReader> enhancement_;
};

// The clip list's use of the decoder: the first picture of an MPEG file as a 24-bit bitmap
// file image. Returns 1 with the image, or a negative code of the decoder.
struct MpegThumbnail {
  std::vector<uint8_t> bitmap;  // 54-byte header and bottom-up rows
  int width = 0;
  int height = 0;
  int pictureCount = 0;
};
int DecodeMpegThumbnail(const char* path, MpegThumbnail& out, int maxWidth = 2048, int maxHeight = 2048);
// The same straight at a thumbnail's size: the bitmap holds thumbWidth x thumbHeight pixels, each
// the picture's mean over what a HALFTONE shrink of the full bitmap averages into it, without the
// full picture's conversion; width and height stay the picture's own.
int DecodeMpegThumbnailSized(const char* path, MpegThumbnail& out, int thumbWidth, int thumbHeight, int maxWidth = 2048,
                             int maxHeight = 2048);
