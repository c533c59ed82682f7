#include "capture_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace studio {
namespace {

constexpr int kDvdRates[] = {8000000, 6500000, 5000000, 4000000};
constexpr int kLongDvdRates[] = {2500000, 2000000, 1500000, 1150000};
constexpr int kWmvByteRates[] = {204627, 142127, 79627, 41880};
constexpr std::uint64_t kReservedBytes = 57671680;  // 55 MiB kept free for the system
constexpr unsigned kLongestRecording = 86399;
// Part counts past this come from a broken message, not from an encoder.
constexpr long kMostParts = 10000;

int QualityIndex(int quality) { return quality >= 0 && quality <= 3 ? quality : 2; }

std::string ExtensionOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return path.substr(dot);
}

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

}  // namespace

const char* FormatLabel(int format) {
  static constexpr const char* kLabels[] = {"VCD", "SVCD", "DVD", "Long DVD", "AVI", "WMV", "HDV", "DV-AVI"};
  return format >= 0 && format <= 7 ? kLabels[format] : "";
}

bool IsMpegFormat(int format) { return format >= kVcd && format <= kLongDvd; }

OutputPattern OutputPatternOf(int format) {
  switch (format) {
    case kVcd: return {"VCD_", ".mpg"};
    case kSvcd: return {"SVCD_", ".mpg"};
    case kDvd: return {"DVD_", ".mpg"};
    case kLongDvd: return {"LDVD_", ".mpg"};
    case kWmv: return {"WMV_", ".wmv"};
    case kHdv: return {"HDV_", ".m2ts"};
    case kDvAvi: return {"DV_", ".avi"};
    default: return {};
  }
}

int DvdBitRate(int quality) { return kDvdRates[QualityIndex(quality)]; }
int LongDvdBitRate(int quality) { return kLongDvdRates[QualityIndex(quality)]; }
int WmvByteRate(int quality) { return kWmvByteRates[QualityIndex(quality)]; }

int MpegVideoBitRate(int format, int quality) {
  switch (format) {
    case kVcd: return 1150000;
    case kSvcd: return 2500000;
    case kLongDvd: return LongDvdBitRate(quality);
    default: return DvdBitRate(quality);
  }
}

int MpegStreamType(int format, int tvStandard) {
  const int pal = tvStandard == 0 ? 0 : 1;
  switch (format) {
    case kVcd: return 3 + pal;
    case kSvcd: return 9 + pal;
    default: return 7 + pal;
  }
}

CaptureSize CaptureSizeFor(int format, int standardClass, int level, int tvStandard) {
  const bool ntsc = standardClass == 1;
  switch (format) {
    case kVcd: return {352, ntsc ? 240 : 288};
    case kSvcd: return {480, ntsc ? 480 : 576};
    case kDvd:
    case kLongDvd:
      if (level == 2) return {720, ntsc ? 480 : 576};
      if (level == 1) return {352, ntsc ? 480 : 576};
      return {352, ntsc ? 240 : 288};
    case kAvi: return tvStandard == 1 ? CaptureSize{640, 480} : CaptureSize{320, 240};
    case kWmv: return {640, 480};
    default: return {320, 240};
  }
}

double MaxTimeByteRate(int format, int quality) {
  switch (format) {
    case kSvcd: return 350000;
    case kDvd: return (DvdBitRate(quality) + 392000) * 0.125;
    case kLongDvd: return std::trunc((LongDvdBitRate(quality) + 392000) * 0.125);
    case kWmv: return WmvByteRate(quality);
    case kHdv:
    case kDvAvi: return 3400000;
    default: return 175000;
  }
}

std::string SpanText(unsigned seconds, const char* separator) {
  char text[64];
  std::snprintf(text, sizeof text, "%02u%s%02u%s%02u", seconds / 3600, separator, seconds / 60 % 60, separator,
                seconds % 60);
  return text;
}

MaxRecordingTime ComputeMaxRecordingTime(std::optional<std::uint64_t> freeBytes, int format, int quality) {
  MaxRecordingTime result;
  unsigned maximum = kLongestRecording;
  if (freeBytes) {
    if (*freeBytes <= kReservedBytes) return {0, "00 : 00 : 00"};
    const double seconds =
        std::floor(static_cast<double>(*freeBytes - kReservedBytes) / MaxTimeByteRate(format, quality));
    maximum = seconds >= kLongestRecording ? kLongestRecording + 1 : static_cast<unsigned>(seconds);
  }
  if (format == kAvi) return {maximum, "-- : -- : --"};
  if (maximum / 3600 < 24) return {maximum, SpanText(maximum, " : ")};
  return {kLongestRecording, "23 : 59 : 59"};
}

