#include "clip_actions.h"

#include <cstdio>
#include <sys/stat.h>

#include "platform/base/paths.h"
#include "platform/base/strings.h"
#include "platform/shell/file_operation.h"

namespace studio {
namespace {

// Longer paths cannot name a file here; cutting one would name a different file.
constexpr size_t kLongestPath = 4095;

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool IsAcceptableName(const std::string& text) {
  if (text.empty() || text == "." || text == "..") return false;
  for (unsigned char c : text)
    if (c == '/' || c == '\\' || c < 0x20 || c == 0x7F) return false;
  return true;
}

}  // namespace

BOOL RecycleFile(const std::string& path) {
  if (path.empty() || path.size() > kLongestPath) return FALSE;
  std::string list = path;
  list.push_back('\0');  // the second NUL ends the list
  SHFILEOPSTRUCT op;
  op.wFunc = FO_DELETE;
  op.pFrom = list.c_str();
  op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI | FOF_SIMPLEPROGRESS;
  return ::SHFileOperation(&op) == 0 && !op.fAnyOperationsAborted && !Exists(path);
}

std::string RenamedClipPath(const std::string& oldPath, const std::string& text, std::string* name) {
  if (!IsAcceptableName(text)) return {};
  const std::string oldName = platform::FileNameOf(oldPath);
  const size_t dot = oldName.rfind('.');
  const std::string extension = dot == std::string::npos ? std::string() : oldName.substr(dot);
  std::string newName = text;
  if (!platform::EndsWithNoCase(text, extension)) newName += extension;
  const std::string newPath = platform::FolderOf(oldPath) + newName;
  if (newPath.size() > kLongestPath) return {};
  if (name) *name = newName;
  return newPath;
}

BOOL RenameFile(const std::string& oldPath, const std::string& newPath) {
  if (oldPath.empty() || newPath.empty() || Exists(newPath)) return FALSE;
  return std::rename(oldPath.c_str(), newPath.c_str()) == 0;
}

}  // namespace studio
