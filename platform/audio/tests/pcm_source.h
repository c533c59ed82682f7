// A test source that delivers a fixed buffer of 16-bit PCM as fast as downstream takes it, then
// ends the stream; and the signals the tests feed it.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <random>
#include <vector>

#include "platform/com/out_param.h"
#include "platform/dshow/media_types.h"
#include "platform/dshow/source_filter.h"

namespace platform::audio::testing {

inline std::vector<std::int16_t> Tone(double hz, double dbfs, int rate, int channels, double seconds) {
  const auto frames = static_cast<std::size_t>(rate * seconds);
  const double amplitude = 32767.0 * std::pow(10.0, dbfs / 20.0);
  std::vector<std::int16_t> out(frames * channels);
  for (std::size_t f = 0; f < frames; ++f)
    for (int c = 0; c < channels; ++c)
      out[f * channels + c] = static_cast<std::int16_t>(std::lround(amplitude * std::sin(2 * M_PI * hz * f / rate)));
  return out;
}

// White noise whose RMS is dbfs.
inline std::vector<std::int16_t> Noise(double dbfs, int rate, int channels, double seconds) {
  std::mt19937 random(7);
  std::normal_distribution<double> gauss(0.0, 32768.0 * std::pow(10.0, dbfs / 20.0));
  std::vector<std::int16_t> out(static_cast<std::size_t>(rate * seconds) * channels);
  for (auto& v : out) v = static_cast<std::int16_t>(std::clamp(std::lround(gauss(random)), -32768L, 32767L));
  return out;
}

inline double RmsDb(const std::vector<std::int16_t>& s, std::size_t from = 0) {
  double sum = 0;
  for (std::size_t i = from; i < s.size(); ++i) sum += (s[i] / 32768.0) * (s[i] / 32768.0);
  return 10.0 * std::log10(sum / static_cast<double>(s.size() - from) + 1e-30);
}

class PcmStream : public dshow::CSourceStream {
 public:
  PcmStream(dshow::CBaseFilter* f, std::vector<std::int16_t> samples, int rate, int channels)
      : CSourceStream(f, "Capture"), samples_(std::move(samples)), rate_(rate), channels_(channels) {
    SetMediaTypes({dshow::MakeAudioType(static_cast<WORD>(channels), static_cast<DWORD>(rate), 16)});
  }
  REFERENCE_TIME SampleDuration() override { return 10'000'000LL * kFrames / rate_; }
  bool Paced() override { return false; }
  HRESULT FillSample(dshow::MediaSample& s) override {
    if (at_ >= samples_.size()) return S_FALSE;
    const std::size_t n = std::min<std::size_t>(kFrames * channels_, samples_.size() - at_);
    s.data.resize(n * 2);
    std::memcpy(s.data.data(), &samples_[at_], n * 2);
    at_ += n;
    return S_OK;
  }

 private:
  static constexpr int kFrames = 1024;
  std::vector<std::int16_t> samples_;
  int rate_, channels_;
  std::size_t at_ = 0;
};

class PcmSource : public dshow::CSourceFilter {
 public:
  PcmSource(std::vector<std::int16_t> samples, int rate, int channels) : CSourceFilter(GUID_NULL, "PCM Source") {
    AddPin<PcmStream>(std::move(samples), rate, channels);
  }
};

}  // namespace platform::audio::testing
