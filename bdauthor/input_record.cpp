#include "bdauthor/input_record.h"

namespace bdauthor {

int SizeClassOf(std::int64_t firstPacket, std::int64_t lastPacket) {
  const std::int64_t s = (lastPacket - firstPacket + 1) * kSourcePacketSize;
  if (s < 0) return 0;
  if (s < 0x20000) return 1;
  if (s < 0x40000) return 2;
  if (s < 0x60000) return 3;
  if (s < 0x90000) return 4;
  if (s < 0xE0000) return 5;
  if (s <= 0x13FFFF) return 6;
  return 7;
}

std::int64_t FrameDuration90k(int frameRateCode) {
  switch (frameRateCode) {
    case 1: return 3754;  // 23.976
    case 2: return 3750;  // 24
    case 3: return 3600;  // 25
    case 4: return 3003;  // 29.97
    case 5: return 3000;  // 30
    case 6: return 1800;  // 50
    case 7: return 1502;  // 59.94
    case 8: return 1500;  // 60
    default: return 0;
  }
}

}  // namespace bdauthor
