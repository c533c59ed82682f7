// Conversion of the display picture into planes, bitmap, Targa, packed 4:2:2 or pixmap images.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "mpegdec/mpeg_errors.h"
#include "mpegdec/picture_decoder.h"
#include "mpegdec/row_ops.h"
#include "mpegdec/stream_reader.h"

using namespace mpegdec;

namespace {
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

// The MPEG-1 row loop is built twice, for AVX2 and for any x86-64, the processor choosing at start.
#if defined(__x86_64__) && !defined(__clang__)
#define MPEGDEC_ROW_LOOP __attribute__((target_clones("avx2", "default")))
#else
#define MPEGDEC_ROW_LOOP
#endif

int ClampIndex(int i, int lo, int hi) { return i < lo ? lo : i > hi ? hi : i; }

// One MPEG-1 output pair from source column i; `at` reads a source column, clamped at the row's
// ends or not.
template <typename At>
inline void UpsampleMpeg1Pair(uint8_t* d, int i, At at) {
  int s0 = 5 * at(i - 3) - 21 * at(i - 2) + 70 * at(i - 1) + 228 * at(i) - 37 * at(i + 1) + 11 * at(i + 2);
  int s1 = 5 * at(i + 3) - 21 * at(i + 2) + 70 * at(i + 1) + 228 * at(i) - 37 * at(i - 1) + 11 * at(i - 2);
  d[2 * i] = Clamp255((s0 + 128) >> 8);
  d[2 * i + 1] = Clamp255((s1 + 128) >> 8);
}

MPEGDEC_ROW_LOOP void UpsampleMpeg1Rows(const uint8_t* src, int w, int rows, int srcStride, uint8_t* dst) {
  for (int y = 0; y < rows; ++y) {
    const uint8_t* s = src + size_t(y) * srcStride;
    uint8_t* d = dst + size_t(y) * 2 * w;
    auto clamped = [&](int i) { return int(s[ClampIndex(i, 0, w - 1)]); };
    auto inside = [&](int i) { return int(s[i]); };
    // Columns whose taps all lie inside the row need no index clamping.
    int lo = 3 < w ? 3 : w, hi = w - 3;
    for (int i = 0; i < lo; ++i) UpsampleMpeg1Pair(d, i, clamped);
    for (int i = lo; i < hi; ++i) UpsampleMpeg1Pair(d, i, inside);
    for (int i = hi > lo ? hi : lo; i < w; ++i) UpsampleMpeg1Pair(d, i, clamped);
  }
}

void Put16(uint8_t* p, int v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// The 54 bytes before the bottom-up rows of a w x h 24-bit bitmap; the rows' bytes.
uint32_t WriteBitmapHeader(uint8_t* out, int w, int h) {
  const uint32_t image = uint32_t((3 * w + 3) & ~3) * uint32_t(h);
  memset(out, 0, 54);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out + 2, 54 + image);
  Put32(out + 10, 54);
  Put32(out + 14, 40);
  Put32(out + 18, uint32_t(w));
  Put32(out + 22, uint32_t(h));
  Put16(out + 26, 1);
  Put16(out + 28, 24);
  Put32(out + 34, image);
  Put32(out + 38, 200);
  Put32(out + 42, 200);
  return image;
}

// The source samples [first, end) that output sample i of count covers, as the shrink of a
// bitmap takes them: whole samples, at least one.
struct Box {
  int first, end;
};
Box BoxOf(int size, int count, int i) {
  const int first = int(int64_t(i) * size / count);
  const int end = int(int64_t(i + 1) * size / count);
  return {first, end > first ? end : first + 1};
}

// An output pixel's box of picture columns in a plane's samples: `first` and `last` take the
// weights their number of picture columns gives, the samples between them `inner` each.
struct ColumnSpan {
  int first, last;
  uint16_t firstWeight, lastWeight, inner;
  bool wide;  // the box holds the wider of the two column counts boxes have
};

// Picture columns [box.first, box.end) of which each `share` neighbours take one sample; boxes
// hold `narrow` columns or one more.
ColumnSpan SpanOf(Box box, int share, int narrow) {
  ColumnSpan s;
  s.wide = box.end - box.first != narrow;
  s.first = box.first / share;
  s.last = (box.end - 1) / share;
  s.inner = uint16_t(share);
  if (s.first == s.last) {
    s.firstWeight = uint16_t(box.end - box.first);
    s.lastWeight = 0;
  } else {
    s.firstWeight = uint16_t((s.first + 1) * share - box.first);
    s.lastWeight = uint16_t(box.end - s.last * share);
  }
  return s;
}

// (t + n/2) / n for sums t of up to 255n samples, by a multiply where n < 2^20: with
// m = 2^48/n + 1 the error t * (m - 2^48/n) / 2^48 stays below 1/n, so the quotient is exact.
class RoundedMean {
 public:
  explicit RoundedMean(uint32_t n) : n_(n), m_(n < (1u << 20) ? (uint64_t{1} << 48) / n + 1 : 0) {}
  uint8_t operator()(uint32_t total) const {
    const uint32_t t = total + n_ / 2;
    return uint8_t(m_ ? (uint64_t{t} * m_) >> 48 : t / n_);
  }

