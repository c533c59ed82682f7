// AVX2 row kernels of the picture output: the SSSE3 ones' arithmetic, twice as wide. The
// in-lane unpacks and packs keep the samples in order; only the colour interleave crosses lanes.
#include "mpegdec/row_ops.h"

#if defined(__x86_64__)
#include <immintrin.h>

#include <utility>

#define MPEGDEC_AVX2 __attribute__((target("avx2")))

namespace mpegdec {
namespace {

inline uint8_t Clip255(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

MPEGDEC_AVX2 inline __m256i Weights(int a, int b) {
  return _mm256_set1_epi32(int32_t(uint32_t(uint16_t(a)) | uint32_t(uint16_t(b)) << 16));
}
MPEGDEC_AVX2 inline __m256i Load32(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
// Sixteen bytes widened to sixteen 16-bit lanes, in order.
MPEGDEC_AVX2 inline __m256i Load16Wide(const uint8_t* p) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}
MPEGDEC_AVX2 inline void Store32(uint8_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

MPEGDEC_AVX2 void VerticalTaps(const int* k, const uint8_t* const* t, int width, uint8_t* d) {
  const __m256i zero = _mm256_setzero_si256(), r128 = _mm256_set1_epi32(128);
  const __m256i k01 = Weights(k[0], k[1]), k23 = Weights(k[2], k[3]), k45 = Weights(k[4], k[5]);
  // A last block that overlaps the one before it writes the same bytes again, so that no row
  // ends in the scalar loop.
  int x = 0;
  for (; x < width && width >= 32; x += 32) {
    if (x + 32 > width) x = width - 32;
    __m256i r[6];
    for (int i = 0; i < 6; ++i) r[i] = Load32(t[i] + x);
    __m256i half[2];
    for (int h = 0; h < 2; ++h) {
      __m256i a[6];
      for (int i = 0; i < 6; ++i) a[i] = h ? _mm256_unpackhi_epi8(r[i], zero) : _mm256_unpacklo_epi8(r[i], zero);
      __m256i sum[2];
      for (int q = 0; q < 2; ++q) {
        auto pair = [q](__m256i p, __m256i n)
                        MPEGDEC_AVX2 { return q ? _mm256_unpackhi_epi16(p, n) : _mm256_unpacklo_epi16(p, n); };
        sum[q] = _mm256_add_epi32(
            _mm256_add_epi32(_mm256_madd_epi16(pair(a[0], a[1]), k01), _mm256_madd_epi16(pair(a[2], a[3]), k23)),
            _mm256_madd_epi16(pair(a[4], a[5]), k45));
        sum[q] = _mm256_srai_epi32(_mm256_add_epi32(sum[q], r128), 8);
      }
      half[h] = _mm256_packs_epi32(sum[0], sum[1]);
    }
    Store32(d + x, _mm256_packus_epi16(half[0], half[1]));
  }
  for (; x < width; ++x) {
    int sum = k[0] * t[0][x] + k[1] * t[1][x] + k[2] * t[2][x] + k[3] * t[3][x] + k[4] * t[4][x] + k[5] * t[5][x];
    d[x] = Clip255((sum + 128) >> 8);
  }
}

MPEGDEC_AVX2 void Mpeg2Row(const uint8_t* s, int w, uint8_t* d) {
  auto at = [&](int i) { return int(s[i < 0 ? 0 : i > w - 1 ? w - 1 : i]); };
  auto pairAt = [&](int i) {
    d[2 * i] = s[i];
    int sum = 21 * (at(i - 2) + at(i + 3)) - 52 * (at(i - 1) + at(i + 2)) + 159 * (at(i) + at(i + 1));
    d[2 * i + 1] = Clip255((sum + 128) >> 8);
  };
  int i = 0;
  for (; i < 2 && i < w; ++i) pairAt(i);
  // Sixteen columns at a time where all their taps, i - 2 to i + 18, lie inside the row.
  const __m256i kAc = Weights(21, 159), kB = Weights(-52, 128), one = _mm256_set1_epi16(1);
  const __m256i low = _mm256_setzero_si256(), high = _mm256_set1_epi16(255);
  for (; i + 19 <= w || (i < w - 3 && w >= 21); i += 16) {
    if (i + 19 > w) i = w - 19;  // overlaps the block before: the same bytes again
    const __m256i centre = Load16Wide(s + i);
    const __m256i a = _mm256_add_epi16(Load16Wide(s + i - 2), Load16Wide(s + i + 3));
    const __m256i b = _mm256_add_epi16(Load16Wide(s + i - 1), Load16Wide(s + i + 2));
    const __m256i c = _mm256_add_epi16(centre, Load16Wide(s + i + 1));
    const __m256i lo = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(a, c), kAc),
                                        _mm256_madd_epi16(_mm256_unpacklo_epi16(b, one), kB));
    const __m256i hi = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(a, c), kAc),
                                        _mm256_madd_epi16(_mm256_unpackhi_epi16(b, one), kB));
    __m256i odd = _mm256_packs_epi32(_mm256_srai_epi32(lo, 8), _mm256_srai_epi32(hi, 8));
    odd = _mm256_min_epi16(_mm256_max_epi16(odd, low), high);
    // Each 16-bit lane is one output pair: the copied sample, then the filtered one.
    Store32(d + 2 * i, _mm256_or_si256(centre, _mm256_slli_epi16(odd, 8)));
  }
  for (; i < w; ++i) pairAt(i);
}

struct Split {
  int high, low;
};
constexpr Split SplitOf(int c) { return {(c + 32768) >> 16, c - ((c + 32768) >> 16) * 65536}; }

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

