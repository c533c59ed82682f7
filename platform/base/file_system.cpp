#include "platform/base/file_system.h"

#include <sys/vfs.h>

#include <atomic>
#include <cerrno>

#include "platform/base/file.h"

namespace platform {
namespace {

constexpr long kMsdosMagic = 0x4d44;  // vfat and msdos alike

// statfs of the folder, or of its nearest existing parent when the folder is yet to be made.
bool StatNearest(std::string probe, struct statfs* info) {
  while (!probe.empty() && probe.size() > 1 && probe.back() == '/') probe.pop_back();
  if (probe.empty()) return false;
  if (probe[0] != '/') probe.insert(0, "./");
  while (::statfs(probe.c_str(), info) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) return false;
    const auto slash = probe.rfind('/');
    if (slash == std::string::npos) return false;
    probe.resize(slash == 0 ? 1 : slash);
  }
  return true;
}

class RealFileSystem final : public FileSystemSource {
 public:
  bool FreeBytes(const std::string& folder, std::uint64_t* bytes) override {
    DiskSpace space;
    if (!GetDiskSpace(folder, &space)) return false;
    if (bytes) *bytes = space.available;
    return true;
  }
  LargeFiles HoldsLargeFiles(const std::string& folder) override {
    struct statfs info;
    if (!StatNearest(folder, &info)) return LargeFiles::Unknown;
    return info.f_type == kMsdosMagic ? LargeFiles::No : LargeFiles::Yes;
  }
};

RealFileSystem g_real;
std::atomic<FileSystemSource*> g_current{nullptr};

}  // namespace

FileSystemSource& CurrentFileSystem() {
  FileSystemSource* source = g_current.load();
  return source ? *source : g_real;
}

FileSystemSource* SetFileSystemSource(FileSystemSource* source) {
  FileSystemSource* previous = g_current.exchange(source);
  return previous ? previous : &g_real;
}

bool FolderFreeBytes(const std::string& folder, std::uint64_t* bytes) {
  return CurrentFileSystem().FreeBytes(folder, bytes);
}

LargeFiles FolderHoldsLargeFiles(const std::string& folder) { return CurrentFileSystem().HoldsLargeFiles(folder); }

bool FixedFileSystem::FreeBytes(const std::string&, std::uint64_t* bytes) {
  if (queryFails_) return false;
  if (bytes) *bytes = freeBytes_;
  return true;
}

}  // namespace platform
