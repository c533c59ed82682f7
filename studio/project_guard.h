// What this program last saw of its project file, so that a save can tell that someone else (a
// copy of Quillon on another desktop, say) wrote the file meanwhile and ask before replacing it.
#pragma once

#include <cstdint>
#include <string>

namespace studio {

struct ProjectFileSeen {
  bool taken = false;    // nothing looked at yet: an untitled project
  std::string path;      // the file looked at
  bool existed = false;  // it was there
  bool read = false;     // and could be read: no larger than any project the program reads
  std::string bytes;     // what it held
  std::int64_t size = 0;
  std::int64_t modifiedNs = 0;
};

ProjectFileSeen SeeProjectFile(const std::string& path);

// True when `path` is the file last seen and it now holds something else, or now exists where
// it did not. Another file, or one that went, loses nothing when written.
bool ChangedSinceSeen(const ProjectFileSeen& seen, const std::string& path);

// The question put before saving over such a file: the project's name and that it changed.
std::string ChangedOnDiskQuestion(const std::string& path);

// Keeps other savers out of a project's folder while one checks and writes (an advisory lock on
// the folder, so it holds though the file itself is replaced by the write). Waits at most
// kWaitMs for another saver.
class ProjectFolderLock {
 public:
  static constexpr int kWaitMs = 5000;
  static constexpr int kPollMs = 20;

  explicit ProjectFolderLock(const std::string& projectPath);
  ~ProjectFolderLock();
  ProjectFolderLock(const ProjectFolderLock&) = delete;
  ProjectFolderLock& operator=(const ProjectFolderLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace studio
