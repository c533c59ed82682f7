// Real optical drives, through libburn's scan (VIDARRO_REAL_DRIVES=1; never in CI). Every call
// grabs the drive by its device node and releases it again, so no drive stays held between
// calls.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "platform/disc/drive_config.h"
#include "platform/disc/sim_drive.h"

namespace platform::disc::real {

// Whether real drives take the place of the simulated ones.
bool Wanted();
// The drives found, as descriptions whose realAddress is their device node; none, no error.
std::vector<DriveDesc> Scan();
// The disc in the drive; false when the drive cannot be grabbed.
bool Query(const std::string& address, MediumState* state, bool* ready);
// Closes (load) or opens the tray.
bool Tray(const std::string& address, bool load);
// Fast blank; *percent follows the drive's progress.
bool Erase(const std::string& address, std::atomic<int>* percent);

}  // namespace platform::disc::real
