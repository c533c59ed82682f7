#include "platform/base/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/base/paths.h"

namespace platform {
namespace {

// A name beside `path` that no other writer picks: process id plus a per-process counter.
std::string SiblingTempName(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  char suffix[48];
  std::snprintf(suffix, sizeof suffix, ".part-%d-%u", static_cast<int>(getpid()), counter.fetch_add(1));
  return path + suffix;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string StripTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      error_(other.error_),
      writeFailed_(std::exchange(other.writeFailed_, false)),
      path_(std::move(other.path_)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    error_ = other.error_;
    writeFailed_ = std::exchange(other.writeFailed_, false);
    path_ = std::move(other.path_);
  }
  return *this;
}

bool File::Fail() {
  error_ = errno;
  return false;
}

bool File::Open(const std::string& path, FileMode mode) {
  Close();
  error_ = 0;
  writeFailed_ = false;
  int flags = O_CLOEXEC;
  switch (mode) {
    case FileMode::Read: flags |= O_RDONLY; break;
    case FileMode::ReadWrite: flags |= O_RDWR; break;
    case FileMode::Create: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case FileMode::CreateNew: flags |= O_WRONLY | O_CREAT | O_EXCL; break;
    case FileMode::Append: flags |= O_WRONLY | O_CREAT | O_APPEND; break;
  }
  // Without O_NONBLOCK a FIFO blocks open() until a peer opens the other end, for good.
  fd_ = ::open(path.c_str(), flags | O_NONBLOCK, 0666);
  if (fd_ < 0) return Fail();
  struct stat st;
  if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int why = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd_);
    fd_ = -1;
    error_ = why;
    return false;
  }
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
  path_ = path;
  return true;
}

bool File::Read(void* buffer, std::size_t size, std::size_t* got) {
  if (got) *got = 0;
  if (fd_ < 0) {
    error_ = EBADF;
    return false;
  }
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, size);
    if (n >= 0) {
      if (got) *got = static_cast<std::size_t>(n);
      return true;
    }
    if (errno != EINTR) return Fail();
  }
}

bool File::ReadExact(void* buffer, std::size_t size) {
  char* p = static_cast<char*>(buffer);
  while (size > 0) {
    std::size_t got = 0;
    if (!Read(p, size, &got)) return false;
    if (got == 0) {
      error_ = EIO;
      return false;
    }
    p += got;
    size -= got;
  }
  return true;
}

bool File::Write(const void* data, std::size_t size) {
  if (fd_ < 0) {
    error_ = EBADF;
    return false;
  }
  if (WriteAll(fd_, data, size)) return true;
  writeFailed_ = true;
  return Fail();
}

bool File::Seek(std::int64_t offset, SeekFrom from, std::int64_t* position) {
  const int whence = from == SeekFrom::Begin ? SEEK_SET : from == SeekFrom::Current ? SEEK_CUR : SEEK_END;
  const off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (r < 0) return Fail();
  if (position) *position = static_cast<std::int64_t>(r);
  return true;
}

std::int64_t File::Position() const {
  const off_t r = ::lseek(fd_, 0, SEEK_CUR);
  return r < 0 ? -1 : static_cast<std::int64_t>(r);
}

