#include "platform/disc/drive_set.h"

#include <mutex>
#include <thread>

#include "platform/disc/medium_watch.h"
#include "platform/disc/real_drive.h"
#include "platform/disc/udev_monitor.h"
#include "platform/window/device_change.h"
#include "platform/window/messages.h"
#include "platform/window/wm_messages.h"

namespace platform::disc {
namespace {

struct Machine {
  std::mutex mutex;
  bool loaded = false;
  std::vector<std::shared_ptr<SimDrive>> drives;
  std::function<std::vector<DriveDesc>()> scan;
};

Machine& TheMachine() {
  static Machine* machine = new Machine();  // writer threads may outlive static teardown
  return *machine;
}

bool WritesClass(const DriveDesc& d, unsigned char burnMode) {
  if (d.name == real::kNoPermissionName) return true;  // listed with its reason in every class
  switch (burnMode) {
    case 0:
      for (unsigned char cap :
           {kWritesDvdR, kWritesDvdRw, kWritesDvdPlusR, kWritesDvdPlusRw, kWritesDvdRDual, kWritesDvdPlusRDual})
        if (d.Writes(cap)) return true;
      return false;
    case 1: return d.Writes(kWritesCdR) || d.Writes(kWritesCdRw);
    case 8: return d.Writes(kWritesBdR) || d.Writes(kWritesBdRe);
    default: return true;
  }
}

// A drive whose changes a watch already tells this process's windows of: telling them here too
// would say it twice.
bool ToldByWatch(const DriveDesc& d) { return d.IsReal() ? UdevWatching() : MediumWatchCovers(d.StatePath()); }

}  // namespace

char DriveLetter(std::size_t index) { return static_cast<char>('D' + (index < 23 ? index : 22)); }

std::vector<std::shared_ptr<SimDrive>> MachineDrives() {
  Machine& m = TheMachine();
  std::lock_guard lock(m.mutex);
  if (!m.loaded) {
    m.loaded = true;
    for (auto& d : !real::Wanted() ? ConfiguredDrives() : m.scan ? m.scan() : real::Scan())
      m.drives.push_back(std::make_shared<SimDrive>(std::move(d)));
  }
  return m.drives;
}

void ScanMachineDrivesInBackground() {
  std::thread([] { MachineDrives(); }).detach();
}

void SetMachineDrives(std::vector<DriveDesc> drives) {
  Machine& m = TheMachine();
  std::lock_guard lock(m.mutex);
  m.loaded = true;
  m.drives.clear();
  for (auto& d : drives) m.drives.push_back(std::make_shared<SimDrive>(std::move(d)));
}

void SetDriveScan(std::function<std::vector<DriveDesc>()> scan) {
  Machine& m = TheMachine();
  std::lock_guard lock(m.mutex);
  m.scan = std::move(scan);
}

void ReloadMachineDrives() {
  Machine& m = TheMachine();
  std::lock_guard lock(m.mutex);
  m.loaded = false;
  m.drives.clear();
}

void BroadcastMediumChange(char letter, bool arrived) {
  if (letter < 'A' || letter > 'Z') return;
  // Posted messages carry a pointer, so each letter and event has one structure for the
  // process's lifetime.
  static DEV_BROADCAST_VOLUME* volumes = [] {
    auto* all = new DEV_BROADCAST_VOLUME[52];
    for (int i = 0; i < 52; ++i) {
      all[i] =
          DEV_BROADCAST_VOLUME{sizeof(DEV_BROADCAST_VOLUME), DBT_DEVTYP_VOLUME, 0, DWORD{1} << (i % 26), DBTF_MEDIA};
    }
    return all;
  }();
  DEV_BROADCAST_VOLUME* volume = &volumes[(letter - 'A') + (arrived ? 0 : 26)];
  PostMessage(HWND_BROADCAST, WM_DEVICECHANGE, arrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
              reinterpret_cast<LPARAM>(volume));
}

void DriveSet::Select(unsigned char burnMode) {
  burnMode_ = burnMode;
  taken_ = false;
}

void DriveSet::Take() const {
  if (taken_) return;
  taken_ = true;
  const unsigned char burnMode = burnMode_;
  const auto all = MachineDrives();
  drives_.clear();
  machineIndex_.clear();
  names_.clear();
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (!WritesClass(all[i]->Desc(), burnMode)) continue;
    drives_.push_back(all[i]);
    machineIndex_.push_back(i);
    const DriveDesc& d = all[i]->Desc();
    names_.push_back(std::string(1, DriveLetter(i)) + ": " + d.name + " (" +
                     (d.IsReal() ? d.realAddress : d.ImagePath()) + ")");
  }
  current_ = drives_.empty() ? nullptr : drives_[0].get();
  currentIndex_ = 0;
}

