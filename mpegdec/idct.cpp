// Inverse 8x8 transforms: the integer separable one the decoder uses and a double-precision one.
#include <cmath>
#include <cstdint>

#include "mpegdec/picture_decoder.h"

namespace {
constexpr int W1 = 2841, W2 = 2676, W3 = 2408, W5 = 1609, W6 = 1108, W7 = 565;

// Clamped by comparison: a table lookup would be indexed far outside for large coefficients.
inline int16_t ClipSample(int32_t v) { return int16_t(v < -256 ? -256 : v > 255 ? 255 : v); }

// One pass over all eight lanes at once (lane i is line i of `in`), without branches so that
// the compiler vectorises it. The arithmetic is unsigned so that damaged coefficients wrap
// instead of overflowing. The row pass keeps three more bits and writes lane i back as row i;
// the column pass rounds each product stage, clips and writes lane i as column i.
template <bool kColumns>
inline void IdctPass(const int16_t* in, int16_t* out) {
  constexpr int kInShift = kColumns ? 8 : 11;
  constexpr uint32_t kBias = kColumns ? 8192 : 128;
  constexpr uint32_t kRound = kColumns ? 4 : 0;
  auto sra = [](uint32_t v, int n) { return uint32_t(int32_t(v) >> n); };
  auto scaled = [&](uint32_t v) { return kColumns ? sra(v, 3) : v; };
  for (int i = 0; i < 8; ++i) {
    uint32_t x1 = uint32_t(int32_t(in[8 * 4 + i])) << kInShift, x2 = uint32_t(int32_t(in[8 * 6 + i])),
             x3 = uint32_t(int32_t(in[8 * 2 + i])), x4 = uint32_t(int32_t(in[8 * 1 + i])),
             x5 = uint32_t(int32_t(in[8 * 7 + i])), x6 = uint32_t(int32_t(in[8 * 5 + i])),
             x7 = uint32_t(int32_t(in[8 * 3 + i]));
    uint32_t x0 = (uint32_t(int32_t(in[i])) << kInShift) + kBias;
    uint32_t x8 = W7 * (x4 + x5) + kRound;
    x4 = scaled(x8 + (W1 - W7) * x4);
    x5 = scaled(x8 - (W1 + W7) * x5);
    x8 = W3 * (x6 + x7) + kRound;
    x6 = scaled(x8 - (W3 - W5) * x6);
    x7 = scaled(x8 - (W3 + W5) * x7);
    x8 = x0 + x1;
    x0 -= x1;
    x1 = W6 * (x3 + x2) + kRound;
    x2 = scaled(x1 - (W2 + W6) * x2);
    x3 = scaled(x1 + (W2 - W6) * x3);
    x1 = x4 + x6;
    x4 -= x6;
    x6 = x5 + x7;
    x5 -= x7;
    x7 = x8 + x3;
    x8 -= x3;
    x3 = x0 + x2;
    x0 -= x2;
    x2 = sra(181 * (x4 + x5) + 128, 8);
    x4 = sra(181 * (x4 - x5) + 128, 8);
    const uint32_t r[8] = {x7 + x1, x3 + x2, x0 + x4, x8 + x6, x8 - x6, x0 - x4, x3 - x2, x7 - x1};
    for (int k = 0; k < 8; ++k) {
      if constexpr (kColumns) out[8 * k + i] = ClipSample(int32_t(r[k]) >> 14);
      else out[8 * i + k] = int16_t(sra(r[k], 8));
    }
  }
}

// Rows run on the transposed block; a DC-only row comes out as DC x 8 all the same.
inline void IdctRows(int16_t* blk) {
  int16_t t[64];
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c) t[8 * c + r] = blk[8 * r + c];
  int16_t o[64];
  IdctPass<false>(t, o);
  for (int k = 0; k < 64; ++k) blk[k] = o[k];
}

// A DC-only column comes out as (DC + 32) >> 6 all the same.
inline void IdctColumns(int16_t* blk) { IdctPass<true>(blk, blk); }

struct ReferenceTable {
  double c[8][8];
  ReferenceTable() {
    for (int k = 0; k < 8; ++k) {
      double s = k == 0 ? std::sqrt(0.125) : 0.5;
      for (int n = 0; n < 8; ++n) c[k][n] = s * std::cos(M_PI / 8.0 * k * (n + 0.5));
    }
  }
};
}  // namespace

void CMpegPictureDecoder::FastIdct(int16_t* block) {
  IdctRows(block);
  IdctColumns(block);
}

void CMpegPictureDecoder::ReferenceIdct(int16_t* block) {
  static const ReferenceTable t;
  double tmp[64];
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) {
      double sum = 0.0;
      for (int k = 0; k < 8; ++k) sum += t.c[k][j] * block[8 * i + k];
      tmp[8 * i + j] = sum;
    }
  for (int j = 0; j < 8; ++j)
    for (int i = 0; i < 8; ++i) {
      double sum = 0.0;
      for (int k = 0; k < 8; ++k) sum += t.c[k][i] * tmp[8 * k + j];
      int32_t v = int32_t(std::floor(sum + 0.5));
      block[8 * i + j] = ClipSample(v);
    }
}
