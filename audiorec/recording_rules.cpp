#include "audiorec/recording_rules.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "platform/base/file.h"
#include "platform/base/file_system.h"

namespace auvry {

std::string UniqueRecordingPath(const std::string& folder, const std::string& prefix, const std::string& extension,
                                const std::tm& local) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "_%02d%02d%02d", local.tm_hour, local.tm_min, local.tm_sec);
  const std::string stem = folder + prefix + stamp;
  // The name is reserved by creating the file, never by looking: two copies started in the
  // same second must not both choose, and then truncate, one file.
  std::string path = stem + "." + extension;
  for (int n = 2; n < 10000; ++n) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      return path;
    }
    if (errno != EEXIST) return path;  // the writer reports what is wrong with the folder
    path = stem + "_" + std::to_string(n) + "." + extension;
  }
  return path;
}

int ActiveLimitSeconds(int hours, int minutes, int seconds) {
  const int total = seconds + (minutes + hours * 60) * 60;
  return total == 0 ? kDefaultLimitSeconds : total;
}

TypedLimit ParseLimitField(const std::string& text, LimitField field, const LimitFields& others, int maxSeconds) {
  TypedLimit out;
  if (text.empty()) return {0, true};
  errno = 0;
  char* end = nullptr;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  long value = end == text.c_str() ? 0 : parsed;
  bool rewrite = end == text.c_str() || errno == ERANGE;
  long most = 59;
  const int maxHours = maxSeconds / 3600;
  if (field == LimitField::Hours) most = maxHours;
  else if (field == LimitField::Minutes) most = others.hours != maxHours ? 59 : (maxSeconds / 60) % 60;
  else if (others.hours * 60 + others.minutes == maxSeconds / 60) most = maxSeconds % 60;
  if (value > most) value = most, rewrite = true;
  if (value < 0) value = 0, rewrite = true;
  out.value = static_cast<int>(value);
  // "5" stays as typed; "-5", "123" and "7x" are shown again as the field holds them.
  out.rewrite = rewrite || text.size() > 2 || *end != '\0';
  return out;
}

LimitFields StepLimitField(LimitFields f, LimitField focused, int delta, int maxSeconds) {
  const int total = f.seconds + (f.minutes + f.hours * 60) * 60;
  int* slot = focused == LimitField::Hours ? &f.hours : focused == LimitField::Minutes ? &f.minutes : &f.seconds;
  const int top = focused == LimitField::Hours ? 23 : 59;
  const int step = focused == LimitField::Hours ? 3600 : focused == LimitField::Minutes ? 60 : 1;
  if (delta >= 1) {
    if (*slot < top && total + step <= maxSeconds) ++*slot;
  } else if (delta < 0 && *slot > 0) {
    --*slot;
  }
  return f;
}

bool DiskTooFullToRecord(const std::string& folder) {
  std::uint64_t bytes = 0;
  if (!platform::FolderFreeBytes(folder, &bytes)) return false;
  return bytes / (1024 * 1024) < kMinimumFreeMegabytes;
}

float GainForSliderPosition(int position) {
  const int v = 20 - std::abs(position);
  if (v < 10) return std::max(static_cast<float>(v) * 0.1f, 0.1f);
  return static_cast<float>(v - 9);
}

int LevelBarPosition(double db) {
  const double position = (db + 80.0) * 1.6 - 48.0;
  if (!(position > 0.0)) return 0;  // NaN too
  return position >= 100.0 ? 100 : static_cast<int>(position);
}

std::string FormatElapsed(int seconds) {
  seconds = std::max(seconds, 0);
  char text[32];
  std::snprintf(text, sizeof text, "%02d : %02d : %02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return text;
}

std::string FormatSize(double kilobytes) {
  char text[48];
  if (kilobytes <= 1024.0) std::snprintf(text, sizeof text, "%7.1f KB", kilobytes);
  else std::snprintf(text, sizeof text, "%7.2f MB", kilobytes * 0.0009765625);
  return text;
}

}  // namespace auvry
