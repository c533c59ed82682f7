#include "platform/media/scaler.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace media {

std::unique_ptr<Scaler> Scaler::Open(AVPixelFormat from, int fromWidth, int fromHeight, AVPixelFormat to, int toWidth,
                                     int toHeight, Filter filter) {
  std::unique_ptr<Scaler> scaler(new Scaler);
  scaler->context_ = sws_getContext(fromWidth, fromHeight, from, toWidth, toHeight, to,
                                    filter == Filter::Area ? SWS_AREA : SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!scaler->context_) return nullptr;
  scaler->fromHeight_ = fromHeight;
  return scaler;
}

Scaler::~Scaler() { sws_freeContext(context_); }

bool Scaler::Scale(const std::uint8_t* const planes[], const int strides[], AVFrame* target) {
  if (av_frame_make_writable(target) < 0) return false;
  return sws_scale(context_, planes, strides, 0, fromHeight_, target->data, target->linesize) > 0;
}

bool Scaler::ScaleInto(const std::uint8_t* const planes[], const int strides[], std::uint8_t* const targetPlanes[],
                       const int targetStrides[]) {
  return sws_scale(context_, planes, strides, 0, fromHeight_, targetPlanes, targetStrides) > 0;
}

bool Scaler::ScalePacked(const std::uint8_t* data, int stride, AVFrame* target) {
  const std::uint8_t* planes[4] = {data, nullptr, nullptr, nullptr};
  int strides[4] = {stride, 0, 0, 0};
  if (stride < 0) planes[0] = data + static_cast<std::ptrdiff_t>(-stride) * (fromHeight_ - 1);
  return Scale(planes, strides, target);
}

}  // namespace media
