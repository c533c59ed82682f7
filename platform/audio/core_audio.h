// CQnCoreAudio: the playback devices and the mute switches of their channels, as the recorder
// asks for them on newer systems. On a machine with sound cards they are the cards and their
// mixers' playback switches (libasound); without, the simulated playback devices and their source
// lines, whose shared mute state the mixer functions and other processes see too.
#pragma once

#include <string>
#include <vector>

#include "platform/base/win_types.h"

class CQnCoreAudio {
 public:
  static constexpr int kNameChars = 125;

  // Refreshes the device list; FALSE when there is no playback device.
  BOOL ReInitialize();
  // flow 0 (playback) only. The name is cut to fit kNameChars with its terminator.
  BOOL getDefaultDeviceName(int flow, char name[kNameChars]);
  // At most capacity names; *count is how many were written.
  BOOL getPlaybackDeviceLists(int* count, char (*names)[kNameChars], int capacity);
  // Selects the device whose channels getChannelLists names.
  BOOL MakeChannelList(int flow, int device);
  BOOL getChannelLists(int flow, int* count, char (*names)[kNameChars], int capacity);
  // set 0 reads the channel's mute into *value, set 1 writes *value.
  BOOL AdjustChannelitemMute(int flow, int device, int channel, int set, int* value);

  // Calls made by every object of this process: the recorder's two mute paths must not cross.
  static int CallCount();

 private:
  struct Device {
    std::string name;
    std::vector<std::string> channels;
    std::string card;  // "hw:N" of a sound card; empty for a simulated device
  };
  bool Loaded();
  std::vector<Device> devices_;
  bool loaded_ = false;
  int channelDevice_ = -1;
};
