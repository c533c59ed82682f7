// Inverse 8x8 transforms: the integer separable one the decoder uses and a double-precision one.
#include <cmath>
#include <cstdint>

#include "mpegdec/picture_decoder.h"

namespace {
constexpr int W1 = 2841, W2 = 2676, W3 = 2408, W5 = 1609, W6 = 1108, W7 = 565;

// Clamped by comparison: a table lookup would be indexed far outside for large coefficients.
inline int16_t ClipSample(int64_t v) { return int16_t(v < -256 ? -256 : v > 255 ? 255 : v); }

void IdctRow(int16_t* blk) {
  int64_t x1 = int64_t(blk[4]) * 2048, x2 = blk[6], x3 = blk[2], x4 = blk[1], x5 = blk[7], x6 = blk[5], x7 = blk[3];
  if (!(x1 | x2 | x3 | x4 | x5 | x6 | x7)) {
    int16_t v = int16_t(blk[0] * 8);
    for (int i = 0; i < 8; ++i) blk[i] = v;
    return;
  }
  int64_t x0 = int64_t(blk[0]) * 2048 + 128;
  int64_t x8 = W7 * (x4 + x5);
  x4 = x8 + (W1 - W7) * x4;
  x5 = x8 - (W1 + W7) * x5;
  x8 = W3 * (x6 + x7);
  x6 = x8 - (W3 - W5) * x6;
  x7 = x8 - (W3 + W5) * x7;
  x8 = x0 + x1;
  x0 -= x1;
  x1 = W6 * (x3 + x2);
  x2 = x1 - (W2 + W6) * x2;
  x3 = x1 + (W2 - W6) * x3;
  x1 = x4 + x6;
  x4 -= x6;
  x6 = x5 + x7;
  x5 -= x7;
  x7 = x8 + x3;
  x8 -= x3;
  x3 = x0 + x2;
  x0 -= x2;
  x2 = (181 * (x4 + x5) + 128) >> 8;
  x4 = (181 * (x4 - x5) + 128) >> 8;
  blk[0] = int16_t((x7 + x1) >> 8);
  blk[1] = int16_t((x3 + x2) >> 8);
  blk[2] = int16_t((x0 + x4) >> 8);
  blk[3] = int16_t((x8 + x6) >> 8);
  blk[4] = int16_t((x8 - x6) >> 8);
  blk[5] = int16_t((x0 - x4) >> 8);
  blk[6] = int16_t((x3 - x2) >> 8);
  blk[7] = int16_t((x7 - x1) >> 8);
}

void IdctColumn(int16_t* blk) {
  int64_t x1 = int64_t(blk[8 * 4]) * 256, x2 = blk[8 * 6], x3 = blk[8 * 2], x4 = blk[8 * 1], x5 = blk[8 * 7],
          x6 = blk[8 * 5], x7 = blk[8 * 3];
  if (!(x1 | x2 | x3 | x4 | x5 | x6 | x7)) {
    int16_t v = ClipSample((int64_t(blk[0]) + 32) >> 6);
    for (int i = 0; i < 8; ++i) blk[8 * i] = v;
    return;
  }
  int64_t x0 = int64_t(blk[0]) * 256 + 8192;
  int64_t x8 = W7 * (x4 + x5) + 4;
  x4 = (x8 + (W1 - W7) * x4) >> 3;
  x5 = (x8 - (W1 + W7) * x5) >> 3;
  x8 = W3 * (x6 + x7) + 4;
  x6 = (x8 - (W3 - W5) * x6) >> 3;
  x7 = (x8 - (W3 + W5) * x7) >> 3;
  x8 = x0 + x1;
  x0 -= x1;
  x1 = W6 * (x3 + x2) + 4;
  x2 = (x1 - (W2 + W6) * x2) >> 3;
  x3 = (x1 + (W2 - W6) * x3) >> 3;
  x1 = x4 + x6;
  x4 -= x6;
  x6 = x5 + x7;
  x5 -= x7;
  x7 = x8 + x3;
  x8 -= x3;
  x3 = x0 + x2;
  x0 -= x2;
  x2 = (181 * (x4 + x5) + 128) >> 8;
  x4 = (181 * (x4 - x5) + 128) >> 8;
  blk[8 * 0] = ClipSample((x7 + x1) >> 14);
  blk[8 * 1] = ClipSample((x3 + x2) >> 14);
  blk[8 * 2] = ClipSample((x0 + x4) >> 14);
  blk[8 * 3] = ClipSample((x8 + x6) >> 14);
  blk[8 * 4] = ClipSample((x8 - x6) >> 14);
  blk[8 * 5] = ClipSample((x0 - x4) >> 14);
  blk[8 * 6] = ClipSample((x3 - x2) >> 14);
  blk[8 * 7] = ClipSample((x7 - x1) >> 14);
}

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
  for (int i = 0; i < 8; ++i) IdctRow(block + 8 * i);
  for (int i = 0; i < 8; ++i) IdctColumn(block + i);
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
      int64_t v = int64_t(std::floor(sum + 0.5));
      block[8 * i + j] = ClipSample(v);
    }
}
