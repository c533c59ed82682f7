#include "widgets/system_facts.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/gdi/dc.h"
#include "platform/window/monitors.h"
#include "platform/window/paint.h"

namespace {

std::string ReadSmallFile(const char* path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// "key : value" lines; the key trimmed.
bool SplitField(const std::string& line, std::string* key, std::string* value) {
  const auto colon = line.find(':');
  if (colon == std::string::npos) return false;
  *key = Trim(line.substr(0, colon));
  *value = Trim(line.substr(colon + 1));
  return true;
}

// The mount table writes blanks, tabs, new lines and backslashes in names as octal escapes.
std::string Unescape(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string digits = field.substr(i + 1, 3);
      if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
        out += static_cast<char>(std::stoi(digits, nullptr, 8));
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

bool IsNetworkType(const std::string& type) {
  static const char* const kNetwork[] = {"nfs",       "nfs4", "cifs",  "smb3",   "smbfs",    "ncpfs",
                                         "afs",       "ceph", "9p",    "lustre", "coda",     "davfs",
                                         "glusterfs", "gpfs", "ocfs2", "sshfs",  "curlftpfs"};
  if (std::find(std::begin(kNetwork), std::end(kNetwork), type) != std::end(kNetwork)) return true;
  // Programs in user space behind FUSE are mostly remote (sshfs, rclone); a block device's is not.
  return type.rfind("fuse.", 0) == 0;
}

bool IsLocalStorage(const std::string& source, const std::string& type) {
  if (IsNetworkType(type) || type == "squashfs") return false;
  static const char* const kLocal[] = {"ext2", "ext3",  "ext4", "xfs",   "btrfs",   "zfs",     "f2fs",    "jfs",
                                       "vfat", "exfat", "ntfs", "ntfs3", "hfsplus", "overlay", "iso9660", "udf"};
  return source.rfind("/dev/", 0) == 0 || std::find(std::begin(kLocal), std::end(kLocal), type) != std::end(kLocal);
}

std::string OrUnknown(const std::string& text) { return text.empty() ? "unknown" : text; }

}  // namespace

std::string ProcessorModel(const std::string& cpuinfo) {
  std::istringstream lines(cpuinfo);
  std::string fallback;
  for (std::string line, key, value; std::getline(lines, line);) {
    if (!SplitField(line, &key, &value) || value.empty()) continue;
    if (key == "model name") return value;
    // Processors without a model name give their board or model instead.
    if (fallback.empty() && (key == "Model" || key == "Hardware")) fallback = value;
  }
  return fallback;
}

int ProcessorEntries(const std::string& cpuinfo) {
  std::istringstream lines(cpuinfo);
  int count = 0;
  for (std::string line, key, value; std::getline(lines, line);)
    if (SplitField(line, &key, &value) && key == "processor") ++count;
  return count;
}

std::uint64_t MemoryField(const std::string& meminfo, const std::string& field) {
  std::istringstream lines(meminfo);
  for (std::string line, key, value; std::getline(lines, line);) {
    if (!SplitField(line, &key, &value) || key != field) continue;
    unsigned long long kib = 0;
    char unit[8] = {};
    if (std::sscanf(value.c_str(), "%llu %7s", &kib, unit) < 1) return 0;
    // The table counts in kibibytes; a value too large to be one is no value.
    if (kib > (~0ULL >> 10)) return 0;
    return static_cast<std::uint64_t>(kib) * 1024;
  }
  return 0;
}

std::vector<std::string> LocalMountPoints(const std::string& mounts) {
  std::vector<std::string> out;
  std::istringstream lines(mounts);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string source, point, type;
    if (!(fields >> source >> point >> type)) continue;
    point = Unescape(point);
    if (point.empty() || point[0] != '/' || !IsLocalStorage(Unescape(source), type)) continue;
    if (std::find(out.begin(), out.end(), point) == out.end()) out.push_back(point);
  }
  return out;
}

SystemFacts GatherSystemFacts() {
  SystemFacts facts;
  const std::string cpuinfo = ReadSmallFile("/proc/cpuinfo");
  facts.processor = ProcessorModel(cpuinfo);
  const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
  facts.logicalCores = online > 0 ? static_cast<int>(online) : ProcessorEntries(cpuinfo);
  const std::string meminfo = ReadSmallFile("/proc/meminfo");
  facts.memoryTotal = MemoryField(meminfo, "MemTotal");
  facts.memoryAvailable = MemoryField(meminfo, "MemAvailable");
  facts.screenWidth = std::max(0, GetSystemMetrics(SM_CXSCREEN));
  facts.screenHeight = std::max(0, GetSystemMetrics(SM_CYSCREEN));
  if (HDC screen = ::GetDC(nullptr)) {
    facts.colourBits = std::max(0, GetDeviceCaps(screen, BITSPIXEL));
    ::ReleaseDC(nullptr, screen);
  }
  for (const std::string& point : LocalMountPoints(ReadSmallFile("/proc/self/mounts"))) {
    struct statvfs info {};
    if (::statvfs(point.c_str(), &info) != 0 || info.f_blocks == 0) continue;
    const std::uint64_t unit = info.f_frsize ? info.f_frsize : info.f_bsize;
    facts.fileSystems.push_back({point, info.f_blocks * unit, info.f_bavail * unit});
  }
  return facts;
}

std::string ByteSizeText(std::uint64_t bytes) {
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
  if (bytes < 1024) return std::to_string(bytes) + " bytes";
  double value = static_cast<double>(bytes) / 1024;
  int unit = 0;
  while (value >= 1024 && unit < 5) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

std::string DescribeSystem(const SystemFacts& facts) {
  std::ostringstream out;
  out << "Processor: " << OrUnknown(facts.processor) << "\r\n";
  out << "Logical cores: " << (facts.logicalCores > 0 ? std::to_string(facts.logicalCores) : "unknown") << "\r\n";
  out << "Memory: " << (facts.memoryTotal ? ByteSizeText(facts.memoryTotal) : "unknown") << " total, "
      << (facts.memoryAvailable ? ByteSizeText(facts.memoryAvailable) : "unknown") << " available\r\n";
  out << "Display: ";
  if (facts.screenWidth > 0 && facts.screenHeight > 0) out << facts.screenWidth << " x " << facts.screenHeight;
  else out << "unknown";
  out << ", " << (facts.colourBits > 0 ? std::to_string(facts.colourBits) + "-bit colour" : "colour depth unknown")
      << "\r\n\r\nLocal file systems:\r\n";
  if (facts.fileSystems.empty()) out << "  none found\r\n";
  for (const FileSystemFacts& fs : facts.fileSystems)
    out << "  " << fs.mountPoint << ": " << ByteSizeText(fs.totalBytes) << ", " << ByteSizeText(fs.freeBytes)
        << " free\r\n";
  return out.str();
}
