// Sound conversion between rates, channel counts and sample formats (libswresample), and the
// queue that cuts converted sound into the encoder's frame size.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/media/av_types.h"

struct SwrContext;
struct AVAudioFifo;

namespace media {

class Resampler {
 public:
  static std::unique_ptr<Resampler> Open(AVSampleFormat from, int fromChannels, int fromRate, AVSampleFormat to,
                                         int toChannels, int toRate);
  ~Resampler();
  Resampler(const Resampler&) = delete;
  Resampler& operator=(const Resampler&) = delete;

  // Converts interleaved (or planar, by the source format) input; null input drains what the
  // filter holds. Returns the samples per channel written to out (at most capacity), -1 on error.
  int Convert(const std::uint8_t* const* in, int inSamples, std::uint8_t** out, int capacity);
  // Samples per channel that inSamples of input can make, the delay included.
  int OutputRoom(int inSamples) const;

 private:
  Resampler() = default;
  SwrContext* context_ = nullptr;
  int fromRate_ = 0;
  int toRate_ = 0;
};

class SampleQueue {
 public:
  SampleQueue(AVSampleFormat format, int channels);
  ~SampleQueue();
  SampleQueue(const SampleQueue&) = delete;
  SampleQueue& operator=(const SampleQueue&) = delete;

  bool Push(std::uint8_t* const* planes, int samples);
  int Size() const;
  // Takes samples into frame (frame->nb_samples of them); false when fewer are queued.
  bool Pop(AVFrame* frame);
  AVSampleFormat Format() const { return format_; }
  int Channels() const { return channels_; }

 private:
  AVAudioFifo* fifo_;
  AVSampleFormat format_;
  int channels_;
};

}  // namespace media
