#include "platform/disc/cue_sheet.h"

#include <cctype>

#include "platform/base/file.h"
#include "platform/disc/disc_kinds.h"

namespace platform::disc {
namespace {

// The quoted name of a FILE line, or empty when the line is no FILE line.
bool FileLineName(const std::string& line, std::string* name, size_t* nameStart, size_t* nameEnd) {
  size_t at = 0;
  while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at]))) ++at;
  if (line.compare(at, 5, "FILE ") != 0) return false;
  const size_t open = line.find('"', at + 5);
  const size_t close = open == std::string::npos ? open : line.rfind('"');
  if (open == std::string::npos || close == open) return false;
  *name = line.substr(open + 1, close - open - 1);
  *nameStart = open + 1;
  *nameEnd = close;
  return true;
}

}  // namespace

bool ReadCueSheet(const std::string& cuePath, CueSheet* sheet) {
  CueSheet s;
  if (!platform::ReadWholeFile(cuePath, &s.text)) return false;
  size_t at = 0;
  while (at < s.text.size() && s.binPath.empty()) {
    const size_t end = std::min(s.text.find('\n', at), s.text.size());
    const std::string line = s.text.substr(at, end - at);
    at = end + 1;
    std::string name;
    size_t from = 0, to = 0;
    if (!FileLineName(line, &name, &from, &to) || line.find("BINARY", to) == std::string::npos) continue;
    const size_t slash = cuePath.rfind('/');
    s.binPath = name.front() == '/' || slash == std::string::npos ? name : cuePath.substr(0, slash + 1) + name;
  }
  if (s.binPath.empty()) return false;
  const std::int64_t bytes = platform::FileSize(s.binPath);
  if (bytes <= 0 || bytes % kAudioBlockBytes) return false;
  s.binBytes = static_cast<std::uint64_t>(bytes);
  *sheet = std::move(s);
  return true;
}

std::string CueNamingBin(const std::string& text, const std::string& binName) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = std::min(text.find('\n', at), text.size());
    std::string line = text.substr(at, end - at);
    std::string name;
    size_t from = 0, to = 0;
    if (FileLineName(line, &name, &from, &to)) line.replace(from, to - from, binName);
    out += line;
    if (end < text.size()) out += '\n';
    at = end + 1;
  }
  return out;
}

}  // namespace platform::disc
