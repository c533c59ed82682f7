// Elementary stream pairs as a record-and-burn recording writes them, made by the suite's own
// MPEG encoder from moving test pictures and a tone.
#pragma once

#include <string>

namespace dvdtest {

// Writes "<stem>.mpv" and "<stem>.mpa" of `seconds` at 352 x 240 NTSC (PAL when asked);
// returns the stem.
std::string MakeElementaryPair(const std::string& folder, const std::string& name, double seconds, bool pal = false);

}  // namespace dvdtest
