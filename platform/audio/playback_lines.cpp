#include "platform/audio/playback_lines.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/dshow/sim_hardware.h"

namespace platform::audio {
namespace {

namespace sim = platform::dshow::sim;

std::vector<PlaybackLine> DefaultLines() {
  return {{"Wave", 4104},     {"Microphone", 4099}, {"Line In", 4098},
          {"CD Audio", 4101}, {"Digital", 4097},    {"Aux", 4105}};
}

using States = std::map<std::string, int>;

std::string KeyOf(const std::string& device, const std::string& line) { return device + "|" + line; }

// One "device|line=0 or 1" line per state.
States ReadStates() {
  States states;
  std::ifstream in(MuteStatePath());
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.rfind('=');
    if (eq == std::string::npos || eq == 0) continue;
    states[line.substr(0, eq)] = std::atoi(line.c_str() + eq + 1) != 0 ? 1 : 0;
  }
  return states;
}

std::mutex& StateMutex() {
  static std::mutex m;
  return m;
}

}  // namespace

std::vector<PlaybackDevice> PlaybackDevices() {
  std::vector<PlaybackDevice> devices;
  for (const sim::DeviceDesc& d : sim::Hardware::Instance().Devices()) {
    if (d.kind != sim::DeviceKind::Playback || !d.present) continue;
    PlaybackDevice device{d.name, {}};
    for (const auto& [name, type] : d.playbackLines) device.lines.push_back({name, type});
    if (device.lines.empty()) device.lines = DefaultLines();
    devices.push_back(std::move(device));
  }
  return devices;
}

std::vector<PlaybackLine> InputLines() { return {{"Microphone", 4099}, {"Line In", 4098}}; }

std::string MuteStatePath() { return WithTrailingSlash(ConfigFolder()) + "vidarro/mixer_state.ini"; }

int ReadLineMute(const std::string& device, const std::string& line) {
  std::lock_guard lock(StateMutex());
  const States states = ReadStates();
  const auto found = states.find(KeyOf(device, line));
  return found == states.end() ? 0 : found->second;
}

bool WriteLineMute(const std::string& device, const std::string& line, int muted) {
  std::lock_guard lock(StateMutex());
  States states = ReadStates();
  states[KeyOf(device, line)] = muted ? 1 : 0;
  std::ostringstream text;
  for (const auto& [key, value] : states) text << key << "=" << value << "\n";
  const std::string path = MuteStatePath();
  CreateFolders(path.substr(0, path.rfind('/')));
  FileReplacement out;
  return out.Begin(path) && out.Write(text.str()) && out.Commit();
}

}  // namespace platform::audio
