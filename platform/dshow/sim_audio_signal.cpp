#include "platform/dshow/sim_audio_signal.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/base/strings.h"
#include "platform/dshow/sim_pattern.h"

namespace platform::dshow::sim {
namespace {

bool ParseDouble(const std::string& text, double* out) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);
  if (*end != '\0' || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::int16_t Clamp16(double v) {
  if (v > 32767.0) return 32767;
  if (v < -32768.0) return -32768;
  return static_cast<std::int16_t>(std::lround(v));
}

}  // namespace

bool ParseToneSignal(const std::string& text, AudioSignal* out) {
  const auto colon = text.find(':');
  double hz = 0, dbfs = 0;
  if (colon == std::string::npos || !ParseDouble(text.substr(0, colon), &hz) ||
      !ParseDouble(text.substr(colon + 1), &dbfs) || hz <= 0 || hz > 96000 || dbfs > 0)
    return false;
  *out = AudioSignal{AudioSignal::Kind::Tone, hz, dbfs, {}};
  return true;
}

bool ParseNoiseSignal(const std::string& text, AudioSignal* out) {
  double dbfs = 0;
  if (!ParseDouble(text, &dbfs) || dbfs > 0) return false;
  *out = AudioSignal{AudioSignal::Kind::Noise, 1000.0, dbfs, {}};
  return true;
}

std::unique_ptr<PcmClip> ReadPcmWav(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
    return nullptr;
  auto clip = std::make_unique<PcmClip>();
  bool haveFormat = false;
  std::size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const unsigned char* chunk = bytes.data() + at;
    const std::size_t size = Le32(chunk + 4);
    const std::size_t body = at + 8;
    const std::size_t available = std::min(size, bytes.size() - body);
    if (std::memcmp(chunk, "fmt ", 4) == 0 && available >= 16) {
      const unsigned char* f = bytes.data() + body;
      // PCM, or the extensible format (whose sub-format is taken to be PCM), 16 bits a sample.
      const std::uint16_t tag = Le16(f);
      if ((tag != 1 && tag != 0xFFFE) || Le16(f + 14) != 16) return nullptr;
      clip->channels = Le16(f + 2);
      clip->rate = static_cast<int>(Le32(f + 4));
      haveFormat = clip->channels > 0 && clip->channels <= 8 && clip->rate > 0;
      if (!haveFormat) return nullptr;
    } else if (std::memcmp(chunk, "data", 4) == 0 && haveFormat) {
      clip->samples.resize(available / 2);
      for (std::size_t i = 0; i < clip->samples.size(); ++i)
        clip->samples[i] = static_cast<std::int16_t>(Le16(bytes.data() + body + 2 * i));
      clip->samples.resize(clip->Frames() * static_cast<std::size_t>(clip->channels));
      return clip->samples.empty() ? nullptr : std::move(clip);
    }
    at = body + size + (size & 1);
  }
  return nullptr;
}

AudioSignalSource::AudioSignalSource(AudioSignal signal) : signal_(std::move(signal)) {}

void AudioSignalSource::Fill(std::int16_t* pcm, int channels, int rate, long long first, std::size_t count) {
  if (channels <= 0 || rate <= 0) return;
  const double amplitude = 32767.0 * std::pow(10.0, signal_.dbfs / 20.0);
  switch (signal_.kind) {
    case AudioSignal::Kind::Pattern: FillTone(pcm, channels, rate, first, count); return;
    case AudioSignal::Kind::Tone:
      for (std::size_t i = 0; i < count; ++i) {
        // The phase from whole cycles keeps the tone exact over long runs.
        const double cycles = signal_.hz * static_cast<double>(first + static_cast<long long>(i)) / rate;
        const std::int16_t v = Clamp16(amplitude * std::sin(2 * M_PI * (cycles - std::floor(cycles))));
        for (int c = 0; c < channels; ++c) pcm[i * channels + c] = v;
      }
      return;
    case AudioSignal::Kind::Noise:
      for (std::size_t i = 0; i < count * static_cast<std::size_t>(channels); ++i) {
        noiseState_ ^= noiseState_ << 13, noiseState_ ^= noiseState_ >> 7, noiseState_ ^= noiseState_ << 17;
        const double unit = static_cast<double>(noiseState_ >> 11) / static_cast<double>(1ull << 53) * 2.0 - 1.0;
        pcm[i] = Clamp16(amplitude * unit);
      }
      return;
    case AudioSignal::Kind::File:
      if (!clipRead_) {
        clip_ = ReadPcmWav(signal_.file);
        clipRead_ = true;
      }
      if (!clip_) {
        std::memset(pcm, 0, count * static_cast<std::size_t>(channels) * sizeof(std::int16_t));
        return;
      }
      for (std::size_t i = 0; i < count; ++i) {
        // At the file's own rate the samples are copied as they are; another rate takes the
        // nearest earlier frame.
        const long long frame = first + static_cast<long long>(i);
        const long long source = clip_->rate == rate ? frame : frame * clip_->rate / rate;
        const std::size_t at = static_cast<std::size_t>(source % static_cast<long long>(clip_->Frames()));
        for (int c = 0; c < channels; ++c)
          pcm[i * channels + c] = clip_->samples[at * clip_->channels + std::min(c, clip_->channels - 1)];
      }
      return;
  }
}

}  // namespace platform::dshow::sim
