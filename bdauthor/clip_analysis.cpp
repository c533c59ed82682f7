#include "bdauthor/clip_analysis.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "bdauthor/attribute_scan.h"
#include "bdauthor/bdmv_paths.h"
#include "bdauthor/block_read_ahead.h"
#include "bdauthor/entry_point_scan.h"
#include "bdauthor/error_report.h"
#include "bdauthor/pts_companion.h"
#include "bdauthor/range_scan.h"
#include "bdauthor/ts_packet.h"

namespace bdauthor {

namespace {

// A companion holds a short line per GOP; anything far larger is not one.
constexpr std::int64_t kMaxCompanionBytes = 64 << 20;
// The tail read for the last video PTS when a companion spares the full scan.
constexpr std::int64_t kTailBytes = 4 << 20;
constexpr std::int64_t kMaxGopSpan90k = 60 * 90000;

enum class Companion { kAbsent, kRead, kCloseFailed, kTooLarge };

Companion ReadCompanion(const std::string& path, std::int64_t packetCount, std::vector<EpEntry>& entries) {
  ReadOnlyFile file(path);
  if (!file.IsOpen()) return Companion::kAbsent;
  const std::int64_t size = file.Size();
  if (size < 0 || size > kMaxCompanionBytes) return Companion::kTooLarge;
  std::string text(static_cast<std::size_t>(size), '\0');
  const std::int64_t got = file.Read(text.data(), text.size());
  text.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
  if (!file.Close()) return Companion::kCloseFailed;
  entries = ParsePtsCompanion(text, packetCount);
  return Companion::kRead;
}

// Reads whole packets from the current position to the end, or until the sink wants no more;
// false on a read error. The next blocks are read while the sink works on one.
template <typename Sink>
bool ReadPackets(ReadOnlyFile& clip, Sink&& sink) {
  BlockReadAhead blocks(clip, kScanBlockBytes);
  for (;;) {
    const std::uint8_t* data = nullptr;
    const std::int64_t got = blocks.Next(&data);
    if (got < 0) return false;
    const std::size_t whole = static_cast<std::size_t>(got) / kSourcePacketSize * kSourcePacketSize;
    if (whole == 0) break;
    if (!sink(data, whole)) break;
    if (static_cast<std::size_t>(got) < kScanBlockBytes) break;
  }
  return blocks.Intact();
}

}  // namespace

std::optional<std::int64_t> GetTransportRecordingRate(ReadOnlyFile& clip) {
  ArrivalRateMeter meter;
  if (!clip.SeekTo(0)) return std::nullopt;
  const bool ok = ReadPackets(clip, [&](const std::uint8_t* data, std::size_t bytes) {
    for (std::size_t at = 0; at < bytes; at += kSourcePacketSize) meter.Add(ArrivalStamp(data + at));
    return true;
  });
  clip.SeekTo(0);
  if (!ok) return std::nullopt;
  return meter.Rate();
}

std::int64_t TailScanStart(std::int64_t clipBytes) {
  // Whole packets only: a scan that starts inside one never finds the packets after it.
  const std::int64_t packets = clipBytes / kSourcePacketSize - kTailBytes / kSourcePacketSize;
  return std::max<std::int64_t>(0, packets * kSourcePacketSize);
}

bool AnalyzeClipStream(const std::string& clipPath, InputRecord& record, JobProgress& progress) {
  record.firstPts = 0;
  record.lastPts = 0;
  record.attributes = StreamAttributes{};
  record.entryPoints.clear();
  record.recordingRate = 0;

  const std::string companionPath = CompanionPath(clipPath);
  switch (ReadCompanion(companionPath, record.packetCount, record.entryPoints)) {
    case Companion::kAbsent: record.hasCompanion = false; break;
    case Companion::kRead: record.hasCompanion = true; break;
    case Companion::kCloseFailed: ReportError("Failed to close ptsinfofile.\n\n" + companionPath); return false;
    case Companion::kTooLarge: ReportError("Failed to read ptsinfofile.\n\n" + companionPath); return false;
  }

  ReadOnlyFile clip(clipPath);
  if (!clip.IsOpen()) {
    ReportError("Failed to open m2ts. " + clipPath);
    return false;
  }
  std::optional<std::int64_t> rate;
  std::int64_t lastVideoPts = -1;
  if (!record.hasCompanion) {
    std::int64_t scanned = 0;
    std::optional<EntryPointScanner> scanner =
        ScanInRanges(clip, RangeStartsFor(clip.Size(), ReadsFromDisk(clip)), progress, scanned);
    // A clip cut short after the job measured it would get tables for packets it no longer has.
    if (!scanner || scanned < static_cast<std::int64_t>(record.packetCount) * kSourcePacketSize) {
      ReportError("Failed to read m2ts.\n\n" + clipPath);
      return false;
    }
    record.entryPoints = scanner->TakeEntries();
    lastVideoPts = scanner->LastVideoPts();
    rate = scanner->Rate().Rate();
  }

  if (record.entryPoints.size() < 2) {
    ReportError("EpInfo Count is less than 2.\n\n" + clipPath);
    return false;
  }
  const std::int64_t firstEntryPts = record.entryPoints.front().pts;
  const std::int64_t lastEntryPts = record.entryPoints.back().pts;
  if (lastEntryPts <= firstEntryPts) {
    ReportError("PTS of last epinfo - PTS of first epinfo is 0 or less.\n\n" + clipPath);
    return false;
  }

  if (record.hasCompanion) {
    rate = GetTransportRecordingRate(clip);
    // The companion spares the full scan; the last frame is near the end of the clip.
    const std::int64_t size = clip.Size();
    const std::int64_t tail = TailScanStart(size);
    EntryPointScanner tailScanner;
    if (clip.SeekTo(tail)) {
      ReadPackets(clip, [&](const std::uint8_t* data, std::size_t bytes) {
        tailScanner.Feed(data, bytes);
        return true;
      });
    }
    lastVideoPts = tailScanner.LastVideoPts();
  }
  if (!rate) {
    ReportError("Arrival time stamps of m2ts give no recording rate.\n\n" + clipPath);
    return false;
  }
  record.recordingRate = *rate;

  AttributeScanner attributes;
  if (!clip.SeekTo(0) || !ReadPackets(clip, [&](const std::uint8_t* data, std::size_t bytes) {
        attributes.Feed(data, bytes);
        return !attributes.Done();
      })) {
    ReportError("Failed to read m2ts.\n\n" + clipPath);
    return false;
  }
  if (attributes.UnsupportedResolution()) {
    ReportError("not supported resolution.\n\n" + clipPath);
    return false;
  }
  // The stream tables name MPEG-2 video and stereo 48 kHz LPCM at fixed places; a clip with
  // anything else would get tables that contradict it.
  if (!attributes.VideoFound()) {
    ReportError("No MPEG-2 video stream on PID 0x1011 in m2ts.\n\n" + clipPath);
    return false;
  }
  if (!attributes.AudioFound()) {
    ReportError("No stereo 48 kHz LPCM audio stream on PID 0x1100 in m2ts.\n\n" + clipPath);
    return false;
  }
  attributes.ApplyTo(record.attributes);

  if (!clip.Close()) {
    ReportError("Failed to close m2ts.\n\n" + clipPath);
    return false;
  }

  // The clip plays to the end of its last frame, not to its last entry point.
  const std::int64_t frame = FrameDuration90k(record.attributes.frameRate);
  // A PTS far past the last entry point is a discontinuity, not the end of the last GOP.
  const bool plausible = lastVideoPts >= lastEntryPts && lastVideoPts - lastEntryPts <= kMaxGopSpan90k;
  const std::int64_t lastFrame = plausible ? lastVideoPts : lastEntryPts;
  record.firstPts = firstEntryPts / 2;
  record.lastPts = (lastFrame + frame) / 2;
  return true;
}

}  // namespace bdauthor
