// SSSE3 row kernels of the picture output: the C ones' integer arithmetic, sixteen samples a
// register; the byte shuffle interleaves the colours. Only these functions are built for SSSE3,
// and only a processor that reports it reaches them.
#include "mpegdec/row_ops.h"

#if defined(__x86_64__)
#include <tmmintrin.h>

#include <utility>

#define MPEGDEC_SSSE3 __attribute__((target("ssse3")))

namespace mpegdec {
namespace {

inline uint8_t Clip255(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

// Weights for _mm_madd_epi16 on (p, q) pairs: a * p + b * q in each 32-bit lane.
MPEGDEC_SSSE3 inline __m128i Weights(int a, int b) {
  return _mm_set1_epi32(int32_t(uint32_t(uint16_t(a)) | uint32_t(uint16_t(b)) << 16));
}

MPEGDEC_SSSE3 inline __m128i Load16(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
MPEGDEC_SSSE3 inline __m128i Load8(const uint8_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); }
MPEGDEC_SSSE3 inline void Store16(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// (sum + 128) >> 8 of two halves of 32-bit sums, clipped to bytes by the saturating packs.
MPEGDEC_SSSE3 inline __m128i Round8(__m128i lo, __m128i hi) {
  const __m128i r = _mm_set1_epi32(128);
  return _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(lo, r), 8), _mm_srai_epi32(_mm_add_epi32(hi, r), 8));
}

MPEGDEC_SSSE3 void VerticalTaps(const int* k, const uint8_t* const* t, int width, uint8_t* d) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i k01 = Weights(k[0], k[1]), k23 = Weights(k[2], k[3]), k45 = Weights(k[4], k[5]);
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    __m128i r[6];
    for (int i = 0; i < 6; ++i) r[i] = Load16(t[i] + x);
    __m128i half[2];
    for (int h = 0; h < 2; ++h) {
      auto widen = [&](__m128i v) { return h ? _mm_unpackhi_epi8(v, zero) : _mm_unpacklo_epi8(v, zero); };
      const __m128i a0 = widen(r[0]), a1 = widen(r[1]), a2 = widen(r[2]), a3 = widen(r[3]), a4 = widen(r[4]),
                    a5 = widen(r[5]);
      const __m128i lo = _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(a0, a1), k01),
                                                     _mm_madd_epi16(_mm_unpacklo_epi16(a2, a3), k23)),
                                       _mm_madd_epi16(_mm_unpacklo_epi16(a4, a5), k45));
      const __m128i hi = _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(a0, a1), k01),
                                                     _mm_madd_epi16(_mm_unpackhi_epi16(a2, a3), k23)),
                                       _mm_madd_epi16(_mm_unpackhi_epi16(a4, a5), k45));
      half[h] = Round8(lo, hi);
    }
    Store16(d + x, _mm_packus_epi16(half[0], half[1]));
  }
  for (; x < width; ++x) {
    int sum = k[0] * t[0][x] + k[1] * t[1][x] + k[2] * t[2][x] + k[3] * t[3][x] + k[4] * t[4][x] + k[5] * t[5][x];
    d[x] = Clip255((sum + 128) >> 8);
  }
}

MPEGDEC_SSSE3 void Mpeg2Row(const uint8_t* s, int w, uint8_t* d) {
  auto at = [&](int i) { return int(s[i < 0 ? 0 : i > w - 1 ? w - 1 : i]); };
  auto pairAt = [&](int i) {
    d[2 * i] = s[i];
    int sum = 21 * (at(i - 2) + at(i + 3)) - 52 * (at(i - 1) + at(i + 2)) + 159 * (at(i) + at(i + 1));
    d[2 * i + 1] = Clip255((sum + 128) >> 8);
  };
  int i = 0;
  for (; i < 2 && i < w; ++i) pairAt(i);
  // Eight columns at a time where all their taps, i - 2 to i + 10, lie inside the row.
  const __m128i zero = _mm_setzero_si128();
  const __m128i kAc = Weights(21, 159), kB = Weights(-52, 128), one = _mm_set1_epi16(1);
  for (; i + 11 <= w; i += 8) {
    auto load = [&](int at) { return _mm_unpacklo_epi8(Load8(s + at), zero); };
    const __m128i centre = Load8(s + i);
    const __m128i a = _mm_add_epi16(load(i - 2), load(i + 3));
    const __m128i b = _mm_add_epi16(load(i - 1), load(i + 2));
    const __m128i c = _mm_add_epi16(_mm_unpacklo_epi8(centre, zero), load(i + 1));
    // 21 a + 159 c, and -52 b + 128 with the rounding term riding along as b's partner.
    const __m128i lo =
        _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(a, c), kAc), _mm_madd_epi16(_mm_unpacklo_epi16(b, one), kB));
    const __m128i hi =
        _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(a, c), kAc), _mm_madd_epi16(_mm_unpackhi_epi16(b, one), kB));
    const __m128i odd = _mm_packus_epi16(_mm_packs_epi32(_mm_srai_epi32(lo, 8), _mm_srai_epi32(hi, 8)), zero);
    Store16(d + 2 * i, _mm_unpacklo_epi8(centre, odd));
  }
  for (; i < w; ++i) pairAt(i);
}

// A coefficient as high * 65536 + low with low in the 16-bit range, so that the products of
// the 32-bit arithmetic come from 16-bit multiplies: (high << 16) + low adds up the same.
struct Split {
  int high, low;
};
constexpr Split SplitOf(int c) { return {(c + 32768) >> 16, c - ((c + 32768) >> 16) * 65536}; }

