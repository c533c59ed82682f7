#include "platform/registry/hive_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/strings.h"
#include "platform/registry/registry.h"

namespace platform::registry {
namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now, reporting a failed close (a late write error on some file systems).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, std::string& out) {
  out.clear();
  char buffer[65536];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    out.append(buffer, static_cast<size_t>(n));
  }
}

bool LockExclusive(int fd) {
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

void SyncFolder(const std::string& folder) {
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());
}

}  // namespace

HiveFile::HiveFile(std::string base) : dataPath_(base + ".reg"), lockPath_(base + ".lock"), tempPath_(base + ".tmp") {}

LONG HiveFile::Refresh() {
  Fd fd(::open(dataPath_.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) {
    if (errno != ENOENT) return ERROR_REGISTRY_IO_FAILED;
    if (!loaded_ || !firstLine_.empty()) {
      root_ = std::make_unique<RegKeyNode>();
      firstLine_.clear();
      loaded_ = true;
    }
    return ERROR_SUCCESS;
  }
  // The first line alone says whether the copy in memory is current.
  char head[128];
  ssize_t n;
  do {
    n = ::pread(fd.get(), head, sizeof head, 0);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return ERROR_REGISTRY_IO_FAILED;
  const std::string_view line = HiveFirstLine(std::string_view(head, static_cast<size_t>(n)));
  if (loaded_ && !line.empty() && line == firstLine_) return ERROR_SUCCESS;

  std::string text;
  if (!ReadAll(fd.get(), text)) return ERROR_REGISTRY_IO_FAILED;
  auto root = ParseHive(text);
  if (!root) {
    loaded_ = false;
    return ERROR_REGISTRY_CORRUPT;
  }
  root_ = std::move(root);
  firstLine_ = std::string(HiveFirstLine(text));
  loaded_ = true;
  return ERROR_SUCCESS;
}

LONG HiveFile::Read(const std::function<LONG(const RegKeyNode&)>& read) {
  const LONG rc = Refresh();
  if (rc != ERROR_SUCCESS) return rc;
  return read(*root_);
}

LONG HiveFile::Write(const std::function<LONG(RegKeyNode&, bool* changed)>& change) {
  const std::string folder = platform::FolderOf(dataPath_);
  if (!platform::CreateFolders(folder)) return ERROR_REGISTRY_IO_FAILED;
  Fd lock(::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (!lock.valid() || !LockExclusive(lock.get())) return ERROR_REGISTRY_IO_FAILED;
  LONG rc = Refresh();
  if (rc != ERROR_SUCCESS) return rc;
  bool changed = false;
  rc = change(*root_, &changed);
  if (rc != ERROR_SUCCESS || !changed) return rc;
  rc = Save();
  if (rc != ERROR_SUCCESS) loaded_ = false;  // memory holds a change the disk does not
  return rc;
}

LONG HiveFile::Save() {
  std::random_device random;
  const std::string version =
      platform::Format("%08x%08x", static_cast<unsigned>(random()), static_cast<unsigned>(random()));
  const std::string text = SerializeHive(*root_, version);
  Fd out(::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (!out.valid()) return ERROR_REGISTRY_IO_FAILED;
  if (!WriteAll(out.get(), text) || ::fsync(out.get()) != 0 || !out.Close()) {
    ::unlink(tempPath_.c_str());
    return ERROR_REGISTRY_IO_FAILED;
  }
  if (::rename(tempPath_.c_str(), dataPath_.c_str()) != 0) {
    ::unlink(tempPath_.c_str());
    return ERROR_REGISTRY_IO_FAILED;
  }
  SyncFolder(platform::FolderOf(dataPath_));
  firstLine_ = std::string(HiveFirstLine(text));
  return ERROR_SUCCESS;
}

}  // namespace platform::registry