double MpegSizeEstimateMB(int format, int quality, double elapsed) {
  double rate = 175000;
  if (format == kSvcd) rate = 350000;
  else if (format == kDvd) rate = (DvdBitRate(quality) + 224000) * 1.038 * 0.125;
  else if (format == kLongDvd) rate = std::trunc((LongDvdBitRate(quality) + 224000) * 1.038 * 0.125);
  return rate * elapsed / 1048576;
}

std::string WmvProfileName(int quality, int tvStandard, int level, int aspect) {
  static constexpr char kQuality[] = {'B', 'G', 'N', 'A'};
  std::string code;
  code += kQuality[QualityIndex(quality)];
  code += tvStandard == 0 ? 'N' : 'P';
  code += level == 2 ? 'H' : 'L';
  code += aspect == 1 ? '1' : '0';
  if (code == "NPL1") code = "NPL2";  // the one shipped file named out of the pattern
  return "WMVProfile/QnProfile_" + code + ".prx";
}

std::string StemOf(const std::string& path) {
  const std::string extension = ExtensionOf(path);
  return path.substr(0, path.size() - extension.size());
}

std::string SplitName(const std::string& first, size_t n) {
  return StemOf(first) + "_" + std::to_string(n) + ExtensionOf(first);
}

std::vector<std::string> FilesMadeFrom(const std::string& path) {
  const std::string stem = StemOf(path);
  const std::string extension = ExtensionOf(path);
  return {path,          stem + "_0" + extension, stem + "_1" + extension, stem + ".mpv",
          stem + ".mpa", stem + ".mpv.0",         stem + ".mpa.0"};
}

std::string UniqueOutputName(const std::string& folder, const OutputPattern& pattern, const std::string& timeText,
                             const std::function<bool(const std::string&)>& exists) {
  const std::string base = folder + pattern.prefix + timeText;
  for (int n = 1;; ++n) {
    const std::string candidate =
        n == 1 ? base + pattern.extension : base + "-" + std::to_string(n) + pattern.extension;
    const std::vector<std::string> made = FilesMadeFrom(candidate);
    if (std::none_of(made.begin(), made.end(), exists) || n > 9999) return candidate;
  }
}

std::vector<std::string> MpegPartNames(const std::string& path, long parts) {
  std::vector<std::string> names;
  const std::string stem = StemOf(path);
  for (long i = 0; i < std::min(parts, kMostParts); ++i) names.push_back(stem + "_" + std::to_string(i) + ".mpg");
  return names;
}

std::vector<std::string> HdvPartNames(const std::string& path, long parts) {
  std::vector<std::string> names;
  const std::string stem = StemOf(path);
  for (long i = 0; i < std::min(parts, kMostParts); ++i)
    names.push_back(i == 0 ? path : stem + "_" + std::to_string(i) + ".m2ts");
  return names;
}

std::vector<std::string> ElementaryStreamNames(const std::string& path) {
  const std::string stem = StemOf(path);
  std::vector<std::string> names = {stem + ".mpv", stem + ".mpa"};
  for (int i = 0; i <= 99; ++i) {
    names.push_back(stem + ".mpv." + std::to_string(i));
    names.push_back(stem + ".mpa." + std::to_string(i));
  }
  return names;
}

namespace {
const char* DiscType(int format) {
  static constexpr const char* kTypes[] = {"vcd", "svcd", "dvd", "longdvd"};
  return IsMpegFormat(format) ? kTypes[format] : "dvd";
}
}  // namespace

std::string BurnOptionString(int format, int tvStandard, int plannedSeconds, int quality, int maxFileSizeMB,
                             const std::string& outFolder) {
  std::string text = std::string("show option type=") + DiscType(format) + ";";
  text += tvStandard == 0 ? "ntsc=yes;" : "ntsc=no;";
  text += "playtime=" + std::to_string(plannedSeconds) + ";";
  text += "videobitrate=" + std::to_string(MpegVideoBitRate(format, quality)) + ";";
  text += "maxfilesize=" + std::to_string(maxFileSizeMB) + ";";
  text += "outfolder=" + outFolder + ";";
  return text;
}

std::string DiscLockText(int format, bool on) {
  return std::string("disclock type=") + DiscType(format) + ";lock=" + (on ? "on" : "off") + ";";
}

DiscChoice ChooseForDisc(long long code, int format, int maxFileSizeMB, bool largeFiles) {
  DiscChoice choice{false, format, maxFileSizeMB};
  if (code < 100000) return choice;
  choice.changed = true;
  if (code >= 200000) {
    const long long capacity = code >= 300000 ? code - 300000 : code - 200000;
    choice.format = kDvd;
    choice.maxFileSizeMB = largeFiles ? (capacity < 5000 ? 4196 : 7568) : 3896;
    return choice;
  }
  const long long capacity = code - 100000;
  choice.format = kVcd;
  if (capacity < 701) choice.maxFileSizeMB = 609;
  else if (capacity < 801) choice.maxFileSizeMB = 665;
  else if (capacity < 1001) choice.maxFileSizeMB = 760;
  return choice;
}

