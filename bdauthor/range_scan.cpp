#include "bdauthor/range_scan.h"

#include <sched.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include "bdauthor/block_read_ahead.h"
#include "bdauthor/clip_analysis.h"
#include "bdauthor/clip_mapping.h"
#include "bdauthor/ts_packet.h"

namespace bdauthor {

namespace {

constexpr int kMaxRanges = 4;
constexpr std::int64_t kMinRangeBytes = std::int64_t{64} << 20;

struct Range {
  std::int64_t first = 0;
  std::int64_t end = -1;  // packet after the range; -1: the end of the file
  ReadOnlyFile* file = nullptr;
  std::unique_ptr<ReadOnlyFile> own;  // a reading of its own, for every range but the first
  EntryPointScanner scanner;
  std::int64_t scanned = 0;
  bool ok = false;
};

// The range's whole packets, in the analysis's blocks.
bool ScanRange(Range& range, JobProgress& progress, bool readAhead) {
  if (!range.file->SeekTo(range.first * kSourcePacketSize)) return false;
  BlockReadAhead blocks(*range.file, kScanBlockBytes, 4, 3, true, readAhead);
  std::int64_t left = range.end < 0 ? std::numeric_limits<std::int64_t>::max()
                                    : (range.end - range.first) * static_cast<std::int64_t>(kSourcePacketSize);
  while (left > 0) {
    const std::uint8_t* data = nullptr;
    const std::int64_t got = blocks.Next(&data);
    if (got < 0) return false;
    const std::int64_t whole = got / kSourcePacketSize * kSourcePacketSize;
    const std::int64_t n = std::min(whole, left);
    if (n == 0) break;
    range.scanner.Feed(data, static_cast<std::size_t>(n));
    progress.AddScanned(n);
    range.scanned += n;
    left -= n;
    if (got < static_cast<std::int64_t>(kScanBlockBytes)) break;
  }
  // A range before the last that came short: the clip was cut while read.
  if (range.end >= 0 && left > 0) return false;
  return blocks.Intact();
}

// Feeds `truth` the packets of `later`'s range from its start until the two would find the same
// entries from there on, and then goes on with what `later` found after that packet. Where they
// never meet, `truth` has read the whole range itself. False on a read error.
bool Join(ReadOnlyFile& clip, EntryPointScanner& truth, Range& later, WalkInstructions walk) {
  EntryPointScanner replay = EntryPointScanner::StartingAt(later.first, walk);
  const std::int64_t end = later.scanner.PacketsSeen();
  if (!clip.SeekTo(later.first * kSourcePacketSize)) return false;
  constexpr std::size_t kPackets = 53;
  std::uint8_t block[kPackets * kSourcePacketSize];
  for (std::int64_t at = later.first; at < end;) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(kPackets, end - at));
    const std::int64_t got = clip.Read(block, want * kSourcePacketSize);
    if (got != static_cast<std::int64_t>(want * kSourcePacketSize)) return false;
    for (std::size_t i = 0; i < want; ++i, ++at) {
      // The range's first packet is always fed: its step from the packet before is the truth's.
      truth.Feed(block + i * kSourcePacketSize, kSourcePacketSize);
      replay.Feed(block + i * kSourcePacketSize, kSourcePacketSize);
      if (truth.SameFuture(replay)) {
        truth.ContinueWith(std::move(later.scanner), replay.Entries().size());
        return true;
      }
    }
  }
  return true;
}

int UsableProcessors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  return std::max(1, CPU_COUNT(&set));
}

}  // namespace

std::vector<std::int64_t> RangeStartsFor(std::int64_t clipBytes, bool fromDisk) {
  const std::int64_t packets = std::max<std::int64_t>(0, clipBytes / kSourcePacketSize);
  const std::int64_t most = fromDisk ? std::min<std::int64_t>(2 * UsableProcessors(), 2 * kMaxRanges)
                                     : std::min(UsableProcessors(), kMaxRanges);
  const std::int64_t ranges = std::max<std::int64_t>(1, std::min<std::int64_t>(most, clipBytes / kMinRangeBytes));
  std::vector<std::int64_t> starts;
  // Whole aligned units of 32 packets, as a disc player reads them.
  for (std::int64_t k = 0; k < ranges; ++k) starts.push_back(packets * k / ranges / 32 * 32);
  return starts;
}

bool ReadsFromDisk(const ReadOnlyFile& clip) {
  // Spans of a megabyte at the start and at each quarter: a look at the whole clip's pages would
  // cost as much as a good part of a scan of it in the cache.
  const std::int64_t size = clip.Size();
  constexpr std::int64_t kSpan = 1 << 20;
  for (int quarter = 0; quarter < 4 && size > 0; ++quarter) {
    const std::int64_t at = size / 4 * quarter;
    // A system that cannot tell is taken as caching it: fewer threads cost nothing there.
    if (!SpanCached(clip.Descriptor(), at, std::min(kSpan, size - at)).value_or(true)) return true;
  }
  return false;
}

std::optional<EntryPointScanner> ScanInRanges(ReadOnlyFile& clip, const std::vector<std::int64_t>& rangeStarts,
                                              JobProgress& progress, std::int64_t& scanned, WalkInstructions walk) {
  std::vector<Range> ranges(std::max<std::size_t>(1, rangeStarts.size()));
  for (std::size_t k = 0; k < ranges.size(); ++k) {
    Range& range = ranges[k];
    range.first = k < rangeStarts.size() ? rangeStarts[k] : 0;
    range.end = k + 1 < ranges.size() ? rangeStarts[k + 1] : -1;
    range.scanner = EntryPointScanner::StartingAt(range.first, walk);
    if (k == 0) {
      range.file = &clip;
      continue;
    }
    // The same file, whatever its name now names, with a position of its own.
    range.own = std::make_unique<ReadOnlyFile>("/proc/self/fd/" + std::to_string(clip.Descriptor()));
    if (!range.own->IsOpen()) {
      ranges.resize(1);
      ranges[0].end = -1;
      break;
    }
    range.file = range.own.get();
  }

  // Ranges read at once overlap their reads with each other's scans; a thread reading ahead for
  // each would only add copies and hand-overs (the clip read from the disk was slower with them).
  const bool readAhead = ranges.size() == 1;
  std::vector<std::jthread> threads;
  std::vector<Range*> left;
  for (std::size_t k = 1; k < ranges.size(); ++k) {
    Range* range = &ranges[k];
    try {
      threads.emplace_back([range, &progress, readAhead] { range->ok = ScanRange(*range, progress, readAhead); });
    } catch (const std::system_error&) {
      left.push_back(range);  // no thread to be had: read on this one
    }
  }
  ranges[0].ok = ScanRange(ranges[0], progress, readAhead);
  for (Range* range : left) range->ok = ScanRange(*range, progress, readAhead);
  threads.clear();  // joins them

  scanned = 0;
  for (const Range& range : ranges) {
    if (!range.ok) return std::nullopt;
    scanned += range.scanned;
  }
  EntryPointScanner truth = std::move(ranges[0].scanner);
  for (std::size_t k = 1; k < ranges.size(); ++k) {
    if (!Join(clip, truth, ranges[k], walk)) return std::nullopt;
  }
  return truth;
}

}  // namespace bdauthor
