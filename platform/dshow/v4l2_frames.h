// A driver's frame in the layout the capture pin offers: YUYV and UYVY as they are (without the
// driver's line padding), RGB24 turned into bottom-up BGR, MJPEG decoded to YUY2. A frame that
// is short or does not decode gives no picture.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/dshow/av_decoder.h"
#include "platform/dshow/media_types.h"

namespace platform::dshow::v4l2 {

class FrameConverter {
 public:
  // `out`: the pin's type (its size and subtype); pixelFormat: what the driver delivers.
  FrameConverter(std::uint32_t pixelFormat, const CMediaType& out);
  // False when the frame makes no picture (short, corrupt); `picture` is then left empty.
  bool Convert(const std::uint8_t* data, std::size_t size, std::uint32_t bytesPerLine, std::vector<BYTE>* picture);

 private:
  std::uint32_t pixelFormat_;
  CMediaType out_;
  int width_ = 0;
  int height_ = 0;
  std::unique_ptr<AvDecoder> decoder_;
};

}  // namespace platform::dshow::v4l2
