// The AVX2 transform: the SSE2 one's arithmetic with all eight lanes of a pass in one register, on
// coefficients the decoder writes in the order the passes take them.
// Only these functions are built for AVX2, and only a processor that reports it reaches them.
#include "mpegdec/block_ops.h"

#if defined(__x86_64__)
#include <immintrin.h>

#include "mpegdec/block_ops_x86.h"

#define MPEGDEC_AVX2 __attribute__((target("avx2")))

namespace mpegdec {
namespace {

constexpr int W1 = 2841, W2 = 2676, W3 = 2408, W5 = 1609, W6 = 1108, W7 = 565;

// Weights for _mm256_madd_epi16 on (p, q) pairs: a * p + b * q in each 32-bit lane.
MPEGDEC_AVX2 inline __m256i Weights(int a, int b) {
  return _mm256_set1_epi32(int32_t(uint32_t(uint16_t(a)) | uint32_t(uint16_t(b)) << 16));
}

// 181 x v in the low 32 bits, as the C arithmetic wraps.
MPEGDEC_AVX2 inline __m256i Times181(__m256i v) { return _mm256_mullo_epi32(v, _mm256_set1_epi32(181)); }

template <bool kColumns>
MPEGDEC_AVX2 inline __m256i Product(__m256i p, int a, int b) {
  __m256i v = _mm256_add_epi32(_mm256_madd_epi16(p, Weights(a, b)), _mm256_set1_epi32(kColumns ? 4 : 0));
  return kColumns ? _mm256_srai_epi32(v, 3) : v;
}

// One pass over eight lanes, the four pairs of inputs each lane's products take in 32-bit lane
// i: (0, 4), (2, 6), (5, 3) and (1, 7). The results come out unnarrowed, r[k] output k.
template <bool kColumns>
MPEGDEC_AVX2 inline void Pass(__m256i p04, __m256i p26, __m256i p53, __m256i p17, __m256i r[8]) {
  constexpr int kShift = kColumns ? 8 : 11;
  const __m256i bias = _mm256_set1_epi32(kColumns ? 8192 : 128);
  __m256i x4 = Product<kColumns>(p17, W1, W7), x5 = Product<kColumns>(p17, W7, -W1);
  __m256i x6 = Product<kColumns>(p53, W5, W3), x7 = Product<kColumns>(p53, W3, -W5);
  __m256i x2 = Product<kColumns>(p26, W6, -W2), x3 = Product<kColumns>(p26, W2, W6);
  __m256i x8 = _mm256_add_epi32(_mm256_madd_epi16(p04, Weights(1 << kShift, 1 << kShift)), bias);
  __m256i x0 = _mm256_add_epi32(_mm256_madd_epi16(p04, Weights(1 << kShift, -(1 << kShift))), bias);
  __m256i x1 = _mm256_add_epi32(x4, x6);
  x4 = _mm256_sub_epi32(x4, x6);
  x6 = _mm256_add_epi32(x5, x7);
  x5 = _mm256_sub_epi32(x5, x7);
  x7 = _mm256_add_epi32(x8, x3);
  x8 = _mm256_sub_epi32(x8, x3);
  x3 = _mm256_add_epi32(x0, x2);
  x0 = _mm256_sub_epi32(x0, x2);
  const __m256i r128 = _mm256_set1_epi32(128);
  x2 = _mm256_srai_epi32(_mm256_add_epi32(Times181(_mm256_add_epi32(x4, x5)), r128), 8);
  x4 = _mm256_srai_epi32(_mm256_add_epi32(Times181(_mm256_sub_epi32(x4, x5)), r128), 8);
  r[0] = _mm256_add_epi32(x7, x1);
  r[1] = _mm256_add_epi32(x3, x2);
  r[2] = _mm256_add_epi32(x0, x4);
  r[3] = _mm256_add_epi32(x8, x6);
  r[4] = _mm256_sub_epi32(x8, x6);
  r[5] = _mm256_sub_epi32(x0, x4);
  r[6] = _mm256_sub_epi32(x3, x2);
  r[7] = _mm256_sub_epi32(x7, x1);
}

// The block the transforms read: row r, column c of the coefficients at 16 g + 2 l + s, so that
// four loads give the row pass its pairs (g the pair of column c, s its side in it) with the
// rows in lanes 0, 4, 2, 6, 5, 3, 1, 7 (l the lane of row r): the row pass's results, narrowed
// to 16 bits, then hold the column pass's pairs side by side. The first and the last
// coefficient stay in place.
constexpr int kPairOfColumn[8] = {0, 3, 1, 2, 0, 2, 1, 3};
constexpr int kSideOfColumn[8] = {0, 0, 0, 1, 1, 0, 1, 1};
constexpr int kLaneOfRow[8] = {0, 6, 2, 5, 1, 4, 3, 7};
struct PairedOrder {
  uint8_t at[64];
  constexpr PairedOrder() : at() {
    for (int r = 0; r < 8; ++r)
      for (int c = 0; c < 8; ++c) at[8 * r + c] = uint8_t(16 * kPairOfColumn[c] + 2 * kLaneOfRow[r] + kSideOfColumn[c]);
  }
};
constexpr PairedOrder kPairedOrder;
static_assert(kPairedOrder.at[0] == 0 && kPairedOrder.at[63] == 63);

MPEGDEC_AVX2 __attribute__((always_inline)) inline void Load(const int16_t* block, __m256i p[4]) {
  for (int g = 0; g < 4; ++g) p[g] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 16 * g));
}

