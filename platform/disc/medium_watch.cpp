#include "platform/disc/medium_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "platform/base/file.h"
#include "platform/disc/drive_set.h"

namespace platform::disc {
namespace {

std::atomic<bool> running{false};

// The state files the watch reads, fixed once it runs.
std::set<std::string>& Covered() {
  static auto* paths = new std::set<std::string>();
  return *paths;
}

struct Watched {
  std::shared_ptr<SimDrive> drive;
  char letter;
  MediumState last;
};

void Tell(Watched& w) {
  const MediumState now = w.drive->State();
  bool removed = false, arrived = false;
  MediumEvents(w.last, now, &removed, &arrived);
  w.last = now;
  if (removed) BroadcastMediumChange(w.letter, false);
  if (arrived) BroadcastMediumChange(w.letter, true);
}

}  // namespace

bool HoldsDisc(const MediumState& state) { return !state.trayOpen && state.kind != kNoDisc; }

int MediumEvents(const MediumState& before, const MediumState& after, bool* removed, bool* arrived) {
  const bool had = HoldsDisc(before), has = HoldsDisc(after);
  // A fresh blank in a closed tray (another process swapped the disc) is a different disc.
  const bool swapped = had && has && (before.kind != after.kind || (before.used && !after.used));
  *removed = (had && !has) || swapped;
  *arrived = (!had && has) || swapped;
  return (*removed ? 1 : 0) + (*arrived ? 1 : 0);
}

bool MediumWatchCovers(const std::string& statePath) { return running.load() && Covered().count(statePath) > 0; }

bool WatchMediumStates() {
  static std::atomic<bool> started{false};
  if (started.exchange(true)) return running.load();
  const int fd = ::inotify_init1(IN_CLOEXEC);
  if (fd < 0) return false;
  auto watched = std::make_shared<std::map<std::string, Watched>>();  // by state file name
  std::map<int, std::string> folders;
  const auto drives = MachineDrives();
  for (std::size_t i = 0; i < drives.size(); ++i) {
    const DriveDesc& d = drives[i]->Desc();
    if (d.IsReal()) continue;
    platform::CreateFolders(d.imageFolder);
    const int wd = ::inotify_add_watch(fd, d.imageFolder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
    if (wd < 0) continue;
    folders[wd] = d.imageFolder;
    (*watched)[d.StatePath()] = Watched{drives[i], DriveLetter(i), drives[i]->State()};
  }
  if (watched->empty()) {
    ::close(fd);
    return false;
  }
  for (const auto& [path, w] : *watched) Covered().insert(path);
  running = true;
  std::thread([fd, watched, folders] {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        const auto folder = folders.find(event->wd);
        if (folder == folders.end() || event->len == 0) continue;
        const auto found = watched->find(folder->second + event->name);
        if (found != watched->end()) Tell(found->second);
      }
    }
    running = false;
  }).detach();
  return true;
}

}  // namespace platform::disc
