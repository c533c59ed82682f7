#include "project_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/base/file.h"
#include "platform/base/key_file.h"
#include "platform/base/paths.h"

namespace studio {
namespace {

bool SameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  struct stat sa {
  }, sb{};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

ProjectFileSeen SeeProjectFile(const std::string& path) {
  ProjectFileSeen seen;
  seen.taken = true;
  seen.path = path;
  struct stat st {};
  // Only a regular file is read: a pipe in the project's place would hold the window.
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return seen;
  seen.existed = true;
  seen.size = st.st_size;
  seen.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  seen.read = platform::ReadWholeFileLimited(path, ProjectKeyFile::kMaxBytes, &seen.bytes);
  return seen;
}

bool ChangedSinceSeen(const ProjectFileSeen& seen, const std::string& path) {
  if (!seen.taken || !SameFile(seen.path, path)) return false;
  const ProjectFileSeen now = SeeProjectFile(path);
  if (!now.existed) return false;
  if (!seen.existed) return true;
  if (seen.read && now.read) return now.bytes != seen.bytes;
  return now.size != seen.size || now.modifiedNs != seen.modifiedNs;
}

std::string ChangedOnDiskQuestion(const std::string& path) {
  return "The project \"" + platform::FileNameOf(path) +
         "\" has changed on disk since it was opened; another copy of the program may have saved it.\n\n"
         "Do you want to save over it? Choose No to save under another name.";
}

ProjectFolderLock::ProjectFolderLock(const std::string& projectPath) {
  std::string folder = platform::FolderOf(projectPath);
  if (folder.empty()) folder = ".";
  fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;  // the write then finds out for itself what is wrong with the folder
  // Another copy's save takes a moment; one that hangs (a pack that never returns) must not
  // hang this window too, so after a while the save goes on without the lock.
  for (int waited = 0; waited < kWaitMs; waited += kPollMs) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0 || (errno != EWOULDBLOCK && errno != EINTR)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
}

ProjectFolderLock::~ProjectFolderLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace studio
