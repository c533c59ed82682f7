#include "record_plan.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/base/file.h"
#include "wizard_text.h"

namespace wizard {

int DvdVideoBitRate(long long capacityBytes, int plannedSeconds, bool* lowRate) {
  *lowRate = false;
  if (plannedSeconds < 1) plannedSeconds = 1;
  long long rate = capacityBytes * 8 / plannedSeconds - kDvdAudioRate - kStreamOverhead;
  rate = rate / 10000 * 10000 - 100000;
  if (rate > kHighestVideoRate) rate = kHighestVideoRate;
  if (rate < 4000000) {
    *lowRate = true;
    if (rate <= kLowestVideoRate) rate = kLowestVideoRate;
  }
  return static_cast<int>(rate);
}

long long DvdPlanCapacity(bool hasWriter, unsigned long freeBlocks) {
  if (!hasWriter || freeBlocks == 0) return kDvdDefaultCapacity;
  return static_cast<long long>(freeBlocks) * 2048;
}

std::string DvdChapterList(int elapsedSeconds) {
  std::string out;
  int t = 0;
  do {
    if (!out.empty()) out += ",";
    out += Format("%.2d:%.2d:%.2d.%.1d", (t / 3600) % 60, (t / 60) % 60, t % 60, 0);
    t += 300;
  } while (t < elapsedSeconds);
  return out;
}

std::string BdChapterTimes(int elapsedSeconds) {
  std::string out;
  for (int t = 0; t < elapsedSeconds; t += 300) out += Format(t == 0 ? "%d" : ",%d", t);
  return out;
}

std::string MakeWorkFolder(const std::string& base, const std::tm& when) {
  const std::string name =
      Format("%d%02d%02d_%02d%02d", when.tm_year + 1900, when.tm_mon + 1, when.tm_mday, when.tm_hour, when.tm_min);
  if (!platform::CreateFolders(base)) return "";
  for (int n = 1; n < 1000; ++n) {
    const std::string folder = base + name + (n == 1 ? "" : Format("_%d", n)) + "/";
    // Made, not looked for: two wizards (two sessions sharing the documents folder) starting in
    // the same minute must not both take one folder and record over each other.
    if (::mkdir(folder.c_str(), 0777) == 0) return folder;
    if (errno != EEXIST) return "";
  }
  return "";
}

bool IsUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0 || c == 0xC0 || c == 0xC1) return false;
    for (int k = 1; k <= extra; ++k)
      if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

}  // namespace wizard
