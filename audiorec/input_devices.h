// The entries of the recorder's input device list: every audio input, and every video device that
// carries its own audio pin (its audio input partner is then offered through it alone).
#pragma once

#include <string>
#include <vector>

#include "capture/device_list.h"

namespace auvry {

struct InputEntry {
  std::string name;
  int data = 0;  // 0 an audio input, 1 a video device with its own audio
  bool operator==(const InputEntry&) const = default;
};

std::vector<InputEntry> InputDeviceEntries(const CCaptureDeviceList& devices);
// The entry named like saved (any case), else 0; -1 for an empty list.
int SavedEntryIndex(const std::vector<InputEntry>& entries, const std::string& saved);

// The video and audio names Open takes for an entry.
struct DeviceNames {
  std::string video, audio;
};
DeviceNames NamesOf(const InputEntry& entry);

}  // namespace auvry
