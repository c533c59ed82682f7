// The grabber's own road to a thumbnail: the file's first key picture decoded with libavcodec on
// one thread, the container opened with no probing past its headers, the picture shrunk from
// its decoded planes.
#pragma once

#include <memory>
#include <string>

#include "platform/gdi/gdi_types.h"

struct AVFrame;

class FirstKeyPicture {
 public:
  // The first key picture of the file's first video stream; nullptr when the container does not
  // open as `format` (a libavformat demuxer's name; empty to tell it by content), holds no
  // video, or gives no picture from its first key packet.
  static std::unique_ptr<FirstKeyPicture> Decode(const std::string& path, const std::string& format);
  ~FirstKeyPicture();
  FirstKeyPicture(const FirstKeyPicture&) = delete;
  FirstKeyPicture& operator=(const FirstKeyPicture&) = delete;

  int Width() const;
  int Height() const;
  // True for a size that only shrinks the picture: never larger, smaller at least one way.
  bool Shrinks(int width, int height) const;
  // A new bottom-up 24-bit DIB section of width x height for a size that shrinks: each pixel
  // the mean of its box of the picture, as the HALFTONE shrink of the full bitmap gives it, taken
  // from the decoded planes; nullptr for another size or when the conversion cannot be made.
  HBITMAP ShrinkTo(int width, int height) const;

  // The demuxer that reads a file of this name without telling it by content ("" when unsure).
  static std::string FormatForName(const std::string& path);

 private:
  explicit FirstKeyPicture(AVFrame* frame) : frame_(frame) {}
  AVFrame* frame_;
};
