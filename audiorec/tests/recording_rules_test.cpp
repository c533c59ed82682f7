#include "audiorec/recording_rules.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

#include "platform/base/file.h"
#include "platform/base/file_system.h"

namespace auvry {
namespace {

std::string Folder() { return std::string(std::getenv("TMPDIR")) + "/names/"; }

// A name is reserved as it is chosen: two recorders asking in the same second (before either
// writer opened its file) get two names, and the reserved file is there and empty.
TEST(RecordingNames, ARecordingAtATakenTimeGetsTheNextFreeSuffix) {
  ASSERT_TRUE(platform::CreateFolders(Folder()));
  for (const char* left : {"WMA_090507.wma", "WMA_090507_2.wma", "WMA_090507_3.wma"})
    platform::DeleteFile(Folder() + left);  // from an earlier run
  std::tm at{};
  at.tm_hour = 9, at.tm_min = 5, at.tm_sec = 7;
  const std::string first = UniqueRecordingPath(Folder(), "WMA", "wma", at);
  EXPECT_EQ(first, Folder() + "WMA_090507.wma");
  EXPECT_EQ(platform::FileSize(first), 0);
  EXPECT_EQ(UniqueRecordingPath(Folder(), "WMA", "wma", at), Folder() + "WMA_090507_2.wma");
  EXPECT_EQ(UniqueRecordingPath(Folder(), "WMA", "wma", at), Folder() + "WMA_090507_3.wma");
}

TEST(RecordingLimits, TypedTextIsReadWithoutOverflowAndClampedToTheField) {
  const LimitFields none;
  EXPECT_EQ(ParseLimitField("123", LimitField::Hours, none, kDefaultLimitSeconds).value, 23);
  EXPECT_TRUE(ParseLimitField("123", LimitField::Hours, none, kDefaultLimitSeconds).rewrite);
  const TypedLimit huge = ParseLimitField("999999999999", LimitField::Minutes, none, kDefaultLimitSeconds);
  EXPECT_EQ(huge.value, 59);
  EXPECT_TRUE(huge.rewrite);
  const TypedLimit negative = ParseLimitField("-5", LimitField::Seconds, none, kDefaultLimitSeconds);
  EXPECT_EQ(negative.value, 0);
  EXPECT_TRUE(negative.rewrite);
  const TypedLimit letters = ParseLimitField("ab", LimitField::Seconds, none, kDefaultLimitSeconds);
  EXPECT_EQ(letters.value, 0);
  EXPECT_TRUE(letters.rewrite);
  EXPECT_FALSE(ParseLimitField("5", LimitField::Seconds, none, kDefaultLimitSeconds).rewrite);
  EXPECT_TRUE(ParseLimitField("", LimitField::Seconds, none, kDefaultLimitSeconds).rewrite);
  // At the top hour and minute of a 01:30:20 maximum the seconds stop at 20.
  const LimitFields top{1, 30, 0};
  EXPECT_EQ(ParseLimitField("45", LimitField::Seconds, top, 5420).value, 20);
  EXPECT_EQ(ParseLimitField("45", LimitField::Minutes, LimitFields{1, 0, 0}, 5420).value, 30);
}

TEST(RecordingLimits, TheSpinStepsOnlyTheFocusedFieldWithinTheMaximum) {
  const LimitFields almost{23, 59, 58};
  const LimitFields up = StepLimitField(almost, LimitField::Seconds, 1, kDefaultLimitSeconds);
  EXPECT_EQ(up.seconds, 59);
  const LimitFields again = StepLimitField(up, LimitField::Seconds, 1, kDefaultLimitSeconds);
  EXPECT_EQ(again.seconds, 59);
  EXPECT_EQ(StepLimitField(almost, LimitField::Minutes, 1, kDefaultLimitSeconds).minutes, 59);
  EXPECT_EQ(StepLimitField(almost, LimitField::Hours, 1, kDefaultLimitSeconds).hours, 23);
  EXPECT_EQ(StepLimitField(LimitFields{}, LimitField::Minutes, -1, kDefaultLimitSeconds).minutes, 0);
  EXPECT_EQ(ActiveLimitSeconds(0, 0, 0), kDefaultLimitSeconds);
  EXPECT_EQ(ActiveLimitSeconds(0, 0, 20), 20);
}

TEST(RecordingDiskSpace, UnderFiftyMegabytesStopsButAnUnknownAnswerDoesNot) {
  platform::FixedFileSystem low(49ull << 20, platform::LargeFiles::Yes);
  platform::SetFileSystemSource(&low);
  EXPECT_TRUE(DiskTooFullToRecord("/tmp"));
  platform::FixedFileSystem plenty(51ull << 20, platform::LargeFiles::Yes);
  platform::SetFileSystemSource(&plenty);
  EXPECT_FALSE(DiskTooFullToRecord("/tmp"));
  platform::FixedFileSystem unknown(0, platform::LargeFiles::Unknown, true);
  platform::SetFileSystemSource(&unknown);
  EXPECT_FALSE(DiskTooFullToRecord("/tmp"));
  platform::SetFileSystemSource(nullptr);
}

TEST(RecordingReadOuts, ElapsedAndSizeReadAsTheWindowShowsThem) {
  EXPECT_EQ(FormatElapsed(30), "00 : 00 : 30");
  EXPECT_EQ(FormatElapsed(3725), "01 : 02 : 05");
  EXPECT_EQ(FormatSize(512.0), "  512.0 KB");
  EXPECT_EQ(FormatSize(2048.0), "   2.00 MB");
}

TEST(RecordingReadOuts, VolumeAndLevelBarsFollowTheirScales) {
  EXPECT_FLOAT_EQ(GainForSliderPosition(0), 11.0f);
  EXPECT_FLOAT_EQ(GainForSliderPosition(10), 1.0f);
  EXPECT_FLOAT_EQ(GainForSliderPosition(11), 0.9f);
  EXPECT_FLOAT_EQ(GainForSliderPosition(20), 0.1f);
  EXPECT_FLOAT_EQ(GainForSliderPosition(-11), 0.9f);
  // A -12 dBFS tone sits at 60.8; silence and overloads stay on the bar.
  EXPECT_EQ(LevelBarPosition(-12.0), 60);
  EXPECT_EQ(LevelBarPosition(-200.0), 0);
  EXPECT_EQ(LevelBarPosition(20.0), 100);
  EXPECT_EQ(LevelBarPosition(std::numeric_limits<double>::quiet_NaN()), 0);
}

}  // namespace
}  // namespace auvry
