#include "audiorec/write_failure.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/base/file.h"
#include "platform/base/file_system.h"
#include "platform/base/paths.h"
#include "platform/base/strings.h"

namespace auvry {
namespace {

// Room below which a writer meets a full disk: the writer's next packets and the header.
constexpr std::uint64_t kRoomBytes = 1024 * 1024;
// A probe as large as a few of the writer's packets finds a quota or a failing disk.
constexpr std::size_t kProbeBytes = 64 * 1024;

// The errno a write of kProbeBytes into a new file of `folder` meets; 0 when it goes through.
int ProbeWrite(const std::string& folder) {
  std::string name = folder + ".auvry-write-XXXXXX";
  std::vector<char> path(name.begin(), name.end());
  path.push_back('\0');
  const int fd = ::mkstemp(path.data());
  if (fd < 0) return errno;
  const std::vector<char> bytes(kProbeBytes, 0);
  int error = 0;
  std::size_t done = 0;
  while (done < bytes.size() && error == 0) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno != EINTR) error = errno;
    else if (n > 0) done += static_cast<std::size_t>(n);
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  ::close(fd);
  ::unlink(path.data());
  return error;
}

}  // namespace

std::string WriteFailureReason(const std::string& file) {
  std::string folder = platform::FolderOf(file);
  if (folder.empty()) folder = "./";
  std::uint64_t room = 0;
  if (platform::FolderFreeBytes(folder, &room) && room < kRoomBytes) return std::strerror(ENOSPC);
  // A limit on the size of the process's files fails a write as a disk would, with EFBIG.
  rlimit limit{};
  const std::int64_t size = platform::FileSize(file);
  if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      static_cast<std::uint64_t>(size < 0 ? 0 : size) + kRoomBytes >= limit.rlim_cur)
    return std::strerror(EFBIG);
  if (platform::FolderHoldsLargeFiles(folder) == platform::LargeFiles::No &&
      static_cast<std::uint64_t>(size < 0 ? 0 : size) + kRoomBytes >= platform::kFatLargestFile)
    return std::strerror(EFBIG);
  const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  ::close(fd);
  if (const int error = ProbeWrite(folder)) return std::strerror(error);
  return {};
}

std::string WriteFailureMessage(const std::string& file, const std::string& reason) {
  const std::string name = platform::FileNameOf(file);
  return reason.empty() ? platform::Format(
                              "The recording stopped: \"%s\" could not be written. The recording so "
                              "far is kept.",
                              name.c_str())
                        : platform::Format(
                              "The recording stopped: \"%s\" could not be written (%s). The recording "
                              "so far is kept.",
                              name.c_str(), reason.c_str());
}

}  // namespace auvry
