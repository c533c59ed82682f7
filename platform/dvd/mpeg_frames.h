// What the multiplexer needs to know of MPEG frames: frames split out of an elementary stream
// by libavcodec's parser, and the few header fields that give each its time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct AVCodecContext;
struct AVCodecParserContext;

namespace platform::dvd {

// The sequence header's picture size and frame rate (90 kHz ticks per frame).
struct SequenceInfo {
  int width = 0;
  int height = 0;
  int frameRateCode = 0;
  int frameTicks = 0;
  bool pal = false;
};
// The first sequence header in the bytes; false when there is none or its frame rate is unknown.
bool FindSequenceHeader(const std::uint8_t* data, std::size_t size, SequenceInfo* info);

// The picture header of one coded picture: temporal reference and coding type (1 I, 2 P, 3 B),
// and whether a GOP header precedes it.
struct PictureInfo {
  int temporalReference = 0;
  int codingType = 0;
  bool gopStart = false;
};
bool FindPictureHeader(const std::uint8_t* data, std::size_t size, PictureInfo* info);

// An MPEG-1 audio frame header: its rate, channels, bit rate and samples.
struct AudioFrameInfo {
  int sampleRate = 0;
  int channels = 0;
  int bitRate = 0;
  int samples = 0;
};
bool ParseAudioFrameHeader(const std::uint8_t* data, std::size_t size, AudioFrameInfo* info);

// Splits a byte stream into whole frames with libavcodec's parser for the codec.
class FrameSplitter {
 public:
  explicit FrameSplitter(int codecId);
  ~FrameSplitter();
  FrameSplitter(const FrameSplitter&) = delete;
  FrameSplitter& operator=(const FrameSplitter&) = delete;

  bool IsOpen() const { return parser_ && context_; }
  // Feeds bytes (none to flush at the end); calls `frame` for every whole frame found.
  template <typename OnFrame>
  void Feed(const std::uint8_t* data, std::size_t size, OnFrame&& frame) {
    do {
      const std::uint8_t* out = nullptr;
      int outSize = 0;
      const int used = Parse(data, size, &out, &outSize);
      if (used < 0) return;
      data += used;
      size -= static_cast<std::size_t>(used);
      if (outSize > 0) frame(out, static_cast<std::size_t>(outSize));
      if (used == 0 && outSize == 0) return;
    } while (size > 0);
  }

 private:
  int Parse(const std::uint8_t* data, std::size_t size, const std::uint8_t** out, int* outSize);

  AVCodecParserContext* parser_ = nullptr;
  AVCodecContext* context_ = nullptr;
};

}  // namespace platform::dvd
