#include "platform/registry/hive_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <vector>
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

std::mutex& NoticesMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}

std::vector<std::string>& Notices() {
  static auto* notices = new std::vector<std::string>;
  return *notices;
}

bool LockExclusive(int fd) {
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

}  // namespace

HiveFile::HiveFile(std::string base)
    : dataPath_(base + ".reg"),
      lockPath_(base + ".lock"),
      previousPath_(base + ".bak"),
      damagedPath_(base + ".damaged") {}

std::unique_ptr<RegKeyNode> HiveFile::ReadPrevious() const {
  std::string text;
  if (!platform::ReadWholeFile(previousPath_, &text)) return nullptr;
  return ParseHive(text);
}

// Gives the current file a second name, replacing whatever had it: a hard link where the file
// system has them, so the current name never goes missing for readers, else a copy.
void HiveFile::KeepAside(const std::string& as) const {
  const std::string part = as + ".part";
  ::unlink(part.c_str());
  if (::link(dataPath_.c_str(), part.c_str()) == 0) {
    if (::rename(part.c_str(), as.c_str()) != 0) ::unlink(part.c_str());
    return;
  }
  if (errno != ENOENT) platform::CopyFile(dataPath_, as, false);
}

// Renames the damaged file to a name of its own that says what it is, under the writers' lock
// and only while the file is still the one found damaged (a writer may have replaced it).
bool HiveFile::MoveDamagedAside(const struct stat& damaged, bool locked) {
  Fd lock(locked ? -1 : ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (!locked && (!lock.valid() || !LockExclusive(lock.get()))) return false;
  struct stat now;
  if (::stat(dataPath_.c_str(), &now) != 0 || now.st_dev != damaged.st_dev || now.st_ino != damaged.st_ino)
    return false;
  const std::string stem = dataPath_.substr(0, dataPath_.size() - 4) + ".damaged-" +
                           platform::Format("%lld", static_cast<long long>(::time(nullptr)));
  for (int n = 0; n < 1000; ++n) {
    const std::string aside = n == 0 ? stem + ".reg" : stem + platform::Format("-%d.reg", n);
    if (!platform::MoveFileWithoutReplacing(dataPath_, aside)) {
      if (errno == EEXIST) continue;
      return false;
    }
    std::fprintf(stderr, "registry: %s was damaged and had no good copy; kept as %s\n", dataPath_.c_str(),
                 aside.c_str());
    std::lock_guard<std::mutex> guard(NoticesMutex());
    Notices().push_back(aside);
    return true;
  }
  return false;
}

LONG HiveFile::Refresh(bool locked) {
  // Without blocking: a FIFO put in a hive's place must not hold every registry call.
  Fd fd(::open(dataPath_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.valid()) {
    if (errno != ENOENT) return ERROR_REGISTRY_IO_FAILED;
    if (!loaded_ || !firstLine_.empty() || damaged_) {
      root_ = std::make_unique<RegKeyNode>();
      firstLine_.clear();
      loaded_ = true;
      damaged_ = false;
    }
    return ERROR_SUCCESS;
  }
  struct stat st;
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return ERROR_REGISTRY_IO_FAILED;
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
  const bool damaged = !root;
  if (damaged) {
    root = ReadPrevious();
    if (!root) {
      // Nothing good to go back to: the damaged file goes aside (never deleted) and the
      // store starts empty, so the programs run on defaults and can save again.
      if (!MoveDamagedAside(st, locked)) {
        loaded_ = false;
        return ERROR_REGISTRY_CORRUPT;
      }
      root_ = std::make_unique<RegKeyNode>();
      firstLine_.clear();
      loaded_ = true;
      damaged_ = false;
      return ERROR_SUCCESS;
    }
    if (!damaged_)
      std::fprintf(stderr, "registry: %s is damaged; reading the copy of the save before it (%s)\n", dataPath_.c_str(),
                   previousPath_.c_str());
  }
  root_ = std::move(root);
  firstLine_ = std::string(HiveFirstLine(text));
  loaded_ = true;
  damaged_ = damaged;
  return ERROR_SUCCESS;
}

LONG HiveFile::Read(const std::function<LONG(const RegKeyNode&)>& read) {
  const LONG rc = Refresh(false);
  if (rc != ERROR_SUCCESS) return rc;
  return read(*root_);
}

LONG HiveFile::Write(const std::function<LONG(RegKeyNode&, bool* changed)>& change) {
  const std::string folder = platform::FolderOf(dataPath_);
  if (!platform::CreateFolders(folder)) return ERROR_REGISTRY_IO_FAILED;
  Fd lock(::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (!lock.valid() || !LockExclusive(lock.get())) return ERROR_REGISTRY_IO_FAILED;
  LONG rc = Refresh(true);
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
  platform::FileReplacement out;
  if (!out.Begin(dataPath_, 0600) || !out.Write(text)) return ERROR_REGISTRY_IO_FAILED;
  // The file replaced is the last good one unless it was found damaged; then it is kept for
  // whoever wants to look at it, and the previous good copy stays as it is.
  KeepAside(damaged_ ? damagedPath_ : previousPath_);
  if (!out.Commit()) return ERROR_REGISTRY_IO_FAILED;
  firstLine_ = std::string(HiveFirstLine(text));
  damaged_ = false;
  return ERROR_SUCCESS;
}

std::vector<std::string> TakeDamagedHiveNotices() {
  std::lock_guard<std::mutex> guard(NoticesMutex());
  std::vector<std::string> taken;
  taken.swap(Notices());
  return taken;
}

}  // namespace platform::registry
