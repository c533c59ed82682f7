// A folder of the burner's own for one piece of work: made fresh under the temporary folder with
// a name no one else has, and removed, with what the work put there, by its owner alone. The
// temporary folder may be one the user keeps files in: nothing but this folder is ever removed.
#pragma once

#include <string>

namespace studio::packs {

class WorkFolder {
 public:
  WorkFolder() = default;
  ~WorkFolder() { Remove(); }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
  WorkFolder(WorkFolder&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }
  WorkFolder& operator=(WorkFolder&& other) noexcept;

  // Makes "<root>/<prefix>XXXXXX/" (the root too when it is missing); false when it cannot.
  bool Make(const std::string& root, const std::string& prefix);
  // The folder with a trailing slash; empty when none is held.
  const std::string& Path() const { return path_; }
  void Remove();

 private:
  std::string path_;
};

}  // namespace studio::packs
