#include "platform/dshow/alsa_capture.h"

#include <alsa/asoundlib.h>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace platform::dshow::alsa {

namespace {

// A period of about 20 ms and a buffer of a quarter second: a reader late by a little less
// loses nothing.
constexpr unsigned kPeriodUs = 20000;
constexpr unsigned kBufferUs = 250000;

struct CardFormat {
  snd_pcm_format_t alsa;
  AVSampleFormat av;
  int bytes;
};
constexpr CardFormat kFormats[] = {{SND_PCM_FORMAT_S16_LE, AV_SAMPLE_FMT_S16, 2},
                                   {SND_PCM_FORMAT_S32_LE, AV_SAMPLE_FMT_S32, 4},
                                   {SND_PCM_FORMAT_FLOAT_LE, AV_SAMPLE_FMT_FLT, 4}};

// Each output channel from the card's channels: a mono card heard in both at its own level (not
// 3 dB down, as a centre channel would be), a stereo card in a mono recording as the mean of its
// two, else channel for channel.
std::vector<double> ChannelMatrix(int in, int out) {
  std::vector<double> m(static_cast<std::size_t>(in * out), 0.0);
  for (int o = 0; o < out; ++o)
    for (int i = 0; i < in; ++i)
      m[static_cast<std::size_t>(o * in + i)] = in == 1 ? 1.0 : out == 1 ? 1.0 / in : (i == o ? 1.0 : 0.0);
  return m;
}

}  // namespace

Capture::~Capture() { Close(); }

int Capture::Open(const std::string& pcm, int rate, int channels) {
  Close();
  int error = snd_pcm_open(&pcm_, pcm.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
  if (error < 0) {
    pcm_ = nullptr;
    return error;
  }
  snd_pcm_hw_params_t* hw = nullptr;
  snd_pcm_hw_params_alloca(&hw);
  snd_pcm_hw_params_any(pcm_, hw);
  error = snd_pcm_hw_params_set_access(pcm_, hw, SND_PCM_ACCESS_RW_INTERLEAVED);
  const CardFormat* format = nullptr;
  for (const auto& f : kFormats)
    if (!format && snd_pcm_hw_params_test_format(pcm_, hw, f.alsa) == 0) format = &f;
  if (error < 0 || !format || snd_pcm_hw_params_set_format(pcm_, hw, format->alsa) < 0) {
    Close();
    return -EINVAL;
  }
  unsigned cardChannels = static_cast<unsigned>(channels);
  unsigned cardRate = static_cast<unsigned>(rate);
  unsigned periodUs = kPeriodUs, bufferUs = kBufferUs;
  if (snd_pcm_hw_params_set_channels_near(pcm_, hw, &cardChannels) < 0 ||
      snd_pcm_hw_params_set_rate_near(pcm_, hw, &cardRate, nullptr) < 0 ||
      snd_pcm_hw_params_set_buffer_time_near(pcm_, hw, &bufferUs, nullptr) < 0 ||
      snd_pcm_hw_params_set_period_time_near(pcm_, hw, &periodUs, nullptr) < 0 || snd_pcm_hw_params(pcm_, hw) < 0) {
    Close();
    return -EINVAL;
  }
  snd_pcm_uframes_t period = 0;
  snd_pcm_hw_params_get_period_size(hw, &period, nullptr);
  // Status time stamps on the monotonic clock, the one picture sources stamp by.
  snd_pcm_sw_params_t* sw = nullptr;
  snd_pcm_sw_params_alloca(&sw);
  stamped_ = snd_pcm_sw_params_current(pcm_, sw) == 0 &&
             snd_pcm_sw_params_set_tstamp_mode(pcm_, sw, SND_PCM_TSTAMP_ENABLE) == 0 &&
             snd_pcm_sw_params_set_tstamp_type(pcm_, sw, SND_PCM_TSTAMP_TYPE_MONOTONIC) == 0 &&
             snd_pcm_sw_params(pcm_, sw) == 0;
  rate_ = rate;
  channels_ = channels;
  cardRate_ = static_cast<int>(cardRate);
  cardChannels_ = static_cast<int>(cardChannels);
  cardBytesPerFrame_ = format->bytes * cardChannels_;
  periodFrames_ = std::max<snd_pcm_uframes_t>(period, 1);
  raw_.resize(periodFrames_ * static_cast<std::size_t>(cardBytesPerFrame_));
  if (cardRate_ != rate_ || cardChannels_ != channels_ || format->av != AV_SAMPLE_FMT_S16) {
    AVChannelLayout in{}, out{};
    av_channel_layout_default(&in, cardChannels_);
    av_channel_layout_default(&out, channels_);
    if (swr_alloc_set_opts2(&swr_, &out, AV_SAMPLE_FMT_S16, rate_, &in, format->av, cardRate_, 0, nullptr) < 0) {
      Close();
      return -EINVAL;
    }
    if (swr_set_matrix(swr_, ChannelMatrix(cardChannels_, channels_).data(), cardChannels_) < 0 || swr_init(swr_) < 0) {
      Close();
      return -EINVAL;
    }
  }
  return 0;
}

void Capture::Close() {
  if (pcm_) snd_pcm_close(pcm_);
  pcm_ = nullptr;
  swr_free(&swr_);
}

int Capture::Restart() {
  if (!pcm_) return -ENODEV;
  snd_pcm_drop(pcm_);
  int error = snd_pcm_prepare(pcm_);
  if (error == 0) error = snd_pcm_start(pcm_);
  delivered_ = 0;
  haveFirst_ = false;
  lostFrames_ = false;
  if (swr_) swr_init(swr_);
  return error;
}

// The capture time of the first of `cardFrames` read just now: the status says when the card was
// where it is, and how much it holds beyond what was read.
std::int64_t Capture::CapturedUs(long long cardFrames) const {
  const std::int64_t nowUs =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count();
  std::int64_t atUs = nowUs;
  long long held = 0;
  snd_pcm_status_t* status = nullptr;
  snd_pcm_status_alloca(&status);
  if (stamped_ && snd_pcm_status(pcm_, status) == 0) {
    // Overrun since the read: what the card holds is no longer known; the period read came
    // straight after the one before it.
    if (snd_pcm_status_get_state(status) != SND_PCM_STATE_RUNNING && haveFirst_) return nextUs_;
    snd_htimestamp_t ts{};
    snd_pcm_status_get_htstamp(status, &ts);
    const std::int64_t stampUs = static_cast<std::int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
    // A stamp from another clock (or none) is no use: the delay alone still counts.
    if (stampUs > 0 && std::llabs(stampUs - nowUs) < 1000000) atUs = stampUs;
    held = std::max<long long>(snd_pcm_status_get_delay(status), 0);
  } else {
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(pcm_, &delay) == 0) held = std::max<long long>(delay, 0);
    else if (haveFirst_) return nextUs_;
  }
  return atUs - (held + cardFrames) * 1000000 / cardRate_;
}