 private:
  uint32_t n_;
  uint64_t m_;
};

// The band's plane rows summed for every sample of the row, each row times its weight: 16 columns
// at a time held in registers over all the rows, so that the sums are stored once a band.
template <bool kWeighted>
void SumBand(const uint8_t* const* lines, const uint16_t* weights, int count, int width, uint16_t* sums) {
  int x = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; x + 16 <= width; x += 16) {
    __m128i lo = zero, hi = zero;
    for (int r = 0; r < count; ++r) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lines[r] + x));
      __m128i a = _mm_unpacklo_epi8(v, zero), b = _mm_unpackhi_epi8(v, zero);
      if (kWeighted) {
        const __m128i w = _mm_set1_epi16(static_cast<short>(weights[r]));
        a = _mm_mullo_epi16(a, w);
        b = _mm_mullo_epi16(b, w);
      }
      lo = _mm_add_epi16(lo, a);
      hi = _mm_add_epi16(hi, b);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + x), lo);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + x + 8), hi);
  }
#endif
  for (; x < width; ++x) {
    uint16_t sum = 0;
    for (int r = 0; r < count; ++r) sum = uint16_t(sum + lines[r][x] * (kWeighted ? weights[r] : 1));
    sums[x] = sum;
  }
}

// The mean of a plane over each output pixel's box of picture pixels, one output row of `count`
// a call, each picture pixel taking the plane's sample at its place (a chroma sample stands for
// the two or four pixels it covers, a field's rows for its own lines). `row(y)` gives a line's
// plane row; rows are summed into `sums` (16 bits: a band of up to 257 rows).
template <typename RowOf>
void MeanRow(const uint8_t* plane, int stride, int planeWidth, Box rows, const ColumnSpan* columns, int count,
             int narrow, RowOf row, uint16_t* sums, uint8_t* out) {
  // A plane row standing for several of the band's lines is added once, times their number.
  const uint8_t* band[257];
  uint16_t weights[257];
  int n = 0;
  bool weighted = false;
  for (int y = rows.first; y < rows.end && n < 257;) {
    const int at = row(y);
    int times = 1;
    while (y + times < rows.end && row(y + times) == at) ++times;
    y += times;
    band[n] = plane + size_t(at) * stride;
    weights[n++] = uint16_t(times);
    weighted |= times > 1;
  }
  (weighted ? SumBand<true> : SumBand<false>)(band, weights, n, planeWidth, sums);
  const uint32_t lines = uint32_t(rows.end - rows.first);
  const RoundedMean mean[2] = {RoundedMean(lines * uint32_t(narrow)), RoundedMean(lines * uint32_t(narrow + 1))};
  for (int i = 0; i < count; ++i) {
    const ColumnSpan& c = columns[i];
    uint32_t inner = 0;
    for (int x = c.first + 1; x < c.last; ++x) inner += sums[x];
    const uint32_t total =
        sums[c.first] * uint32_t(c.firstWeight) + sums[c.last] * uint32_t(c.lastWeight) + inner * uint32_t(c.inner);
    out[i] = mean[c.wide](total);
  }
}
}  // namespace

