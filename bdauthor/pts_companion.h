// The ".ptsinfo" companion the recorder writes beside a clip: a count line, then one line per
// entry point "first-packet pts last-packet".
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "bdauthor/input_record.h"

namespace bdauthor {

// Entry points of the companion text, at most as many as its count line announces. Empty lines
// (CR LF ends) are skipped; a line ends at LF, CR or NUL; a line without three numbers and a last
// line without its end are dropped. Entries must run forward through the clip's packetCount
// packets with PTS inside 33 bits; others are dropped.
std::vector<EpEntry> ParsePtsCompanion(std::string_view text, std::int64_t packetCount);

}  // namespace bdauthor
