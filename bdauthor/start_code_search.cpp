#include "bdauthor/start_code_search.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace bdauthor {

namespace {

bool IsCodeAt(const std::uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 1 && p[3] == 0xB3; }

#if defined(__x86_64__)
// Bit k set where bytes k and k+1 from p are both zero, for 64 positions; 0 with one test
// where there is no pair, which is nearly always.
__attribute__((target("avx2"))) inline std::uint64_t ZeroPairs64(const std::uint8_t* p) {
  const __m256i zero = _mm256_setzero_si256();
  auto pairs = [&](const std::uint8_t* q) __attribute__((target("avx2"))) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q + 1));
    return _mm256_and_si256(_mm256_cmpeq_epi8(a, zero), _mm256_cmpeq_epi8(b, zero));
  };
  const __m256i lo = pairs(p), hi = pairs(p + 32), any = _mm256_or_si256(lo, hi);
  if (_mm256_testz_si256(any, any)) return 0;
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(lo)) |
         static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(hi))) << 32;
}

__attribute__((target("avx2"))) bool ContainsWide(const std::uint8_t* data, std::size_t size) {
  auto window = [data](std::size_t at, std::uint64_t m) {
    for (; m != 0; m &= m - 1) {
      if (IsCodeAt(data + at + static_cast<std::size_t>(__builtin_ctzll(m)))) return true;
    }
    return false;
  };
  // 64 positions a step, then 32 at a time over what is left; the last window overlaps the
  // ones before, and looking twice at a position changes nothing.
  constexpr std::size_t kWide = 64 + 3, kWindow = 32 + 3;
  std::size_t i = 0;
  for (; i + kWide <= size; i += 64) {
    if (window(i, ZeroPairs64(data + i))) return true;
  }
  auto narrow = [data](std::size_t at) __attribute__((target("avx2"))) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + at));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + at + 1));
    return static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, zero), _mm256_cmpeq_epi8(b, zero))));
  };
  for (; i + kWindow <= size; i += 32) {
    if (window(i, narrow(i))) return true;
  }
  return i < size - 3 && window(size - kWindow, narrow(size - kWindow));
}

bool HasAvx2() {
  static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
  return has;
}

// Bit k set where bytes k and k+1 from p are both zero.
inline unsigned ZeroPairs(const std::uint8_t* p) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, zero), _mm_cmpeq_epi8(b, zero))));
}
#endif

}  // namespace

bool ContainsSequenceHeaderCode(const std::uint8_t* data, std::size_t size) {
#if defined(__x86_64__)
  if (size >= 32 + 3 && HasAvx2()) return ContainsWide(data, size);
#endif
  return ContainsSequenceHeaderCodeNarrow(data, size);
}

bool ContainsSequenceHeaderCodeNarrow(const std::uint8_t* data, std::size_t size) {
#if defined(__x86_64__)
  // Coded picture data almost never holds two zero bytes in a row, so pairs of zeros are what
  // is looked for, 16 positions per step; every load stays inside the data.
  constexpr std::size_t kWindow = 16 + 3;
  if (size >= kWindow) {
    auto window = [data](std::size_t at) {
      for (unsigned m = ZeroPairs(data + at); m != 0; m &= m - 1) {
        if (IsCodeAt(data + at + static_cast<std::size_t>(__builtin_ctz(m)))) return true;
      }
      return false;
    };
    std::size_t i = 0;
    for (; i + 2 * kWindow <= size + 3; i += 32) {
      if ((ZeroPairs(data + i) | ZeroPairs(data + i + 16)) != 0 && (window(i) || window(i + 16))) return true;
    }
    for (; i + kWindow <= size; i += 16) {
      if (window(i)) return true;
    }
    // The last window overlaps the ones before; looking twice at a position changes nothing.
    return i < size - 3 && window(size - kWindow);
  }
#endif
  for (std::size_t i = 0; i + 4 <= size; ++i) {
    if (IsCodeAt(data + i)) return true;
  }
  return false;
}

}  // namespace bdauthor
