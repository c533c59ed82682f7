#include "platform/audio/frequency_bands.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <utility>

namespace platform::audio {
namespace {

constexpr double kLowHz = 40.0;
constexpr double kHighHz = 16000.0;

// In-place radix-2 transform of a power-of-two length.
void Transform(std::vector<double>& re, std::vector<double>& im) {
  const std::size_t n = re.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(re[i], re[j]), std::swap(im[i], im[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    const double angle = -2.0 * M_PI / static_cast<double>(len);
    const std::complex<double> step(std::cos(angle), std::sin(angle));
    for (std::size_t i = 0; i < n; i += len) {
      std::complex<double> w(1.0, 0.0);
      for (std::size_t k = 0; k < len / 2; ++k) {
        const std::complex<double> a(re[i + k], im[i + k]);
        const std::complex<double> b = std::complex<double>(re[i + k + len / 2], im[i + k + len / 2]) * w;
        re[i + k] = (a + b).real(), im[i + k] = (a + b).imag();
        re[i + k + len / 2] = (a - b).real(), im[i + k + len / 2] = (a - b).imag();
        w *= step;
      }
    }
  }
}

}  // namespace

SpectrumBands::SpectrumBands() : hann_(kSpectrumWindow), re_(kSpectrumWindow), im_(kSpectrumWindow) {
  for (int i = 0; i < kSpectrumWindow; ++i)
    hann_[i] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * M_PI * i / kSpectrumWindow));
}

std::array<std::uint8_t, kSpectrumBands> SpectrumBands::Measure(const std::vector<float>& window, int sampleRate) {
  std::array<std::uint8_t, kSpectrumBands> bands{};
  if (window.size() != static_cast<std::size_t>(kSpectrumWindow) || sampleRate <= 0) return bands;
  for (int i = 0; i < kSpectrumWindow; ++i) re_[i] = window[i] * hann_[i], im_[i] = 0.0;
  Transform(re_, im_);
  const double binHz = static_cast<double>(sampleRate) / kSpectrumWindow;
  const double high = std::min(kHighHz, sampleRate / 2.0);
  // A full-scale sine peaks at a quarter of the window (the Hann window halves it once more).
  const double fullScale = kSpectrumWindow / 4.0;
  for (int b = 0; b < kSpectrumBands; ++b) {
    const double from = kLowHz * std::pow(high / kLowHz, static_cast<double>(b) / kSpectrumBands);
    const double to = kLowHz * std::pow(high / kLowHz, static_cast<double>(b + 1) / kSpectrumBands);
    const int first = std::max(1, static_cast<int>(std::floor(from / binHz)));
    const int last = std::min(kSpectrumWindow / 2 - 1, std::max(first, static_cast<int>(std::ceil(to / binHz)) - 1));
    double peak = 0.0;
    for (int k = first; k <= last; ++k) peak = std::max(peak, std::hypot(re_[k], im_[k]));
    const double db = peak > 0.0 ? 20.0 * std::log10(peak / fullScale) : -200.0;
    bands[b] = static_cast<std::uint8_t>(std::clamp(std::lround((db + 80.0) * 100.0 / 80.0), 0L, 100L));
  }
  return bands;
}

}  // namespace platform::audio
