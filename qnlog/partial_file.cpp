#include "qnlog/partial_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cctype>

#include "platform/base/file.h"

std::string PartialFilePath(const std::string& output, int pid, int clash) {
  // Hidden, in the same folder so the final rename stays on one file system, and with the
  // output's extension, which chooses FFmpeg's muxer.
  const std::size_t slash = output.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : output.substr(0, slash + 1);
  const std::string name = output.substr(folder.size());
  const std::size_t dot = name.rfind('.');
  // The process number keeps two converters that chose one output name (two sessions sharing
  // a folder) from writing into one partial file.
  std::string part = ".part" + std::to_string(pid);
  if (clash > 1) part += "-" + std::to_string(clash);
  if (dot == std::string::npos || dot == 0) return folder + "." + name + part;
  return folder + "." + name.substr(0, dot) + part + name.substr(dot);
}

bool IsPartialFileName(const std::string& name) {
  if (name.size() < 7 || name[0] != '.') return false;
  for (std::size_t at = name.find(".part", 1); at != std::string::npos; at = name.find(".part", at + 1)) {
    std::size_t end = at + 5;
    while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end]))) ++end;
    if (end == at + 5) continue;
    if (end < name.size() && name[end] == '-') {
      const std::size_t clash = ++end;
      while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end]))) ++end;
      if (end == clash) continue;
    }
    if (end == name.size() || name[end] == '.') return true;
  }
  return false;
}

bool COwnedPartial::Create(const std::string& path) {
  Release();
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    // Where locks are not kept (some network folders) the file is still ours; a sweep cannot
    // take a lock there either.
    flock(fd, LOCK_EX);
    if (platform::IsFileNamed(fd, path)) {
      fd_ = fd;
      return true;
    }
    // A sweep of another process took the new file's lock first and removed it: the name is
    // free again.
    ::close(fd);
  }
  errno = EAGAIN;
  return false;
}

void COwnedPartial::Release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

int RemoveAbandonedPartials(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return 0;
  const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!IsPartialFileName(name)) continue;
    const std::string path = base + name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat st {};
    // Held while the file goes, so its owner cannot take it back meanwhile.
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        platform::IsFileNamed(fd, path) && ::unlink(path.c_str()) == 0)
      ++removed;
    ::close(fd);
  }
  ::closedir(dir);
  return removed;
}