// The coefficients clamped to -2048..2047 with their sum made odd through the last one, in
// registers: the parity of the sum is the parity of the lowest bits, gathered by exclusive or
// into every 32-bit lane.
MPEGDEC_AVX2 __attribute__((always_inline)) inline void LoadSaturated(const int16_t* block, __m256i p[4]) {
  const __m256i low = _mm256_set1_epi16(-2048), high = _mm256_set1_epi16(2047);
  for (int g = 0; g < 4; ++g)
    p[g] = _mm256_min_epi16(_mm256_max_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 16 * g)), low),
                            high);
  __m256i parity = _mm256_xor_si256(_mm256_xor_si256(p[0], p[1]), _mm256_xor_si256(p[2], p[3]));
  parity = _mm256_xor_si256(parity, _mm256_permute2x128_si256(parity, parity, 1));
  parity = _mm256_xor_si256(parity, _mm256_shuffle_epi32(parity, 0x4e));
  parity = _mm256_xor_si256(parity, _mm256_shuffle_epi32(parity, 0xb1));
  parity = _mm256_xor_si256(parity, _mm256_slli_epi32(parity, 16));
  // The upper half of the last lane holds it; the last coefficient's lowest bit flips where it is even.
  const __m256i last = _mm256_setr_epi16(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1);
  p[3] = _mm256_xor_si256(p[3], _mm256_andnot_si256(parity, last));
}

// The transform of a block in the paired order: rows[j] holds the output rows 2 j and 2 j + 1
// side by side, clipped to -256..255 with kClip. Into the picture the clip is not needed: a
// sample beyond it takes any prediction past 0 or 255, where the saturating stores clamp.
template <bool kClip>
MPEGDEC_AVX2 __attribute__((always_inline)) inline void Transform(const __m256i p[4], __m256i rows[4]) {
  __m256i r[8];
  Pass<false>(p[0], p[1], p[2], p[3], r);
  // The low 16 bits of (r >> 8), as the C stores wrap, then packed: the 32-bit units of output
  // k are its column pairs (0, 4), (2, 6) in the lower half, (5, 3), (1, 7) in the upper one.
  __m256i s[4];
  for (int j = 0; j < 4; ++j) {
    const __m256i a = _mm256_srai_epi32(_mm256_slli_epi32(r[2 * j], 8), 16);
    const __m256i b = _mm256_srai_epi32(_mm256_slli_epi32(r[2 * j + 1], 8), 16);
    s[j] = _mm256_shuffle_epi32(_mm256_packs_epi32(a, b), 0xd8);  // units of 2j and 2j + 1 alternate
  }
  const __m256i a = _mm256_unpacklo_epi64(s[0], s[1]), b = _mm256_unpackhi_epi64(s[0], s[1]);
  const __m256i c = _mm256_unpacklo_epi64(s[2], s[3]), d = _mm256_unpackhi_epi64(s[2], s[3]);
  Pass<true>(_mm256_permute2x128_si256(a, c, 0x20), _mm256_permute2x128_si256(b, d, 0x20),
             _mm256_permute2x128_si256(a, c, 0x31), _mm256_permute2x128_si256(b, d, 0x31), r);
  for (int j = 0; j < 4; ++j) {
    const __m256i v = _mm256_packs_epi32(_mm256_srai_epi32(r[2 * j], 14), _mm256_srai_epi32(r[2 * j + 1], 14));
    rows[j] = _mm256_permute4x64_epi64(v, 0xd8);
    if (kClip) rows[j] = _mm256_max_epi16(_mm256_min_epi16(rows[j], _mm256_set1_epi16(255)), _mm256_set1_epi16(-256));
  }
}

// The float forms: the double ones dereference a double, which need not be aligned here.
inline void StoreHigh8(uint8_t* p, __m128i v) { _mm_storeh_pi(reinterpret_cast<__m64*>(p), _mm_castsi128_ps(v)); }