std::int64_t File::Size() const {
  struct stat st;
  if (fd_ < 0 || fstat(fd_, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool File::Truncate(std::int64_t size) {
  if (::ftruncate(fd_, static_cast<off_t>(size)) == 0) return true;
  writeFailed_ = true;
  return Fail();
}

bool File::Sync() {
  if (::fsync(fd_) == 0) return true;
  writeFailed_ = true;
  return Fail();
}

bool File::Close() {
  if (fd_ < 0) return !writeFailed_;
  // The descriptor is gone after close() whatever it returns; a failure here can mean lost
  // data on network file systems, so it counts as a failed write.
  if (::close(fd_) != 0 && errno != EINTR) {
    error_ = errno;
    writeFailed_ = true;
  }
  fd_ = -1;
  const bool ok = !writeFailed_;
  writeFailed_ = false;
  return ok;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat st;
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolders(const std::string& path) {
  if (path.empty()) return false;
  const std::string full = StripTrailingSlashes(path);
  for (std::size_t pos = 1; pos <= full.size(); ++pos) {
    if (pos != full.size() && full[pos] != '/') continue;
    const std::string part = full.substr(0, pos);
    if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  return FolderExists(full);
}

bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
  if (failIfExists && access(to.c_str(), F_OK) == 0) {
    errno = EEXIST;
    return false;
  }
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a FIFO must not block
  if (in < 0) return false;
  struct stat st;
  if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    return false;
  }
  const std::string temp = SiblingTempName(to);
  const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
  if (out < 0) {
    ::close(in);
    return false;
  }
  bool ok = true;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (!WriteAll(out, buffer, static_cast<std::size_t>(n))) {
      ok = false;
      break;
    }
  }
  ::close(in);
  if (ok && ::fdatasync(out) != 0) ok = false;
  if (::close(out) != 0) ok = false;
  if (ok) {
    if (failIfExists) {
      // link() refuses an existing name, so a target made meanwhile is never replaced.
      ok = ::link(temp.c_str(), to.c_str()) == 0;
      if (!ok && errno != EEXIST && access(to.c_str(), F_OK) != 0) ok = ::rename(temp.c_str(), to.c_str()) == 0;
    } else {
      ok = ::rename(temp.c_str(), to.c_str()) == 0;
    }
  }
  const int saved = errno;
  ::unlink(temp.c_str());
  errno = saved;
  return ok;
}

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool MoveFile(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

bool MoveFileWithoutReplacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return true;
  }
  if (errno == EEXIST) return false;
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool IsFileNamed(int fd, const std::string& path) {
  struct stat held {};
  struct stat named {};
  return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

std::int64_t FileSize(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool ReadWholeFile(const std::string& path, std::string* contents) {
  return ReadWholeFileLimited(path, SIZE_MAX, contents);
}

bool ReadWholeFileLimited(const std::string& path, std::size_t limit, std::string* contents) {
  File file;
  if (!file.Open(path, FileMode::Read)) return false;
  std::string data;
  char buffer[1 << 16];
  for (;;) {
    std::size_t got = 0;
    if (!file.Read(buffer, sizeof buffer, &got)) return false;
    if (got == 0) break;
    if (got > limit - data.size()) {
      errno = EFBIG;
      return false;
    }
    data.append(buffer, got);
  }
  if (contents) *contents = std::move(data);
  return true;
}

bool FileReplacement::Begin(const std::string& path, unsigned mode) {
  Abandon();
  struct stat st;
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return false;
  }
  if (exists && ::access(path.c_str(), W_OK) != 0) return false;
  std::string target = path;
  if (exists) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  // Beside the target, so the rename never crosses file systems.
  const std::string temp = SiblingTempName(target);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : mode & 07777);
  if (fd < 0) return false;
  if (exists) ::fchmod(fd, st.st_mode & 07777);
  fd_ = fd;
  writeFailed_ = false;
  target_ = std::move(target);
  tempPath_ = temp;
  return true;
}

bool FileReplacement::Write(const void* data, std::size_t size) {
  if (fd_ < 0 || writeFailed_) return false;
  if (WriteAll(fd_, data, size)) return true;
  writeFailed_ = true;
  return false;
}

bool FileReplacement::Commit() {
  if (fd_ < 0) return false;
  bool ok = !writeFailed_ && ::fsync(fd_) == 0;
  ok = ::close(fd_) == 0 && ok;
  fd_ = -1;
  if (!ok || ::rename(tempPath_.c_str(), target_.c_str()) != 0) {
    const int saved = errno;
    ::unlink(tempPath_.c_str());
    errno = saved;
    return false;
  }
  // The rename itself reaches the disk only with its folder.
  const std::string folder = FolderOf(target_);
  const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

void FileReplacement::Abandon() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  ::unlink(tempPath_.c_str());
}

bool WriteWholeFileAtomic(const std::string& path, const std::string& contents, unsigned mode) {
  FileReplacement file;
  return file.Begin(path, mode) && file.Write(contents) && file.Commit();
}

bool GetDiskSpace(const std::string& path, DiskSpace* space) {
  std::string probe = StripTrailingSlashes(path);
  if (probe.empty()) return false;
  if (probe[0] != '/') probe.insert(0, "./");
  struct statvfs vfs;
  while (statvfs(probe.c_str(), &vfs) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) return false;
    const auto slash = probe.rfind('/');
    if (slash == std::string::npos) return false;
    probe.resize(slash == 0 ? 1 : slash);
  }
  if (space) {
    space->available = static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    space->total = static_cast<std::uint64_t>(vfs.f_blocks) * vfs.f_frsize;
    space->free = static_cast<std::uint64_t>(vfs.f_bfree) * vfs.f_frsize;
  }
  return true;
}

std::uint64_t FreeSpace(const std::string& path) {
  DiskSpace space;
  return GetDiskSpace(path, &space) ? space.available : 0;
}

}  // namespace platform
