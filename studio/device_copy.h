// Copying clips onto the storage disk that some capture boxes carry.
#pragma once

#include <string>
#include <vector>

#include "clip_list.h"

namespace studio {

// Command ids of the device popup: the first drive, the next ones after it.
constexpr UINT kFirstDeviceCopyCommand = 31900;

// USB hardware ids ("VID_xxxx&PID_xxxx") of the boxes that carry a storage disk.
const std::vector<std::string>& StorageBoxIds();
// The mount points of the connected boxes' disks, in the device tree's order; their count.
int FindDeviceDrives(std::vector<std::string>& drives);

// The shell's double-NUL lists: every selected media clip's path, and the target once per
// clip. The title item stands for no file of its own and is left out.
struct DeviceCopyLists {
  std::string sources;
  std::string targets;
  int count = 0;
};
DeviceCopyLists BuildDeviceCopyLists(const std::vector<ClipItem>& selected, const std::string& target);
// Appends `text` and its NUL at `offset` of `list` (grown as needed); the offset after it.
size_t AppendToFileList(std::string& list, size_t offset, const std::string& text);

// Copies with the shell's progress window and questions; the shell's result.
int CopyClipsToDevice(const std::vector<ClipItem>& selected, const std::string& target);

}  // namespace studio
