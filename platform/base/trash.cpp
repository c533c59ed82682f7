// The freedesktop trash: the item goes to <trash>/files/<name> and a record
// <trash>/info/<name>.trashinfo says where it came from and when, so file managers can restore it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/strings.h"

namespace platform {
namespace {

std::string EncodePath(const std::string& path) {
  std::string out;
  for (unsigned char c : path) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '_' || c == '.' || c == '~' || c == '/';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += Format("%%%02X", c);
    }
  }
  return out;
}

std::string LocalDeletionDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

// "clip.mpg" -> "clip.mpg", "clip.2.mpg", "clip.3.mpg"...
std::string Candidate(const std::string& name, int n) {
  if (n == 1) return name;
  const auto dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return name + "." + std::to_string(n);
  return name.substr(0, dot) + "." + std::to_string(n) + name.substr(dot);
}

bool EnsurePrivateFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  return FolderExists(path);
}

// Moves `absolute` into the trash at `trash`; false with nothing changed when it cannot.
bool TrashInto(const std::string& trash, const std::string& absolute) {
  if (!CreateFolders(FolderOf(trash.substr(0, trash.size() - 1))) || !EnsurePrivateFolder(trash) ||
      !EnsurePrivateFolder(trash + "files") || !EnsurePrivateFolder(trash + "info"))
    return false;
  const std::string name = FileNameOf(absolute);
  const std::string record =
      "[Trash Info]\nPath=" + EncodePath(absolute) + "\nDeletionDate=" + LocalDeletionDate() + "\n";
  for (int n = 1; n < 10000; ++n) {
    const std::string entry = Candidate(name, n);
    const std::string infoPath = trash + "info/" + entry + ".trashinfo";
    // The record is made first with O_EXCL: it claims the name against other trashing processes.
    File info;
    if (!info.Open(infoPath, FileMode::CreateNew)) {
      if (info.LastError() == EEXIST) continue;
      return false;
    }
    if (!(info.Write(record) && info.Close())) {
      unlink(infoPath.c_str());
      return false;
    }
    const std::string target = trash + "files/" + entry;
    struct stat st;
    if (lstat(target.c_str(), &st) == 0) {  // a stray item without a record holds the name
      unlink(infoPath.c_str());
      continue;
    }
    if (rename(absolute.c_str(), target.c_str()) == 0) return true;
    const int saved = errno;
    unlink(infoPath.c_str());
    errno = saved;
    return false;
  }
  return false;
}

// The folder at the top of the mount holding `path`.
std::string MountTop(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return {};
  const dev_t device = st.st_dev;
  std::string top = path;
  for (;;) {
    std::string parent = FolderOf(top);
    if (parent.size() > 1) parent.pop_back();
    if (parent.empty() || parent == top) return top;
    struct stat ps;
    if (stat(parent.c_str(), &ps) != 0 || ps.st_dev != device) return top;
    top = parent;
    if (top == "/") return top;
  }
}

std::string AbsolutePath(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (!p.empty() && p[0] == '/') return p;
  char cwd[PATH_MAX];
  if (getcwd(cwd, sizeof cwd) == nullptr) return {};
  return WithTrailingSlash(cwd) + p;
}

}  // namespace

std::string TrashFolder() { return LocalAppDataFolder() + "Trash/"; }

bool MoveToTrash(const std::string& path) {
  const std::string absolute = AbsolutePath(path);
  struct stat st;
  if (absolute.empty() || absolute == "/" || lstat(absolute.c_str(), &st) != 0) return false;
  errno = 0;
  if (TrashInto(TrashFolder(), absolute)) return true;
  if (errno != EXDEV) return false;
  // On another file system the item goes to that file system's own trash.
  const std::string top = MountTop(absolute);
  if (top.empty()) return false;
  return TrashInto(WithTrailingSlash(top) + ".Trash-" + std::to_string(getuid()) + "/", absolute);
}

}  // namespace platform
