#include "platform/audio/downward_expander.h"

#include <algorithm>
#include <cmath>

namespace platform::audio {

void DownwardExpander::Configure(int sampleRate, int channels) {
  channels_ = std::max(channels, 1);
  const double rate = std::max(sampleRate, 1);
  // The level is a 20 ms mean square; the gain opens within 1 ms, so a word's onset is not cut,
  // and closes over 50 ms, so it does not pump between syllables.
  smoothing_ = 1.0 - std::exp(-1.0 / (0.020 * rate));
  opening_ = 1.0 - std::exp(-1.0 / (0.001 * rate));
  closing_ = 1.0 - std::exp(-1.0 / (0.050 * rate));
  envelope_ = 0.0;
  gain_ = 1.0;
}

void DownwardExpander::Process(std::span<std::int16_t> samples) {
  if (amountDb_ <= 0.0) return;
  const double floorGain = std::pow(10.0, -amountDb_ / 20.0);
  const std::size_t frames = samples.size() / channels_;
  for (std::size_t f = 0; f < frames; ++f) {
    std::int16_t* frame = &samples[f * channels_];
    double square = 0.0;
    for (int c = 0; c < channels_; ++c) {
      const double v = frame[c] / 32768.0;
      square += v * v;
    }
    envelope_ += (square / channels_ - envelope_) * smoothing_;
    // The envelope is a mean square: a sine's reads 3 dB under its peak, as its RMS.
    const double levelDb = envelope_ > 1e-12 ? 10.0 * std::log10(envelope_) : -120.0;
    double target = 1.0;
    if (levelDb < kThresholdDb)
      target = std::max(std::pow(10.0, -(kThresholdDb - levelDb) * (kRatio - 1.0) / 20.0), floorGain);
    gain_ += (target - gain_) * (target > gain_ ? opening_ : closing_);
    if (gain_ > 0.99999) gain_ = 1.0;
    if (gain_ == 1.0) continue;
    for (int c = 0; c < channels_; ++c)
      frame[c] = static_cast<std::int16_t>(std::clamp<long>(std::lround(frame[c] * gain_), -32768, 32767));
  }
}

}  // namespace platform::audio
