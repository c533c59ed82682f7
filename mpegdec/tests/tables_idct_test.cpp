// The code tables and the inverse transforms.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "mpegdec/picture_decoder.h"
#include "mpegdec/vlc_tables.h"

using namespace mpegdec;

namespace {
std::string Bits(const char* s) {
  std::string out;
  for (; *s; ++s)
    if (*s == '0' || *s == '1') out += *s;
  return out;
}

// No code may be the prefix of another; returns the share of the code space the codes use.
template <typename Code>
double CheckPrefixFree(const std::vector<Code>& codes) {
  double kraft = 0.0;
  for (size_t i = 0; i < codes.size(); ++i) {
    std::string a = Bits(codes[i].bits);
    kraft += std::ldexp(1.0, -int(a.size()));
    for (size_t j = 0; j < codes.size(); ++j) {
      if (i == j) continue;
      std::string b = Bits(codes[j].bits);
      EXPECT_FALSE(b.compare(0, a.size(), a) == 0 && b.size() >= a.size()) << a << " prefixes " << b;
    }
  }
  return kraft;
}

}  // namespace

TEST(CodeTables, AreCompletePrefixCodes) {
  // Table one fills the code space but for the twelve-zero prefix that no code starts with.
  EXPECT_DOUBLE_EQ(CheckPrefixFree(DctCodesB14()), 1.0 - std::ldexp(1.0, -12));
  // Table two leaves six 12-bit and four 13-bit codes unused (they decode as in table one).
  EXPECT_DOUBLE_EQ(CheckPrefixFree(DctCodesB15()),
                   1.0 - std::ldexp(1.0, -12) - 6 * std::ldexp(1.0, -12) - 4 * std::ldexp(1.0, -13));
  EXPECT_DOUBLE_EQ(CheckPrefixFree(CodedBlockPatternCodes()), 1.0 - std::ldexp(1.0, -9));
  EXPECT_DOUBLE_EQ(CheckPrefixFree(MacroblockAddressIncrementCodes()),
                   1.0 - 2 * std::ldexp(1.0, -8) - 6 * std::ldexp(1.0, -11));
  EXPECT_DOUBLE_EQ(CheckPrefixFree(MotionCodeCodes()), 1.0 - std::ldexp(1.0, -7) - std::ldexp(1.0, -8));
  // Every run/level pair of the second table is also in the first.
  for (const DctCode& c : DctCodesB15()) {
    bool found = false;
    for (const DctCode& d : DctCodesB14()) found |= d.run == c.run && d.level == c.level;
    EXPECT_TRUE(found) << c.run << "/" << c.level;
  }
}

TEST(InverseTransform, DcBlocksLimitsAndAgreementWithTheReference) {
  for (int dc : {-2048, -1000, -9, -1, 0, 1, 7, 300, 2047}) {
    int16_t b[64] = {};
    b[0] = int16_t(dc);
    CMpegPictureDecoder::FastIdct(b);
    int expected = (8 * dc + 32) >> 6;
    expected = expected < -256 ? -256 : expected > 255 ? 255 : expected;
    for (int i = 0; i < 64; ++i) ASSERT_EQ(b[i], expected) << dc;
  }
  // Coefficients far outside the usual range clamp instead of overrunning a table.
  int16_t big[64];
  for (int i = 0; i < 64; ++i) big[i] = int16_t(i & 1 ? -32768 : 32767);
  CMpegPictureDecoder::FastIdct(big);
  for (int i = 0; i < 64; ++i) ASSERT_TRUE(big[i] >= -256 && big[i] <= 255);
  // A lone mismatch-control bit in the last coefficient changes no sample: uncoded blocks
  // can be left out of the reconstruction.
  for (int v : {1, -1}) {
    int16_t b[64] = {};
    b[63] = int16_t(v);
    CMpegPictureDecoder::FastIdct(b);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(b[i], 0);
  }
  std::mt19937 rng(11);
  int worst = 0;
  for (int n = 0; n < 2000; ++n) {
    int16_t a[64] = {}, r[64];
    for (int k = 0; k < 10; ++k) a[rng() % 64] = int16_t(int(rng() % 600) - 300);
    std::copy(a, a + 64, r);
    CMpegPictureDecoder::FastIdct(a);
    CMpegPictureDecoder::ReferenceIdct(r);
    for (int i = 0; i < 64; ++i) worst = std::max(worst, std::abs(a[i] - r[i]));
  }
  EXPECT_LE(worst, 1);
}

TEST(InverseTransform, SaturationAndMismatchControl) {
  int16_t b[64] = {};
  b[0] = 3000;
  b[5] = -5000;
  CMpegPictureDecoder::Saturate(b);
  EXPECT_EQ(b[0], 2047);
  EXPECT_EQ(b[5], -2048);
  EXPECT_EQ(b[63], 0);  // sum -1 is odd: untouched
  int16_t e[64] = {};
  e[0] = 8;
  CMpegPictureDecoder::Saturate(e);
  EXPECT_EQ(e[63], 1);  // even sum: lowest bit of the last coefficient flipped
}
