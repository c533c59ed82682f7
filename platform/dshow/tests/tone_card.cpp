#include "platform/dshow/tests/tone_card.h"

#include <alsa/asoundlib.h>

#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>

#include "platform/dshow/sim_hardware.h"

namespace platform::dshow::testing {

namespace {

std::string Home() { return std::getenv("HOME"); }

// libasound reads its configuration once; a new .asoundrc needs a fresh read.
void WriteConfig(const std::string& text) {
  std::ofstream(Home() + "/.asoundrc") << text;
  snd_config_update_free_global();
  setenv("VIDARRO_SIMULATED", "0", 1);
  platform::dshow::sim::Hardware::Instance().Reload();
}

}  // namespace

void InstallToneCard(const std::vector<std::int16_t>& samples, const ToneCard& card) {
  const std::string raw = Home() + "/tone.raw";
  std::ofstream(raw, std::ios::binary)
      .write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 2));
  WriteConfig("pcm_type.vidarrotone { lib \"" VIDARRO_TONE_PLUGIN
              "\" }\n"
              "pcm.!default {\n  type vidarrotone\n  file \"" +
              raw + "\"\n  rate " + std::to_string(card.rate) + "\n  channels " + std::to_string(card.channels) +
              "\n  stall_at_ms " + std::to_string(card.stallAtMs) + "\n  stall_ms " + std::to_string(card.stallMs) +
              "\n  fail_at_ms " + std::to_string(card.failAtMs) + "\n  busy " + (card.busy ? "1" : "0") +
              "\n  clock_ppm " + std::to_string(card.clockPpm) + "\n  hint.description \"" + card.description +
              "\"\n}\n");
}

void RemoveSoundCards() { WriteConfig("pcm.!default { type hw card 9 }\n"); }

std::vector<std::int16_t> Tone(int rate, int channels, double seconds, double hz, double dbfs) {
  const auto frames = static_cast<std::size_t>(seconds * rate);
  const double peak = 32767.0 * std::pow(10.0, dbfs / 20.0);
  std::vector<std::int16_t> out(frames * static_cast<std::size_t>(channels));
  for (std::size_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      out[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] =
          static_cast<std::int16_t>(std::lround(peak * std::sin(2.0 * M_PI * hz * static_cast<double>(i) / rate)));
  return out;
}

std::vector<std::int16_t> Hiss(int rate, int channels, double seconds, double dbfs) {
  std::mt19937 random(7);
  const double peak = 32767.0 * std::pow(10.0, dbfs / 20.0);
  std::uniform_real_distribution<double> spread(-peak, peak);
  std::vector<std::int16_t> out(static_cast<std::size_t>(seconds * rate) * static_cast<std::size_t>(channels));
  for (auto& s : out) s = static_cast<std::int16_t>(std::lround(spread(random)));
  return out;
}

std::vector<std::int16_t> Silence(int rate, int channels, double seconds) {
  return std::vector<std::int16_t>(static_cast<std::size_t>(seconds * rate) * static_cast<std::size_t>(channels));
}

std::vector<std::int16_t> Join(std::initializer_list<std::vector<std::int16_t>> parts) {
  std::vector<std::int16_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::string AmixerValues(const std::string& control) {
  const std::string command = "amixer -D default cget name='" + control + "' 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return {};
  std::string out;
  char line[256];
  while (fgets(line, sizeof line, pipe.get())) {
    const std::string text = line;
    const auto at = text.find(": values=");
    if (at != std::string::npos) out = text.substr(at + 9, text.find_last_not_of("\r\n") - at - 8);
  }
  return out;
}

}  // namespace platform::dshow::testing
