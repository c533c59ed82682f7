// The machine's own sound cards through libasound's simple mixer: each card a playback device,
// each of its elements with a playback switch a channel, muted when the switch is off; each of its
// elements with a capture volume or switch a recording line, whose volume is the capture volume
// and which is selected while its capture switch is on. The "default" mixer counts as a card of
// its own where it is none of the cards (a sound server).
#pragma once

#include <string>
#include <vector>

namespace platform::audio {

struct AlsaCard {
  std::string name;    // the card's name
  std::string device;  // "hw:N"
  std::vector<std::string> channels;
  std::vector<std::string> captureLines;
};

// The machine's cards when a program sees the machine's own hardware (sim::Hardware::Simulated);
// none when it sees simulated hardware.
std::vector<AlsaCard> AlsaCards();
bool ReadAlsaMute(const std::string& device, const std::string& channel, int* muted);
bool WriteAlsaMute(const std::string& device, const std::string& channel, int muted);
// Volume 0..65535 over the element's own range.
bool ReadAlsaCapture(const std::string& device, const std::string& line, int* volume, int* selected);
bool WriteAlsaCaptureVolume(const std::string& device, const std::string& line, int volume);
bool WriteAlsaCaptureSelected(const std::string& device, const std::string& line, int selected);

}  // namespace platform::audio
