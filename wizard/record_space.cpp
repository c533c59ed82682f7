#include "record_space.h"

#include <sys/stat.h>

#include <filesystem>

#include "platform/base/local_time.h"
#include "wizard_state.h"
#include "wizard_text.h"

namespace wizard {

namespace {
constexpr double kMB = 1048576.0;
}

double BluRayNeededMB(int minutes) { return minutes * 60.0 * 3575500.0 / kMB; }

double DvdNeededMB(int minutes, double discCapacityMB) {
  const double needed = (minutes * 60.0 * 1049000.0 + 716800.0) * 2.0 / kMB;
  return needed > discCapacityMB * 2.0 ? discCapacityMB * 2.0 : needed;
}

double DiscCapacityMB() {
  const WizardState& s = State();
  const double fromDisc = static_cast<double>(s.freeBlocks) / 512.0;
  if (!s.IsBluRay()) return s.writerCount > 0 ? fromDisc : 4482.0;
  return s.writerCount > 0 && s.discKind != 21 && fromDisc > 0 ? fromDisc : 23098.0;
}

int MaximumMinutes() {
  const WizardState& s = State();
  if (s.IsBluRay()) return s.doubleLayer ? 230 : 115;
  return s.doubleLayer ? 360 : 180;
}

std::string WorkFolder() {
  const WizardState& s = State();
  if (s.writerCount > 0) return s.outputFolder;
  return s.IsBluRay() ? s.bdFolder : s.dvdFolder;
}

std::string DefaultDiscName() {
  const std::tm now = platform::LocalNow();
  return Format("%d%02d%02d_%02d%02d", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday, now.tm_hour, now.tm_min);
}

std::string CutDiscName(const std::string& name) {
  std::size_t bytes = 0;
  int characters = 0;
  while (bytes < name.size() && characters < 16) {
    const unsigned char lead = static_cast<unsigned char>(name[bytes]);
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x6  ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 1;
    if (bytes + length > name.size()) break;
    bytes += length;
    ++characters;
  }
  return name.substr(0, bytes);
}

std::string SpeedText(int kbPerSecond, bool bluRay) {
  return Format("%5.1fx (%dKB/s)", kbPerSecond / (bluRay ? 4155.0 : 1385.0), kbPerSecond);
}

std::string MountPointOf(const std::string& path) {
  std::error_code error;
  std::filesystem::path current = std::filesystem::absolute(path, error).lexically_normal();
  while (!current.empty() && !std::filesystem::exists(current, error) && current != current.root_path())
    current = current.parent_path();
  struct stat here {};
  if (::stat(current.c_str(), &here) != 0) return "/";
  while (current != current.root_path()) {
    const std::filesystem::path parent = current.parent_path();
    struct stat up {};
    if (::stat(parent.c_str(), &up) != 0 || up.st_dev != here.st_dev) break;
    current = parent;
  }
  std::string text = current.string();
  if (text.empty() || text.back() != '/') text += '/';
  return text;
}

}  // namespace wizard
