// Marks a dated work folder as a live wizard's: an exclusive lock on an owner file inside it,
// which the system lets go however the holder ends, so another wizard (in this session or
// another sharing the documents folder) can tell a live recording from one a crash left.
#pragma once

#include <string>

namespace wizard {

class WorkFolderOwner {
 public:
  WorkFolderOwner() = default;
  ~WorkFolderOwner() { Release(); }
  WorkFolderOwner(const WorkFolderOwner&) = delete;
  WorkFolderOwner& operator=(const WorkFolderOwner&) = delete;

  // Takes `folder` (with its trailing "/"), letting go of any folder held before. False when the
  // owner file cannot be made or another holds it.
  bool Take(const std::string& folder);
  // Lets go and removes the owner file when it is still this holder's.
  void Release();
  bool Holds() const { return fd_ >= 0; }

  // Whether a live process holds `folder`; false for a folder nobody took or whose holder died.
  static bool HeldElsewhere(const std::string& folder);
  // The owner file of `folder`: left behind by a crash, it goes with the rest of the work files.
  static std::string OwnerFile(const std::string& folder);

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace wizard
