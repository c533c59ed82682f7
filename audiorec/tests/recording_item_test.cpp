#include "audiorec/recording_item.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "audiorec/tests/engine_fixture.h"
#include "platform/base/file.h"

namespace auvry::testing {
namespace {

TEST(RecordingItems, AMissingFileMakesNoRow) {
  CMediaDurationProbe probe;
  EXPECT_FALSE(MakeRecordingItem(Folder() + "gone.wma", probe));
  EXPECT_EQ(probe.Probe(nullptr), 0);
}

TEST(RecordingItems, AnUnreadableFileKeepsItsRowWithNoPlayTime) {
  const std::string path = Folder() + "junk.wma";
  ASSERT_TRUE(platform::WriteWholeFileAtomic(path, std::string(3000, 'x')));
  CMediaDurationProbe probe;
  const auto item = MakeRecordingItem(path, probe);
  ASSERT_TRUE(item);
  EXPECT_EQ(item->name, "junk.wma");
  EXPECT_EQ(item->size, 3000.0);
  EXPECT_EQ(item->playSeconds, 0);
  EXPECT_EQ(FormatRowSize(item->size), "   0.00 MB");
}

TEST_F(EngineTest, AThirtySecondRecordingGetsItsRow) {
  WmvCaptureSettings request;
  request.fileName = Folder() + "WMA_120000.wma";
  request.profilePath = WriteWmaProfile(Folder() + "QnProfileWMA.prx");
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 1));
  ASSERT_TRUE(engine.StartPreview());
  ASSERT_TRUE(engine.StartRecordWma(request));
  Advance(30000);
  LetTheRecordingCatchUp(request.fileName);
  ASSERT_TRUE(engine.StopRecording());
  EXPECT_EQ(Finished(), 1);
  CMediaDurationProbe probe;
  const auto item = MakeRecordingItem(request.fileName, probe);
  ASSERT_TRUE(item);
  EXPECT_EQ(item->name, "WMA_120000.wma");
  EXPECT_NEAR(probe.GetDuration(), 30.0, 0.2);
  EXPECT_EQ(item->playSeconds, static_cast<int>(probe.GetDuration()));
  EXPECT_EQ(FormatPlayTime(30), "00 : 00 : 30");
}

}  // namespace
}  // namespace auvry::testing
