#include "converter/list_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/base/strings.h"

namespace {

constexpr std::uintmax_t kMaxListBytes = 4u << 20;

std::string SkipBlanks(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return s.substr(i);
}

}  // namespace

std::string PathOfListLine(const std::string& line) {
  if (line.rfind(kCodedLinePrefix, 0) != 0) return line;
  return platform::DecodeLineBreaks(std::string_view(line).substr(std::string_view(kCodedLinePrefix).size()));
}

bool ParseProjectLine(const std::string& line, ProjectEntry* entry) {
  if (line.size() < 6 || platform::ToLowerAscii(line.substr(0, 6)) != "[edit]") return false;
  std::string rest = SkipBlanks(line.substr(6));
  if (platform::ToLowerAscii(rest.substr(0, 6)) != "file=\"") return false;
  rest = rest.substr(6);
  const size_t close = rest.find("\";");
  if (close == std::string::npos) return false;
  ProjectEntry e;
  e.name = rest.substr(0, close);
  rest = rest.substr(close + 2);
  // "time=" must follow the name at once; anything else there gives a play time of 0.
  const size_t time = platform::ToLowerAscii(rest).find("time=");
  if (time == std::string::npos) return false;
  if (time == 0) {
    std::string value = rest.substr(5);
    if (!value.empty() && value.back() == ';') value.pop_back();
    e.time = std::strtoll(value.c_str(), nullptr, 10);
  }
  *entry = e;
  return true;
}

bool ReadListFile(const std::string& path, ListFile* list) {
  struct stat st {};
  // Only this user's own file: another user could plant one in a shared folder.
  if (path.empty() || lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid() ||
      static_cast<std::uintmax_t>(st.st_size) > kMaxListBytes)
    return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    if (line.empty()) continue;
    ProjectEntry entry;
    if (ParseProjectLine(line, &entry)) list->projects.push_back(entry);
    else list->paths.push_back(PathOfListLine(line));
  }
  return true;
}
