// The packets most of a clip is made of, passed over in one tight loop: packets of other PIDs,
// whose arrival stamps are all that counts, and video packets that only continue a PES.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bdauthor/arrival_rate.h"

namespace bdauthor {

// Vector instructions that the walk's look for a sequence header can use; kNone walks no packet,
// leaving every one to the full scan (the reference the walk must agree with).
enum class WalkInstructions { kNone, kPlain, kAvx2, kAvx512 };

// The widest set this processor has; chosen once.
WalkInstructions BestWalkInstructions();

// Walks whole source packets from `data` and stops before the first one that needs the full
// scan: a video packet that starts a payload unit, carries an adaptation field or is damaged,
// and, while `searching`, one whose payload holds (or, with `tail`, completes) a sequence
// header code. Each packet walked adds its arrival stamp to `rate`; each video packet leaves its
// last three payload bytes in `tail`. Returns the packets walked.
std::size_t WalkPlainPackets(const std::uint8_t* data, std::size_t packets, bool searching, ArrivalRateMeter& rate,
                             std::uint32_t& tail, WalkInstructions instructions = BestWalkInstructions());

}  // namespace bdauthor
