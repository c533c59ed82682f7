#include "device_copy.h"

#include "capture/device_tree.h"
#include "platform/shell/file_operation.h"

namespace studio {

const std::vector<std::string>& StorageBoxIds() {
  static const std::vector<std::string> ids = {"VID_1B80&PID_E309", "VID_1B80&PID_E30A", "VID_1B80&PID_E30B"};
  return ids;
}

int FindDeviceDrives(std::vector<std::string>& drives) {
  CDeviceTree tree;
  if (!tree.Scan(CDeviceTree::kDiskDrives)) return static_cast<int>(drives.size());
  tree.GetUsbDiskDriveLetters(StorageBoxIds(), drives);
  return static_cast<int>(drives.size());
}

size_t AppendToFileList(std::string& list, size_t offset, const std::string& text) {
  list.resize(offset);
  list += text;
  list += '\0';
  return list.size();
}

DeviceCopyLists BuildDeviceCopyLists(const std::vector<ClipItem>& selected, const std::string& target) {
  DeviceCopyLists lists;
  size_t sourceEnd = 0, targetEnd = 0;
  for (const ClipItem& clip : selected) {
    if (clip.type == kClipProjectTitle || clip.path.empty()) continue;
    sourceEnd = AppendToFileList(lists.sources, sourceEnd, clip.path);
    targetEnd = AppendToFileList(lists.targets, targetEnd, target);
    ++lists.count;
  }
  lists.sources += '\0';
  lists.targets += '\0';
  return lists;
}

int CopyClipsToDevice(const std::vector<ClipItem>& selected, const std::string& target) {
  const DeviceCopyLists lists = BuildDeviceCopyLists(selected, target);
  if (lists.count == 0) return 0;
  SHFILEOPSTRUCT op;
  op.wFunc = FO_COPY;
  op.pFrom = lists.sources.c_str();
  op.pTo = lists.targets.c_str();
  return SHFileOperation(&op);
}

}  // namespace studio
