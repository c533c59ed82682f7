// The AVX2 transform: the SSE2 one's arithmetic with all eight lanes of a pass in one register.
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

// Lane i of a and of b side by side, in 32-bit lane i.
MPEGDEC_AVX2 inline __m256i Pairs(__m128i a, __m128i b) {
  return _mm256_set_m128i(_mm_unpackhi_epi16(a, b), _mm_unpacklo_epi16(a, b));
}

// 181 x v in the low 32 bits, as the C arithmetic wraps.
MPEGDEC_AVX2 inline __m256i Times181(__m256i v) { return _mm256_mullo_epi32(v, _mm256_set1_epi32(181)); }

template <bool kColumns>
MPEGDEC_AVX2 inline __m256i Product(__m256i p, int a, int b) {
  __m256i v = _mm256_add_epi32(_mm256_madd_epi16(p, Weights(a, b)), _mm256_set1_epi32(kColumns ? 4 : 0));
  return kColumns ? _mm256_srai_epi32(v, 3) : v;
}

template <bool kColumns>
MPEGDEC_AVX2 inline __m128i Narrow(__m256i r) {
  if (kColumns) {
    r = _mm256_srai_epi32(r, 14);
    __m128i v = _mm_packs_epi32(_mm256_castsi256_si128(r), _mm256_extracti128_si256(r, 1));
    return _mm_max_epi16(_mm_min_epi16(v, _mm_set1_epi16(255)), _mm_set1_epi16(-256));
  }
  // The low 16 bits of each lane, as the C stores wrap: a byte shuffle within the lanes, then
  // the two lanes' halves side by side.
  const __m256i low16 = _mm256_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1, 0, 1, 4, 5, 8, 9, 12,
                                         13, -1, -1, -1, -1, -1, -1, -1, -1);
  r = _mm256_shuffle_epi8(_mm256_srai_epi32(r, 8), low16);
  return _mm256_castsi256_si128(_mm256_permute4x64_epi64(r, 0x08));
}

template <bool kColumns>
MPEGDEC_AVX2 inline void Pass(__m128i v[8]) {
  constexpr int kShift = kColumns ? 8 : 11;
  const __m256i bias = _mm256_set1_epi32(kColumns ? 8192 : 128);
  const __m256i p17 = Pairs(v[1], v[7]), p53 = Pairs(v[5], v[3]), p26 = Pairs(v[2], v[6]), p04 = Pairs(v[0], v[4]);
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
  v[0] = Narrow<kColumns>(_mm256_add_epi32(x7, x1));
  v[1] = Narrow<kColumns>(_mm256_add_epi32(x3, x2));
  v[2] = Narrow<kColumns>(_mm256_add_epi32(x0, x4));
  v[3] = Narrow<kColumns>(_mm256_add_epi32(x8, x6));
  v[4] = Narrow<kColumns>(_mm256_sub_epi32(x8, x6));
  v[5] = Narrow<kColumns>(_mm256_sub_epi32(x0, x4));
  v[6] = Narrow<kColumns>(_mm256_sub_epi32(x3, x2));
  v[7] = Narrow<kColumns>(_mm256_sub_epi32(x7, x1));
}

MPEGDEC_AVX2 __attribute__((always_inline)) inline void Load(const int16_t* block, __m128i v[8]) {
  for (int k = 0; k < 8; ++k) v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 8 * k));
}

// The coefficients clamped to -2048..2047 with their sum made odd through the last one, in
// registers: the parity of the sum is the parity of the lowest bits, gathered by exclusive or.
MPEGDEC_AVX2 __attribute__((always_inline)) inline void LoadSaturated(const int16_t* block, __m128i v[8]) {
  const __m128i low = _mm_set1_epi16(-2048), high = _mm_set1_epi16(2047);
  __m128i parity = _mm_setzero_si128();
  for (int k = 0; k < 8; ++k) {
    v[k] = _mm_min_epi16(_mm_max_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 8 * k)), low), high);
    parity = _mm_xor_si128(parity, v[k]);
  }
  parity = _mm_xor_si128(parity, _mm_srli_si128(parity, 8));
  parity = _mm_xor_si128(parity, _mm_srli_si128(parity, 4));
  parity = _mm_xor_si128(parity, _mm_srli_si128(parity, 2));
  // Lane 0's lowest bit moved to the last coefficient, inverted: 1 where the sum is even.
  v[7] = _mm_xor_si128(v[7], _mm_andnot_si128(_mm_slli_si128(parity, 14), _mm_setr_epi16(0, 0, 0, 0, 0, 0, 0, 1)));
}

// The transform's rows in place, v[k] row k, clipped to -256..255.
MPEGDEC_AVX2 __attribute__((always_inline)) inline void Transform(__m128i v[8]) {
  x86::Transpose(v);  // lanes are rows
  Pass<false>(v);
  x86::Transpose(v);  // lanes are columns
  Pass<true>(v);
}

MPEGDEC_AVX2 __attribute__((always_inline)) inline void Put(const __m128i v[8], uint8_t* dst, int stride) {
  const __m128i bias = _mm_set1_epi16(128);
  for (int k = 0; k < 8; ++k, dst += stride) {
    const __m128i s = _mm_adds_epi16(v[k], bias);
    x86::Store8(dst, _mm_packus_epi16(s, s));
  }
}

MPEGDEC_AVX2 __attribute__((always_inline)) inline void Add(const __m128i v[8], uint8_t* dst, int stride) {
  const __m128i zero = _mm_setzero_si128();
  for (int k = 0; k < 8; ++k, dst += stride) {
    const __m128i s = _mm_adds_epi16(v[k], _mm_unpacklo_epi8(x86::Load8(dst), zero));
    x86::Store8(dst, _mm_packus_epi16(s, s));
  }
}

MPEGDEC_AVX2 void Idct(int16_t* block) {
  __m128i v[8];
  Load(block, v);
  Transform(v);
  for (int k = 0; k < 8; ++k) _mm_storeu_si128(reinterpret_cast<__m128i*>(block + 8 * k), v[k]);
}

// The transforms straight into the picture, without storing the block between the steps.
template <bool kSaturate, bool kAdd>
MPEGDEC_AVX2 void IdctInto(int16_t* block, uint8_t* dst, int stride) {
  __m128i v[8];
  if (kSaturate) LoadSaturated(block, v);
  else Load(block, v);
  Transform(v);
  if (kAdd) Add(v, dst, stride);
  else Put(v, dst, stride);
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
