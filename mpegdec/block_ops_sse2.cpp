// SSE2 block kernels: the same integer arithmetic as the C ones, eight samples a register.
#include "mpegdec/block_ops.h"

#if defined(__x86_64__) || defined(__SSE2__)
#include <emmintrin.h>

#include "mpegdec/block_ops_x86.h"

namespace mpegdec {
namespace {

using x86::Load8;
using x86::Store8;
using x86::Transpose;

constexpr int W1 = 2841, W2 = 2676, W3 = 2408, W5 = 1609, W6 = 1108, W7 = 565;

// Weights for _mm_madd_epi16 on (p, q) pairs: a * p + b * q in each 32-bit lane.
inline __m128i Weights(int a, int b) {
  return _mm_set_epi16(int16_t(b), int16_t(a), int16_t(b), int16_t(a), int16_t(b), int16_t(a), int16_t(b), int16_t(a));
}

// 181 x v by shifts and adds, so that it wraps as the C arithmetic does.
inline __m128i Times181(__m128i v) {
  __m128i s = _mm_add_epi32(v, _mm_slli_epi32(v, 2));
  s = _mm_add_epi32(s, _mm_slli_epi32(v, 4));
  s = _mm_add_epi32(s, _mm_slli_epi32(v, 5));
  return _mm_add_epi32(s, _mm_slli_epi32(v, 7));
}

// One pass over eight lanes (lane i of v[k] is coefficient k of line i), four lanes at a time
// in 32 bits. The row pass keeps three more bits and truncates to 16 bits as the C stores do;
// the column pass rounds each product stage and clips.
template <bool kColumns>
void Pass(__m128i v[8]) {
  constexpr int kShift = kColumns ? 8 : 11;
  const __m128i bias = _mm_set1_epi32(kColumns ? 8192 : 128);
  const __m128i round = _mm_set1_epi32(kColumns ? 4 : 0);
  auto scaled = [](__m128i x) { return kColumns ? _mm_srai_epi32(x, 3) : x; };
  __m128i half[2][8];
  for (int h = 0; h < 2; ++h) {
    auto pair = [h](__m128i a, __m128i b) { return h ? _mm_unpackhi_epi16(a, b) : _mm_unpacklo_epi16(a, b); };
    auto product = [&](__m128i p, int a, int b) {
      return scaled(_mm_add_epi32(_mm_madd_epi16(p, Weights(a, b)), round));
    };
    const __m128i p17 = pair(v[1], v[7]), p53 = pair(v[5], v[3]), p26 = pair(v[2], v[6]), p04 = pair(v[0], v[4]);
    __m128i x4 = product(p17, W1, W7), x5 = product(p17, W7, -W1);
    __m128i x6 = product(p53, W5, W3), x7 = product(p53, W3, -W5);
    __m128i x2 = product(p26, W6, -W2), x3 = product(p26, W2, W6);
    __m128i x8 = _mm_add_epi32(_mm_madd_epi16(p04, Weights(1 << kShift, 1 << kShift)), bias);
    __m128i x0 = _mm_add_epi32(_mm_madd_epi16(p04, Weights(1 << kShift, -(1 << kShift))), bias);
    __m128i x1 = _mm_add_epi32(x4, x6);
    x4 = _mm_sub_epi32(x4, x6);
    x6 = _mm_add_epi32(x5, x7);
    x5 = _mm_sub_epi32(x5, x7);
    x7 = _mm_add_epi32(x8, x3);
    x8 = _mm_sub_epi32(x8, x3);
    x3 = _mm_add_epi32(x0, x2);
    x0 = _mm_sub_epi32(x0, x2);
    const __m128i r128 = _mm_set1_epi32(128);
    x2 = _mm_srai_epi32(_mm_add_epi32(Times181(_mm_add_epi32(x4, x5)), r128), 8);
    x4 = _mm_srai_epi32(_mm_add_epi32(Times181(_mm_sub_epi32(x4, x5)), r128), 8);
    __m128i* r = half[h];
    r[0] = _mm_add_epi32(x7, x1);
    r[1] = _mm_add_epi32(x3, x2);
    r[2] = _mm_add_epi32(x0, x4);
    r[3] = _mm_add_epi32(x8, x6);
    r[4] = _mm_sub_epi32(x8, x6);
    r[5] = _mm_sub_epi32(x0, x4);
    r[6] = _mm_sub_epi32(x3, x2);
    r[7] = _mm_sub_epi32(x7, x1);
    for (int k = 0; k < 8; ++k) {
      if constexpr (kColumns) r[k] = _mm_srai_epi32(r[k], 14);
      else r[k] = _mm_srai_epi32(_mm_slli_epi32(_mm_srai_epi32(r[k], 8), 16), 16);  // wraps to 16 bits
    }
  }
  for (int k = 0; k < 8; ++k) {
    v[k] = _mm_packs_epi32(half[0][k], half[1][k]);
    if constexpr (kColumns) v[k] = _mm_max_epi16(_mm_min_epi16(v[k], _mm_set1_epi16(255)), _mm_set1_epi16(-256));
  }
}

void Idct(int16_t* block) {
  __m128i v[8];
  for (int k = 0; k < 8; ++k) v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 8 * k));
  Transpose(v);  // lanes are rows
  Pass<false>(v);
  Transpose(v);  // lanes are columns
  Pass<true>(v);
  for (int k = 0; k < 8; ++k) _mm_storeu_si128(reinterpret_cast<__m128i*>(block + 8 * k), v[k]);
}

