#include "work_folder_owner.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/base/file.h"

namespace wizard {

std::string WorkFolderOwner::OwnerFile(const std::string& folder) { return folder + ".wendrel-owner"; }

bool WorkFolderOwner::Take(const std::string& folder) {
  Release();
  const std::string path = OwnerFile(folder);
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  // The number is for a person looking at the folder; the lock is what counts.
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd, 0) == 0 && ::write(fd, pid.data(), pid.size()) < 0) {
    // An unwritten number leaves the lock as good as ever.
  }
  fd_ = fd;
  path_ = path;
  return true;
}

void WorkFolderOwner::Release() {
  if (fd_ < 0) return;
  // Only the file this holder locked goes: the folder may have been removed and made again
  // since, by another wizard that now holds a new owner file of the same name.
  if (platform::IsFileNamed(fd_, path_)) ::unlink(path_.c_str());
  ::close(fd_);
  fd_ = -1;
  path_.clear();
}

bool WorkFolderOwner::HeldElsewhere(const std::string& folder) {
  const int fd = ::open(OwnerFile(folder).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return held;
}

}  // namespace wizard