std::size_t DriveSet::Count() const {
  Take();
  return drives_.size();
}

SimDrive* DriveSet::Current() const {
  Take();
  return current_;
}

const char* DriveSet::Name(std::size_t index) {
  Take();
  static const char empty[] = "";
  return index < names_.size() ? names_[index].c_str() : empty;
}

bool DriveSet::Choose(std::size_t index) {
  Take();
  if (index >= drives_.size()) return false;
  current_ = drives_[index].get();
  currentIndex_ = index;
  return true;
}

char DriveSet::CurrentLetter() const {
  Take();
  return current_ ? DriveLetter(machineIndex_[currentIndex_]) : '\0';
}

bool DriveSet::TestUnitReady() {
  Take();
  return current_ && current_->TestUnitReady();
}

bool DriveSet::Load() {
  Take();
  if (!current_) return false;
  const bool wasOpen = current_->State().trayOpen;
  const bool inserted = current_->Load();
  if (wasOpen && inserted && !ToldByWatch(current_->Desc())) BroadcastMediumChange(CurrentLetter(), true);
  return true;
}

bool DriveSet::Unload() {
  Take();
  if (!current_) return false;
  bool hadDisc = false;
  if (!current_->Unload(&hadDisc)) return false;
  if (hadDisc && !ToldByWatch(current_->Desc())) BroadcastMediumChange(CurrentLetter(), false);
  return true;
}

bool DriveSet::Lock(bool locked) {
  Take();
  if (!current_) return false;
  current_->SetLocked(locked);
  return true;
}

unsigned char DriveSet::DiscType() {
  Take();
  if (!current_) return kNoDisc;
  const MediumState s = current_->State();
  return s.trayOpen ? static_cast<unsigned char>(kNoDisc) : s.kind;
}

bool DriveSet::Supports(unsigned char capability) const {
  Take();
  return current_ && current_->Desc().Writes(capability);
}

std::uint32_t DriveSet::TotalBlocks() {
  Take();
  if (!current_) return 0;
  const MediumState s = current_->State();
  if (s.trayOpen || s.kind == kNoDisc) return 0;
  return s.used && s.usedBlocks == 0 ? 1 : s.usedBlocks;
}

std::uint32_t DriveSet::FreeBlocks() {
  Take();
  if (!current_) return 0;
  const MediumState s = current_->State();
  if (s.trayOpen || s.kind == kNoDisc || s.finalized || !CapabilityFor(s.kind)) return 0;
  const std::uint32_t used = s.used ? (s.usedBlocks + 31) / 32 * 32 : 0;
  return s.capacity > used ? s.capacity - used : 0;
}

bool DriveSet::IsErasable() {
  Take();
  if (!current_) return false;
  const MediumState s = current_->State();
  return !s.trayOpen && IsRewritable(s.kind) && current_->Desc().Writes(CapabilityFor(s.kind));
}

std::vector<int> DriveSet::Speeds() const {
  Take();
  return current_ ? current_->Desc().speeds : std::vector<int>{};
}

}  // namespace platform::disc
