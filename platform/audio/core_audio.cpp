#include "platform/audio/core_audio.h"

#include <atomic>

#include "platform/audio/alsa_mixer.h"
#include "platform/audio/playback_lines.h"
#include "platform/base/strings.h"

namespace {
std::atomic<int> g_calls{0};
}

int CQnCoreAudio::CallCount() { return g_calls.load(); }

BOOL CQnCoreAudio::ReInitialize() {
  ++g_calls;
  devices_.clear();
  // The machine's own cards when it has any; else the simulated playback devices.
  for (platform::audio::AlsaCard& card : platform::audio::AlsaCards())
    devices_.push_back({std::move(card.name), std::move(card.channels), std::move(card.device)});
  if (devices_.empty())
    for (const platform::audio::PlaybackDevice& d : platform::audio::PlaybackDevices()) {
      Device device{d.name, {}, {}};
      for (const auto& line : d.lines) device.channels.push_back(line.name);
      devices_.push_back(std::move(device));
    }
  loaded_ = true;
  channelDevice_ = -1;
  return devices_.empty() ? FALSE : TRUE;
}

bool CQnCoreAudio::Loaded() { return loaded_ || ReInitialize(); }

BOOL CQnCoreAudio::getDefaultDeviceName(int flow, char name[kNameChars]) {
  ++g_calls;
  if (flow != 0 || !name || !Loaded() || devices_.empty()) return FALSE;
  platform::CopyToBuffer(devices_[0].name, name, kNameChars);
  return TRUE;
}

BOOL CQnCoreAudio::getPlaybackDeviceLists(int* count, char (*names)[kNameChars], int capacity) {
  ++g_calls;
  if (!count || !names || capacity < 0 || !Loaded()) return FALSE;
  *count = 0;
  for (const Device& d : devices_) {
    if (*count >= capacity) break;
    platform::CopyToBuffer(d.name, names[*count], kNameChars);
    ++*count;
  }
  return TRUE;
}

BOOL CQnCoreAudio::MakeChannelList(int flow, int device) {
  ++g_calls;
  if (flow != 0 || !Loaded() || device < 0 || device >= static_cast<int>(devices_.size())) return FALSE;
  channelDevice_ = device;
  return TRUE;
}

BOOL CQnCoreAudio::getChannelLists(int flow, int* count, char (*names)[kNameChars], int capacity) {
  ++g_calls;
  if (flow != 0 || !count || !names || capacity < 0 || channelDevice_ < 0) return FALSE;
  *count = 0;
  for (const std::string& channel : devices_[static_cast<size_t>(channelDevice_)].channels) {
    if (*count >= capacity) break;
    platform::CopyToBuffer(channel, names[*count], kNameChars);
    ++*count;
  }
  return TRUE;
}

BOOL CQnCoreAudio::AdjustChannelitemMute(int flow, int device, int channel, int set, int* value) {
  ++g_calls;
  if (flow != 0 || !value || !Loaded() || device < 0 || device >= static_cast<int>(devices_.size())) return FALSE;
  const Device& d = devices_[static_cast<size_t>(device)];
  if (channel < 0 || channel >= static_cast<int>(d.channels.size())) return FALSE;
  const std::string& name = d.channels[static_cast<size_t>(channel)];
  if (!d.card.empty()) {
    if (!set) return platform::audio::ReadAlsaMute(d.card, name, value) ? TRUE : FALSE;
    return platform::audio::WriteAlsaMute(d.card, name, *value) ? TRUE : FALSE;
  }
  if (!set) {
    *value = platform::audio::ReadLineMute(d.name, name);
    return TRUE;
  }
  return platform::audio::WriteLineMute(d.name, name, *value) ? TRUE : FALSE;
}