// Byte j of the 48 output bytes is colour j % 3 of pixel j / 3; mask [colour][chunk] picks, for
// each byte of a 16-byte chunk, the pixel of that colour that goes there (or nothing).
struct InterleaveMasks {
  alignas(16) int8_t m[3][3][16];
};
constexpr InterleaveMasks MakeMasks() {
  InterleaveMasks out{};
  for (int colour = 0; colour < 3; ++colour)
    for (int chunk = 0; chunk < 3; ++chunk)
      for (int b = 0; b < 16; ++b) {
        const int j = 16 * chunk + b;
        out.m[colour][chunk][b] = int8_t(j % 3 == colour ? j / 3 : -128);
      }
  return out;
}
constexpr InterleaveMasks kMasks = MakeMasks();

MPEGDEC_SSSE3 void ColourRow(const uint8_t* yr, const uint8_t* br, const uint8_t* rr, int n, ColourMatrix m,
                             bool rgbOrder, uint8_t* o) {
  const Split sy = SplitOf(76309), sR = SplitOf(m.crv), sB = SplitOf(m.cbu), sGu = SplitOf(-m.cgu),
              sGv = SplitOf(-m.cgv);
  const __m128i zero = _mm_setzero_si128(), round = _mm_set1_epi32(32768);
  const __m128i wR = Weights(sy.low, sR.low), wB = Weights(sy.low, sB.low), wGu = Weights(sy.low, sGu.low),
                wGv = Weights(sGv.low, 0);
  const __m128i hR = _mm_set1_epi16(int16_t(sR.high)), hB = _mm_set1_epi16(int16_t(sB.high)),
                hGu = _mm_set1_epi16(int16_t(sGu.high)), hGv = _mm_set1_epi16(int16_t(sGv.high));
  const __m128i c16 = _mm_set1_epi16(16), c128 = _mm_set1_epi16(128);
  static_assert(SplitOf(76309).high == 1, "the luma factor's high part is added, not multiplied");
  int x = 0;
  for (; x + 16 <= n; x += 16) {
    const __m128i Y = Load16(yr + x), U = Load16(br + x), V = Load16(rr + x);
    __m128i colour[3][2];  // B, G, R; two halves of eight
    for (int h = 0; h < 2; ++h) {
      auto widen = [&](__m128i v) { return h ? _mm_unpackhi_epi8(v, zero) : _mm_unpacklo_epi8(v, zero); };
      const __m128i y = _mm_sub_epi16(widen(Y), c16), u = _mm_sub_epi16(widen(U), c128),
                    v = _mm_sub_epi16(widen(V), c128);
      const __m128i yuLo = _mm_unpacklo_epi16(y, u), yuHi = _mm_unpackhi_epi16(y, u);
      const __m128i yvLo = _mm_unpacklo_epi16(y, v), yvHi = _mm_unpackhi_epi16(y, v);
      const __m128i v0Lo = _mm_unpacklo_epi16(v, zero), v0Hi = _mm_unpackhi_epi16(v, zero);
      // The low parts' sum with the rounding term, shifted; the high parts add as they are.
      auto low = [&](__m128i lo, __m128i hi) {
        return _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(lo, round), 16),
                               _mm_srai_epi32(_mm_add_epi32(hi, round), 16));
      };
      const __m128i b = _mm_add_epi16(_mm_add_epi16(y, _mm_mullo_epi16(u, hB)),
                                      low(_mm_madd_epi16(yuLo, wB), _mm_madd_epi16(yuHi, wB)));
      const __m128i r = _mm_add_epi16(_mm_add_epi16(y, _mm_mullo_epi16(v, hR)),
                                      low(_mm_madd_epi16(yvLo, wR), _mm_madd_epi16(yvHi, wR)));
      const __m128i g = _mm_add_epi16(_mm_add_epi16(y, _mm_add_epi16(_mm_mullo_epi16(u, hGu), _mm_mullo_epi16(v, hGv))),
                                      low(_mm_add_epi32(_mm_madd_epi16(yuLo, wGu), _mm_madd_epi16(v0Lo, wGv)),
                                          _mm_add_epi32(_mm_madd_epi16(yuHi, wGu), _mm_madd_epi16(v0Hi, wGv))));
      colour[0][h] = b;
      colour[1][h] = g;
      colour[2][h] = r;
    }
    __m128i bytes[3];
    for (int c = 0; c < 3; ++c) bytes[c] = _mm_packus_epi16(colour[c][0], colour[c][1]);
    if (rgbOrder) std::swap(bytes[0], bytes[2]);
    for (int chunk = 0; chunk < 3; ++chunk) {
      __m128i v = zero;
      for (int c = 0; c < 3; ++c)
        v = _mm_or_si128(
            v, _mm_shuffle_epi8(bytes[c], _mm_load_si128(reinterpret_cast<const __m128i*>(kMasks.m[c][chunk]))));
      Store16(o + 3 * x + 16 * chunk, v);
    }
  }
  PlainRowOps().colourRow(yr + x, br + x, rr + x, n - x, m, rgbOrder, o + 3 * x);
}

const RowOps kSsse3 = {"SSSE3", VerticalTaps, Mpeg2Row, ColourRow};

}  // namespace

const RowOps* Ssse3RowOps() { return __builtin_cpu_supports("ssse3") ? &kSsse3 : nullptr; }

}  // namespace mpegdec

#else
namespace mpegdec {
const RowOps* Ssse3RowOps() { return nullptr; }
}  // namespace mpegdec
#endif
