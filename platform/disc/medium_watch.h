// The simulated writers' medium states, watched: a tray or disc change that any process writes to
// a state file reaches this process's windows as the medium change a real drive would send.
#pragma once

#include <string>

#include "platform/disc/sim_drive.h"

namespace platform::disc {

// Whether a disc is in: the tray closed on a medium.
bool HoldsDisc(const MediumState& state);

// What a change from `before` to `after` tells the windows, in order: a disc that went and one
// that came (a different disc is both). Returns how many of the two flags it set.
int MediumEvents(const MediumState& before, const MediumState& after, bool* removed, bool* arrived);

// Starts the watch, once per process, on the state files of the machine's simulated drives;
// false when the system offers no file watch.
bool WatchMediumStates();
// Whether the watch reads this state file: then it alone tells this process's windows of its
// changes, also of those the process makes itself.
bool MediumWatchCovers(const std::string& statePath);

}  // namespace platform::disc
