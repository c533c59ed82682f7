#include "bdauthor/pts_companion.h"

#include <cctype>

namespace bdauthor {

namespace {

constexpr std::int64_t kPtsLimit = std::int64_t{1} << 33;
constexpr std::int64_t kNumberLimit = std::int64_t{1} << 40;

// Decimal numbers separated by blanks; false for anything else or a number too large to mean
// anything here.
bool ReadNumbers(std::string_view line, std::int64_t* out, int want, int& got) {
  got = 0;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t') {
      ++i;
      continue;
    }
    if (!std::isdigit(static_cast<unsigned char>(line[i])) || got == want) return false;
    std::int64_t value = 0;
    while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) {
      value = value * 10 + (line[i] - '0');
      if (value >= kNumberLimit) return false;
      ++i;
    }
    out[got++] = value;
  }
  return true;
}

}  // namespace

std::vector<EpEntry> ParsePtsCompanion(std::string_view text, std::int64_t packetCount) {
  std::vector<EpEntry> entries;
  std::int64_t announced = -1;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = pos;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r' && text[end] != '\0') ++end;
    if (end == text.size()) break;  // no line end: the recorder was still writing it
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line.find_first_not_of(" \t") == std::string_view::npos) continue;

    std::int64_t numbers[3] = {};
    int got = 0;
    const bool ok = ReadNumbers(line, numbers, announced < 0 ? 1 : 3, got);
    if (announced < 0) {
      if (!ok || got != 1) return entries;
      announced = numbers[0];
      continue;
    }
    if (static_cast<std::int64_t>(entries.size()) >= announced) break;
    if (!ok || got != 3) continue;
    const std::int64_t first = numbers[0], pts = numbers[1], last = numbers[2];
    if (first >= packetCount || pts >= kPtsLimit) continue;
    if (!entries.empty() && first <= entries.back().packet) continue;
    entries.push_back({pts, static_cast<std::int32_t>(first), SizeClassOf(first, last)});
  }
  return entries;
}

}  // namespace bdauthor
