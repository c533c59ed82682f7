// The plain C row kernels of the picture output and the choice of the table it uses.
#include "mpegdec/row_ops.h"

namespace mpegdec {
namespace {

inline uint8_t Clip255(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

void VerticalTaps(const int* k, const uint8_t* const* t, int width, uint8_t* d) {
  for (int x = 0; x < width; ++x) {
    int sum = k[0] * t[0][x] + k[1] * t[1][x] + k[2] * t[2][x] + k[3] * t[3][x] + k[4] * t[4][x] + k[5] * t[5][x];
    d[x] = Clip255((sum + 128) >> 8);
  }
}

void Mpeg2Row(const uint8_t* s, int w, uint8_t* d) {
  auto at = [&](int i) { return int(s[i < 0 ? 0 : i > w - 1 ? w - 1 : i]); };
  for (int i = 0; i < w; ++i) {
    d[2 * i] = s[i];
    int sum = 21 * (at(i - 2) + at(i + 3)) - 52 * (at(i - 1) + at(i + 2)) + 159 * (at(i) + at(i + 1));
    d[2 * i + 1] = Clip255((sum + 128) >> 8);
  }
}

void ColourRow(const uint8_t* yr, const uint8_t* br, const uint8_t* rr, int n, ColourMatrix m, bool rgbOrder,
               uint8_t* o) {
  const int first = rgbOrder ? 2 : 0, last = 2 - first;
  for (int x = 0; x < n; ++x, o += 3) {
    int yy = 76309 * (yr[x] - 16);
    int u = br[x] - 128, v = rr[x] - 128;
    o[first] = Clip255((yy + m.cbu * u + 32768) >> 16);
    o[1] = Clip255((yy - m.cgu * u - m.cgv * v + 32768) >> 16);
    o[last] = Clip255((yy + m.crv * v + 32768) >> 16);
  }
}

const RowOps kPlain = {"C", VerticalTaps, Mpeg2Row, ColourRow};

}  // namespace

const RowOps& PlainRowOps() { return kPlain; }

const RowOps& ActiveRowOps() {
  static const RowOps& chosen = []() -> const RowOps& {
    if (const RowOps* avx2 = Avx2RowOps()) return *avx2;
    if (const RowOps* ssse3 = Ssse3RowOps()) return *ssse3;
    return kPlain;
  }();
  return chosen;
}

}  // namespace mpegdec
