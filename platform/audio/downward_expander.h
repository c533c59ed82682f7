// Noise reduction for 16-bit interleaved PCM: a linked downward expander. Passages whose level
// stays under the threshold are turned down (by up to the amount in dB); louder ones pass at
// unity gain, so speech and music keep their level while hiss between them drops.
#pragma once

#include <cstdint>
#include <span>

namespace platform::audio {

class DownwardExpander {
 public:
  static constexpr double kThresholdDb = -40.0;
  static constexpr double kRatio = 3.0;

  void Configure(int sampleRate, int channels);
  void SetAmount(double db) { amountDb_ = db; }
  // Processes the samples in place.
  void Process(std::span<std::int16_t> samples);

 private:
  int channels_ = 2;
  double smoothing_ = 0.0;  // coefficients per frame
  double opening_ = 0.0;
  double closing_ = 0.0;
  double envelope_ = 0.0;  // mean square, 0..1
  double gain_ = 1.0;
  double amountDb_ = 15.0;
};

}  // namespace platform::audio
