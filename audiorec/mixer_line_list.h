// CMixerLineList: the mixer devices and, of the playback mixer, the source lines of its
// "Speakers" destination with their mute values, for muting the computer's own playback on
// systems before version code 8. Every table holds at most 15 records; more are left out.
#pragma once

#include <string>
#include <vector>

#include "platform/audio/mixer_api.h"

namespace auvry {

struct MixerLineRecord {
  std::string typeName;  // "Microphone", "Compact Disc"... of the component type
  std::string name;
  DWORD componentType = 0;
  int savedMute = 0;
};

struct MixerRecord {
  std::string name;
  UINT id = 0;
  int roles = 0;  // 1 a "Speakers" destination, 2 a "Wave Input" one, 7 a USB audio device
};

inline constexpr int kRoleSpeakers = 1;
inline constexpr int kRoleWaveInput = 2;
inline constexpr int kRoleUsb = 7;

class CMixerLineList {
 public:
  static constexpr size_t kCapacity = 15;

  CMixerLineList();
  ~CMixerLineList();
  CMixerLineList(const CMixerLineList&) = delete;
  CMixerLineList& operator=(const CMixerLineList&) = delete;

  // FALSE (with everything closed) unless both the speaker and the wave-input line lists fill.
  BOOL Open();
  void Close();
  void Reset();
  bool IsOpened() const { return opened_; }

  const std::vector<MixerLineRecord>& GetSpeakerLines() const { return speakerLines_; }
  const std::vector<MixerLineRecord>& GetWaveInputLines() const { return waveInputLines_; }
  const std::string& UsbDeviceName() const { return usbName_; }
  // The source line of the playback mixer's "Speakers" destination named exactly so.
  BOOL SetLineMute(const std::string& name, int value);

  int CountWithRole(int mask) const;
  int IndexOfNthWithRole(int mask, int n) const;
  std::string NameOfNthWithRole(int mask, int n) const;
  int RoleOfNthWithRole(int mask, int n) const;

  // The names of the component types, destination or source.
  static std::string ComponentTypeName(DWORD type, bool source);

 private:
  BOOL EnumerateMixers();
  int ChoosePlaybackMixer() const;
  void FillSpeakerLines();
  void AddWaveInputLines(HMIXEROBJ mixer, DWORD flags);
  const MixerRecord* NthWithRole(int mask, int n) const;

  std::vector<MixerRecord> mixers_;
  std::vector<MixerLineRecord> speakerLines_;
  std::vector<MixerLineRecord> waveInputLines_;
  int playbackIndex_ = -1;
  int playbackRoles_ = 0;
  HMIXER playback_ = nullptr;
  std::string usbName_;
  bool opened_ = false;
};

}  // namespace auvry
