#include "platform/disc/sim_drive.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/strings.h"
#include "platform/disc/real_drive.h"

namespace platform::disc {
namespace {

// Replaces the file whole through a rename, so every reader sees the old text or the new one,
// without waiting for the disk: on ext4 a sync here also waits for the image just written,
// a fifth of a second a DVD, and the image itself is no more durable than any tool's output.
bool ReplaceFile(const std::string& path, const std::string& text) {
  static std::atomic<unsigned> counter{0};
  const std::string temp = platform::Format("%s.new-%d-%u", path.c_str(), static_cast<int>(::getpid()), ++counter);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  const bool ok = ::close(fd) == 0 && done == text.size() && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

}  // namespace

bool LoadMediumState(const std::string& path, MediumState* state) {
  std::string text;
  if (!platform::ReadWholeFile(path, &text)) return false;
  std::istringstream lines(text);
  std::string line;
  MediumState s;
  while (std::getline(lines, line)) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = platform::ToUpperAscii(platform::Trim(line.substr(0, eq)));
    const std::string value = platform::Trim(line.substr(eq + 1));
    const unsigned long v = std::strtoul(value.c_str(), nullptr, 10);
    if (key == "KIND") s.kind = KindFromName(value);
    else if (key == "USED") s.used = v != 0;
    else if (key == "FINALIZED") s.finalized = v != 0;
    else if (key == "CAPACITY") s.capacity = static_cast<std::uint32_t>(v);
    else if (key == "BLOCKS") s.usedBlocks = static_cast<std::uint32_t>(v);
    else if (key == "LASTSESSION") s.lastSession = static_cast<std::uint32_t>(v);
    else if (key == "TRAY") s.trayOpen = platform::EqualsNoCase(value, "open");
    else if (key == "LOCKED") s.locked = v != 0;
    else if (key == "BURNING") s.burner = static_cast<int>(v);
    else if (key == "NOTREADY") s.notReadyLeft = static_cast<int>(v);
    else if (key == "NEXTBLANK") s.nextBlank = KindFromName(value);
  }
  if (s.burner) {
    // A burn leaves a written, unfinished disc, also when its process died.
    s.used = true;
    s.finalized = false;
    s.burning = ::kill(s.burner, 0) == 0 || errno != ESRCH;
    if (!s.burning) s.burner = 0;
  }
  *state = s;
  return true;
}

bool SaveMediumState(const std::string& path, const MediumState& s) {
  std::string text;
  text += "KIND=" + KindName(s.kind) + "\n";
  text += platform::Format("USED=%d\nFINALIZED=%d\nCAPACITY=%u\nBLOCKS=%u\nLASTSESSION=%u\n", s.used ? 1 : 0,
                           s.finalized ? 1 : 0, s.capacity, s.usedBlocks, s.lastSession);
  text += std::string("TRAY=") + (s.trayOpen ? "open" : "closed") + "\n";
  text += platform::Format("LOCKED=%d\nBURNING=%d\nNOTREADY=%d\n", s.locked ? 1 : 0,
                           s.burning ? (s.burner ? s.burner : static_cast<int>(::getpid())) : 0, s.notReadyLeft);
  if (s.nextBlank != kNoDisc) text += "NEXTBLANK=" + KindName(s.nextBlank) + "\n";
  platform::CreateFolders(platform::FolderOf(path));
  return ReplaceFile(path, text);
}

MediumState SimDrive::FreshBlank(unsigned char kind) const {
  MediumState s;
  s.kind = kind;
  s.capacity = desc_.capacity ? desc_.capacity : DefaultCapacity(kind);
  s.notReadyLeft = desc_.notReadyPolls;
  return s;
}

MediumState SimDrive::LoadLocked() {
  MediumState s;
  if (desc_.IsReal()) {
    bool ready = false;
    real::Query(desc_.realAddress, &s, &ready);
    s.locked = realLocked_;
    s.burning = realBurning_;
    return s;
  }
  if (LoadMediumState(desc_.StatePath(), &s)) return s;
  // First use: the disc the description puts in the drive.
  s = FreshBlank(desc_.medium);
  if (desc_.medium == kNoDisc) s.capacity = 0;
  s.used = desc_.mediumUsed || desc_.usedBlocks > 0;
  s.finalized = desc_.mediumFinalized;
  s.usedBlocks = desc_.usedBlocks;
  s.notReadyLeft = 0;
  s.nextBlank = desc_.nextBlank;
  if (SaveMediumState(desc_.StatePath(), s) && !s.used) {
    platform::File image(desc_.ImagePath(), platform::FileMode::Create);
  }
  return s;
}

MediumState SimDrive::State() {
  std::lock_guard lock(mutex_);
  return LoadLocked();
}

bool SimDrive::TestUnitReady() {
  bool ready = false;
  if (desc_.IsReal()) {
    MediumState s;
    return real::Query(desc_.realAddress, &s, &ready) && ready && s.kind != kNoDisc;
  }
  Change([&](MediumState& s) {
    if (s.trayOpen || s.kind == kNoDisc) return;
    if (s.notReadyLeft > 0) {
      --s.notReadyLeft;
      return;
    }
    ready = true;
  });
  return ready;
}

bool SimDrive::Load() {
  bool inserted = false;
  std::lock_guard lock(mutex_);
  if (desc_.IsReal()) {
    MediumState s;
    bool ready = false;
    return real::Tray(desc_.realAddress, true) && real::Query(desc_.realAddress, &s, &ready) && s.kind != kNoDisc;
  }
  MediumState s = LoadLocked();
  if (!s.trayOpen) return false;
  const unsigned char next = s.nextBlank != kNoDisc ? s.nextBlank : desc_.BlankKind();
  MediumState fresh = FreshBlank(next);
  fresh.nextBlank = kNoDisc;
  inserted = next != kNoDisc;
  { platform::File image(desc_.ImagePath(), platform::FileMode::Create); }
  SaveMediumState(desc_.StatePath(), fresh);
  return inserted;
}

bool SimDrive::Unload(bool* hadDisc) {
  std::lock_guard lock(mutex_);
  MediumState s = LoadLocked();
  if (hadDisc) *hadDisc = false;
  if (s.locked || s.burning) return false;
  if (desc_.IsReal()) {
    if (hadDisc) *hadDisc = s.kind != kNoDisc;
    return real::Tray(desc_.realAddress, false);
  }
  if (s.trayOpen) return true;
  if (hadDisc) *hadDisc = s.kind != kNoDisc;
  s.trayOpen = true;
  return SaveMediumState(desc_.StatePath(), s);
}

void SimDrive::SetLocked(bool locked) {
  Change([&](MediumState& s) { s.locked = locked; });
}

void SimDrive::SetNextBlank(unsigned char kind) {
  Change([&](MediumState& s) { s.nextBlank = kind; });
}

bool SimDrive::Blank() {
  if (desc_.IsReal()) return real::Erase(desc_.realAddress, nullptr);
  std::lock_guard lock(mutex_);
  MediumState s = LoadLocked();
  platform::File image(desc_.ImagePath(), platform::FileMode::Create);
  if (!image.IsOpen()) return false;
  s.used = s.finalized = s.burning = false;
  s.usedBlocks = s.lastSession = 0;
  return SaveMediumState(desc_.StatePath(), s);
}

}  // namespace platform::disc
