#include "bdauthor/entry_point_scan.h"

#include <algorithm>
#include <cstring>

#include "bdauthor/packet_walk.h"
#include "bdauthor/start_code_search.h"
#include "bdauthor/ts_packet.h"

namespace bdauthor {

EntryPointScanner EntryPointScanner::StartingAt(std::int64_t firstPacket, WalkInstructions walk) {
  EntryPointScanner scanner(walk);
  scanner.packet_ = firstPacket;
  scanner.pesStart_ = firstPacket;
  scanner.firstPacket_ = firstPacket;
  return scanner;
}

bool EntryPointScanner::SameFuture(const EntryPointScanner& other) const {
  // A time stamp or first packet left from an entry already taken is never read again.
  return packet_ == other.packet_ && header_.SameProgress(other.header_) && rolling_ == other.rolling_ &&
         ptsPending_ == other.ptsPending_ && sequencePending_ == other.sequencePending_ &&
         pesStart_ == other.pesStart_ && (!ptsPending_ || pts_ == other.pts_) &&
         (!sequencePending_ || firstPacket_ == other.firstPacket_);
}

void EntryPointScanner::ContinueWith(EntryPointScanner&& later, std::size_t entriesBefore) {
  std::vector<EpEntry> entries = std::move(entries_);
  if (entriesBefore < later.entries_.size())
    entries.insert(entries.end(), later.entries_.begin() + static_cast<std::ptrdiff_t>(entriesBefore),
                   later.entries_.end());
  ArrivalRateMeter rate = rate_;
  rate.Absorb(later.rate_);
  const std::int64_t lastVideoPts = std::max(lastVideoPts_, later.lastVideoPts_);
  *this = std::move(later);
  entries_ = std::move(entries);
  rate_ = rate;
  lastVideoPts_ = lastVideoPts;
}

void EntryPointScanner::Feed(const std::uint8_t* data, std::size_t bytes) {
  const std::size_t packets = bytes / kSourcePacketSize;
  for (std::size_t i = 0; i < packets;) {
    // Most packets need no more than the walk gives them; the rest get the full look below.
    if (!header_.Broken() && !header_.Collecting()) {
      const std::size_t walked = WalkPlainPackets(data + i * kSourcePacketSize, packets - i,
                                                  ptsPending_ && !sequencePending_, rate_, rolling_, walk_);
      i += walked;
      packet_ += static_cast<std::int64_t>(walked);
      if (i == packets) break;
    }
    const std::uint8_t* sourcePacket = data + i * kSourcePacketSize;
    rate_.Add(ArrivalStamp(sourcePacket));
    if (PacketPid(sourcePacket) == kVideoPid) FeedVideoPacket(sourcePacket);
    ++packet_;
    ++i;
  }
}

void EntryPointScanner::FeedVideoPacket(const std::uint8_t* sourcePacket) {
  TsPacketView view;
  if (!ParseTsPacket(sourcePacket, view) || view.payloadSize == 0) return;

  const std::uint8_t* data = view.payload;
  std::size_t size = view.payloadSize;
  if (view.unitStart) {
    if (sequencePending_ && ptsPending_) {
      entries_.push_back({pts_, static_cast<std::int32_t>(firstPacket_), SizeClassOf(firstPacket_, packet_)});
    }
    // A time stamp belongs to its own PES only: never pair it with a later one's sequence header.
    sequencePending_ = false;
    ptsPending_ = false;
    pesStart_ = packet_;
    header_.Begin();
  }
  if (header_.Collecting()) {
    header_.ConsumeFront(data, size);
    if (header_.Complete() && header_.HasPts()) {
      pts_ = header_.Pts();
      ptsPending_ = true;
      lastVideoPts_ = std::max(lastVideoPts_, pts_);
    }
  }
  if (header_.Broken() || header_.Collecting() || size == 0) return;
  // Only a time-stamped PES whose sequence header is still unseen can yield an entry; the rest
  // of the picture data just passes by.
  if (!ptsPending_ || sequencePending_) {
    KeepTail(data, size);
    return;
  }
  if (FindSequenceHeader(data, size)) {
    sequencePending_ = true;
    firstPacket_ = pesStart_;
  }
}

void EntryPointScanner::KeepTail(const std::uint8_t* data, std::size_t size) {
  if (size >= 3) {
    rolling_ = (static_cast<std::uint32_t>(data[size - 3]) << 16) | (data[size - 2] << 8) | data[size - 1];
  } else {
    for (std::size_t i = 0; i < size; ++i) rolling_ = (rolling_ << 8) | data[i];
  }
}

// Looks for 00 00 01 B3 in the data, counting the bytes carried over from earlier packets.
bool EntryPointScanner::FindSequenceHeader(const std::uint8_t* data, std::size_t size) {
  bool found = false;
  std::uint32_t rolling = rolling_;
  if (size >= 3) {
    // The code ending in one of the first three bytes, all three cases from one word.
    const std::uint64_t w = (static_cast<std::uint64_t>(rolling) << 24) | (data[0] << 16) | (data[1] << 8) | data[2];
    found = static_cast<std::uint32_t>(w >> 16) == 0x000001B3 || static_cast<std::uint32_t>(w >> 8) == 0x000001B3 ||
            static_cast<std::uint32_t>(w) == 0x000001B3;
    rolling = static_cast<std::uint32_t>(w);
  } else {
    for (std::size_t i = 0; i < size; ++i) {
      rolling = (rolling << 8) | data[i];
      if (rolling == 0x000001B3) found = true;
    }
  }
  if (size > 3) {
    found = found || ContainsSequenceHeaderCode(data, size);
    rolling = (static_cast<std::uint32_t>(data[size - 3]) << 16) | (data[size - 2] << 8) | data[size - 1];
  }
  rolling_ = rolling;
  return found;
}

}  // namespace bdauthor