int Capture::Recover(int error) {
  if (error == -ESTRPIPE) {
    // Suspended: resume where the driver can, else start again.
    for (int tries = 0; (error = snd_pcm_resume(pcm_)) == -EAGAIN && tries < 100; ++tries) snd_pcm_wait(pcm_, 10);
    if (error == 0) return 0;
  } else if (error != -EPIPE) {
    return error;
  }
  ++overruns_;
  lostFrames_ = true;
  error = snd_pcm_prepare(pcm_);
  return error < 0 ? error : snd_pcm_start(pcm_);
}

void Capture::Convert(const std::uint8_t* raw, int frames, std::vector<std::int16_t>* out) {
  if (!swr_) {
    const auto* samples = reinterpret_cast<const std::int16_t*>(raw);
    out->insert(out->end(), samples, samples + static_cast<std::ptrdiff_t>(frames) * channels_);
    return;
  }
  const int room = swr_get_out_samples(swr_, frames);
  const std::size_t at = out->size();
  out->resize(at + static_cast<std::size_t>(std::max(room, 0)) * static_cast<std::size_t>(channels_));
  auto* dst = reinterpret_cast<std::uint8_t*>(out->data() + at);
  const int made = swr_convert(swr_, &dst, room, &raw, frames);
  out->resize(at + static_cast<std::size_t>(std::max(made, 0)) * static_cast<std::size_t>(channels_));
}

int Capture::Read(std::vector<std::int16_t>* out, int waitMs) {
  out->clear();
  if (!pcm_) return -ENODEV;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  snd_pcm_sframes_t got = 0;
  while (got <= 0) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return 0;
    const int ready = snd_pcm_wait(pcm_, static_cast<int>(left.count()));
    if (ready == 0) return 0;
    got = ready < 0 ? ready : snd_pcm_readi(pcm_, raw_.data(), periodFrames_);
    if (got == -EPIPE || got == -ESTRPIPE) {
      if (const int error = Recover(static_cast<int>(got)); error < 0) return error;
      got = 0;
    } else if (got == -EAGAIN || got == -EINTR) {
      got = 0;
    } else if (got < 0) {
      return static_cast<int>(got);
    }
  }
  Convert(raw_.data(), static_cast<int>(got), out);
  // When the card captured this period, not when it was read: a reader late after an overrun
  // would otherwise count its own lateness as lost time, and the periods waiting in the buffer
  // would then come on top of the silence.
  const std::int64_t capturedUs = CapturedUs(got);
  std::int64_t startUs = capturedUs;
  if (haveFirst_ && lostFrames_) {
    // What the card would have given while nobody read: the time since the last frame it gave.
    const long long missing = (capturedUs - nextUs_) * rate_ / 1000000;
    if (missing > 0) {
      out->insert(out->begin(), static_cast<std::size_t>(missing) * channels_, 0);
      startUs -= missing * 1000000 / rate_;
    }
  }
  lostFrames_ = false;
  const int total = static_cast<int>(out->size() / static_cast<std::size_t>(channels_));
  lastStartUs_ = startUs;
  nextUs_ = startUs + static_cast<std::int64_t>(total) * 1000000 / rate_;
  haveFirst_ = true;
  delivered_ += total;
  return total;
}

}  // namespace platform::dshow::alsa
