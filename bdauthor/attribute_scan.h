// Reads the stream attributes from the first packets of a clip: the MPEG-2 sequence header and
// sequence extension on the video PID and the LPCM header on the audio PID.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bdauthor/input_record.h"
#include "bdauthor/pes_header.h"

namespace bdauthor {

class AttributeScanner {
 public:
  // Whole source packets only.
  void Feed(const std::uint8_t* data, std::size_t bytes);

  // Everything needed was seen (or the resolution was refused): reading may stop.
  bool Done() const { return unsupportedResolution_ || (extensionSeen_ && audioSeen_); }
  bool VideoFound() const { return extensionSeen_; }
  bool AudioFound() const { return audioSeen_; }
  bool UnsupportedResolution() const { return unsupportedResolution_; }
  int VerticalSize() const { return verticalSize_; }
  // Video and audio fields; the rest of the record keeps its reset values.
  void ApplyTo(StreamAttributes& attributes) const;

 private:
  void FeedPacket(const std::uint8_t* sourcePacket);
  void FeedVideo(const std::uint8_t* data, std::size_t size);
  void FeedAudioHeader(const std::uint8_t* data, std::size_t size);
  void VideoByte(std::uint8_t b);

  PesHeaderReader videoHeader_;
  PesHeaderReader audioHeader_;
  std::uint32_t rolling_ = 0xFFFFFFFF;
  int pendingCode_ = 0;  // start code whose following bytes are being collected
  std::uint8_t pending_[4] = {};
  int pendingHave_ = 0;
  bool sequenceSeen_ = false;
  bool extensionSeen_ = false;
  bool audioSeen_ = false;
  bool audioHeaderPending_ = false;
  bool unsupportedResolution_ = false;
  int verticalSize_ = 0;
  int aspectRatio_ = 0;
  int frameRate_ = 0;
  int videoFormat_ = 0;
  std::uint8_t lpcm_[4] = {};
  int lpcmHave_ = 0;
};

}  // namespace bdauthor
