#include "recorder_services.h"

#include "platform/base/file.h"
#include "platform/base/process.h"

namespace studio {

std::optional<std::uint64_t> FreeDiskSpaceMB(const std::string& folder) {
  platform::DiskSpace space;
  if (folder.empty() || !platform::GetDiskSpace(folder, &space)) return std::nullopt;
  return space.available >> 20;
}

std::uint64_t GetFreeDiskSpaceMB(const std::string& folder) { return FreeDiskSpaceMB(folder).value_or(0); }

bool SendFileToRecycleBin(const std::string& path) { return !path.empty() && platform::MoveToTrash(path); }

bool PlayWithAssociatedPlayer(const std::string& path) {
  // The desktop has no separate "play" verb: its opener starts the chosen player.
  if (path.empty()) return false;
  return reinterpret_cast<INT_PTR>(::ShellExecute(nullptr, "open", path.c_str(), nullptr, nullptr, 1)) > 32;
}

}  // namespace studio
