#include "platform/gdi/dib_shrink.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform::gdi {
namespace {

// The source columns [first, end) one destination column covers; first < 0 when it starts
// outside the source.
struct Span {
  int first, end;
};

Span Extent(int origin, int size, int limit, int index, int count) {
  const int first = origin + static_cast<int>(static_cast<int64_t>(index) * size / count);
  if (first < 0 || first >= limit) return {-1, -1};
  const int end = std::max(first + 1, origin + static_cast<int>(static_cast<int64_t>(index + 1) * size / count));
  return {first, std::min(end, limit)};
}

// Each destination row adds up its band of source rows column by column (a straight pass over
// the bytes the compiler makes wide), then each destination pixel adds up its columns.
// acc[i] += row[i] for i < count; 16-bit sums hold bands of up to 257 rows.
void AddRow(uint16_t* __restrict acc, const uint8_t* __restrict row, size_t count) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= count; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
    auto* a = reinterpret_cast<__m128i*>(acc + i);
    _mm_storeu_si128(a, _mm_add_epi16(_mm_loadu_si128(a), _mm_unpacklo_epi8(bytes, zero)));
    _mm_storeu_si128(a + 1, _mm_add_epi16(_mm_loadu_si128(a + 1), _mm_unpackhi_epi8(bytes, zero)));
  }
#endif
  for (; i < count; ++i) acc[i] = static_cast<uint16_t>(acc[i] + row[i]);
}

void AddRow(uint32_t* __restrict acc, const uint8_t* __restrict row, size_t count) {
  for (size_t i = 0; i < count; ++i) acc[i] += row[i];
}

constexpr int kShortBand = 65535 / 255;

template <int kBytes, typename Sum>
void Shrink(BitmapObj& target, const std::vector<RECT>& clips, RECT dr, const uint8_t* base, size_t stride,
            bool topDown, int width, int height, int sx, int sy, int sw, int sh) {
  const int dw = dr.right - dr.left, dh = dr.bottom - dr.top;
  std::vector<Span> columns(static_cast<size_t>(dw));
  for (int rx = 0; rx < dw; ++rx) columns[static_cast<size_t>(rx)] = Extent(sx, sw, width, rx, dw);
  std::vector<Sum> sums;
  for (const RECT& c : clips) {
    const int x0 = std::max(dr.left, c.left), x1 = std::min(dr.right, c.right);
    const int y0 = std::max(dr.top, c.top), y1 = std::min(dr.bottom, c.bottom);
    // The source columns this clip rectangle reads.
    int lo = width, hi = 0;
    for (int x = x0; x < x1; ++x) {
      const Span cols = columns[static_cast<size_t>(x - dr.left)];
      if (cols.first < 0) continue;
      lo = std::min(lo, cols.first);
      hi = std::max(hi, cols.end);
    }
    if (lo >= hi) continue;
    const size_t count = static_cast<size_t>(hi - lo) * kBytes;
    sums.resize(count);
    for (int y = y0; y < y1; ++y) {
      const Span rows = Extent(sy, sh, height, y - dr.top, dh);
      if (rows.first < 0) continue;
      std::fill(sums.begin(), sums.end(), Sum{0});
      Sum* acc = sums.data();
      for (int yy = rows.first; yy < rows.end; ++yy)
        AddRow(acc,
               base + static_cast<size_t>(topDown ? yy : height - 1 - yy) * stride + static_cast<size_t>(lo) * kBytes,
               count);
      const uint32_t bandRows = static_cast<uint32_t>(rows.end - rows.first);
      for (int x = x0; x < x1; ++x) {
        const Span cols = columns[static_cast<size_t>(x - dr.left)];
        if (cols.first < 0) continue;
        uint32_t r = 0, g = 0, b = 0;
        for (const Sum *q = acc + static_cast<size_t>(cols.first - lo) * kBytes,
                       *e = acc + static_cast<size_t>(cols.end - lo) * kBytes;
             q < e; q += kBytes) {
          b += q[0];
          g += q[1];
          r += q[2];
        }
        const uint32_t n = bandRows * static_cast<uint32_t>(cols.end - cols.first);
        target.Set(x, y, ((r / n) << 16) | ((g / n) << 8) | (b / n));
      }
    }
  }
}

}  // namespace

bool ShrinkDibHalftone(DcObj& dst, RECT dr, const void* bits, const BITMAPINFOHEADER& header, int sx, int sy, int sw,
                       int sh) {
  BitmapObj* target = dst.Target();
  if (!target || target->bpp == 1 || (header.biBitCount != 24 && header.biBitCount != 32)) return false;
  if (dr.right <= dr.left || dr.bottom <= dr.top || sw <= 0 || sh <= 0) return true;
  const int width = header.biWidth, height = std::abs(header.biHeight);
  const size_t stride = (static_cast<size_t>(width) * header.biBitCount + 31) / 32 * 4;
  const auto* base = static_cast<const uint8_t*>(bits);
  const bool topDown = header.biHeight < 0;
  // The widest band of rows one destination row adds up decides the width of the sums.
  const bool shortBands = static_cast<int64_t>(sh) / (dr.bottom - dr.top) + 1 <= kShortBand;
  const auto& clips = dst.ClipRects();
  if (header.biBitCount == 24 && shortBands)
    Shrink<3, uint16_t>(*target, clips, dr, base, stride, topDown, width, height, sx, sy, sw, sh);
  else if (header.biBitCount == 24)
    Shrink<3, uint32_t>(*target, clips, dr, base, stride, topDown, width, height, sx, sy, sw, sh);
  else if (shortBands) Shrink<4, uint16_t>(*target, clips, dr, base, stride, topDown, width, height, sx, sy, sw, sh);
  else Shrink<4, uint32_t>(*target, clips, dr, base, stride, topDown, width, height, sx, sy, sw, sh);
  return true;
}

}  // namespace platform::gdi
