#include "audiorec/band_meter.h"
#include "audiorec/recorder_check_box.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kBw = 4, kBh = 50, kBackW = 2 + 30 * (kBw + 1);

HBITMAP Solid(int w, int h, std::uint32_t pixel) {
  std::vector<std::uint32_t> bits(static_cast<std::size_t>(w) * h, pixel);
  return ::CreateBitmap(w, h, 1, 32, bits.data());
}

// Composes the bar into a memory picture and tells which rows of band 0 are lit.
class SpectrumPicture {
 public:
  explicit SpectrumPicture(CSpectrumBar& bar) {
    screen_.Attach(::GetDC(nullptr));
    memory_.CreateCompatibleDC(&screen_);
    canvas_.CreateCompatibleBitmap(&screen_, kBackW, kBh);
    previous_ = memory_.SelectObject(&canvas_);
    bar.Compose(&memory_);
  }
  ~SpectrumPicture() {
    memory_.SelectObject(previous_);
    ::ReleaseDC(nullptr, screen_.Detach());
  }
  bool Lit(int band, int row) const { return memory_.GetPixel(2 + band * (kBw + 1), row) != RGB(0, 0, 0); }

 private:
  CDC screen_, memory_;
  CBitmap canvas_;
  CBitmap* previous_ = nullptr;
};

TEST(SpectrumBarRows, StayInsideTheBitmapAndDrawNothingAtOrBelowZero) {
  EXPECT_TRUE(SpectrumBarRows(0, kBh, true).Empty());
  EXPECT_TRUE(SpectrumBarRows(-8, kBh, false).Empty());
  const BarRows full = SpectrumBarRows(100, kBh, true);
  EXPECT_EQ(full.first, 0);
  EXPECT_EQ(full.last, kBh);
  const BarRows low = SpectrumBarRows(4, kBh, false);  // decayed: would start below the bitmap
  EXPECT_TRUE(low.Empty() || (low.first >= 0 && low.last <= kBh));
  const BarRows peak = SpectrumPeakRows(1, kBh);  // its second row would be past the bottom
  EXPECT_LE(peak.last, kBh);
  EXPECT_TRUE(SpectrumPeakRows(0, kBh).Empty());
}

TEST(SpectrumBar, FullBandDecaysTenRowsShorterAndItsPeakHoldsOneTick) {
  CSpectrumBar bar;
  bar.SetBitmaps(Solid(kBw, kBh, 0x00FF0000), Solid(kBackW, kBh, 0));
  BYTE bands[30] = {};
  bands[0] = 100;
  bands[1] = 101;  // out of range: shows as 0
  bar.SetLevels(bands);
  {
    SpectrumPicture picture(bar);
    EXPECT_TRUE(picture.Lit(0, 0));
    EXPECT_TRUE(picture.Lit(0, kBh - 1));
    EXPECT_FALSE(picture.Lit(1, kBh - 1));
  }
  EXPECT_EQ(bar.Peak(1), 0);
  bar.Decay();
  EXPECT_EQ(bar.Level(0), 96);
  EXPECT_EQ(bar.Peak(0), 100);
  {
    SpectrumPicture picture(bar);
    EXPECT_TRUE(picture.Lit(0, 0));   // the peak mark
    EXPECT_FALSE(picture.Lit(0, 5));  // between the mark and the lowered top
    EXPECT_FALSE(picture.Lit(0, 11));
    EXPECT_TRUE(picture.Lit(0, 12));  // 50 - 48 + 10
  }
  bar.Decay();
  EXPECT_EQ(bar.Peak(0), 96);
  for (int i = 0; i < 40; ++i) bar.Decay();  // far below zero: nothing drawn, nothing outside
  SpectrumPicture picture(bar);
  for (int row = 0; row < kBh; ++row) EXPECT_FALSE(picture.Lit(0, row)) << row;
}

TEST(SpectrumBar, WithoutBothBitmapsNothingIsPainted) {
  CSpectrumBar bar;
  bar.SetBitmaps(Solid(kBw, kBh, 0x00FF0000), nullptr);
  BYTE bands[30] = {100};
  bar.SetLevels(bands);
  SpectrumPicture picture(bar);
  EXPECT_FALSE(picture.Lit(0, kBh - 1));
}

}  // namespace

namespace auvry {
namespace {

TEST(RecorderCheckBoxCaption, FramesFourAndFiveTakeTheSecondColourOnePixelUpAndLeft) {
  const RECT text{20, 2, 120, 18};
  const COLORREF first = RGB(130, 145, 153), second = RGB(67, 71, 73);
  for (int frame = 0; frame < 6; ++frame) {
    const CaptionLook look = RecorderCaptionLook(frame, first, second, text);
    const bool engraved = frame == 4 || frame == 5;
    EXPECT_EQ(engraved ? second : first, look.colour) << frame;
    EXPECT_EQ(engraved ? 19 : 20, look.rect.left) << frame;
    EXPECT_EQ(engraved ? 1 : 2, look.rect.top) << frame;
    EXPECT_EQ(engraved ? 119 : 120, look.rect.right) << frame;
    EXPECT_EQ(engraved ? 17 : 18, look.rect.bottom) << frame;
  }
}

}  // namespace
}  // namespace auvry
