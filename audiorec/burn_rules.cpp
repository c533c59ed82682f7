#include "burn_rules.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "platform/base/strings.h"

namespace auvry {

namespace {

std::string Printf(const char* format, double a, double b) {
  char text[96];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Name and extension (with its period); no extension when the period starts the name.
void SplitName(const std::string& fileName, std::string* stem, std::string* ext) {
  const auto dot = fileName.rfind('.');
  if (dot == std::string::npos || dot == 0) {
    *stem = fileName, ext->clear();
  } else {
    *stem = fileName.substr(0, dot), *ext = fileName.substr(dot);
  }
}

}  // namespace

std::int64_t CdAudioBytes(int playSeconds) {
  return playSeconds > 0 ? static_cast<std::int64_t>(playSeconds) * kCdAudioBytesPerSecond : 0;
}

std::uint64_t AudioSectorsNeeded(const std::vector<std::int64_t>& trackBytes) {
  std::uint64_t sectors = 0;
  for (std::int64_t bytes : trackBytes) {
    const auto b = static_cast<std::uint64_t>(std::max<std::int64_t>(bytes, 0));
    sectors += (b + kCdSectorBytes - 1) / kCdSectorBytes + kPregapSectors;
  }
  return sectors;
}

std::uint64_t DataBlocksNeeded(std::uint64_t bytes) {
  return (bytes + kDataBlockBytes - 1) / kDataBlockBytes + kReservedBlocks;
}

double FreeMegabytes(std::uint64_t freeBlocks) {
  if (freeBlocks < kReservedBlocks) return 0.0;
  return static_cast<double>(freeBlocks - kReservedBlocks) * kDataBlockBytes / kBytesPerMegabyte;
}

int ErasePercent(int ticks) {
  const int percent = static_cast<int>(100.0 * std::log10((ticks + 10) * 0.1));
  return std::clamp(percent, 0, 99);
}

std::string SenseMessage(const std::string& failed, unsigned long code) {
  char text[256];
  std::snprintf(text, sizeof text, "%s\nSenseKey : %2lx, ASC : %2lx, ASCQ : %2lx", failed.c_str(), code >> 16,
                (code >> 8) & 0xFF, code & 0xFF);
  return text;
}

std::string ProgressText(unsigned long written, unsigned long toWrite, std::uint32_t blockBytes) {
  const double total = static_cast<double>(toWrite) * blockBytes / kBytesPerMegabyte;
  const double done = std::min(static_cast<double>(written) * blockBytes / kBytesPerMegabyte, total);
  return Printf("%4.2f/%4.2f MB", done, total);
}

std::string FormatTotalSize(std::int64_t bytes) {
  char text[48];
  std::snprintf(text, sizeof text, "%7.2f MB", static_cast<double>(bytes) / kBytesPerMegabyte);
  return text;
}

std::string FormatTotalTime(int seconds) {
  char text[48];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return text;
}

std::string DiscLabel(const std::tm& when) {
  // The C locale's abbreviations, whatever the user's language.
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char text[32];
  std::snprintf(text, sizeof text, "%02d%s%02d_%02d%02d%02d", when.tm_year % 100,
                kMonths[std::clamp(when.tm_mon, 0, 11)], when.tm_mday, when.tm_hour, when.tm_min, when.tm_sec);
  return text;
}

DiscNames::Names DiscNames::Add(const std::string& fileName) {
  std::string stem, ext;
  SplitName(fileName, &stem, &ext);
  Names names;
  names.longName = fileName;
  for (int n = 2; longNames_.count(Upper(names.longName)); ++n)
    names.longName = stem + " (" + std::to_string(n) + ")" + ext;
  longNames_.insert(Upper(names.longName));

  const std::string shortExt = ext.substr(0, 4);
  names.shortName = stem.substr(0, 8) + shortExt;
  for (int n = 1; shortNames_.count(Upper(names.shortName)); ++n) {
    const std::string tail = "~" + std::to_string(n);
    names.shortName = stem.substr(0, 8 - tail.size()) + tail + shortExt;
  }
  shortNames_.insert(Upper(names.shortName));
  return names;
}

std::string TooManyTracksText(int rows) {
  const int extra = rows - kMaxCdTracks;
  return platform::Format("An audio CD holds at most %d tracks. Please remove %d %s from the list.", kMaxCdTracks,
                          extra, extra == 1 ? "song" : "songs");
}

}  // namespace auvry
