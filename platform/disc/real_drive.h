// Real optical drives, through libburn's scan (when no simulated hardware is named). Every call
// grabs the drive by its device node and releases it again, so no drive stays held between
// calls.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "platform/disc/drive_config.h"
#include "platform/disc/sim_drive.h"

namespace platform::disc::real {

// A drive the user may not open: listed, so the user learns why it cannot be used.
inline constexpr const char kNoPermissionName[] = "no permission: the user is not in the cdrom group";

// Whether real drives take the place of the simulated ones.
bool Wanted();
// The drives found, as descriptions whose realAddress is their device node, in the order of
// their nodes (/dev/sr0 first) so that every process gives them the same letters; none, no error.
std::vector<DriveDesc> Scan();
// "/dev/sr2" sorts before "/dev/sr10".
bool NodeBefore(const std::string& a, const std::string& b);
void OrderByNode(std::vector<DriveDesc>* drives);
// The optical drive nodes in a folder ("sr0", "sr1", ...).
std::vector<std::string> OpticalNodes(const std::string& folder);
// Adds the nodes the scan could not list because they cannot be opened, named with the reason.
void AddUnopenable(std::vector<DriveDesc>* drives, const std::vector<std::string>& nodes,
                   const std::function<bool(const std::string&)>& canOpen);
// What the scan lists: the drives libburn found (in whatever order it found them) and the nodes it
// could not open, in node order.
std::vector<DriveDesc> Listed(std::vector<DriveDesc> found, const std::vector<std::string>& nodes,
                              const std::function<bool(const std::string&)>& canOpen);
// The disc in the drive; false when the drive cannot be grabbed.
bool Query(const std::string& address, MediumState* state, bool* ready);
// Closes (load) or opens the tray.
bool Tray(const std::string& address, bool load);
// Fast blank; *percent follows the drive's progress.
bool Erase(const std::string& address, std::atomic<int>* percent);

}  // namespace platform::disc::real
