#pragma once

#include <cstdint>

// Fixed tables of the two video standards shared by the header parser and the block decoders.
namespace mpegdec {
extern const uint8_t kZigzagScan[64];  // scan position -> raster index
extern const uint8_t kAlternateScan[64];
extern const uint8_t kDefaultIntraMatrix[64];  // raster order
extern const uint8_t kNonLinearQuantiserScale[32];
double FrameRateOfCode(int code);  // 0.0 for code 0, -1.0 for reserved codes
}  // namespace mpegdec
