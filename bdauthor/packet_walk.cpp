#include "bdauthor/packet_walk.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "bdauthor/input_record.h"
#include "bdauthor/ts_packet.h"

namespace bdauthor {

namespace {

// Every sequence header code begins with two zero bytes, which coded pictures almost never hold
// side by side: a payload without such a pair holds no code. A packet is three 64-byte lines;
// with a mask of the zero bytes of each, the pairs are found across the lines too. The first
// eight bytes are the stamp and the transport header, not payload.
inline bool HasZeroPair(std::uint64_t z0, std::uint64_t z1, std::uint64_t z2) {
  z0 &= ~std::uint64_t{0xFF};
  return ((z0 & (z0 >> 1)) | (z1 & (z1 >> 1)) | (z2 & (z2 >> 1)) | ((z0 >> 63) & z1) | ((z1 >> 63) & z2)) != 0;
}

// Whether the packet's payload holds a sequence header code, counting the three bytes `last` of
// the PID's payload before it, exactly as the full look at the packet would find it. Asked only
// of the few packets whose zero pairs (or last byte) allow one: pictures hold zero pairs far
// more often than codes, and a walk that stopped at every pair would spend its time stopping.
inline bool HoldsSequenceHeader(const std::uint8_t* p, std::uint32_t last, std::uint64_t z0, std::uint64_t z1,
                                std::uint64_t z2) {
  const std::uint8_t* payload = p + 8;
  const std::uint64_t w =
      (static_cast<std::uint64_t>(last) << 24) | (payload[0] << 16) | (payload[1] << 8) | payload[2];
  if (static_cast<std::uint32_t>(w >> 16) == 0x000001B3 || static_cast<std::uint32_t>(w >> 8) == 0x000001B3 ||
      static_cast<std::uint32_t>(w) == 0x000001B3)
    return true;
  // Pairs of zeros at packet offsets 8 to 188, where a whole code fits after them.
  z0 &= ~std::uint64_t{0xFF};
  const std::uint64_t lines[3] = {(z0 & (z0 >> 1)) | ((z0 >> 63 & z1) << 63),
                                  (z1 & (z1 >> 1)) | ((z1 >> 63 & z2) << 63),
                                  (z2 & (z2 >> 1)) & ((std::uint64_t{1} << 61) - 1)};
  for (int line = 0; line < 3; ++line)
    for (std::uint64_t m = lines[line]; m != 0; m &= m - 1) {
      const std::uint8_t* at = p + line * 64 + __builtin_ctzll(m);
      if (at[2] == 1 && at[3] == 0xB3) return true;
    }
  return false;
}

inline std::uint64_t ZeroBytesPlain(const std::uint8_t* line) {
  std::uint64_t mask = 0;
  for (int k = 0; k < 64; ++k) mask |= static_cast<std::uint64_t>(line[k] == 0) << k;
  return mask;
}

template <typename ZeroBytes>
__attribute__((always_inline)) inline std::size_t Walk(const std::uint8_t* data, std::size_t packets, bool searching,
                                                       ArrivalRateMeter& rate, std::uint32_t& tail,
                                                       ZeroBytes zeroBytes) {
  // Locals, so that the loop keeps them in registers: the packet bytes may alias anything.
  ArrivalRateMeter meter = rate;
  std::uint32_t last = tail;
  std::size_t i = 0;
  for (; i < packets; ++i) {
    const std::uint8_t* p = data + i * kSourcePacketSize;
    if (PacketPid(p) == kVideoPid) {
      // Only a 184-byte payload that continues its PES: sync byte, no error, no unit start.
      if (p[4] != 0x47 || (p[5] & 0xC0) != 0 || (p[7] & 0x30) != 0x10) break;
      // A code across the packet boundary needs the last byte before it to be 00 or 01.
      if (searching) {
        const std::uint64_t z0 = zeroBytes(p), z1 = zeroBytes(p + 64), z2 = zeroBytes(p + 128);
        if (((last & 0xFE) == 0 || HasZeroPair(z0, z1, z2)) && HoldsSequenceHeader(p, last, z0, z1, z2)) break;
      }
      std::uint32_t end;
      std::memcpy(&end, p + 188, sizeof end);
      last = __builtin_bswap32(end) & 0xFFFFFF;
    }
    meter.Add(ArrivalStamp(p));
  }
  rate = meter;
  tail = last;
  return i;
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) inline std::uint64_t ZeroBytesAvx2(const std::uint8_t* line) {
  const __m256i zero = _mm256_setzero_si256();
  const auto low = static_cast<std::uint32_t>(
      _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(line)), zero)));
  const auto high = static_cast<std::uint32_t>(
      _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(line + 32)), zero)));
  return low | static_cast<std::uint64_t>(high) << 32;
}

__attribute__((target("avx512bw"))) inline std::uint64_t ZeroBytesAvx512(const std::uint8_t* line) {
  const __m512i v = _mm512_loadu_si512(line);
  return _mm512_testn_epi8_mask(v, v);
}

__attribute__((target("avx2"))) std::size_t WalkAvx2(const std::uint8_t* data, std::size_t packets, bool searching,
                                                     ArrivalRateMeter& rate, std::uint32_t& tail) {
  return Walk(data, packets, searching, rate, tail, ZeroBytesAvx2);
}

__attribute__((target("avx512bw"))) std::size_t WalkAvx512(const std::uint8_t* data, std::size_t packets,
                                                           bool searching, ArrivalRateMeter& rate,
                                                           std::uint32_t& tail) {
  return Walk(data, packets, searching, rate, tail, ZeroBytesAvx512);
}
#endif

}  // namespace

WalkInstructions BestWalkInstructions() {
#if defined(__x86_64__)
  static const WalkInstructions best = [] {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512bw")) return WalkInstructions::kAvx512;
    if (__builtin_cpu_supports("avx2")) return WalkInstructions::kAvx2;
    return WalkInstructions::kPlain;
  }();
  return best;
#else
  return WalkInstructions::kPlain;
#endif
}

std::size_t WalkPlainPackets(const std::uint8_t* data, std::size_t packets, bool searching, ArrivalRateMeter& rate,
                             std::uint32_t& tail, WalkInstructions instructions) {
  if (instructions == WalkInstructions::kNone) return 0;
#if defined(__x86_64__)
  if (instructions == WalkInstructions::kAvx512) return WalkAvx512(data, packets, searching, rate, tail);
  if (instructions == WalkInstructions::kAvx2) return WalkAvx2(data, packets, searching, rate, tail);
#endif
  return Walk(data, packets, searching, rate, tail, ZeroBytesPlain);
}

}  // namespace bdauthor
