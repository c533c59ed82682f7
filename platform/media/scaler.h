// Picture conversion between sizes and pixel formats (libswscale).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/media/av_types.h"

struct SwsContext;

namespace media {

class Scaler {
 public:
  // Area averaging suits shrinking to thumbnails; bilinear everything else.
  enum class Filter { Bilinear, Area };
  static std::unique_ptr<Scaler> Open(AVPixelFormat from, int fromWidth, int fromHeight, AVPixelFormat to, int toWidth,
                                      int toHeight, Filter filter = Filter::Bilinear);
  ~Scaler();
  Scaler(const Scaler&) = delete;
  Scaler& operator=(const Scaler&) = delete;

  // Planes and strides of one source picture into a frame of the target format and size.
  bool Scale(const std::uint8_t* const planes[], const int strides[], AVFrame* target);
  // A packed picture (YUY2, RGB24...) of the source format in one buffer; a negative stride
  // reads it bottom-up as a Windows DIB is stored.
  bool ScalePacked(const std::uint8_t* data, int stride, AVFrame* target);
  // Scale into the caller's own planes; a negative target stride with the last row's address
  // writes the picture bottom-up.
  bool ScaleInto(const std::uint8_t* const planes[], const int strides[], std::uint8_t* const targetPlanes[],
                 const int targetStrides[]);

 private:
  Scaler() = default;
  SwsContext* context_ = nullptr;
  int fromHeight_ = 0;
};

}  // namespace media
