#pragma once

#include <cstdint>

namespace mpegdec {

// The colour matrix of a stream: the inverse of its Y'CbCr matrix scaled by 65536.
struct ColourMatrix {
  int crv, cbu, cgu, cgv;
};

// The per-row kernels of the picture output behind one table, chosen once by the CPU's flags.
// The plain C table is the reference: every other one gives the same bytes for any input.
struct RowOps {
  const char* name;
  // clip((sum of k[i] x rows[i][x] + 128) >> 8) for each x below width: six taps down a column.
  void (*verticalTaps)(const int* k, const uint8_t* const* rows, int width, uint8_t* dst);
  // The 13818-2 doubling of one row of w samples into 2 w: even outputs copy, odd ones filter.
  void (*mpeg2Row)(const uint8_t* src, int w, uint8_t* dst);
  // n pixels of Y, Cb and Cr (at full width) into 3 n bytes B, G, R, or R, G, B.
  void (*colourRow)(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int n, ColourMatrix m, bool rgbOrder,
                    uint8_t* out);
};

const RowOps& PlainRowOps();
// Null where the build or the processor has no such version.
const RowOps* Ssse3RowOps();
const RowOps* Avx2RowOps();
// The fastest table this processor runs, chosen at the first call.
const RowOps& ActiveRowOps();

}  // namespace mpegdec