void PutBlock(const int16_t* b, uint8_t* dst, int stride) {
  const __m128i bias = _mm_set1_epi16(128);
  for (int y = 0; y < 8; ++y, dst += stride, b += 8) {
    __m128i v = _mm_adds_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b)), bias);
    Store8(dst, _mm_packus_epi16(v, v));
  }
}

void AddBlock(const int16_t* b, uint8_t* dst, int stride) {
  const __m128i zero = _mm_setzero_si128();
  for (int y = 0; y < 8; ++y, dst += stride, b += 8) {
    __m128i p = _mm_unpacklo_epi8(Load8(dst), zero);
    __m128i v = _mm_adds_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b)), p);
    Store8(dst, _mm_packus_epi16(v, v));
  }
}

void IdctPut(int16_t* b, uint8_t* dst, int stride) {
  Idct(b);
  PutBlock(b, dst, stride);
}

void IdctAdd(int16_t* b, uint8_t* dst, int stride) {
  Idct(b);
  AddBlock(b, dst, stride);
}

// Sixteen or eight samples of one half-sample case.
template <int kHalf, int kBytes>
inline __m128i Sample(const uint8_t* s, int s2) {
  auto load = [](const uint8_t* p) {
    return kBytes == 16 ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)) : Load8(p);
  };
  if constexpr (kHalf == 0) return load(s);
  else if constexpr (kHalf == 1) return _mm_avg_epu8(load(s), load(s + 1));
  else if constexpr (kHalf == 2) return _mm_avg_epu8(load(s), load(s + s2));
  else {
    const __m128i zero = _mm_setzero_si128();
    const __m128i a = load(s), b = load(s + 1), c = load(s + s2), d = load(s + s2 + 1);
    auto sum = [&](auto unpack) {
      __m128i t = _mm_add_epi16(unpack(a, zero), unpack(b, zero));
      t = _mm_add_epi16(t, _mm_add_epi16(unpack(c, zero), unpack(d, zero)));
      return _mm_srli_epi16(_mm_add_epi16(t, _mm_set1_epi16(2)), 2);
    };
    __m128i lo = sum([](__m128i x, __m128i z) { return _mm_unpacklo_epi8(x, z); });
    __m128i hi = kBytes == 16 ? sum([](__m128i x, __m128i z) { return _mm_unpackhi_epi8(x, z); }) : lo;
    return _mm_packus_epi16(lo, hi);
  }
}

// One column of kBytes samples down the h rows.
template <bool kAverage, int kHalf, int kBytes>
inline void PredictColumn(uint8_t* d, const uint8_t* s, int s2, int step, int h) {
  for (int j = 0; j < h; ++j, s += step, d += step) {
    __m128i v = Sample<kHalf, kBytes>(s, s2);
    if constexpr (kBytes == 16) {
      auto* out = reinterpret_cast<__m128i*>(d);
      if (kAverage) v = _mm_avg_epu8(v, _mm_loadu_si128(out));
      _mm_storeu_si128(out, v);
    } else {
      if (kAverage) v = _mm_avg_epu8(v, Load8(d));
      Store8(d, v);
    }
  }
}

