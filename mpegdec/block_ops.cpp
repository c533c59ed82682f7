// The plain C block kernels and the choice of the table the decoder uses.
#include "mpegdec/block_ops.h"

#include "mpegdec/picture_decoder.h"

namespace mpegdec {
namespace {

inline uint8_t Clip255(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

void PutBlock(const int16_t* b, uint8_t* dst, int stride) {
  for (int y = 0; y < 8; ++y, dst += stride, b += 8)
    for (int x = 0; x < 8; ++x) dst[x] = Clip255(b[x] + 128);
}

void AddBlock(const int16_t* b, uint8_t* dst, int stride) {
  for (int y = 0; y < 8; ++y, dst += stride, b += 8)
    for (int x = 0; x < 8; ++x) dst[x] = Clip255(dst[x] + b[x]);
}

void IdctPut(int16_t* b, uint8_t* dst, int stride) {
  CMpegPictureDecoder::FastIdct(b);
  PutBlock(b, dst, stride);
}

void IdctAdd(int16_t* b, uint8_t* dst, int stride) {
  CMpegPictureDecoder::FastIdct(b);
  AddBlock(b, dst, stride);
}

// One sample of the prediction, by its half-sample case, then averaged with what the other
// direction put there already.
template <bool kAverage, int kHalf>
void Predict(uint8_t* d, const uint8_t* s, int s2, int step, int w, int h) {
  for (int j = 0; j < h; ++j, s += step, d += step) {
    for (int i = 0; i < w; ++i) {
      int v;
      if constexpr (kHalf == 0) v = s[i];
      else if constexpr (kHalf == 1) v = (s[i] + s[i + 1] + 1) >> 1;
      else if constexpr (kHalf == 2) v = (s[i] + s[i + s2] + 1) >> 1;
      else v = (s[i] + s[i + 1] + s[i + s2] + s[i + s2 + 1] + 2) >> 2;
      d[i] = uint8_t(kAverage ? (d[i] + v + 1) >> 1 : v);
    }
  }
}

const BlockOps kPlain = {"C",
                         kRasterOrder,
                         CMpegPictureDecoder::FastIdct,
                         CMpegPictureDecoder::Saturate,
                         PutBlock,
                         AddBlock,
                         IdctPut,
                         IdctAdd,
                         SaturateThenIdctPut<kPlain>,
                         SaturateThenIdctAdd<kPlain>,
                         SaturateThenIdctPut<kPlain>,
                         SaturateThenIdctAdd<kPlain>,
                         {{Predict<false, 0>, Predict<false, 1>, Predict<false, 2>, Predict<false, 3>},
                          {Predict<true, 0>, Predict<true, 1>, Predict<true, 2>, Predict<true, 3>}}};

}  // namespace

const uint8_t kRasterOrder[64] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                                  16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31,
                                  32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47,
                                  48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63};

const BlockOps& PlainBlockOps() { return kPlain; }

const BlockOps& ActiveBlockOps() {
  static const BlockOps& chosen = []() -> const BlockOps& {
    if (const BlockOps* avx2 = Avx2BlockOps()) return *avx2;
    if (const BlockOps* sse2 = Sse2BlockOps()) return *sse2;
    return kPlain;
  }();
  return chosen;
}

}  // namespace mpegdec
