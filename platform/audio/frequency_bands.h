// The spectrum the level meters show: 30 log-spaced bands from 40 Hz to 16 kHz over the latest
// 2048 frames of a channel, each 0..100 (-80..0 dBFS of a full-scale sine in that band).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace platform::audio {

inline constexpr int kSpectrumBands = 30;
inline constexpr int kSpectrumWindow = 2048;

class SpectrumBands {
 public:
  SpectrumBands();
  // Bands of the window (oldest sample first, kSpectrumWindow values in -1..1) at that rate.
  std::array<std::uint8_t, kSpectrumBands> Measure(const std::vector<float>& window, int sampleRate);

 private:
  std::vector<float> hann_;
  std::vector<double> re_, im_;
};

}  // namespace platform::audio
