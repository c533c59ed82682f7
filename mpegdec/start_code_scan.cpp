#include "mpegdec/start_code_scan.h"

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace mpegdec {

// Coded data holds a 01 byte every few hundred bytes but seldom two zeros before one, so sixteen
// places are tested at once rather than stopping at every 01 (SSE2, which every x86-64 has).
int LastPrefixEnd(const uint8_t* p, int lo, int top) {
  int j = top;
#if defined(__x86_64__)
  const __m128i zero = _mm_setzero_si128(), one = _mm_set1_epi8(1);
  auto load = [](const uint8_t* q) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q)); };
  for (; j - 15 >= lo; j -= 16) {
    const uint8_t* at = p + j - 15;
    const __m128i zeros = _mm_and_si128(_mm_cmpeq_epi8(load(at - 2), zero), _mm_cmpeq_epi8(load(at - 1), zero));
    const unsigned mask = unsigned(_mm_movemask_epi8(_mm_and_si128(zeros, _mm_cmpeq_epi8(load(at), one))));
    if (mask) return j - 15 + 31 - __builtin_clz(mask);
  }
#endif
  for (; j >= lo; --j)
    if (p[j] == 1 && p[j - 1] == 0 && p[j - 2] == 0) return j;
  return -1;
}

}  // namespace mpegdec
