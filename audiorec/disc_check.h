// The disc check of both burn dialogs before they write: a ready disc of a kind the writer
// burns, still the same kind, with room for what is listed.
#pragma once

#include <cstdint>
#include <string>

#include "disc_writer.h"

namespace auvry {

struct DiscCheckResult {
  bool ok = false;
  std::string message;  // shown when refused
};

// `dvd` picks the DVD kinds; `blocksNeeded` is what the burn takes in the writer's blocks. A
// refused disc (except one that is not ready) is ejected.
DiscCheckResult CheckDisc(DiscWriter& writer, bool dvd, std::uint64_t blocksNeeded);

}  // namespace auvry
