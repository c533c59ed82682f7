#include "platform/base/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>

namespace platform {
namespace {

// XDG variables that are unset, empty or relative are ignored, as the base-directory rules say.
std::string XdgVariable(const char* name) {
  const char* v = std::getenv(name);
  if (v == nullptr || v[0] != '/') return {};
  return v;
}

// Makes `path` a private folder of ours; when the name is taken by something we cannot trust
// (another user's folder, a link, an open folder), falls back to a fresh unique folder beside it.
std::string PrivateFolder(const std::string& parent, const std::string& name) {
  const std::string path = parent + name;
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return {};
  if (IsPrivateFolder(path)) return path + "/";

  static std::mutex mutex;
  static std::map<std::string, std::string> fallbacks;
  std::lock_guard<std::mutex> lock(mutex);
  auto found = fallbacks.find(path);
  if (found != fallbacks.end() && IsPrivateFolder(found->second)) return found->second + "/";
  std::string pattern = path + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return {};
  fallbacks[path] = pattern;
  return pattern + "/";
}

std::string Unquote(std::string v) {
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
  return v;
}

// The documents entry of user-dirs.dirs: XDG_DOCUMENTS_DIR="$HOME/Documents".
std::string UserDirsDocuments(const std::string& home) {
  std::ifstream in(ConfigFolder() + "user-dirs.dirs");
  std::string line;
  const std::string key = "XDG_DOCUMENTS_DIR=";
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) != 0) continue;
    std::string v = Unquote(line.substr(key.size()));
    if (v.compare(0, 5, "$HOME") == 0) v = home + v.substr(5);
    if (!v.empty() && v[0] == '/') return v;
  }
  return {};
}

}  // namespace

bool IsPrivateFolder(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

std::string WithTrailingSlash(std::string path) {
  if (!path.empty() && path.back() != '/') path += '/';
  return path;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string HomeFolder() {
  std::string home = XdgVariable("HOME");
  if (home.empty()) {
    struct passwd pw;
    struct passwd* result = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &pw, buffer, sizeof buffer, &result) == 0 && result && result->pw_dir)
      home = result->pw_dir;
  }
  if (home.empty()) home = "/";
  return WithTrailingSlash(home);
}

std::string AppFolder() {
  const char* v = std::getenv("VIDARRO_APP_DIR");
  if (v != nullptr && v[0] != '\0') return WithTrailingSlash(v);
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "./";
  return FolderOf(std::string(buffer, static_cast<std::size_t>(n)));
}

std::string DocumentsFolder() {
  std::string v = XdgVariable("XDG_DOCUMENTS_DIR");
  if (v.empty()) {
    std::string home = HomeFolder();
    home.pop_back();
    v = UserDirsDocuments(home);
    if (v.empty()) v = home + "/Documents";
  }
  return WithTrailingSlash(v);
}

std::string LocalAppDataFolder() {
  const std::string v = XdgVariable("XDG_DATA_HOME");
  return v.empty() ? HomeFolder() + ".local/share/" : WithTrailingSlash(v);
}

std::string ConfigFolder() {
  const std::string v = XdgVariable("XDG_CONFIG_HOME");
  return v.empty() ? HomeFolder() + ".config/" : WithTrailingSlash(v);
}

std::string TempFolder() {
  std::string base = XdgVariable("TMPDIR");
  if (base.empty()) base = "/tmp";
  base = WithTrailingSlash(base);
  std::string folder = PrivateFolder(base, "vidarro-" + std::to_string(geteuid()));
  if (folder.empty() && base != "/tmp/") folder = PrivateFolder("/tmp/", "vidarro-" + std::to_string(geteuid()));
  return folder;
}

std::string RuntimeFolder() {
  const std::string v = XdgVariable("XDG_RUNTIME_DIR");
  if (!v.empty()) {
    struct stat st;
    if (stat(v.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return WithTrailingSlash(v);
  }
  const std::string temp = TempFolder();
  return temp.empty() ? std::string() : PrivateFolder(temp, "run");
}

}  // namespace platform
