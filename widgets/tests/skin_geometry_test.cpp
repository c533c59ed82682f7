#include "widgets/skin_geometry.h"

#include <gtest/gtest.h>

using namespace skin;

TEST(ProgressFill, FractionOfAnyRangeClampedToTheBar) {
  EXPECT_EQ(FillLength(0, 0, 100, 200), 0);
  EXPECT_EQ(FillLength(100, 0, 100, 200), 200);
  EXPECT_EQ(FillLength(50, 0, 100, 200), 100);
  // The minimum counts, and ranges other than 100 scale.
  EXPECT_EQ(FillLength(15, 10, 20, 100), 50);
  EXPECT_EQ(FillLength(-5, -10, 10, 40), 10);
  // Outside the range: clamped to an empty or a full bar.
  EXPECT_EQ(FillLength(-3, 0, 100, 200), 0);
  EXPECT_EQ(FillLength(300, 0, 100, 200), 200);
  // Empty and inverted ranges draw nothing; huge ranges do not overflow.
  EXPECT_FALSE(FillLength(5, 7, 7, 100).has_value());
  EXPECT_FALSE(FillLength(5, 9, 1, 100).has_value());
  EXPECT_EQ(FillLength(0x7FFFFFFF, -0x7FFFFFFF, 0x7FFFFFFF, 1000), 1000);
  EXPECT_EQ(FillLength(5, 0, 10, 0), 0);
}

TEST(SliderMapping, PositionAndPixelRoundTrip) {
  const int travel = SliderTravel(110, 0, 0, 10);
  EXPECT_EQ(travel, 100);
  EXPECT_EQ(SliderCentreForPos(50, 0, 100, 0, 10, travel), 55);
  EXPECT_EQ(SliderPosForCentre(100, 0, 100, 0, 10, travel), 95);
  EXPECT_EQ(SliderMinCentre(0, 10), 5);
  EXPECT_EQ(SliderMaxCentre(110, 0, 10), 105);
  for (int pos = -20; pos <= 20; pos += 5) {
    const int centre = SliderCentreForPos(pos, -20, 20, 3, 8, 80);
    EXPECT_EQ(SliderPosForCentre(centre, -20, 20, 3, 8, 80), pos);
  }
}

TEST(SliderMapping, EmptyRangeOrNoTravelKeepsTheThumbAtTheLeft) {
  EXPECT_EQ(SliderCentreForPos(5, 5, 5, 2, 10, 100), 7);
  EXPECT_EQ(SliderCentreForPos(5, 0, 10, 2, 10, 0), 7);
  EXPECT_EQ(SliderPosForCentre(70, 5, 5, 2, 10, 100), 5);
  EXPECT_EQ(SliderPosForCentre(70, 3, 10, 2, 10, -4), 3);
}

TEST(ScrollGeometry, TrackArrowsAndThumb) {
  // 40 long, pieces of 16: 8 of track.
  ScrollGeometry g = ScrollThumbGeometry(40, 16, 0, 99, 10, 0);
  EXPECT_EQ(g.track, 8);
  EXPECT_EQ(g.arrow, 16);
  EXPECT_EQ(g.thumb, 6);
  // A page covering the whole range draws no thumb.
  EXPECT_EQ(ScrollThumbGeometry(40, 16, 0, 9, 10, 0).thumb, 0);
  // No track: two arrows of half the length.
  g = ScrollThumbGeometry(20, 16, 0, 10, 1, 0);
  EXPECT_EQ(g.track, 0);
  EXPECT_EQ(g.arrow, 10);
  EXPECT_EQ(ScrollHitTest(g, 20, 9), kPartLineUp);
  EXPECT_EQ(ScrollHitTest(g, 20, 10), kPartLineDown);
}

