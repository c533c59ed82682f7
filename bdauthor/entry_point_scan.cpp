#include "bdauthor/entry_point_scan.h"

#include <algorithm>
#include <cstring>

#include "bdauthor/ts_packet.h"

namespace bdauthor {

void EntryPointScanner::Feed(const std::uint8_t* data, std::size_t bytes) {
  for (std::size_t at = 0; at + kSourcePacketSize <= bytes; at += kSourcePacketSize) {
    FeedPacket(data + at);
    ++packet_;
  }
}

void EntryPointScanner::FeedPacket(const std::uint8_t* sourcePacket) {
  rate_.Add(ArrivalStamp(sourcePacket));
  TsPacketView view;
  if (!ParseTsPacket(sourcePacket, view) || view.pid != kVideoPid || view.payloadSize == 0) return;

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
    std::size_t used = header_.Consume(data, size);
    data += used;
    size -= used;
    if (header_.Complete() && header_.HasPts()) {
      pts_ = header_.Pts();
      ptsPending_ = true;
      lastVideoPts_ = std::max(lastVideoPts_, pts_);
    }
  }
  if (header_.Broken() || header_.Collecting() || size == 0) return;
  if (FindSequenceHeader(data, size) && !sequencePending_) {
    sequencePending_ = true;
    firstPacket_ = pesStart_;
  }
}

// Looks for 00 00 01 B3 in the data, counting the bytes carried over from earlier packets.
bool EntryPointScanner::FindSequenceHeader(const std::uint8_t* data, std::size_t size) {
  bool found = false;
  std::size_t head = std::min<std::size_t>(3, size);
  std::uint32_t rolling = rolling_;
  for (std::size_t i = 0; i < head; ++i) {
    rolling = (rolling << 8) | data[i];
    if (rolling == 0x000001B3) found = true;
  }
  if (size > 3) {
    // memchr skips the bulk of the picture data at memory speed; 0xB3 bytes are rare.
    const std::uint8_t* p = data + 3;
    const std::uint8_t* end = data + size;
    while (!found && p < end) {
      const void* hit = std::memchr(p, 0xB3, static_cast<std::size_t>(end - p));
      if (!hit) break;
      const auto* b = static_cast<const std::uint8_t*>(hit);
      if (b[-3] == 0 && b[-2] == 0 && b[-1] == 1) found = true;
      p = b + 1;
    }
    rolling = (static_cast<std::uint32_t>(data[size - 3]) << 16) | (data[size - 2] << 8) | data[size - 1];
  }
  rolling_ = rolling;
  return found;
}

}  // namespace bdauthor