int MeterValue(double dB) {
  const double value = (dB + 80) * 1.6 - 48;
  return static_cast<int>(std::clamp(value, 0.0, 100.0));
}

float VolumeGain(int position) {
  if (position >= 10) return static_cast<float>(position - 9);
  return std::max(0.1f, position * 0.1f);
}

long RewindMode(long current) {
  if (current == 4296 || current == 5029) return 5031;
  if (current == 4298 || current == 5121) return 4905;
  return 4301;
}

long FastForwardMode(long current) {
  if (current == 4296 || current == 5031) return 5029;
  if (current == 4298 || current == 5121) return 4304;
  return 4300;
}

int ClampHours(int value, unsigned maximum) {
  return std::clamp(value, 0, static_cast<int>(std::min(maximum / 3600, 23u)));
}

int ClampMinutes(int value, int hours, unsigned maximum) {
  const int top = static_cast<unsigned>(hours) == maximum / 3600 ? static_cast<int>(maximum / 60 % 60) : 59;
  return std::clamp(value, 0, top);
}

int ClampSeconds(int value, int hours, int minutes, unsigned maximum) {
  const bool lastMinute = static_cast<unsigned>(hours * 60 + minutes) == maximum / 60;
  return std::clamp(value, 0, lastMinute ? static_cast<int>(maximum % 60) : 59);
}

int ParseField(const std::string& text) {
  // atoi's reading, without its overflow: five digits and more are clamped by the caller anyway.
  size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
  long long value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
    value = std::min(value * 10 + (text[at] - '0'), 1000000LL);
  return static_cast<int>(negative ? -value : value);
}

TimeLimit LimitWithin(TimeLimit limit, unsigned maximum) {
  if (limit.Total() <= maximum) return limit;
  return {static_cast<int>(maximum / 3600), static_cast<int>(maximum / 60 % 60), static_cast<int>(maximum % 60)};
}

std::vector<FormatItem> FormatListFor(int deviceType, bool largeFiles, const std::string& singleLayer,
                                      const std::string& dualLayer) {
  const std::string sl = singleLayer.empty() ? "Single Layer" : singleLayer;
  const std::string dl = dualLayer.empty() ? "Dual Layer" : dualLayer;
  const int dvd = largeFiles ? 4196 : 3896;
  std::vector<FormatItem> list = {{kVcd, 665, "VCD", "700MB"}, {kSvcd, 665, "SVCD", "700MB"}, {kDvd, dvd, "DVD", sl}};
  if (largeFiles) list.push_back({kDvd, 7568, "DVD", dl});
  list.push_back({kLongDvd, dvd, "Long DVD", sl});
  if (largeFiles) list.push_back({kLongDvd, 7568, "Long DVD", dl});
  if (deviceType == 3) {
    list.push_back(largeFiles ? FormatItem{kHdv, 23000, "HDV", "25GB"} : FormatItem{kHdv, 3896, "HDV", "4GB"});
    return list;
  }
  list.push_back({kWmv, 665, "WMV", "700MB"});
  list.push_back({kWmv, 4046, "WMV", "4GB"});
  if (deviceType == 2) list.push_back({kDvAvi, 4046, "DV-AVI", "4GB"});
  return list;
}

double RecordingSeconds(int format, int quality, int capacityMB) {
  double bytesPerSecond = 175000;
  switch (format) {
    case kSvcd: bytesPerSecond = 350000; break;
    case kDvd: bytesPerSecond = (DvdBitRate(quality) + 392000) / 8; break;
    case kLongDvd: bytesPerSecond = (LongDvdBitRate(quality) + 392000) / 8; break;
    case kWmv: bytesPerSecond = WmvByteRate(quality); break;
    case kHdv:
    case kDvAvi: bytesPerSecond = 3400000; break;
    default: break;
  }
  return capacityMB * 1048576.0 / bytesPerSecond;
}

std::string RecordingResultText(const std::string& pattern, const FormatItem& item, int quality) {
  const double seconds = RecordingSeconds(item.format, quality, item.capacityMB);
  const long long hours = static_cast<long long>(seconds / 3600);
  const long long minutes = static_cast<long long>(seconds / 60) % 60;
  std::string text = pattern;
  ReplaceAll(text, "FFFFF", item.name);
  ReplaceAll(text, "SSSSS", "(" + item.detail + ")");
  ReplaceAll(text, "HHHHH", std::to_string(hours));
  ReplaceAll(text, "MMMMM", std::to_string(minutes));
  return text;
}

}  // namespace studio
