// The CUE sheet of a BIN/CUE pair as vcdxbuild writes it: the BIN it names and the sheet made to
// name another BIN (the simulated writer's image) with the tracks unchanged.
#pragma once

#include <cstdint>
#include <string>

namespace platform::disc {

struct CueSheet {
  std::string text;     // the sheet as read
  std::string binPath;  // the BIN its FILE line names, relative names taken from the sheet's folder
  std::uint64_t binBytes = 0;
};

// Reads the sheet and finds its BIN; false when either is missing, the sheet names no BINARY file,
// or the BIN is not whole 2352-byte sectors.
bool ReadCueSheet(const std::string& cuePath, CueSheet* sheet);
// The sheet with its FILE line naming `binName` instead.
std::string CueNamingBin(const std::string& text, const std::string& binName);

}  // namespace platform::disc
