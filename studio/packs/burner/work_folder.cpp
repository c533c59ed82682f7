#include "work_folder.h"

#include <stdlib.h>

#include <filesystem>
#include <vector>

#include "platform/base/file.h"
#include "platform/base/paths.h"

namespace studio::packs {

WorkFolder& WorkFolder::operator=(WorkFolder&& other) noexcept {
  if (this != &other) {
    Remove();
    path_ = std::move(other.path_);
    other.path_.clear();
  }
  return *this;
}

bool WorkFolder::Make(const std::string& root, const std::string& prefix) {
  Remove();
  const std::string base = platform::WithTrailingSlash(root.empty() ? platform::TempFolder() : root);
  if (!platform::FolderExists(base) && !platform::CreateFolders(base)) return false;
  std::string pattern = base + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data())) return false;
  path_ = std::string(name.data()) + "/";
  return true;
}

void WorkFolder::Remove() {
  if (path_.empty()) return;
  std::error_code error;
  std::filesystem::remove_all(path_, error);
  path_.clear();
}

}  // namespace studio::packs
