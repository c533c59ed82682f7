// One libavcodec encoder, video or audio, opened from plain settings; packets come out through
// a callback as they are finished.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/media/av_types.h"

namespace media {

using Options = std::vector<std::pair<std::string, std::string>>;

struct VideoSettings {
  std::string codec;  // libavcodec encoder name: "mpeg2video", "wmv2"...
  int width = 0;
  int height = 0;
  AVRational frameRate{30000, 1001};
  AVPixelFormat pixelFormat = AV_PIX_FMT_YUV420P;
  std::int64_t bitRate = 0;
  std::int64_t maxRate = 0;  // 0: unconstrained
  std::int64_t minRate = 0;
  int bufferSize = 0;  // rate-control buffer, bits
  int gopSize = 12;
  int maxBFrames = 2;
  AVRational aspect{0, 1};  // display aspect; 0/1 leaves square pixels
  bool closedGop = false;
  bool globalHeader = false;  // the muxer wants extradata (asf, avi with some codecs)
  Options options;            // codec private options, applied at open
};

struct AudioSettings {
  std::string codec;  // "mp2", "wmav2"...
  int sampleRate = 48000;
  int channels = 2;
  std::int64_t bitRate = 224000;
  bool globalHeader = false;
};

class Encoder {
 public:
  using PacketSink = std::function<bool(AVPacket* packet)>;

  static std::unique_ptr<Encoder> OpenVideo(const VideoSettings& settings, std::string* error);
  static std::unique_ptr<Encoder> OpenAudio(const AudioSettings& settings, std::string* error);
  ~Encoder();
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  AVCodecContext* Context() const { return context_; }
  AVRational TimeBase() const { return context_->time_base; }
  // Samples per channel each audio frame must hold (0 when any count goes).
  int FrameSamples() const { return context_->frame_size; }
  AVSampleFormat SampleFormat() const { return context_->sample_fmt; }

  // Encodes one frame, or flushes the encoder when frame is null. Every packet ready goes to
  // sink; a sink answering false ends the call with false. False on an encoder error too.
  bool Encode(const AVFrame* frame, const PacketSink& sink);

 private:
  explicit Encoder(AVCodecContext* context);
  AVCodecContext* context_;
  PacketPtr packet_;
};

}  // namespace media
