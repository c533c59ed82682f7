#include "platform/dshow/v4l2_frames.h"

#include <linux/videodev2.h>

#include <cstdlib>
#include <cstring>

namespace platform::dshow::v4l2 {

FrameConverter::FrameConverter(std::uint32_t pixelFormat, const CMediaType& out)
    : pixelFormat_(pixelFormat), out_(out) {
  if (const auto* vih = out_.Format<VIDEOINFOHEADER>()) {
    width_ = vih->bmiHeader.biWidth;
    height_ = std::abs(vih->bmiHeader.biHeight);
  }
  if (pixelFormat_ == V4L2_PIX_FMT_MJPEG || pixelFormat_ == V4L2_PIX_FMT_JPEG) {
    decoder_ = std::make_unique<AvDecoder>();
    if (!decoder_->Open(AV_CODEC_ID_MJPEG, false)) decoder_.reset();
  }
}

bool FrameConverter::Convert(const std::uint8_t* data, std::size_t size, std::uint32_t bytesPerLine,
                             std::vector<BYTE>* picture) {
  picture->clear();
  if (!data || width_ <= 0 || height_ <= 0) return false;
  const auto w = static_cast<std::size_t>(width_), h = static_cast<std::size_t>(height_);
  if (pixelFormat_ == V4L2_PIX_FMT_YUYV || pixelFormat_ == V4L2_PIX_FMT_UYVY) {
    const std::size_t row = w * 2;
    const std::size_t stride = bytesPerLine >= row ? bytesPerLine : row;
    if (size < stride * (h - 1) + row) return false;
    picture->resize(row * h);
    for (std::size_t y = 0; y < h; ++y) std::memcpy(picture->data() + y * row, data + y * stride, row);
    return true;
  }
  if (pixelFormat_ == V4L2_PIX_FMT_RGB24) {
    const std::size_t row = w * 3;
    const std::size_t stride = bytesPerLine >= row ? bytesPerLine : row;
    if (size < stride * (h - 1) + row) return false;
    picture->resize(row * h);
    for (std::size_t y = 0; y < h; ++y) {
      const std::uint8_t* src = data + y * stride;
      BYTE* dst = picture->data() + (h - 1 - y) * row;
      for (std::size_t x = 0; x < w; ++x) {
        dst[3 * x] = src[3 * x + 2];
        dst[3 * x + 1] = src[3 * x + 1];
        dst[3 * x + 2] = src[3 * x];
      }
    }
    return true;
  }
  if (!decoder_ || size < 4) return false;
  MediaSample in;
  in.data.assign(data, data + size);
  bool got = false;
  decoder_->Decode(in, out_, [&](MediaSample& frame) {
    if (got || frame.data.empty()) return;
    *picture = std::move(frame.data);
    got = true;
  });
  return got;
}

}  // namespace platform::dshow::v4l2
