#include "mpegdec/video_decoder.h"

#include <new>

#include "mpegdec/mpeg_errors.h"

using namespace mpegdec;

CMpegVideoDecoder::~CMpegVideoDecoder() { Close(); }

void CMpegVideoDecoder::Reset() {
  Close();
  twoLayers = 0;
  state = kNotOpen;
}

void CMpegVideoDecoder::Close() {
  picture.Reset();
  base_.reset();
  enhancement_.reset();
  baseHeader = enhancementHeader = nullptr;
  baseSecondField = enhancementSecondField = nullptr;
}

int CMpegVideoDecoder::Open(const char* basePath, const char* enhancementPath, int baseStreamIndex,
                            int enhancementStreamIndex, int baseRingSize, int enhancementRingSize, int maxWidth,
                            int maxHeight) {
  if (state != kNotOpen) return kBadState;
  twoLayers = enhancementPath != nullptr;
  base_.reset(new (std::nothrow) CMpegStreamReader);
  if (!base_) {
    Reset();
    return kOutOfMemory;
  }
  int r = base_->Open(basePath, baseStreamIndex, baseRingSize);
  if (r != 1) {
    Reset();
    return r;
  }
  baseHeader = &base_->header;
  baseSecondField = &base_->secondField;
  if (baseHeader->horizontal_size > maxWidth || baseHeader->vertical_size > maxHeight) {
    Reset();
    return kBadFormat;
  }
  if (twoLayers) {
    enhancement_.reset(new (std::nothrow) CMpegStreamReader);
    if (!enhancement_) {
      Reset();
      return kOutOfMemory;
    }
    r = enhancement_->Open(enhancementPath, enhancementStreamIndex, enhancementRingSize);
    if (r != 1) {
      Reset();
      return r;
    }
    enhancementHeader = &enhancement_->header;
    enhancementSecondField = &enhancement_->secondField;
    if (!baseHeader->scalable_mode && !enhancementHeader->scalable_mode) {
      Reset();
      return kBadState;
    }
  }
  r = picture.Init(base_.get(), enhancement_.get());
  if (r != 1) {
    Reset();
    return r;
  }
  picture.SelectCurrentFrame(false);
  state = 1;
  return 1;
}

namespace {

// The first picture of the file into out.bitmap: at its own size when thumbWidth is 0, else
// straight at the thumbnail's.
int DecodeFirstPicture(const char* path, MpegThumbnail& out, int thumbWidth, int thumbHeight, int maxWidth,
                       int maxHeight) {
  CMpegVideoDecoder decoder;
  int r = decoder.Open(path, nullptr, 0, 0, 2048, 2048, maxWidth, maxHeight);
  if (r != 1) return r;
  CMpegStreamReader& reader = *decoder.baseReader();
  // Sized by the decoder's own rule, from the sizes it froze at open; every byte is written below.
  const bool sized = thumbWidth > 0 && thumbHeight > 0;
  out.bitmap.resize(sized ? 54 + size_t((3 * thumbWidth + 3) & ~3) * size_t(thumbHeight)
                          : size_t(decoder.picture.OutputSize(kOutputBitmap)));
  if (reader.lastPictureIndex < 0) reader.CountPictures();
  out.pictureCount = reader.PictureCount();
  // One picture is enough for a thumbnail.
  if (out.pictureCount < 1) {
    out.bitmap.clear();
    return reader.lastError < 0 ? reader.lastError : kMalformed;
  }
  // A refused first picture leaves the planes unwritten: no thumbnail rather than a black one.
  const int prepared = decoder.picture.Prepare();
  if (prepared != 1) {
    out.bitmap.clear();
    return prepared < 0 ? prepared : (decoder.picture.error < 0 ? decoder.picture.error : kMalformed);
  }
  uint16_t w = 0, h = 0;
  const int made = sized ? decoder.picture.DecodeToThumbnail(out.bitmap.data(), thumbWidth, thumbHeight)
                         : decoder.picture.DecodeToRgb(out.bitmap.data(), &w, &h, kOutputBitmap);
  if (made <= 0) {
    out.bitmap.clear();
    return decoder.picture.error < 0 ? decoder.picture.error : kBadState;
  }
  if (sized) {
    // The full picture's size, as its conversion gives it.
    const MpegHeaderRecord& seq = *decoder.baseHeader;
    w = uint16_t(seq.chroma_format == 3 ? seq.horizontal_size : seq.horizontal_size & ~1);
    h = uint16_t(seq.chroma_format == 1 ? seq.vertical_size & ~1 : seq.vertical_size);
  }
  out.width = w;
  out.height = h;
  return 1;
}

}  // namespace

int DecodeMpegThumbnail(const char* path, MpegThumbnail& out, int maxWidth, int maxHeight) {
  return DecodeFirstPicture(path, out, 0, 0, maxWidth, maxHeight);
}

int DecodeMpegThumbnailSized(const char* path, MpegThumbnail& out, int thumbWidth, int thumbHeight, int maxWidth,
                             int maxHeight) {
  if (thumbWidth < 1 || thumbHeight < 1 || thumbWidth > maxWidth || thumbHeight > maxHeight) return kBadState;
  return DecodeFirstPicture(path, out, thumbWidth, thumbHeight, maxWidth, maxHeight);
}
