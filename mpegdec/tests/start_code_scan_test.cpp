// The backward start code scan against the plain byte-by-byte definition.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "mpegdec/start_code_scan.h"

using mpegdec::LastPrefixEnd;

namespace {
int Plain(const std::vector<uint8_t>& p, int lo, int top) {
  for (int j = top; j >= lo; --j)
    if (p[size_t(j)] == 1 && p[size_t(j - 1)] == 0 && p[size_t(j - 2)] == 0) return j;
  return -1;
}
}  // namespace

TEST(StartCodeScan, FindsTheSamePrefixAsAByteScanForEveryWindow) {
  // Bytes mostly 00 and 01, so that prefixes, near misses (00 01, 00 00 00 01) and block edges
  // come often; every window of the buffer is tried.
  std::mt19937 rng(51);
  std::discrete_distribution<int> byte({5, 3, 2});
  for (int trial = 0; trial < 20; ++trial) {
    std::vector<uint8_t> p(90);
    for (uint8_t& b : p) b = uint8_t(byte(rng) == 2 ? 0x47 : byte(rng));
    for (int lo = 2; lo < int(p.size()); ++lo)
      for (int top = lo - 1; top < int(p.size()); ++top)
        ASSERT_EQ(Plain(p, lo, top), LastPrefixEnd(p.data(), lo, top)) << "lo " << lo << " top " << top;
  }
}

TEST(StartCodeScan, ReadsNothingOutsideItsWindow) {
  // A prefix just outside each end of the window is not found; one filling its lowest places is.
  std::vector<uint8_t> p(64, 0x55);
  p[40] = 0, p[41] = 0, p[42] = 1;  // ends at 42, above the window
  EXPECT_EQ(-1, LastPrefixEnd(p.data(), 2, 41));
  p[0] = 0, p[1] = 0, p[2] = 1;  // ends at 2, the lowest place
  EXPECT_EQ(2, LastPrefixEnd(p.data(), 2, 41));
  EXPECT_EQ(-1, LastPrefixEnd(p.data(), 3, 41));
  EXPECT_EQ(42, LastPrefixEnd(p.data(), 2, 63));
}