// The two widths of a macroblock's prediction have loops of their own, with nothing but the
// samples in them.
template <bool kAverage, int kHalf>
void Predict(uint8_t* d, const uint8_t* s, int s2, int step, int w, int h) {
  if (w == 16) return PredictColumn<kAverage, kHalf, 16>(d, s, s2, step, h);
  for (int i = 0; i < w; i += 8) PredictColumn<kAverage, kHalf, 8>(d + i, s + i, s2, step, h);
}

// Mismatch control over the clamped coefficients: the parity of their sum from pairwise sums.
void Saturate(int16_t* block) {
  __m128i sum = _mm_setzero_si128();
  for (int k = 0; k < 8; ++k) {
    auto* p = reinterpret_cast<__m128i*>(block + 8 * k);
    __m128i v = _mm_min_epi16(_mm_max_epi16(_mm_loadu_si128(p), _mm_set1_epi16(-2048)), _mm_set1_epi16(2047));
    _mm_storeu_si128(p, v);
    sum = _mm_add_epi32(sum, _mm_madd_epi16(v, _mm_set1_epi16(1)));
  }
  sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4e));
  sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xb1));
  if ((_mm_cvtsi128_si32(sum) & 1) == 0) block[63] ^= 1;
}

// A block with only its first coefficient c, clamped: mismatch control sets the last coefficient
// when c is even, and the transform then gives (c + 4) >> 3 everywhere plus a pattern of -1, 0
// and 1 that depends on nothing but (c + 4) & 7; with c odd the pattern is zero. The patterns
// are the C transform's own output for c in -4..3, where (c + 4) >> 3 is 0.
struct FirstOnlyPatterns {
  alignas(16) int16_t of[8][64] = {};
  FirstOnlyPatterns() {
    for (int r = 0; r < 8; ++r) {
      of[r][0] = int16_t(r - 4);
      PlainBlockOps().saturate(of[r]);
      PlainBlockOps().idct(of[r]);
    }
  }
};
const FirstOnlyPatterns patterns;  // made before main: the kernels then find them without a guard

template <bool kAdd>
void SaturatedFirstOnly(int16_t* block, uint8_t* dst, int stride) {
  const int c = block[0] < -2048 ? -2048 : block[0] > 2047 ? 2047 : block[0];
  const int16_t* pattern = patterns.of[(c + 4) & 7];
  const __m128i level = _mm_set1_epi16(int16_t(((c + 4) >> 3) + (kAdd ? 0 : 128)));
  for (int y = 0; y < 8; y += 2, dst += 2 * stride, pattern += 16) {
    __m128i a = _mm_adds_epi16(level, _mm_load_si128(reinterpret_cast<const __m128i*>(pattern)));
    __m128i b = _mm_adds_epi16(level, _mm_load_si128(reinterpret_cast<const __m128i*>(pattern + 8)));
    if (kAdd) {
      a = _mm_adds_epi16(a, _mm_unpacklo_epi8(Load8(dst), _mm_setzero_si128()));
      b = _mm_adds_epi16(b, _mm_unpacklo_epi8(Load8(dst + stride), _mm_setzero_si128()));
    }
    const __m128i bytes = _mm_packus_epi16(a, b);
    Store8(dst, bytes);
    Store8(dst + stride, _mm_unpackhi_epi64(bytes, bytes));
  }
}

const BlockOps kSse2 = {"SSE2",
                        kRasterOrder,
                        Idct,
                        Saturate,
                        PutBlock,
                        AddBlock,
                        IdctPut,
                        IdctAdd,
                        SaturateThenIdctPut<kSse2>,
                        SaturateThenIdctAdd<kSse2>,
                        SaturatedFirstOnly<false>,
                        SaturatedFirstOnly<true>,
                        {{Predict<false, 0>, Predict<false, 1>, Predict<false, 2>, Predict<false, 3>},
                         {Predict<true, 0>, Predict<true, 1>, Predict<true, 2>, Predict<true, 3>}}};

}  // namespace

const BlockOps* Sse2BlockOps() { return __builtin_cpu_supports("sse2") ? &kSse2 : nullptr; }

}  // namespace mpegdec

#else
namespace mpegdec {
const BlockOps* Sse2BlockOps() { return nullptr; }
}  // namespace mpegdec
#endif
