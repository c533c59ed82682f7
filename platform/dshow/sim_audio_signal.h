// What a simulated audio input delivers: the pattern's tone (1 kHz at -12 dBFS with its bursts),
// a steady tone, white noise, or a WAV file played in a loop. devices.ini gives it per input as
// TONE=hz:dBFS, NOISE=dBFS or FILE=path.wav.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::dshow::sim {

struct AudioSignal {
  enum class Kind { Pattern, Tone, Noise, File };
  Kind kind = Kind::Pattern;
  double hz = 1000.0;
  double dbfs = -12.0;  // the peak: a tone's amplitude, the noise's largest sample
  std::string file;
};

// TONE's "hz:dBFS" and NOISE's "dBFS"; false for anything out of range (dBFS above 0, a
// frequency at or below 0 or above 96 kHz).
bool ParseToneSignal(const std::string& text, AudioSignal* out);
bool ParseNoiseSignal(const std::string& text, AudioSignal* out);

// 16-bit PCM of a WAV file, interleaved.
struct PcmClip {
  int channels = 0;
  int rate = 0;
  std::vector<std::int16_t> samples;
  std::size_t Frames() const { return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0; }
};
// Reads a RIFF WAVE file of 16-bit PCM; null for anything else or a file without samples.
std::unique_ptr<PcmClip> ReadPcmWav(const std::string& path);

// Makes the samples of one signal, continuous from one call to the next.
class AudioSignalSource {
 public:
  explicit AudioSignalSource(AudioSignal signal);
  // count frames from frame `first` on, at `rate` with `channels`, into pcm. A file that cannot be
  // read gives silence.
  void Fill(std::int16_t* pcm, int channels, int rate, long long first, std::size_t count);

 private:
  AudioSignal signal_;
  std::unique_ptr<PcmClip> clip_;
  bool clipRead_ = false;
  std::uint64_t noiseState_ = 0x9E3779B97F4A7C15ull;
};

}  // namespace platform::dshow::sim
