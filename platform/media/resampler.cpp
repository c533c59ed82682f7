#include "platform/media/resampler.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libswresample/swresample.h>
}

namespace media {

std::unique_ptr<Resampler> Resampler::Open(AVSampleFormat from, int fromChannels, int fromRate, AVSampleFormat to,
                                           int toChannels, int toRate) {
  std::unique_ptr<Resampler> resampler(new Resampler);
  AVChannelLayout inLayout, outLayout;
  av_channel_layout_default(&inLayout, fromChannels);
  av_channel_layout_default(&outLayout, toChannels);
  const int result =
      swr_alloc_set_opts2(&resampler->context_, &outLayout, to, toRate, &inLayout, from, fromRate, 0, nullptr);
  av_channel_layout_uninit(&inLayout);
  av_channel_layout_uninit(&outLayout);
  if (result < 0 || swr_init(resampler->context_) < 0) return nullptr;
  resampler->fromRate_ = fromRate;
  resampler->toRate_ = toRate;
  return resampler;
}

Resampler::~Resampler() { swr_free(&context_); }

int Resampler::Convert(const std::uint8_t* const* in, int inSamples, std::uint8_t** out, int capacity) {
  const int made = swr_convert(context_, out, capacity, const_cast<const std::uint8_t**>(in), in ? inSamples : 0);
  return made < 0 ? -1 : made;
}

int Resampler::OutputRoom(int inSamples) const {
  const std::int64_t delay = swr_get_delay(context_, fromRate_);
  return static_cast<int>(av_rescale_rnd(delay + inSamples, toRate_, fromRate_, AV_ROUND_UP));
}

SampleQueue::SampleQueue(AVSampleFormat format, int channels)
    : fifo_(av_audio_fifo_alloc(format, channels, 4096)), format_(format), channels_(channels) {}

SampleQueue::~SampleQueue() {
  if (fifo_) av_audio_fifo_free(fifo_);
}

bool SampleQueue::Push(std::uint8_t* const* planes, int samples) {
  if (!fifo_) return false;
  return av_audio_fifo_write(fifo_, reinterpret_cast<void**>(const_cast<std::uint8_t**>(planes)), samples) == samples;
}

int SampleQueue::Size() const { return fifo_ ? av_audio_fifo_size(fifo_) : 0; }

bool SampleQueue::Pop(AVFrame* frame) {
  if (Size() < frame->nb_samples || av_frame_make_writable(frame) < 0) return false;
  return av_audio_fifo_read(fifo_, reinterpret_cast<void**>(frame->data), frame->nb_samples) == frame->nb_samples;
}

}  // namespace media
