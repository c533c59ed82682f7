// Fills a clip's input record: entry points (from the ".ptsinfo" companion or a scan of the
// clip), IN and OUT times, stream attributes and transport recording rate.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "bdauthor/file_io.h"
#include "bdauthor/input_record.h"
#include "bdauthor/job_progress.h"

namespace bdauthor {

// Clips are read in whole multiples of the 53-packet block.
constexpr std::size_t kScanBlockBytes = 53 * kSourcePacketSize * 32;

// Where the tail scan for the last video PTS starts: a packet boundary at least 4 MB (less one
// packet) before the end, or 0.
std::int64_t TailScanStart(std::int64_t clipBytes);

// False after reporting why. The companion is read, never deleted here.
bool AnalyzeClipStream(const std::string& clipPath, InputRecord& record, JobProgress& progress);

// Bytes per second from the arrival stamps of an open clip, read from its start; the position
// is back at the start afterwards. Nothing when the stamps give no rate.
std::optional<std::int64_t> GetTransportRecordingRate(ReadOnlyFile& clip);

}  // namespace bdauthor