// Four rows of 16-bit samples as bytes: a holds rows 0 and 1, b rows 2 and 3.
MPEGDEC_AVX2 __attribute__((always_inline)) inline void StoreRows(__m256i a, __m256i b, uint8_t* dst, int stride) {
  const __m256i bytes = _mm256_packus_epi16(a, b);  // rows 0 and 2 below, 1 and 3 above
  const __m128i lo = _mm256_castsi256_si128(bytes), hi = _mm256_extracti128_si256(bytes, 1);
  x86::Store8(dst, lo);
  x86::Store8(dst + stride, hi);
  StoreHigh8(dst + 2 * stride, lo);
  StoreHigh8(dst + 3 * stride, hi);
}

MPEGDEC_AVX2 __attribute__((always_inline)) inline void Put(const __m256i rows[4], uint8_t* dst, int stride) {
  const __m256i bias = _mm256_set1_epi16(128);
  for (int j = 0; j < 4; j += 2, dst += 4 * stride)
    StoreRows(_mm256_adds_epi16(rows[j], bias), _mm256_adds_epi16(rows[j + 1], bias), dst, stride);
}

// Two rows of the picture widened to 16 bits, side by side.
MPEGDEC_AVX2 __attribute__((always_inline)) inline __m256i TwoRows(const uint8_t* p, int stride) {
  const __m128i v =
      _mm_castps_si128(_mm_loadh_pi(_mm_castsi128_ps(x86::Load8(p)), reinterpret_cast<const __m64*>(p + stride)));
  return _mm256_cvtepu8_epi16(v);
}

MPEGDEC_AVX2 __attribute__((always_inline)) inline void Add(const __m256i rows[4], uint8_t* dst, int stride) {
  for (int j = 0; j < 4; j += 2, dst += 4 * stride)
    StoreRows(_mm256_adds_epi16(rows[j], TwoRows(dst, stride)),
              _mm256_adds_epi16(rows[j + 1], TwoRows(dst + 2 * stride, stride)), dst, stride);
}

MPEGDEC_AVX2 void Idct(int16_t* block) {
  __m256i p[4], rows[4];
  Load(block, p);
  Transform<true>(p, rows);
  for (int j = 0; j < 4; ++j) _mm256_storeu_si256(reinterpret_cast<__m256i*>(block + 16 * j), rows[j]);
}

// The transforms straight into the picture, without storing the block between the steps.
template <bool kSaturate, bool kAdd>
MPEGDEC_AVX2 void IdctInto(int16_t* block, uint8_t* dst, int stride) {
  __m256i p[4], rows[4];
  if (kSaturate) LoadSaturated(block, p);
  else Load(block, p);
  Transform<false>(p, rows);
  if (kAdd) Add(rows, dst, stride);
  else Put(rows, dst, stride);
}

// Mismatch control over the clamped coefficients, sixteen a register: the parity of their sum
// is the parity of their lowest bits, gathered by exclusive or.
MPEGDEC_AVX2 void Saturate(int16_t* block) {
  const __m256i low = _mm256_set1_epi16(-2048), high = _mm256_set1_epi16(2047);
  __m256i parity = _mm256_setzero_si256();
  for (int k = 0; k < 4; ++k) {
    auto* p = reinterpret_cast<__m256i*>(block + 16 * k);
    const __m256i v = _mm256_min_epi16(_mm256_max_epi16(_mm256_loadu_si256(p), low), high);
    _mm256_storeu_si256(p, v);
    parity = _mm256_xor_si256(parity, v);
  }
  __m128i x = _mm_xor_si128(_mm256_castsi256_si128(parity), _mm256_extracti128_si256(parity, 1));
  x = _mm_xor_si128(x, _mm_srli_si128(x, 8));
  x = _mm_xor_si128(x, _mm_srli_si128(x, 4));
  x = _mm_xor_si128(x, _mm_srli_si128(x, 2));
  if ((_mm_cvtsi128_si32(x) & 1) == 0) block[63] ^= 1;
}

}  // namespace

const BlockOps* Avx2BlockOps() {
  static const BlockOps* table = []() -> const BlockOps* {
    const BlockOps* sse2 = Sse2BlockOps();
    if (!sse2 || !__builtin_cpu_supports("avx2")) return nullptr;
    static BlockOps avx2 = *sse2;
    avx2.name = "AVX2";
    avx2.order = kPairedOrder.at;
    avx2.idct = Idct;
    avx2.saturate = Saturate;
    avx2.idctPut = IdctInto<false, false>;
    avx2.idctAdd = IdctInto<false, true>;
    avx2.saturatedIdctPut = IdctInto<true, false>;
    avx2.saturatedIdctAdd = IdctInto<true, true>;
    return &avx2;
  }();
  return table;
}

}  // namespace mpegdec

#else
namespace mpegdec {
const BlockOps* Avx2BlockOps() { return nullptr; }
}  // namespace mpegdec
#endif
