#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/dshow/sim_filters.h"
#include "platform/dshow/sim_pattern.h"

namespace platform::dshow::sim {
namespace {

struct Painted {
  CMediaType mt;
  std::vector<BYTE> data;
};

Painted Paint(GUID subtype, int w, int h, long long n, const PictureAdjust& adjust = {}) {
  Painted p{MakeVideoType(subtype, w, h, 333667), {}};
  const int bpp = p.mt.Format<VIDEOINFOHEADER>()->bmiHeader.biBitCount / 8;
  p.data.resize(static_cast<std::size_t>(w) * h * bpp);
  PaintFrame(subtype, w, h, n, 333667, p.data.data(), static_cast<std::size_t>(w) * bpp, adjust);
  return p;
}

// The decoder's controls on the bars, in YUV and in RGB: brightness lifts every level, contrast
// scales them about black, no saturation leaves grey, and half a turn of hue puts each colour
// opposite its own.
TEST(Pattern, PictureControlsChangeTheBarsAsADecoderWould) {
  const auto original = Paint(MEDIASUBTYPE_YUY2, 720, 480, 1);
  const BYTE* plain = &original.data[720 * 2 * 50];
  const auto bright = Paint(MEDIASUBTYPE_YUY2, 720, 480, 1, {30, 1, 1, 0});
  const BYTE* row = &bright.data[720 * 2 * 50];
  EXPECT_EQ(row[300], plain[300] + 30);    // yellow Y
  EXPECT_EQ(row[1400], plain[1400] + 30);  // blue Y
  EXPECT_EQ(row[301], plain[301]);         // colour untouched
  const auto soft = Paint(MEDIASUBTYPE_YUY2, 720, 480, 1, {0, 0.5, 1, 0});
  EXPECT_NEAR(soft.data[720 * 2 * 50 + 20], 16 + (180 - 16) / 2, 1);  // white
  const auto turned = Paint(MEDIASUBTYPE_YUY2, 720, 480, 1, {0, 1, 1, 180});
  EXPECT_NEAR(turned.data[720 * 2 * 50 + 301], 256 - plain[301], 1);  // yellow U mirrored
  EXPECT_NEAR(turned.data[720 * 2 * 50 + 303], 256 - plain[303], 1);
  EXPECT_EQ(turned.data[720 * 2 * 50 + 300], plain[300]);

  const auto grey = Paint(MEDIASUBTYPE_RGB24, 720, 480, 1, {0, 1, 0, 0});
  const BYTE* yellow = &grey.data[(479 - 50) * 720 * 3 + 150 * 3];
  EXPECT_NEAR(yellow[0], yellow[2], 1);
  EXPECT_NEAR(yellow[1], yellow[2], 1);
  EXPECT_NEAR(yellow[1], 169, 3);  // yellow's luma (162) as full-range grey
  const auto lifted = Paint(MEDIASUBTYPE_RGB32, 720, 480, 1, {20, 1, 1, 0});
  const BYTE* blue = &lifted.data[(479 - 50) * 720 * 4 + 700 * 4];
  EXPECT_GT(blue[0], 191);
  EXPECT_GT(blue[2], 0);
}

TEST(Pattern, BarsAreCodedRightForEverySubtype) {
  // Row 50 of frame 1 (no flash): white bar at x 10, yellow at x 150, blue at x 700.
  const auto yuy2 = Paint(MEDIASUBTYPE_YUY2, 720, 480, 1);
  const BYTE* row = &yuy2.data[720 * 2 * 50];
  EXPECT_NEAR(row[20], 180, 1);   // white Y
  EXPECT_NEAR(row[21], 128, 1);   // white U
  EXPECT_NEAR(row[300], 162, 1);  // yellow Y
  EXPECT_NEAR(row[301], 44, 1);   // yellow U
  EXPECT_NEAR(row[303], 142, 1);  // yellow V
  EXPECT_NEAR(row[1400], 35, 1);  // blue Y

  const auto uyvy = Paint(MEDIASUBTYPE_UYVY, 720, 480, 1);
  const BYTE* urow = &uyvy.data[720 * 2 * 50];
  EXPECT_EQ(urow[301], row[300]);  // Y at odd bytes
  EXPECT_EQ(urow[300], row[301]);  // U first

  // RGB rows are bottom-up BGR: row 50 from the top is stored at h - 1 - 50.
  const auto rgb24 = Paint(MEDIASUBTYPE_RGB24, 720, 480, 1);
  const BYTE* yellow = &rgb24.data[(479 - 50) * 720 * 3 + 150 * 3];
  EXPECT_EQ(yellow[0], 0);
  EXPECT_EQ(yellow[1], 191);
  EXPECT_EQ(yellow[2], 191);
  const auto rgb32 = Paint(MEDIASUBTYPE_RGB32, 720, 480, 1);
  const BYTE* blue = &rgb32.data[(479 - 50) * 720 * 4 + 700 * 4];
  EXPECT_EQ(blue[0], 191);
  EXPECT_EQ(blue[2], 0);
}

TEST(Pattern, FrameCodeReadsBackInEverySubtypeAndAfterHalving) {
  for (GUID subtype : {MEDIASUBTYPE_YUY2, MEDIASUBTYPE_UYVY, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB32})
    for (long long n : {0LL, 1LL, 29LL, 4660LL, (1LL << 24) - 1}) {
      const auto p = Paint(subtype, 352, 240, n);
      EXPECT_EQ(FrameNumberOfPicture(p.mt, p.data), n);
    }
  // Halving the size both ways (as an encoder at level 0 does) keeps the code.
  const auto big = Paint(MEDIASUBTYPE_YUY2, 720, 480, 123456);
  std::vector<std::uint8_t> half(360 * 240);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 360; ++x) half[y * 360 + x] = big.data[(2 * y * 720 + 2 * x) * 2];
  EXPECT_EQ(ReadFrameCode(half.data(), 360, 240, 360), 123456);
  EXPECT_EQ(ReadFrameCode(half.data(), 360, 8, 360), -1);
}

TEST(Pattern, OneFlashEachSecondAtBothRates) {
  std::vector<long long> ntsc, pal;
  for (long long n = 0; n < 95; ++n) {
    if (IsFlashFrame(n, 333667)) ntsc.push_back(n);
    if (IsFlashFrame(n, 400000)) pal.push_back(n);
  }
  EXPECT_EQ(ntsc, (std::vector<long long>{0, 30, 60, 90}));
  EXPECT_EQ(pal, (std::vector<long long>{0, 25, 50, 75}));
  // The box moves between frames outside the flash.
  const auto a = Paint(MEDIASUBTYPE_YUY2, 720, 480, 5);
  const auto b = Paint(MEDIASUBTYPE_YUY2, 720, 480, 6);
  EXPECT_NE(a.data, b.data);
}

TEST(Pattern, ToneAtMinus12WithABurstAtEachSecond) {
  const int rate = 48000;
  std::vector<std::int16_t> pcm(2 * rate * 2);
  FillTone(pcm.data(), 2, rate, 0, 2 * rate);
  auto crossings = [&](int from, int to) {
    int n = 0;
    for (int i = from + 1; i < to; ++i) n += (pcm[2 * (i - 1)] < 0) != (pcm[2 * i] < 0);
    return n;
  };
  // Zero crossings per 50 ms: 200 at 2 kHz, 100 at 1 kHz.
  EXPECT_NEAR(crossings(0, rate / 20), 200, 2);
  EXPECT_NEAR(crossings(rate / 2, rate / 2 + rate / 20), 100, 2);
  EXPECT_NEAR(crossings(rate, rate + rate / 20), 200, 2);
  std::int16_t peak = 0;
  for (std::size_t i = 0; i < pcm.size(); i += 2) {
    peak = std::max(peak, pcm[i]);
    EXPECT_EQ(pcm[i], pcm[i + 1]);
  }
  EXPECT_NEAR(20 * std::log10(peak / 32767.0), -12.0, 0.1);
}

// Every byte of a picture is painted, rows that repeat the one above included, whatever the
// buffer held; the tone is the same sample for sample whichever rate a thread played before.
TEST(Pattern, PicturesAndToneDependOnNothingThatCameBefore) {
  for (const GUID& subtype : {MEDIASUBTYPE_YUY2, MEDIASUBTYPE_UYVY, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB32}) {
    for (const long long n : {0LL, 7LL, 30LL}) {
      const int bpp = subtype == MEDIASUBTYPE_RGB32 ? 4 : subtype == MEDIASUBTYPE_RGB24 ? 3 : 2;
      std::vector<BYTE> zeros(static_cast<std::size_t>(352) * 240 * bpp, 0x00), ones(zeros.size(), 0xFF);
      PaintFrame(subtype, 352, 240, n, 333667, zeros.data(), static_cast<std::size_t>(352) * bpp);
      PaintFrame(subtype, 352, 240, n, 333667, ones.data(), static_cast<std::size_t>(352) * bpp);
      EXPECT_EQ(zeros, ones) << "frame " << n;
    }
  }
  std::vector<std::int16_t> first(4800), other(4410), again(4800);
  FillTone(first.data(), 1, 48000, 47000, first.size());
  FillTone(other.data(), 1, 44100, 0, other.size());
  FillTone(again.data(), 1, 48000, 47000, again.size());
  EXPECT_EQ(first, again);
  // Across the second's turn the 1 kHz tone gives way to the 2 kHz burst, which starts at zero.
  EXPECT_EQ(first[1000], 0);
  EXPECT_NE(first[999], first[1001]);
  EXPECT_NE(other, std::vector<std::int16_t>(first.begin(), first.begin() + 4410));
}

}  // namespace
}  // namespace platform::dshow::sim
