// The writers one writer object sees: the simulated drives (or, when no simulated hardware is
// named, the drives libburn's scan finds), each with its fixed letter, and the one chosen.
#pragma once

#include <cstdint>
#include <functional>
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
// What finds the machine's own drives: libburn's scan unless a test puts its own in its place
// (an empty function puts libburn's back).
void SetDriveScan(std::function<std::vector<DriveDesc>()> scan);

// Tells the suite's top-level windows that the medium of the drive with this letter arrived
// or went (WM_DEVICECHANGE, a DBT_DEVTYP_VOLUME with DBTF_MEDIA).
void BroadcastMediumChange(char letter, bool arrived);

class DriveSet {
 public:
  // Keeps the drives that write at least one kind of the class: 0 DVD, 1 CD, 8 Blu-ray
  // (the burn modes); any other value keeps every drive. They are taken when first asked for, so
  // a writer made while the first scan of the machine's drives runs does not wait for it.
  void Select(unsigned char burnMode);
  std::size_t Count() const;
  // "D: name (image)" of a drive; empty for a bad index.
  const char* Name(std::size_t index);
  bool Choose(std::size_t index);
  SimDrive* Current() const;
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
  void Take() const;

  unsigned char burnMode_ = 0xFF;
  mutable bool taken_ = true;  // nothing selected yet: no drives
  mutable std::vector<std::shared_ptr<SimDrive>> drives_;
  mutable std::vector<std::size_t> machineIndex_;  // letter index of each kept drive
  mutable std::vector<std::string> names_;
  mutable SimDrive* current_ = nullptr;
  mutable std::size_t currentIndex_ = 0;
};

}  // namespace platform::disc
