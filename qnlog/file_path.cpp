#include "qnlog/file_path.h"

#include <sys/stat.h>

void CFilePath::Clear() {
  path_.clear();
  drive_.clear();
  folder_.clear();
  name_.clear();
  ext_.clear();
  parts_.clear();
  split_ = false;
}

void CFilePath::SetPath(const std::string& path) {
  Clear();
  path_ = path;
  const auto slash = path.rfind('/');
  folder_ = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
  if (!file.empty() && IsDirectory(path)) {
    folder_ += file + "/";
    return;
  }
  // A leading dot starts a hidden name, not an extension.
  const auto dot = file.rfind('.');
  if (dot == std::string::npos || dot == 0) {
    name_ = file;
  } else {
    name_ = file.substr(0, dot);
    ext_ = file.substr(dot + 1);
  }
}

std::string CFilePath::GetDirectory() const { return drive_ + folder_; }

void CFilePath::SplitFolders() const {
  if (split_) return;
  split_ = true;
  std::string part;
  for (std::size_t i = 0; i < folder_.size(); ++i) {
    if (folder_[i] == '/') {
      if (!part.empty()) parts_.push_back(part);
      part.clear();
    } else {
      part += folder_[i];
    }
  }
  if (!part.empty()) parts_.push_back(part);
}

std::string CFilePath::GetFolder(int index) const {
  if (index == 0) return folder_;
  SplitFolders();
  if (index < 0 || index > static_cast<int>(parts_.size())) return {};
  return parts_[index - 1];
}

int CFilePath::GetFolderCount() const {
  SplitFolders();
  return static_cast<int>(parts_.size());
}

std::string CFilePath::GetFileName() const { return name_ + GetExtension(); }

std::string CFilePath::GetExtension() const { return ext_.empty() ? std::string() : "." + ext_; }

bool CFilePath::IsDirectory(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CFilePath::FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
