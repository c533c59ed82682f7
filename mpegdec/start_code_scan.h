#pragma once

#include <cstdint>

namespace mpegdec {

// The highest j in [lo, top] where p[j - 2], p[j - 1] and p[j] are 00 00 01 (the end of a start
// code prefix), or -1 when there is none. lo is at least 2: p[lo - 2] to p[top] are read.
int LastPrefixEnd(const uint8_t* p, int lo, int top);

}  // namespace mpegdec
