#include "bdauthor/attribute_scan.h"

#include "bdauthor/ts_packet.h"

namespace bdauthor {

namespace {

constexpr std::uint8_t kPrivateStream1 = 0xBD;
// The LPCM layout the recorder writes and the stream tables announce: stereo (3) at 48 kHz (1).
constexpr std::uint8_t kStereo48k = 0x31;

int VideoFormatOf(int verticalSize, bool interlaced) {
  switch (verticalSize) {
    case 480: return interlaced ? 1 : 3;
    case 576: return interlaced ? 2 : 7;
    case 720: return 5;
    case 1080:
    case 1088: return interlaced ? 4 : 6;
    default: return 0;
  }
}

}  // namespace

void AttributeScanner::Feed(const std::uint8_t* data, std::size_t bytes) {
  for (std::size_t at = 0; at + kSourcePacketSize <= bytes && !Done(); at += kSourcePacketSize) {
    FeedPacket(data + at);
  }
}

void AttributeScanner::FeedPacket(const std::uint8_t* sourcePacket) {
  TsPacketView view;
  if (!ParseTsPacket(sourcePacket, view) || view.payloadSize == 0) return;
  const std::uint8_t* data = view.payload;
  std::size_t size = view.payloadSize;
  if (view.pid == kVideoPid && !extensionSeen_) {
    if (view.unitStart) videoHeader_.Begin();
    videoHeader_.ConsumeFront(data, size);
    if (videoHeader_.Complete() && (videoHeader_.StreamId() & 0xF0) == 0xE0) FeedVideo(data, size);
  } else if (view.pid == kAudioPid && !audioSeen_) {
    if (view.unitStart) {
      audioHeader_.Begin();
      lpcmHave_ = 0;
      audioHeaderPending_ = true;
    }
    audioHeader_.ConsumeFront(data, size);
    if (audioHeader_.Complete() && audioHeader_.StreamId() == kPrivateStream1 && audioHeaderPending_) {
      FeedAudioHeader(data, size);
    }
  }
}

void AttributeScanner::FeedAudioHeader(const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < size && lpcmHave_ < 4; ++i) lpcm_[lpcmHave_++] = data[i];
  if (lpcmHave_ < 4) return;
  audioHeaderPending_ = false;
  if (lpcm_[2] == kStereo48k) audioSeen_ = true;
}

void AttributeScanner::FeedVideo(const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < size && !extensionSeen_ && !unsupportedResolution_; ++i) VideoByte(data[i]);
}

void AttributeScanner::VideoByte(std::uint8_t b) {
  rolling_ = (rolling_ << 8) | b;
  if (pendingCode_ != 0) {
    pending_[pendingHave_++] = b;
    if (pendingCode_ == 0xB3 && pendingHave_ == 4) {
      verticalSize_ = ((pending_[1] & 0x0F) << 8) | pending_[2];
      aspectRatio_ = pending_[3] >> 4;
      frameRate_ = pending_[3] & 0x0F;
      sequenceSeen_ = true;
      pendingCode_ = 0;
    } else if (pendingCode_ == 0xB5 && pendingHave_ == 2) {
      pendingCode_ = 0;
      if ((pending_[0] >> 4) == 1) {
        const bool interlaced = (pending_[1] & 0x08) == 0;
        videoFormat_ = VideoFormatOf(verticalSize_, interlaced);
        if (videoFormat_ == 0) {
          unsupportedResolution_ = true;
        } else {
          extensionSeen_ = true;
        }
      }
    }
    return;
  }
  if (rolling_ == 0x000001B3 && !sequenceSeen_) {
    pendingCode_ = 0xB3;
    pendingHave_ = 0;
  } else if (rolling_ == 0x000001B5 && sequenceSeen_) {
    pendingCode_ = 0xB5;
    pendingHave_ = 0;
  }
}

void AttributeScanner::ApplyTo(StreamAttributes& attributes) const {
  if (extensionSeen_) {
    attributes.videoCodingType = kVideoCodingMpeg2;
    attributes.videoFormat = videoFormat_;
    attributes.aspectRatio = aspectRatio_;
    attributes.frameRate = frameRate_;
  }
  if (audioSeen_) {
    attributes.audioCodingType = kAudioCodingLpcm;
    attributes.audioPresentationType = 3;
    attributes.samplingFrequency = 1;
  }
}

}  // namespace bdauthor