TEST(ScrollGeometry, ThumbStaysInsideTheTrackForAnyMinimumPageOrPosition) {
  for (int min : {-50, 0, 30}) {
    for (int page : {0, 1, 10, 60, 200}) {
      for (int pos = min - 10; pos <= min + 110; pos += 7) {
        const ScrollGeometry g = ScrollThumbGeometry(200, 16, min, min + 99, page, pos);
        ASSERT_GE(g.thumbOffset, 0);
        ASSERT_LE(g.thumbOffset + g.thumb, g.track) << min << " " << page << " " << pos;
      }
    }
  }
  // The minimum counts: the first position puts the thumb at the start, the last at the end.
  const ScrollGeometry first = ScrollThumbGeometry(200, 16, 30, 129, 10, 30);
  EXPECT_EQ(first.thumbOffset, 0);
  const ScrollGeometry last = ScrollThumbGeometry(200, 16, 30, 129, 10, ScrollMaxPos(30, 129, 10));
  EXPECT_EQ(last.thumbOffset + last.thumb, last.track);
  // Empty and inverted ranges, zero and negative sizes.
  EXPECT_EQ(ScrollThumbGeometry(200, 16, 5, 4, 1, 5).thumb, 0);
  EXPECT_EQ(ScrollThumbGeometry(0, 16, 0, 10, 1, 5).track, 0);
  EXPECT_EQ(ScrollThumbGeometry(-5, -3, 0, 10, 1, 5).arrow, 0);
}

TEST(ScrollGeometry, HitTestFollowsTheParts) {
  const ScrollGeometry g = ScrollThumbGeometry(100, 10, 0, 99, 20, 40);
  const int thumbStart = g.arrow + g.thumbOffset;
  EXPECT_EQ(ScrollHitTest(g, 100, -1), kPartNone);
  EXPECT_EQ(ScrollHitTest(g, 100, 100), kPartNone);
  EXPECT_EQ(ScrollHitTest(g, 100, 0), kPartLineUp);
  EXPECT_EQ(ScrollHitTest(g, 100, thumbStart - 1), kPartPageUp);
  EXPECT_EQ(ScrollHitTest(g, 100, thumbStart), kPartThumb);
  EXPECT_EQ(ScrollHitTest(g, 100, thumbStart + g.thumb), kPartPageDown);
  EXPECT_EQ(ScrollHitTest(g, 100, 95), kPartLineDown);
}

TEST(ScrollGeometry, DragClampsToTheReachablePositions) {
  const ScrollGeometry g = ScrollThumbGeometry(100, 10, 20, 119, 10, 20);
  EXPECT_EQ(ScrollMaxPos(20, 119, 10), 110);
  EXPECT_EQ(ScrollDragPos(g, 20, 119, 10, 20, -50), 20);
  EXPECT_EQ(ScrollDragPos(g, 20, 119, 10, 20, 1000), 110);
  EXPECT_EQ(ScrollDragPos(g, 20, 119, 10, 20, g.track - g.thumb), 110);
  // No free track: the position stays.
  const ScrollGeometry none = ScrollThumbGeometry(20, 10, 0, 9, 10, 0);
  EXPECT_EQ(ScrollDragPos(none, 0, 9, 10, 0, 30), 0);
}

TEST(ComboArrow, LowControlsShowTheMiddleOfTheArrow) {
  EXPECT_EQ(ComboArrowPlacement(21).y, 0);
  EXPECT_EQ(ComboArrowPlacement(21).sourceRow, 3);
  EXPECT_EQ(ComboArrowPlacement(27).sourceRow, 0);
  EXPECT_EQ(ComboArrowPlacement(31).y, 2);
  EXPECT_EQ(ComboArrowPlacement(31).sourceRow, 0);
  EXPECT_EQ(ComboArrowPlacement(0).sourceRow, 13);
}

TEST(CheckBoxFrame, PictureForEachState) {
  EXPECT_EQ(CheckBoxFrame(true, false, false), 0);
  EXPECT_EQ(CheckBoxFrame(false, false, false), 1);
  EXPECT_EQ(CheckBoxFrame(true, true, false), 2);
  EXPECT_EQ(CheckBoxFrame(false, true, false), 3);
  EXPECT_EQ(CheckBoxFrame(true, true, true), 4);
  EXPECT_EQ(CheckBoxFrame(false, false, true), 5);
}

