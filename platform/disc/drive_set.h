// The writers one writer object sees: the simulated drives (or, when no simulated hardware is
// named, the drives libburn's scan finds), each with its fixed letter, and the one chosen.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/disc/sim_drive.h"

namespace platform::disc {

// Drive letters by index: D:, E:, ...
char DriveLetter(std::size_t index);

// The machine's simulated drives, loaded once per process; Reload reads devices.ini again (tests).
std::vector<std::shared_ptr<SimDrive>> MachineDrives();
void ReloadMachineDrives();
// Starts the first scan on a thread of its own: a real scan takes seconds, and the window that
// first lists the drives should find it done.
void ScanMachineDrivesInBackground();
void SetMachineDrives(std::vector<DriveDesc> drives);

// Tells the suite's top-level windows that the medium of the drive with this letter arrived
// or went (WM_DEVICECHANGE, a DBT_DEVTYP_VOLUME with DBTF_MEDIA).
void BroadcastMediumChange(char letter, bool arrived);

class DriveSet {
 public:
  // Keeps the drives that write at least one kind of the class: 0 DVD, 1 CD, 8 Blu-ray
  // (the burn modes); any other value keeps every drive.
  void Select(unsigned char burnMode);
  std::size_t Count() const { return drives_.size(); }
  // "D: name (image)" of a drive; empty for a bad index.
  const char* Name(std::size_t index);
  bool Choose(std::size_t index);
  SimDrive* Current() const { return current_; }
  char CurrentLetter() const;

  bool TestUnitReady();
  bool Load();
  bool Unload();
  bool Lock(bool locked);
  unsigned char DiscType();
  bool Supports(unsigned char capability) const;
  std::uint32_t TotalBlocks();
  std::uint32_t FreeBlocks();
  bool IsErasable();
  std::vector<int> Speeds() const;

 private:
  std::vector<std::shared_ptr<SimDrive>> drives_;
  std::vector<std::size_t> machineIndex_;  // letter index of each kept drive
  std::vector<std::string> names_;
  SimDrive* current_ = nullptr;
  std::size_t currentIndex_ = 0;
};

}  // namespace platform::disc
