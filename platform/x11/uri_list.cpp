#include "platform/x11/uri_list.h"

#include <cctype>
#include <optional>
#include <string_view>

namespace platform::x11 {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      out += s[i];
      continue;
    }
    const int hi = i + 1 < s.size() ? HexValue(s[i + 1]) : -1;
    const int lo = i + 2 < s.size() ? HexValue(s[i + 2]) : -1;
    if (hi < 0 || lo < 0) return std::nullopt;
    const char c = static_cast<char>(hi * 16 + lo);
    if (c == '\0') return std::nullopt;  // a path cannot hold it
    out += c;
    i += 2;
  }
  return out;
}

std::optional<std::string> PathFromUri(const std::string& uri) {
  constexpr std::string_view kScheme = "file://";
  if (uri.size() < kScheme.size()) return std::nullopt;
  for (size_t i = 0; i < kScheme.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(uri[i])) != kScheme[i]) return std::nullopt;
  const std::string rest = uri.substr(kScheme.size());
  const size_t slash = rest.find('/');
  if (slash == std::string::npos) return std::nullopt;
  const std::string host = rest.substr(0, slash);
  if (!host.empty() && host != "localhost") return std::nullopt;
  auto path = Unescape(rest.substr(slash));
  if (!path) return std::nullopt;
  return path;
}

}  // namespace

std::vector<std::string> PathsFromUriList(const std::string& text) {
  std::vector<std::string> paths;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (auto path = PathFromUri(line)) paths.push_back(*path);
  }
  return paths;
}

}  // namespace platform::x11
