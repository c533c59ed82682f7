// The machine's own sound cards through libasound's simple mixer: each card a playback device,
// each of its elements with a playback switch a channel, muted when the switch is off.
#pragma once

#include <string>
#include <vector>

namespace platform::audio {

struct AlsaCard {
  std::string name;    // the card's name
  std::string device;  // "hw:N"
  std::vector<std::string> channels;
};

// The machine's cards when a program sees the machine's own hardware (platform/base/hardware_source.h);
// none when it sees simulated hardware.
std::vector<AlsaCard> AlsaCards();
bool ReadAlsaMute(const std::string& device, const std::string& channel, int* muted);
bool WriteAlsaMute(const std::string& device, const std::string& channel, int muted);

}  // namespace platform::audio
