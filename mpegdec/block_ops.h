#pragma once

#include <cstdint>

namespace mpegdec {

// The per-block kernels of the decode loop behind one table, chosen once by the CPU's flags.
// The plain C table is the reference: every other one gives the same bytes for any input.
struct BlockOps {
  const char* name;
  // Where the transforms read each coefficient: order[8 r + c] is the place of row r, column c
  // in the blocks they take, as the decoder writes them. The first and the last coefficient
  // stay in place, so saturate works in any order.
  const uint8_t* order;
  // The integer inverse transform in place; the output is clipped to -256..255.
  void (*idct)(int16_t* block);
  // Clamps the coefficients to -2048..2047 and makes their sum odd through the last one.
  void (*saturate)(int16_t* block);
  // An intra block into the picture: block + 128, clipped to 0..255.
  void (*putBlock)(const int16_t* block, uint8_t* dst, int stride);
  // A residual onto its prediction: dst + block, clipped to 0..255.
  void (*addBlock)(const int16_t* block, uint8_t* dst, int stride);
  // idct then putBlock, or idct then addBlock, in one go; the block holds the transform after
  // or is left undefined, as a version chooses.
  void (*idctPut)(int16_t* block, uint8_t* dst, int stride);
  void (*idctAdd)(int16_t* block, uint8_t* dst, int stride);
  // saturate then idctPut, or saturate then idctAdd: the MPEG-2 block's whole way into the
  // picture, kept in registers where a version can.
  void (*saturatedIdctPut)(int16_t* block, uint8_t* dst, int stride);
  void (*saturatedIdctAdd)(int16_t* block, uint8_t* dst, int stride);
  // saturatedIdctPut and saturatedIdctAdd for a block whose coefficients but the first are
  // zero, as the decoder knows from its codes: most blocks of a flat or coarsely quantised
  // picture are such.
  void (*saturatedFirstOnlyPut)(int16_t* block, uint8_t* dst, int stride);
  void (*saturatedFirstOnlyAdd)(int16_t* block, uint8_t* dst, int stride);
  // Half-sample prediction of a w x h area (w a multiple of 8), indexed [average][xh + 2 yh]:
  // s2 is the offset of the row below for vertical interpolation, step the distance between rows.
  void (*predict[2][4])(uint8_t* dst, const uint8_t* src, int s2, int step, int w, int h);
};

// The saturated pair composed from a table's own saturate and transforms, for versions without
// a fused one.
template <const BlockOps& kOps>
void SaturateThenIdctPut(int16_t* block, uint8_t* dst, int stride) {
  kOps.saturate(block);
  kOps.idctPut(block, dst, stride);
}
template <const BlockOps& kOps>
void SaturateThenIdctAdd(int16_t* block, uint8_t* dst, int stride) {
  kOps.saturate(block);
  kOps.idctAdd(block, dst, stride);
}

// The order of the plain and the SSE2 table: rows one after the other.
extern const uint8_t kRasterOrder[64];

const BlockOps& PlainBlockOps();
// Null where the build or the processor has no such version.
const BlockOps* Sse2BlockOps();
const BlockOps* Avx2BlockOps();
// The fastest table this processor runs, chosen at the first call.
const BlockOps& ActiveBlockOps();

}  // namespace mpegdec
