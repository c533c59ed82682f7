// One 192-byte source packet: a 4-byte arrival stamp and a 188-byte transport packet.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bdauthor {

struct TsPacketView {
  std::uint16_t pid = 0;
  bool unitStart = false;
  const std::uint8_t* payload = nullptr;
  std::size_t payloadSize = 0;
};

// Low 30 bits of the big-endian header: the 27 MHz arrival time stamp.
inline std::uint32_t ArrivalStamp(const std::uint8_t* sourcePacket) {
  return ((static_cast<std::uint32_t>(sourcePacket[0]) << 24) | (sourcePacket[1] << 16) | (sourcePacket[2] << 8) |
          sourcePacket[3]) &
         0x3FFFFFFF;
}

// The packet identifier in the transport header.
inline std::uint16_t PacketPid(const std::uint8_t* sourcePacket) {
  return static_cast<std::uint16_t>(((sourcePacket[5] & 0x1F) << 8) | sourcePacket[6]);
}

// Splits the transport header and the adaptation field off. False for a packet that has lost
// its sync byte, is marked erroneous or has an adaptation field longer than the packet.
inline bool ParseTsPacket(const std::uint8_t* sourcePacket, TsPacketView& view) {
  const std::uint8_t* ts = sourcePacket + 4;
  if (ts[0] != 0x47 || (ts[1] & 0x80)) return false;
  view.pid = PacketPid(sourcePacket);
  view.unitStart = (ts[1] & 0x40) != 0;
  const unsigned control = (ts[3] >> 4) & 3;
  std::size_t offset = 4;
  if (control & 2) offset += 1 + static_cast<std::size_t>(ts[4]);
  if (offset > 188 || control == 0) return false;
  if (control & 1) {
    view.payload = ts + offset;
    view.payloadSize = 188 - offset;
  } else {
    view.payload = nullptr;
    view.payloadSize = 0;
  }
  return true;
}

}  // namespace bdauthor
