// A sound card for tests: the "default" capture device of the test's HOME (.asoundrc) is the
// tone plugin (tone_pcm_plugin.c) playing the given samples at the real rate, and the process
// sees the machine's own hardware (whatever description was set before).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::dshow::testing {

struct ToneCard {
  std::string description = "Vidarro Test Card";
  int rate = 48000;
  int channels = 2;
  long stallAtMs = 0, stallMs = 0;  // the reader stalls once, inside a read
  long failAtMs = 0;                // the card vanishes this long after it first started
  bool busy = false;                // another program holds it
  long clockPpm = 0;                // its clock runs this many millionths fast (negative: slow)
};

// Installs the card; samples are interleaved at the card's rate and channels, played in a loop.
void InstallToneCard(const std::vector<std::int16_t>& samples, const ToneCard& card);
// Leaves the machine without a capture device.
void RemoveSoundCards();

// Signals to play, at `rate` and `channels`.
std::vector<std::int16_t> Tone(int rate, int channels, double seconds, double hz, double dbfs);
std::vector<std::int16_t> Hiss(int rate, int channels, double seconds, double dbfs);
std::vector<std::int16_t> Silence(int rate, int channels, double seconds);
std::vector<std::int16_t> Join(std::initializer_list<std::vector<std::int16_t>> parts);

// What amixer, an outside reader, says of one control of the default card's mixer: the text
// after "values=" ("20,20" for both channels); empty when it cannot tell.
std::string AmixerValues(const std::string& control);

}  // namespace platform::dshow::testing
