#include "bdauthor/file_io.h"

#include <fcntl.h>
#include <sys/uio.h>

#include <cerrno>

#include "bdauthor/error_report.h"

namespace bdauthor {

ReadOnlyFile::ReadOnlyFile(const std::string& path) {
  if (file_.Open(path, platform::FileMode::Read)) ::posix_fadvise(file_.Descriptor(), 0, 0, POSIX_FADV_SEQUENTIAL);
}

std::int64_t ReadOnlyFile::Size() const { return file_.Size(); }

std::int64_t ReadOnlyFile::Read(void* buffer, std::size_t bytes) {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < bytes) {
    std::size_t got = 0;
    if (!file_.Read(out + done, bytes - done, &got)) return -1;
    if (got == 0) break;
    done += got;
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t ReadOnlyFile::ReadCached(void* buffer, std::size_t bytes) {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < bytes) {
    iovec part{out + done, bytes - done};
    // -1 reads at the file's position and moves it, as read() does.
    const ssize_t got = ::preadv2(file_.Descriptor(), &part, 1, -1, RWF_NOWAIT);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && errno == EAGAIN) break;
    if (got < 0) return done > 0 ? static_cast<std::int64_t>(done) : -1;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<std::int64_t>(done);
}

bool ReadOnlyFile::SeekTo(std::int64_t offset) {
  std::int64_t at = -1;
  return file_.IsOpen() && file_.Seek(offset, platform::SeekFrom::Begin, &at) && at == offset;
}

std::int64_t ReadOnlyFile::Position() {
  std::int64_t at = -1;
  return file_.IsOpen() && file_.Seek(0, platform::SeekFrom::Current, &at) ? at : -1;
}

bool ReadOnlyFile::Close() { return file_.Close(); }

WriteResult WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  platform::FileReplacement file;
  if (!file.Begin(path)) return WriteResult::kCreateFailed;
  return file.Write(bytes.data(), bytes.size()) && file.Commit() ? WriteResult::kOk : WriteResult::kWriteFailed;
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
