// Conversion of the display picture into planes, bitmap, Targa, packed 4:2:2 or pixmap images.
#include <cstdio>
#include <cstring>
#include <vector>

#include "mpegdec/mpeg_errors.h"
#include "mpegdec/picture_decoder.h"
#include "mpegdec/stream_reader.h"

using namespace mpegdec;

namespace {
struct ColourMatrix {
  int crv, cbu, cgu, cgv;
};

ColourMatrix MatrixFor(int coefficients) {
  switch (coefficients) {
    case 0:
    case 1: return {117504, 138453, 13954, 34903};
    case 4: return {104448, 132798, 24759, 53109};
    case 7: return {117579, 136230, 16907, 35559};
    default: return {104597, 132201, 25675, 53279};  // 2, 3, 5, 6 and the reserved values
  }
}

uint8_t Clamp255(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

// One row of the colour arithmetic into three planes; plain arrays so that it vectorises.
void ColourRow(const uint8_t* __restrict yr, const uint8_t* __restrict br, const uint8_t* __restrict rr, int n,
               ColourMatrix m, uint8_t* __restrict rp, uint8_t* __restrict gp, uint8_t* __restrict bp) {
  const int crv = m.crv, cbu = m.cbu, cgu = m.cgu, cgv = m.cgv;
  for (int x = 0; x < n; ++x) {
    int yy = 76309 * (yr[x] - 16);
    int u = br[x] - 128, v = rr[x] - 128;
    rp[x] = Clamp255((yy + crv * v + 32768) >> 16);
    gp[x] = Clamp255((yy - cgu * u - cgv * v + 32768) >> 16);
    bp[x] = Clamp255((yy + cbu * u + 32768) >> 16);
  }
}
int ClampIndex(int i, int lo, int hi) { return i < lo ? lo : i > hi ? hi : i; }

// Six taps down a column: rows r[0..5] at x, weighted by k.
inline int Taps6(const int* k, const uint8_t* const* r, int x) {
  return k[0] * r[0][x] + k[1] * r[1][x] + k[2] * r[2][x] + k[3] * r[3][x] + k[4] * r[4][x] + k[5] * r[5][x];
}

// One output pair from source column i; `at` reads a source column, clamped at the row's ends
// or not.
template <bool kMpeg2, typename At>
inline void UpsamplePair(uint8_t* d, int i, At at) {
  if constexpr (kMpeg2) {
    d[2 * i] = uint8_t(at(i));
    int sum = 21 * (at(i - 2) + at(i + 3)) - 52 * (at(i - 1) + at(i + 2)) + 159 * (at(i) + at(i + 1));
    d[2 * i + 1] = Clamp255((sum + 128) >> 8);
  } else {
    int s0 = 5 * at(i - 3) - 21 * at(i - 2) + 70 * at(i - 1) + 228 * at(i) - 37 * at(i + 1) + 11 * at(i + 2);
    int s1 = 5 * at(i + 3) - 21 * at(i + 2) + 70 * at(i + 1) + 228 * at(i) - 37 * at(i - 1) + 11 * at(i - 2);
    d[2 * i] = Clamp255((s0 + 128) >> 8);
    d[2 * i + 1] = Clamp255((s1 + 128) >> 8);
  }
}

template <bool kMpeg2>
void UpsampleRows(const uint8_t* src, int w, int rows, int srcStride, uint8_t* dst) {
  for (int y = 0; y < rows; ++y) {
    const uint8_t* s = src + size_t(y) * srcStride;
    uint8_t* d = dst + size_t(y) * 2 * w;
    auto clamped = [&](int i) { return int(s[ClampIndex(i, 0, w - 1)]); };
    auto inside = [&](int i) { return int(s[i]); };
    // Columns whose taps all lie inside the row need no index clamping.
    int lo = 3 < w ? 3 : w, hi = w - 3;
    for (int i = 0; i < lo; ++i) UpsamplePair<kMpeg2>(d, i, clamped);
    for (int i = lo; i < hi; ++i) UpsamplePair<kMpeg2>(d, i, inside);
    for (int i = hi > lo ? hi : lo; i < w; ++i) UpsamplePair<kMpeg2>(d, i, clamped);
  }
}

void Put16(uint8_t* p, int v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
}  // namespace

void CMpegPictureDecoder::UpsampleVertical(const uint8_t* src, int width, int rows, int srcStride, uint8_t* dst,
                                           bool interlaced) {
  int h = rows;
  if (h <= 0) return;
  auto row = [&](int r) { return src + size_t(r) * srcStride; };
  if (!interlaced) {
    static constexpr int kP[6] = {3, -16, 67, 227, -32, 7};
    for (int i = 0; i < h; ++i) {
      const uint8_t* r[6];
      for (int k = 0; k < 6; ++k) r[k] = row(ClampIndex(i - 3 + k, 0, h - 1));
      const uint8_t* q[6];
      for (int k = 0; k < 6; ++k) q[k] = row(ClampIndex(i + 3 - k, 0, h - 1));
      uint8_t* d0 = dst + size_t(2 * i) * width;
      uint8_t* d1 = d0 + width;
      for (int x = 0; x < width; ++x) {
        d0[x] = Clamp255((Taps6(kP, r, x) + 128) >> 8);
        d1[x] = Clamp255((Taps6(kP, q, x) + 128) >> 8);
      }
    }
    return;
  }
  static constexpr int kA[6] = {1, -7, 30, 248, -21, 5};
  static constexpr int kB[6] = {7, -35, 194, 110, -24, 4};
  // Even rows belong to the top field, odd ones to the bottom field; each clamps within its own.
  // An odd row count leaves a last top-field row whose two output rows come from the same taps.
  const int lastTop = (h - 1) & ~1;
  const int lastBottom = h >= 2 ? ((h - 2) | 1) : 0;
  const int firstBottom = h >= 2 ? 1 : 0;
  auto top = [&](int r) { return row(ClampIndex(r, 0, lastTop)); };
  auto bottom = [&](int r) { return row(ClampIndex(r, firstBottom, lastBottom)); };
  for (int j = 0; j < h; j += 2) {
    const uint8_t* t0[6] = {top(j - 6), top(j - 4), top(j - 2), top(j), top(j + 2), top(j + 4)};
    const uint8_t* t1[6] = {top(j - 4), top(j - 2), top(j), top(j + 2), top(j + 4), top(j + 6)};
    const uint8_t* b0[6] = {bottom(j + 5), bottom(j + 3), bottom(j + 1), bottom(j - 1), bottom(j - 3), bottom(j - 5)};
    const uint8_t* b1[6] = {bottom(j + 7), bottom(j + 5), bottom(j + 3), bottom(j + 1), bottom(j - 1), bottom(j - 3)};
    uint8_t* __restrict o0 = dst + size_t(2 * j) * width;
    uint8_t* __restrict o1 = o0 + width;
    uint8_t* __restrict o2 = o1 + width;
    uint8_t* __restrict o3 = o2 + width;
    if (j + 1 == h) {
      for (int x = 0; x < width; ++x) {
        o0[x] = Clamp255((Taps6(kA, t0, x) + 128) >> 8);
        o1[x] = Clamp255((Taps6(kB, b0, x) + 128) >> 8);
      }
      break;
    }
    for (int x = 0; x < width; ++x) {
      o0[x] = Clamp255((Taps6(kA, t0, x) + 128) >> 8);
      o2[x] = Clamp255((Taps6(kB, t1, x) + 128) >> 8);
      o1[x] = Clamp255((Taps6(kB, b0, x) + 128) >> 8);
      o3[x] = Clamp255((Taps6(kA, b1, x) + 128) >> 8);
    }
  }
}

void CMpegPictureDecoder::UpsampleHorizontal(const uint8_t* src, int width, int rows, int srcStride, uint8_t* dst,
                                             bool mpeg2) {
  if (width <= 0) return;
  if (mpeg2) UpsampleRows<true>(src, width, rows, srcStride, dst);
  else UpsampleRows<false>(src, width, rows, srcStride, dst);
}

int CMpegPictureDecoder::DecodeToRgb(uint8_t* out, uint16_t* width, uint16_t* height, int format) {
  if (error == kNotOpen || !forward_[0] || !out || !width || !height) {
    if (error != kNotOpen) error = kBadState;
    return 0;
  }
  switch (format) {
    case kOutputLuma: return ConvertPlane(out, width, height, 0);
    case kOutputCb: return ConvertPlane(out, width, height, 1);
    case kOutputCr: return ConvertPlane(out, width, height, 2);
    case kOutputBitmap:
    case kOutputTarga:
    case kOutputPacked422:
    case kOutputPixmap: return ConvertImage(out, width, height, format);
    default: error = kBadState; return 0;
  }
}

int CMpegPictureDecoder::ConvertPlane(uint8_t* out, uint16_t* width, uint16_t* height, int cc) {
  uint8_t* const* frame = displayIsAuxiliary_ ? auxiliary_ : forward_;
  int w = seq_.horizontal_size, h = seq_.vertical_size, stride = codedWidth_;
  if (cc) {
    if (seq_.chroma_format != 3) w /= 2;
    if (seq_.chroma_format == 1) h /= 2;
    stride = chromaWidth_;
  }
  for (int y = 0; y < h; ++y) memcpy(out + size_t(y) * w, frame[cc] + size_t(y) * stride, size_t(w));
  *width = uint16_t(w);
  *height = uint16_t(h);
  return w * h;
}

int CMpegPictureDecoder::ConvertImage(uint8_t* out, uint16_t* width, uint16_t* height, int format) {
  uint8_t* const* frame = displayIsAuxiliary_ ? auxiliary_ : forward_;
  const MpegHeaderRecord& hd = *Base().header;
  int hs = seq_.horizontal_size, vs = seq_.vertical_size;
  int64_t area = int64_t(hs) * vs;
  bool interlaced = !hd.progressive_frame;
  const uint8_t* cb;
  const uint8_t* cr;
  int cStride;
  int ow, oh;
  if (seq_.chroma_format == 1) {
    const int cw = hs / 2, n = vs / 2;
    if (!EnsureConversionBuffer(0, area) || !EnsureConversionBuffer(1, area)) return 0;
    if (format == kOutputPacked422) {
      UpsampleVertical(frame[1], cw, n, chromaWidth_, conv_[0].get(), interlaced);
      UpsampleVertical(frame[2], cw, n, chromaWidth_, conv_[1].get(), interlaced);
      cb = conv_[0].get();
      cr = conv_[1].get();
      cStride = cw;
    } else {
      if (!EnsureConversionBuffer(2, area)) return 0;
      UpsampleVertical(frame[1], cw, n, chromaWidth_, conv_[1].get(), interlaced);
      UpsampleVertical(frame[2], cw, n, chromaWidth_, conv_[2].get(), interlaced);
      UpsampleHorizontal(conv_[1].get(), cw, 2 * n, cw, conv_[0].get(), seq_.mpeg2);
      UpsampleHorizontal(conv_[2].get(), cw, 2 * n, cw, conv_[1].get(), seq_.mpeg2);
      cb = conv_[0].get();
      cr = conv_[1].get();
      cStride = 2 * cw;
    }
    ow = 2 * cw;
    oh = 2 * n;
  } else if (seq_.chroma_format == 2) {
    int cw = hs / 2;
    if (format == kOutputPacked422) {
      cb = frame[1];
      cr = frame[2];
      cStride = chromaWidth_;
    } else {
      if (!EnsureConversionBuffer(0, area) || !EnsureConversionBuffer(1, area)) return 0;
      UpsampleHorizontal(frame[1], cw, vs, chromaWidth_, conv_[0].get(), seq_.mpeg2);
      UpsampleHorizontal(frame[2], cw, vs, chromaWidth_, conv_[1].get(), seq_.mpeg2);
      cb = conv_[0].get();
      cr = conv_[1].get();
      cStride = 2 * cw;
    }
    ow = 2 * cw;
    oh = vs;
  } else if (seq_.chroma_format == 3) {
    cb = frame[1];
    cr = frame[2];
    cStride = chromaWidth_;
    ow = format == kOutputPacked422 ? (hs & ~1) : hs;
    oh = vs;
  } else {
    error = kBadFormat;
    return 0;
  }
  const uint8_t* luma = frame[0];
  int ls = codedWidth_;
  *width = uint16_t(ow);
  *height = uint16_t(oh);

  if (format == kOutputPacked422) {
    for (int y = 0; y < oh; ++y) {
      const uint8_t* yr = luma + size_t(y) * ls;
      const uint8_t* br = cb + size_t(y) * cStride;
      const uint8_t* rr = cr + size_t(y) * cStride;
      uint8_t* o = out + size_t(y) * 2 * ow;
      bool full = seq_.chroma_format == 3;
      for (int x = 0; x + 1 < ow; x += 2) {
        int c = full ? x : x / 2;
        o[2 * x] = br[c];
        o[2 * x + 1] = yr[x];
        o[2 * x + 2] = rr[c];
        o[2 * x + 3] = yr[x + 1];
      }
    }
    return 2 * ow * oh;
  }

  ColourMatrix m = MatrixFor(hd.matrix_coefficients);
  // The colour arithmetic runs over whole rows into three planes (vectorisable), then the
  // bytes are interleaved in the order the format wants.
  std::vector<uint8_t> rgbRow(size_t(3) * ow);
  auto convertRow = [&](int y, uint8_t* o, bool rgbOrder) {
    uint8_t* rp = rgbRow.data();
    uint8_t* gp = rp + ow;
    uint8_t* bp = gp + ow;
    ColourRow(luma + size_t(y) * ls, cb + size_t(y) * cStride, cr + size_t(y) * cStride, ow, m, rp, gp, bp);
    const uint8_t* first = rgbOrder ? rp : bp;
    const uint8_t* last = rgbOrder ? bp : rp;
    for (int x = 0; x < ow; ++x) {
      o[3 * x] = first[x];
      o[3 * x + 1] = gp[x];
      o[3 * x + 2] = last[x];
    }
  };

  if (format == kOutputBitmap) {
    int rowSize = (3 * ow + 3) & ~3;
    uint32_t image = uint32_t(rowSize) * uint32_t(oh);
    memset(out, 0, 54);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out + 2, 54 + image);
    Put32(out + 10, 54);
    Put32(out + 14, 40);
    Put32(out + 18, uint32_t(ow));
    Put32(out + 22, uint32_t(oh));
    Put16(out + 26, 1);
    Put16(out + 28, 24);
    Put32(out + 34, image);
    Put32(out + 38, 200);
    Put32(out + 42, 200);
    for (int y = 0; y < oh; ++y) {
      uint8_t* o = out + 54 + size_t(oh - 1 - y) * rowSize;
      convertRow(y, o, false);
      memset(o + 3 * ow, 0, size_t(rowSize - 3 * ow));
    }
    return int(image) + 54;
  }
  if (format == kOutputTarga) {
    memset(out, 0, 18);
    out[2] = 2;
    Put16(out + 12, ow);
    Put16(out + 14, oh);
    out[16] = 24;
    out[17] = 0x20;
    for (int y = 0; y < oh; ++y) convertRow(y, out + 18 + size_t(y) * 3 * ow, false);
    return 3 * (ow * oh + 6);
  }
  char head[64];
  int n = snprintf(head, sizeof head, "P6\n%d %d\n255\n", ow, oh);
  memcpy(out, head, size_t(n));
  for (int y = 0; y < oh; ++y) convertRow(y, out + n + size_t(y) * 3 * ow, true);
  return n + 3 * ow * oh;
}
