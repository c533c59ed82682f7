#include "bdauthor/file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "bdauthor/error_report.h"
#include "platform/base/file.h"

namespace bdauthor {

ReadOnlyFile::ReadOnlyFile(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return;
  struct stat st {};
  // A folder opens for reading on Linux but is no clip.
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

ReadOnlyFile::~ReadOnlyFile() { Close(); }

std::int64_t ReadOnlyFile::Size() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

std::int64_t ReadOnlyFile::Read(void* buffer, std::size_t bytes) {
  if (fd_ < 0) return -1;
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < bytes) {
    ssize_t got = ::read(fd_, out + done, bytes - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<std::int64_t>(done);
}

bool ReadOnlyFile::SeekTo(std::int64_t offset) { return fd_ >= 0 && ::lseek(fd_, offset, SEEK_SET) == offset; }

bool ReadOnlyFile::Close() {
  if (fd_ < 0) return true;
  int rc = ::close(fd_);
  fd_ = -1;
  return rc == 0;
}

WriteResult WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  platform::File file(path, platform::FileMode::Create);
  if (!file.IsOpen()) return WriteResult::kCreateFailed;
  const bool written = file.Write(bytes.data(), bytes.size());
  return file.Close() && written ? WriteResult::kOk : WriteResult::kWriteFailed;
}

bool WriteReported(const std::string& path, const std::vector<std::uint8_t>& bytes, const std::string& what) {
  switch (WriteWholeFile(path, bytes)) {
    case WriteResult::kOk: return true;
    case WriteResult::kCreateFailed: ReportError("failed to create " + what); return false;
    case WriteResult::kWriteFailed: ReportError("failed to close " + what); return false;
  }
  return false;
}

}  // namespace bdauthor