MPEGDEC_AVX2 void ColourRow(const uint8_t* yr, const uint8_t* br, const uint8_t* rr, int n, ColourMatrix m,
                            bool rgbOrder, uint8_t* o) {
  const Split sy = SplitOf(76309), sR = SplitOf(m.crv), sB = SplitOf(m.cbu), sGu = SplitOf(-m.cgu),
              sGv = SplitOf(-m.cgv);
  static_assert(SplitOf(76309).high == 1, "the luma factor's high part is added, not multiplied");
  const __m256i zero = _mm256_setzero_si256(), round = _mm256_set1_epi32(32768);
  const __m256i wR = Weights(sy.low, sR.low), wB = Weights(sy.low, sB.low), wGu = Weights(sy.low, sGu.low),
                wGv = Weights(sGv.low, 0);
  const __m256i hR = _mm256_set1_epi16(int16_t(sR.high)), hB = _mm256_set1_epi16(int16_t(sB.high)),
                hGu = _mm256_set1_epi16(int16_t(sGu.high)), hGv = _mm256_set1_epi16(int16_t(sGv.high));
  const __m256i c16 = _mm256_set1_epi16(16), c128 = _mm256_set1_epi16(128);
  __m256i masks[3][3];
  for (int c = 0; c < 3; ++c)
    for (int k = 0; k < 3; ++k)
      masks[c][k] = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(kMasks.m[c][k])));
  int x = 0;
  for (; x < n && n >= 32; x += 32) {
    if (x + 32 > n) x = n - 32;  // overlaps the block before: the same bytes again
    const __m256i Y = Load32(yr + x), U = Load32(br + x), V = Load32(rr + x);
    __m256i colour[3][2];  // B, G, R; the two in-lane halves
    for (int h = 0; h < 2; ++h) {
      auto widen = [&](__m256i v)
                       MPEGDEC_AVX2 { return h ? _mm256_unpackhi_epi8(v, zero) : _mm256_unpacklo_epi8(v, zero); };
      const __m256i y = _mm256_sub_epi16(widen(Y), c16), u = _mm256_sub_epi16(widen(U), c128),
                    v = _mm256_sub_epi16(widen(V), c128);
      const __m256i yuLo = _mm256_unpacklo_epi16(y, u), yuHi = _mm256_unpackhi_epi16(y, u);
      const __m256i yvLo = _mm256_unpacklo_epi16(y, v), yvHi = _mm256_unpackhi_epi16(y, v);
      const __m256i v0Lo = _mm256_unpacklo_epi16(v, zero), v0Hi = _mm256_unpackhi_epi16(v, zero);
      auto lowPart = [&](__m256i lo, __m256i hi) MPEGDEC_AVX2 {
        return _mm256_packs_epi32(_mm256_srai_epi32(_mm256_add_epi32(lo, round), 16),
                                  _mm256_srai_epi32(_mm256_add_epi32(hi, round), 16));
      };
      colour[0][h] = _mm256_add_epi16(_mm256_add_epi16(y, _mm256_mullo_epi16(u, hB)),
                                      lowPart(_mm256_madd_epi16(yuLo, wB), _mm256_madd_epi16(yuHi, wB)));
      colour[1][h] = _mm256_add_epi16(
          _mm256_add_epi16(y, _mm256_add_epi16(_mm256_mullo_epi16(u, hGu), _mm256_mullo_epi16(v, hGv))),
          lowPart(_mm256_add_epi32(_mm256_madd_epi16(yuLo, wGu), _mm256_madd_epi16(v0Lo, wGv)),
                  _mm256_add_epi32(_mm256_madd_epi16(yuHi, wGu), _mm256_madd_epi16(v0Hi, wGv))));
      colour[2][h] = _mm256_add_epi16(_mm256_add_epi16(y, _mm256_mullo_epi16(v, hR)),
                                      lowPart(_mm256_madd_epi16(yvLo, wR), _mm256_madd_epi16(yvHi, wR)));
    }
    __m256i bytes[3];
    for (int c = 0; c < 3; ++c) bytes[c] = _mm256_packus_epi16(colour[c][0], colour[c][1]);
    if (rgbOrder) std::swap(bytes[0], bytes[2]);
    // Each lane interleaves its sixteen pixels into 48 bytes: chunk k of lane 0 is output bytes
    // 16 k on, of lane 1 bytes 48 + 16 k on.
    __m256i v[3];
    for (int k = 0; k < 3; ++k) {
      v[k] = _mm256_or_si256(
          _mm256_or_si256(_mm256_shuffle_epi8(bytes[0], masks[0][k]), _mm256_shuffle_epi8(bytes[1], masks[1][k])),
          _mm256_shuffle_epi8(bytes[2], masks[2][k]));
    }
    uint8_t* out = o + 3 * x;
    Store32(out, _mm256_permute2x128_si256(v[0], v[1], 0x20));
    Store32(out + 32, _mm256_permute2x128_si256(v[2], v[0], 0x30));
    Store32(out + 64, _mm256_permute2x128_si256(v[1], v[2], 0x31));
  }
  if (x < n) PlainRowOps().colourRow(yr + x, br + x, rr + x, n - x, m, rgbOrder, o + 3 * x);
}

const RowOps kAvx2 = {"AVX2", VerticalTaps, Mpeg2Row, ColourRow};

}  // namespace

const RowOps* Avx2RowOps() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? &kAvx2 : nullptr;
}

}  // namespace mpegdec

#else
namespace mpegdec {
const RowOps* Avx2RowOps() { return nullptr; }
}  // namespace mpegdec
#endif