namespace {
// Output row r (of 2 x rows) of the vertical chroma upsampling, so that a conversion can make
// each row as it needs it instead of upsampling the whole plane first.
void UpsampleVerticalRow(const RowOps& ops, const uint8_t* src, int width, int h, int srcStride, int r,
                         uint8_t* __restrict d, bool interlaced) {
  auto row = [&](int i) { return src + size_t(i) * srcStride; };
  auto filter = [&](const int* k, const uint8_t* const* t) { ops.verticalTaps(k, t, width, d); };
  if (!interlaced) {
    static constexpr int kP[6] = {3, -16, 67, 227, -32, 7};
    const int i = r >> 1, dir = r & 1 ? -1 : 1, first = r & 1 ? i + 3 : i - 3;
    const uint8_t* t[6];
    for (int k = 0; k < 6; ++k) t[k] = row(ClampIndex(first + dir * k, 0, h - 1));
    filter(kP, t);
    return;
  }
  static constexpr int kA[6] = {1, -7, 30, 248, -21, 5};
  static constexpr int kB[6] = {7, -35, 194, 110, -24, 4};
  // Even rows belong to the top field, odd ones to the bottom field; each clamps within its own.
  // Output rows come in fours from field rows j and j + 1: top, bottom, top, bottom. An odd row
  // count leaves a last top-field row whose two output rows come from the same taps.
  const int lastTop = (h - 1) & ~1;
  const int lastBottom = h >= 2 ? ((h - 2) | 1) : 0;
  const int firstBottom = h >= 2 ? 1 : 0;
  const int j = (r >> 2) << 1;
  const uint8_t* t[6];
  switch (r & 3) {
    case 0:
      for (int k = 0; k < 6; ++k) t[k] = row(ClampIndex(j - 6 + 2 * k, 0, lastTop));
      return filter(kA, t);
    case 1:
      for (int k = 0; k < 6; ++k) t[k] = row(ClampIndex(j + 5 - 2 * k, firstBottom, lastBottom));
      return filter(kB, t);
    case 2:
      for (int k = 0; k < 6; ++k) t[k] = row(ClampIndex(j - 4 + 2 * k, 0, lastTop));
      return filter(kB, t);
    default:
      for (int k = 0; k < 6; ++k) t[k] = row(ClampIndex(j + 7 - 2 * k, firstBottom, lastBottom));
      return filter(kA, t);
  }
}
}  // namespace

void CMpegPictureDecoder::UpsampleVertical(const uint8_t* src, int width, int rows, int srcStride, uint8_t* dst,
                                           bool interlaced, const RowOps* ops) {
  const RowOps& use = ops ? *ops : ActiveRowOps();
  for (int r = 0; r < 2 * rows; ++r)
    UpsampleVerticalRow(use, src, width, rows, srcStride, r, dst + size_t(r) * width, interlaced);
}

