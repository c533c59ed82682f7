#include "audiorec/dropped_paths.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/base/strings.h"

namespace auvry {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The local path of a file:// URL, empty for any other URL or a bad escape.
std::string PathOfFileUrl(const std::string& url) {
  constexpr const char* kScheme = "file://";
  if (url.rfind(kScheme, 0) != 0) return {};
  std::string rest = url.substr(7);
  if (rest.rfind("localhost/", 0) == 0) rest = rest.substr(9);
  if (rest.empty() || rest[0] != '/') return {};
  std::string path;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] != '%') {
      path += rest[i];
      continue;
    }
    const int high = i + 2 < rest.size() ? HexValue(rest[i + 1]) : -1;
    const int low = i + 2 < rest.size() ? HexValue(rest[i + 2]) : -1;
    if (high < 0 || low < 0 || (high == 0 && low == 0)) return {};
    path += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return path;
}

// The URL of a ".desktop" entry of type Link, empty otherwise.
std::string DesktopLinkTarget(const std::string& path) {
  std::ifstream in(path);
  if (!in) return {};
  bool inEntry = false, isLink = false;
  std::string url;
  for (std::string line; std::getline(in, line);) {
    line = platform::Trim(line);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      inEntry = line == "[Desktop Entry]";
      continue;
    }
    if (!inEntry) continue;
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = platform::Trim(line.substr(0, eq)), value = platform::Trim(line.substr(eq + 1));
    if (key == "Type") isLink = value == "Link";
    else if (key == "URL") url = value;
  }
  return isLink ? PathOfFileUrl(url) : std::string();
}

}  // namespace

std::string ResolveShortcut(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_symlink(path, error)) {
    const std::filesystem::path target = std::filesystem::read_symlink(path, error);
    if (error || target.empty()) return path;
    return target.is_absolute() ? target.string() : (std::filesystem::path(path).parent_path() / target).string();
  }
  if (path.size() > 8 && platform::EqualsNoCase(path.substr(path.size() - 8), ".desktop")) {
    const std::string target = DesktopLinkTarget(path);
    if (!target.empty()) return target;
  }
  return path;
}

std::vector<DroppedPath> AcceptedDrops(const std::vector<std::string>& dropped, int accepts) {
  std::vector<DroppedPath> accepted;
  for (const std::string& original : dropped) {
    if (original.empty() || original.size() > kMaxDroppedPath) continue;
    const std::string path = ResolveShortcut(original);
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error) continue;
    if (std::filesystem::is_directory(status)) {
      if (accepts & kAcceptFolders) accepted.push_back({path, kDroppedFolder});
    } else if (std::filesystem::is_regular_file(status)) {
      if (accepts & kAcceptFiles) accepted.push_back({path, kDroppedFile});
    }
  }
  return accepted;
}

bool MatchesAddFilter(const std::string& filter, const std::string& path) {
  const auto begin = filter.find('|');
  if (begin == std::string::npos) return false;
  const auto end = filter.find('|', begin + 1);
  const std::string patterns = filter.substr(begin + 1, end == std::string::npos ? end : end - begin - 1);
  const std::string name = std::filesystem::path(path).filename().string();
  size_t at = 0;
  while (at <= patterns.size()) {
    const auto next = std::min(patterns.find(';', at), patterns.size());
    const std::string pattern = platform::Trim(patterns.substr(at, next - at));
    at = next + 1;
    if (pattern == "*" || pattern == "*.*") return true;
    if (pattern.size() < 2 || pattern.rfind("*.", 0) != 0) continue;
    const std::string extension = pattern.substr(1);
    if (name.size() > extension.size() &&
        platform::EqualsNoCase(name.substr(name.size() - extension.size()), extension))
      return true;
  }
  return false;
}

void TakeDroppedFiles(HDROP drop, int accepts, const std::function<void(const std::string& path, int kind)>& add) {
  std::vector<std::string> dropped;
  const UINT count = ::DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = ::DragQueryFile(drop, i, nullptr, 0);
    // Longer paths are left out whole rather than cut short.
    if (length == 0 || length > kMaxDroppedPath) continue;
    std::string path(length + 1, '\0');
    path.resize(::DragQueryFile(drop, i, path.data(), length + 1));
    dropped.push_back(path);
  }
  for (const DroppedPath& accepted : AcceptedDrops(dropped, accepts)) add(accepted.path, accepted.kind);
  ::DragFinish(drop);
}

}  // namespace auvry