TEST(FrameRuns, FourPiecesSplitTheGapAroundTheMiddle) {
  const int widths[4] = {4, 3, 6, 4};
  const std::vector<PieceRun> runs = FrameSideRuns(31, widths);
  // Gap 31 - 4 - 6 - 4 + 1 = 18: two runs of 9, each three segments.
  ASSERT_EQ(runs.size(), 9u);
  EXPECT_EQ(runs.front().piece, 0);
  EXPECT_EQ(runs[4].piece, 2);
  EXPECT_EQ(runs[4].offset, 13);
  EXPECT_EQ(runs.back().piece, 3);
  EXPECT_EQ(runs.back().offset, 27);
  EXPECT_EQ(FrameTopFillWidth(31, widths), 9);
  // An odd gap puts the middle half a pixel left of the centre.
  const int odd[4] = {4, 3, 6, 4};
  EXPECT_EQ(FrameSideRuns(32, odd)[4].offset, 13);
}

TEST(FrameRuns, ThreeOneAndZeroWidthPieces) {
  const int three[4] = {5, 2, 5, 0};
  const std::vector<PieceRun> runs = FrameSideRuns(20, three);
  EXPECT_EQ(runs.front().offset, 0);
  EXPECT_EQ(runs.back().piece, 2);
  EXPECT_EQ(runs.back().offset, 15);
  EXPECT_EQ(runs.size(), 2u + 5u);
  const int lone[4] = {5, 0, 0, 0};
  EXPECT_EQ(FrameSideRuns(20, lone).size(), 1u);
  // A zero-width segment ends instead of repeating forever.
  const int zero[4] = {5, 0, 5, 5};
  EXPECT_EQ(FrameSideRuns(1000000, zero).size(), 3u);
  const int none[4] = {0, 0, 0, 0};
  EXPECT_TRUE(FrameSideRuns(50, none).empty());
}

TEST(BalloonText, InscribedInTheEllipse) {
  const RECT r = BalloonTextRect(RECT{0, 0, 280, 140});
  EXPECT_EQ(r.left, 135 - 95 + 10);
  EXPECT_EQ(r.right, 135 + 95 + 10);
  EXPECT_EQ(r.top, 70 - 49);
  EXPECT_EQ(r.bottom, 70 + 49);
}

TEST(SpinFaces, HotHalfFollowsTheZone) {
  EXPECT_EQ(SpinHalfFaces(kSpinHot, kSpinZoneUpper).upper, kSpinHot);
  EXPECT_EQ(SpinHalfFaces(kSpinHot, kSpinZoneUpper).lower, kSpinNormal);
  EXPECT_EQ(SpinHalfFaces(kSpinPressed, kSpinZoneLower).lower, kSpinPressed);
  EXPECT_EQ(SpinHalfFaces(kSpinHot, kSpinZoneNone).upper, kSpinNormal);
  EXPECT_EQ(SpinHalfFaces(kSpinDisabled, kSpinZoneUpper).lower, kSpinDisabled);
}

TEST(SkinButtonLook, FramesForFixedStateHoverAndPress) {
  EXPECT_EQ(SkinButtonLook(false, 3, 0, false, false).frame, 0);
  EXPECT_EQ(SkinButtonLook(false, 3, 3, false, false).frame, 3);
  EXPECT_EQ(SkinButtonLook(false, 3, 3, true, false).frame, 1);
  EXPECT_EQ(SkinButtonLook(false, 3, 0, true, true).frame, 2);
  EXPECT_EQ(SkinButtonLook(false, 3, 1, true, true).frame, 1);
  EXPECT_EQ(SkinButtonLook(false, 3, 2, true, false).frame, 2);
  const ButtonLook disabled = SkinButtonLook(true, 4, 0, true, true);
  EXPECT_EQ(disabled.frame, 4);
  EXPECT_EQ(disabled.textColour, 3);
  EXPECT_TRUE(disabled.clearsHover);
}
