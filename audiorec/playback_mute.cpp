#include "audiorec/playback_mute.h"

#include <cstring>

#include "widgets/system_info.h"

namespace auvry {
namespace {

constexpr int kCoreAudioVersion = 8;
constexpr int kMaxDevices = 32;

// The playback sources a recording must not pick up: digital, line, microphone, compact disc
// and auxiliary.
bool MutedOnTheMixer(DWORD componentType) {
  return componentType == 4097 || componentType == 4098 || componentType == 4099 || componentType == 4101 ||
         componentType == 4105;
}

}  // namespace

CMixerLineList& MixerLines() {
  static CMixerLineList lines;
  return lines;
}

CPlaybackMute& PlaybackMute() {
  static CPlaybackMute mute(MixerLines());
  return mute;
}

CPlaybackMute::CPlaybackMute(CMixerLineList& mixer) : mixer_(mixer) { Reset(); }

CPlaybackMute::~CPlaybackMute() = default;

void CPlaybackMute::Reset() {
  std::memset(saved_, 0, sizeof saved_);
  std::memset(valid_, 0, sizeof valid_);
  defaultDevice_ = 0;
}

int CPlaybackMute::ChannelCount() {
  char names[kChannelSlots][CQnCoreAudio::kNameChars] = {};
  int count = 0;
  if (!core_.MakeChannelList(0, defaultDevice_) || !core_.getChannelLists(0, &count, names, kChannelSlots)) return 0;
  return count;
}

void CPlaybackMute::InitPlaybackMute() {
  Reset();
  version_ = CWinVersion().GetVersion();
  if (version_ < kCoreAudioVersion) return;
  core_.ReInitialize();
  char defaultName[CQnCoreAudio::kNameChars] = {};
  core_.getDefaultDeviceName(0, defaultName);
  char devices[kMaxDevices][CQnCoreAudio::kNameChars] = {};
  int count = 0;
  if (core_.getPlaybackDeviceLists(&count, devices, kMaxDevices))
    for (int i = 0; i < count; ++i)
      if (std::strcmp(devices[i], defaultName) == 0) {
        defaultDevice_ = i;
        break;
      }
  const int channels = ChannelCount();
  for (int channel = 0; channel < channels; ++channel) {
    int value = 0;
    if (core_.AdjustChannelitemMute(0, defaultDevice_, channel, 0, &value)) SetSaved(channel, value);
  }
}

void CPlaybackMute::MutePlayback(int value) {
  if (version_ < kCoreAudioVersion) {
    for (const MixerLineRecord& line : mixer_.GetSpeakerLines()) {
      if (value) {
        if (MutedOnTheMixer(line.componentType)) mixer_.SetLineMute(line.name, value);
      } else {
        mixer_.SetLineMute(line.name, line.savedMute);
      }
    }
    return;
  }
  const int channels = ChannelCount();
  for (int channel = 0; channel < channels; ++channel) {
    // A channel whose value was never read is not restored to a guess.
    if (!value && !IsSaved(channel)) continue;
    int v = value ? value : GetSaved(channel);
    core_.AdjustChannelitemMute(0, defaultDevice_, channel, 1, &v);
  }
}

int CPlaybackMute::GetSaved(int channel) const { return channel >= 0 && channel < kChannelSlots ? saved_[channel] : 0; }

void CPlaybackMute::SetSaved(int channel, int value) {
  if (channel < 0 || channel >= kChannelSlots) return;
  saved_[channel] = value;
  valid_[channel] = 1;
}

bool CPlaybackMute::IsSaved(int channel) const {
  return channel >= 0 && channel < kChannelSlots && valid_[channel] != 0;
}

}  // namespace auvry
