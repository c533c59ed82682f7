// The playback side of the simulated sound hardware: every playback device of devices.ini with
// its source lines (name and component type), and each line's mute state, kept in a file of the
// suite's config folder so another process reads what this one set.
#pragma once

#include <string>
#include <vector>

namespace platform::audio {

struct PlaybackLine {
  std::string name;
  unsigned componentType = 0;  // MIXERLINE_COMPONENTTYPE_SRC_*
};

struct PlaybackDevice {
  std::string name;
  std::vector<PlaybackLine> lines;
};

// The present playback devices in their devices.ini order, each with its lines (LINES=name:type,...;
// without the key: wave, microphone, line in, CD audio, digital and auxiliary).
std::vector<PlaybackDevice> PlaybackDevices();
// The lines a recording input offers its mixer's "Wave Input" destination.
std::vector<PlaybackLine> InputLines();

// $XDG_CONFIG_HOME/vidarro/mixer_state.ini.
std::string MuteStatePath();
// A line's mute state: 0 when none was ever set.
int ReadLineMute(const std::string& device, const std::string& line);
// False when the state file cannot be written.
bool WriteLineMute(const std::string& device, const std::string& line, int muted);

}  // namespace platform::audio
