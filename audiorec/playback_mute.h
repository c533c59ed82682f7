// CPlaybackMute: keeps the computer's own playback out of a recording. At start it saves and
// mutes the playback sources, at exit it puts every one back: through the core-audio component
// from version code 8 on, through the mixer line list before. 50 channel slots; channels past
// them are left alone.
#pragma once

#include "audiorec/mixer_line_list.h"
#include "platform/audio/core_audio.h"

namespace auvry {

class CPlaybackMute {
 public:
  static constexpr int kChannelSlots = 50;

  explicit CPlaybackMute(CMixerLineList& mixer);
  virtual ~CPlaybackMute();

  void Reset();
  // Takes the version code it keeps for MutePlayback, and on the core-audio path saves the mute
  // value of every channel of the default playback device.
  void InitPlaybackMute();
  // Nonzero mutes, 0 restores what was saved.
  void MutePlayback(int value);
  int GetSaved(int channel) const;
  void SetSaved(int channel, int value);
  bool IsSaved(int channel) const;
  int DefaultDevice() const { return defaultDevice_; }

 private:
  int ChannelCount();

  CMixerLineList& mixer_;
  CQnCoreAudio core_;
  int version_ = 0;
  int saved_[kChannelSlots] = {};
  int valid_[kChannelSlots] = {};
  int defaultDevice_ = 0;
};

// The recorder's two objects, alive for the whole run.
CMixerLineList& MixerLines();
CPlaybackMute& PlaybackMute();

}  // namespace auvry
