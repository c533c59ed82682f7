// Finds the entry points of the video stream (one per sequence header that a time-stamped PES
// carries) while the clip streams past, and measures its arrival rate on the way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bdauthor/arrival_rate.h"
#include "bdauthor/input_record.h"
#include "bdauthor/packet_walk.h"
#include "bdauthor/pes_header.h"

namespace bdauthor {

class EntryPointScanner {
 public:
  EntryPointScanner() = default;
  // With the walk's instructions chosen, as tests of each set do.
  explicit EntryPointScanner(WalkInstructions walk) : walk_(walk) {}
  // Fed from packet `firstPacket` on, as the scan of a later range of a clip is, in the state a
  // scan starts in.
  static EntryPointScanner StartingAt(std::int64_t firstPacket, WalkInstructions walk = BestWalkInstructions());

  // Whole source packets only; packets are numbered from 0 over all calls.
  void Feed(const std::uint8_t* data, std::size_t bytes);

  // Entry points completed so far. An entry still open at the end of the clip is not among them.
  const std::vector<EpEntry>& Entries() const { return entries_; }
  std::vector<EpEntry> TakeEntries() { return std::move(entries_); }
  // Highest PTS of a video PES seen, or -1.
  std::int64_t LastVideoPts() const { return lastVideoPts_; }
  const ArrivalRateMeter& Rate() const { return rate_; }
  std::int64_t PacketsSeen() const { return packet_; }

  // Whether the two, fed the same packets from here on, find the same entries in them: a scan
  // started inside a clip reaches the state of the one that read the clip from its start.
  bool SameFuture(const EntryPointScanner& other) const;
  // Goes on as `later`, which was fed the rest of the clip from a packet this one has been fed
  // up to, where it reached this one's state (SameFuture) after finding `entriesBefore` entries.
  void ContinueWith(EntryPointScanner&& later, std::size_t entriesBefore);

 private:
  void FeedVideoPacket(const std::uint8_t* sourcePacket);
  bool FindSequenceHeader(const std::uint8_t* data, std::size_t size);
  void KeepTail(const std::uint8_t* data, std::size_t size);

  std::vector<EpEntry> entries_;
  ArrivalRateMeter rate_;
  PesHeaderReader header_;
  std::int64_t packet_ = 0;
  std::int64_t pesStart_ = 0;
  std::int64_t firstPacket_ = 0;
  std::int64_t pts_ = 0;
  std::int64_t lastVideoPts_ = -1;
  std::uint32_t rolling_ = 0xFFFFFFFF;  // last bytes of elementary stream data, across packets
  bool ptsPending_ = false;
  bool sequencePending_ = false;
  WalkInstructions walk_ = BestWalkInstructions();
};

}  // namespace bdauthor
