#include "converter/desktop_link.h"

#include <filesystem>
#include <fstream>

#include "platform/base/strings.h"

namespace {

constexpr std::uintmax_t kMaxLinkBytes = 64 * 1024;

// "%20" and the like, as file URLs write them.
std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::string FollowDesktopLink(const std::string& path) {
  if (path.size() < 8 || !platform::EqualsNoCase(path.substr(path.size() - 8), ".desktop")) return path;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec) || std::filesystem::file_size(path, ec) > kMaxLinkBytes) return path;
  std::ifstream in(path);
  std::string line, type, url;
  bool entry = false;
  while (std::getline(in, line)) {
    line = platform::Trim(line);
    if (!line.empty() && line[0] == '[') entry = line == "[Desktop Entry]";
    if (!entry) continue;
    if (line.rfind("Type=", 0) == 0) type = line.substr(5);
    if (line.rfind("URL=", 0) == 0) url = line.substr(4);
  }
  if (type != "Link" || url.rfind("file://", 0) != 0) return path;
  const std::string target = Unescape(url.substr(7));
  return std::filesystem::is_regular_file(target, ec) ? target : path;
}