void CMpegPictureDecoder::UpsampleHorizontal(const uint8_t* src, int width, int rows, int srcStride, uint8_t* dst,
                                             bool mpeg2, const RowOps* ops) {
  if (width <= 0) return;
  if (!mpeg2) return UpsampleMpeg1Rows(src, width, rows, srcStride, dst);
  const RowOps& use = ops ? *ops : ActiveRowOps();
  for (int y = 0; y < rows; ++y) use.mpeg2Row(src + size_t(y) * srcStride, width, dst + size_t(y) * 2 * width);
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
  const int hs = seq_.horizontal_size, vs = seq_.vertical_size, cf = seq_.chroma_format;
  const int cw = hs / 2, n = vs / 2;
  const bool interlaced = !hd.progressive_frame;
  const bool packed = format == kOutputPacked422;
  int ow, oh;
  if (cf == 1) {
    ow = 2 * cw;
    oh = 2 * n;
  } else if (cf == 2) {
    ow = 2 * cw;
    oh = vs;
  } else if (cf == 3) {
    ow = packed ? (hs & ~1) : hs;
    oh = vs;
  } else {
    error = kBadFormat;
    return 0;
  }
  const uint8_t* luma = frame[0];
  const int ls = codedWidth_;

  if (packed) {
    const uint8_t* cb = frame[1];
    const uint8_t* cr = frame[2];
    int cStride = chromaWidth_;
    if (cf == 1) {
      const int64_t area = int64_t(hs) * vs;
      if (!EnsureConversionBuffer(0, area) || !EnsureConversionBuffer(1, area)) return 0;
      UpsampleVertical(frame[1], cw, n, chromaWidth_, conv_[0].get(), interlaced, rowOps_);
      UpsampleVertical(frame[2], cw, n, chromaWidth_, conv_[1].get(), interlaced, rowOps_);
      cb = conv_[0].get();
      cr = conv_[1].get();
      cStride = cw;
    }
    *width = uint16_t(ow);
    *height = uint16_t(oh);
    for (int y = 0; y < oh; ++y) {
      const uint8_t* yr = luma + size_t(y) * ls;
      const uint8_t* br = cb + size_t(y) * cStride;
      const uint8_t* rr = cr + size_t(y) * cStride;
      uint8_t* o = out + size_t(y) * 2 * ow;
      bool full = cf == 3;
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

  // Each output row's chroma is upsampled as the row is converted, so that the work stays in a
  // few rows of cache instead of passing over whole upsampled planes: rows of Cb and Cr at full
  // width and one vertically upsampled row.
  if (!EnsureConversionBuffer(2, int64_t(2) * ow + cw + 16)) return 0;
  uint8_t* rowCb = conv_[2].get();
  uint8_t* rowCr = rowCb + ow;
  uint8_t* vertical = rowCr + ow;
  auto chromaRow = [&](const uint8_t* plane, int y, uint8_t* dst) -> const uint8_t* {
    const uint8_t* src = plane + size_t(y) * chromaWidth_;
    if (cf == 3) return src;
    if (cf == 1) {
      UpsampleVerticalRow(*rowOps_, plane, cw, n, chromaWidth_, y, vertical, interlaced);
      src = vertical;
    }
    UpsampleHorizontal(src, cw, 1, cw, dst, seq_.mpeg2, rowOps_);
    return dst;
  };
  *width = uint16_t(ow);
  *height = uint16_t(oh);

  const ColourMatrix m = MatrixFor(hd.matrix_coefficients);
  const RowOps& ops = *rowOps_;
  auto convertRow = [&](int y, uint8_t* o, bool rgbOrder) {
    const uint8_t* br = chromaRow(frame[1], y, rowCb);
    const uint8_t* rr = chromaRow(frame[2], y, rowCr);
    ops.colourRow(luma + size_t(y) * ls, br, rr, ow, m, rgbOrder, o);
  };

  if (format == kOutputBitmap) {
    const int rowSize = (3 * ow + 3) & ~3;
    const uint32_t image = WriteBitmapHeader(out, ow, oh);
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
  int headBytes = snprintf(head, sizeof head, "P6\n%d %d\n255\n", ow, oh);
  memcpy(out, head, size_t(headBytes));
  for (int y = 0; y < oh; ++y) convertRow(y, out + headBytes + size_t(y) * 3 * ow, true);
  return headBytes + 3 * ow * oh;
}

int CMpegPictureDecoder::DecodeToThumbnail(uint8_t* out, int width, int height) {
  if (error == kNotOpen || !forward_[0] || !out || width < 1 || height < 1) {
    if (error != kNotOpen) error = kBadState;
    return 0;
  }
  uint8_t* const* frame = displayIsAuxiliary_ ? auxiliary_ : forward_;
  const int hs = seq_.horizontal_size, vs = seq_.vertical_size, cf = seq_.chroma_format;
  // The picture as the full conversion makes it, and its chroma planes.
  const int ow = cf == 3 ? hs : 2 * (hs / 2), oh = cf == 1 ? 2 * (vs / 2) : vs;
  const int cw = cf == 3 ? hs : hs / 2, ch = cf == 1 ? vs / 2 : vs;
  // Sums of 16 bits hold bands of up to 257 rows.
  if (cf < 1 || cf > 3 || ow < 1 || oh < 1 || cw < 1 || ch < 1 || oh / height + 1 > 257) {
    error = kBadFormat;
    return 0;
  }
  // Chroma samples stand for two picture columns unless the chroma is full.
  std::vector<ColumnSpan> lumaColumns(static_cast<size_t>(width)), chromaColumns(static_cast<size_t>(width));
  const int narrow = ow > width ? ow / width : 1;
  for (int i = 0; i < width; ++i) {
    lumaColumns[size_t(i)] = SpanOf(BoxOf(ow, width, i), 1, narrow);
    chromaColumns[size_t(i)] = SpanOf(BoxOf(ow, width, i), cf == 3 ? 1 : 2, narrow);
  }
  std::vector<uint16_t> sums(static_cast<size_t>(ow));
  std::vector<uint8_t> means(size_t(3) * width);
  uint8_t* y = means.data();
  uint8_t* cb = y + width;
  uint8_t* cr = cb + width;
  const bool interlaced = !Base().header->progressive_frame;
  auto same = [](int i) { return i; };
  // 4:2:0 chroma rows stand for two lines, of the same field when the frame is interlaced.
  auto chromaRow = [cf, interlaced, ch](int line) {
    if (cf != 1) return line;
    const int r = interlaced ? (line >> 2) * 2 + (line & 1) : line >> 1;
    return r < ch ? r : ch - 1;
  };
  const ColourMatrix m = MatrixFor(Base().header->matrix_coefficients);
  const int rowSize = (3 * width + 3) & ~3;
  const uint32_t image = WriteBitmapHeader(out, width, height);
  for (int r = 0; r < height; ++r) {
    const Box rows = BoxOf(oh, height, r);
    MeanRow(frame[0], codedWidth_, ow, rows, lumaColumns.data(), width, narrow, same, sums.data(), y);
    MeanRow(frame[1], chromaWidth_, cw, rows, chromaColumns.data(), width, narrow, chromaRow, sums.data(), cb);
    MeanRow(frame[2], chromaWidth_, cw, rows, chromaColumns.data(), width, narrow, chromaRow, sums.data(), cr);
    uint8_t* o = out + 54 + size_t(height - 1 - r) * rowSize;
    rowOps_->colourRow(y, cb, cr, width, m, false, o);
    memset(o + 3 * width, 0, size_t(rowSize - 3 * width));
  }
  return int(image) + 54;
}
