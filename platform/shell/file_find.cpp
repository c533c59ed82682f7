#include "platform/shell/file_find.h"

#include <fnmatch.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "platform/base/paths.h"

namespace fs = std::filesystem;

BOOL CFileFind::FindFile(LPCSTR name, DWORD) {
  Close();
  std::error_code ec;
  std::string pattern = name && *name ? name : "*";
  if (pattern.find('/') == std::string::npos) pattern = fs::current_path(ec).string() + "/" + pattern;
  std::string folder = platform::FolderOf(pattern);
  const std::string match = platform::FileNameOf(pattern);
  root_ = folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder;
  if (!fs::is_directory(root_, ec)) return FALSE;
  auto add = [&](const std::string& entryName, const fs::path& path) {
    if (fnmatch(match.c_str(), entryName.c_str(), FNM_CASEFOLD | FNM_PERIOD) != 0 && match != "*.*" && match != "*")
      return;
    Entry e;
    e.name = entryName;
    std::error_code typeError;
    e.directory = fs::is_directory(path, typeError);
    e.size = e.directory ? 0 : fs::file_size(path, typeError);
    if (typeError) e.size = 0;
    e.readOnly = access(path.c_str(), W_OK) != 0;
    entries_.push_back(std::move(e));
  };
  if (match == "*" || match == "*.*") {
    add(".", root_);
    add("..", fs::path(root_).parent_path());
  }
  std::vector<Entry> found;
  for (const auto& entry : fs::directory_iterator(root_, ec)) add(entry.path().filename().string(), entry.path());
  std::sort(entries_.begin() + (match == "*" || match == "*.*" ? 2 : 0), entries_.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  if (entries_.empty()) {
    Close();
    return FALSE;
  }
  return TRUE;
}

BOOL CFileFind::FindNextFile() {
  if (next_ >= entries_.size()) return FALSE;
  ++next_;
  return next_ < entries_.size();
}

void CFileFind::Close() {
  entries_.clear();
  next_ = 0;
}

const CFileFind::Entry* CFileFind::Current() const { return next_ ? &entries_[next_ - 1] : nullptr; }

std::string CFileFind::GetFileName() const { return Current() ? Current()->name : std::string(); }

std::string CFileFind::GetFilePath() const {
  if (!Current()) return {};
  return (root_ == "/" ? root_ : root_ + "/") + Current()->name;
}

std::string CFileFind::GetFileTitle() const {
  const std::string name = GetFileName();
  const size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string CFileFind::GetRoot() const { return root_; }
ULONGLONG CFileFind::GetLength() const { return Current() ? Current()->size : 0; }
BOOL CFileFind::IsDirectory() const { return Current() && Current()->directory; }
BOOL CFileFind::IsDots() const { return Current() && (Current()->name == "." || Current()->name == ".."); }
BOOL CFileFind::IsReadOnly() const { return Current() && Current()->readOnly; }
BOOL CFileFind::IsHidden() const { return Current() && Current()->name[0] == '.' && !IsDots(); }
