// The entry-point scan of a whole clip on several threads at once, each over its own range of
// packets; the ranges are joined so that the result is what one scan from the start finds.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "bdauthor/entry_point_scan.h"
#include "bdauthor/file_io.h"
#include "bdauthor/job_progress.h"

namespace bdauthor {

// Where the ranges of a clip of `clipBytes` start, in packets: the first at 0, one range per
// processor the process may run on (at most four), none shorter than 64 MB. One thread reads
// a clip in the page cache as fast as its processor can, and more threads read it faster. A
// clip read `fromDisk` gets twice as many (at most eight): its readers mostly wait, and more
// reads at once keep the disk busier.
std::vector<std::int64_t> RangeStartsFor(std::int64_t clipBytes, bool fromDisk = false);

// Whether the page cache lacks some of the open clip, as far as a look at a few spans tells.
bool ReadsFromDisk(const ReadOnlyFile& clip);

// Scans the whole packets of the open clip, each range (starting at the ascending packet
// numbers `rangeStarts`, the first 0) on its own thread and its own reading of the file;
// `scanned` gets the bytes scanned, and each range adds them to `progress` as it goes. Nothing
// on a read error, or when the clip lost bytes while read. The clip's position is left anywhere.
std::optional<EntryPointScanner> ScanInRanges(ReadOnlyFile& clip, const std::vector<std::int64_t>& rangeStarts,
                                              JobProgress& progress, std::int64_t& scanned,
                                              WalkInstructions walk = BestWalkInstructions());

}  // namespace bdauthor
