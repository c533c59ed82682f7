#include "convengine/progress_parser.h"
#include "convengine/progress_timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace mordax {
namespace {

std::vector<ProgressSample> FeedAll(const std::vector<std::string>& chunks) {
  ProgressParser parser;
  std::vector<ProgressSample> samples;
  for (const auto& c : chunks) parser.Feed(c, [&](const ProgressSample& s) { samples.push_back(s); });
  return samples;
}

TEST(ProgressParserTest, ReadsClockTimesAndFrames) {
  const auto s = ProgressParser::ParseRecord(
      "frame=  240 fps= 96 q=28.0 size=     256kB time=00:01:09.96 bitrate= 299.7kbits/s speed=3.85x");
  ASSERT_TRUE(s);
  EXPECT_DOUBLE_EQ(s->seconds, 69.96);
  EXPECT_EQ(s->frame, 240);

  // From 10000 frames on there is no blank after the key.
  const auto big = ProgressParser::ParseRecord("frame=12345 fps=300 q=-1.0 Lsize=  9kB time=01:02:03.50 bitrate=1");
  ASSERT_TRUE(big);
  EXPECT_EQ(big->frame, 12345);
  EXPECT_DOUBLE_EQ(big->seconds, 3723.5);

  // Plain seconds, as older builds print them; audio-only output has no frame key.
  const auto plain = ProgressParser::ParseRecord("size=  12kB time=27.40 bitrate= 64.0kbits/s");
  ASSERT_TRUE(plain);
  EXPECT_DOUBLE_EQ(plain->seconds, 27.4);
  EXPECT_EQ(plain->frame, 0);
}

TEST(ProgressParserTest, IgnoresRecordsWithoutUsableTime) {
  EXPECT_FALSE(ProgressParser::ParseRecord("frame=    0 fps=0.0 q=0.0 size=0kB time=N/A bitrate=N/A"));
  EXPECT_FALSE(ProgressParser::ParseRecord("time=-577014:32:22.77 bitrate=N/A"));
  EXPECT_FALSE(ProgressParser::ParseRecord("Input #0, dv, from 'clip.dv':"));
  EXPECT_FALSE(ProgressParser::ParseRecord("time=1:2:3:4"));
  EXPECT_FALSE(ProgressParser::ParseRecord("time=12abc"));
}

TEST(ProgressParserTest, OnlyCompleteRecordsCount) {
  // A record split across reads is read once, whole; CR and LF both end records.
  const auto samples = FeedAll({"frame=  10 time=00:00:0", "1.00 bitrate=1\rframe=  20 time=00:00:02.00",
                                " x\n\rframe=  30 time=00:00:03.00 unfinished"});
  ASSERT_EQ(samples.size(), 2u);
  EXPECT_DOUBLE_EQ(samples[0].seconds, 1.0);
  EXPECT_EQ(samples[1].frame, 20);
}

TEST(ProgressParserTest, EndlessTextWithoutLineEndsStaysBounded) {
  ProgressParser parser;
  int calls = 0;
  const std::string junk(1 << 20, 'x');
  for (int i = 0; i < 4; ++i) parser.Feed(junk, [&](const ProgressSample&) { ++calls; });
  parser.Feed("\rtime=00:00:01.00\r", [&](const ProgressSample&) { ++calls; });
  EXPECT_EQ(calls, 1);
}

TEST(ProgressParserTest, PercentAndEndRule) {
  EXPECT_EQ(ProgressPercent(0, 10000), 0);
  EXPECT_EQ(ProgressPercent(5, 10000), 50);
  EXPECT_EQ(ProgressPercent(9.99, 10000), 99);
  EXPECT_EQ(ProgressPercent(5, 0), 0);
  EXPECT_FALSE(ReachedEnd(29000, 27.4));
  EXPECT_TRUE(ReachedEnd(31000, 29.1));
  EXPECT_TRUE(ReachedEnd(29000, 27.6));
  EXPECT_FALSE(ReachedEnd(31000, 28.9));
}

TEST(ProgressTimerTest, TimeSpansAndRemainingTime) {
  const Qn_TimeSpan span = MsToTimeSpan(3723456);
  EXPECT_EQ(span.reserved, 0);
  EXPECT_EQ(span.hours, 1);
  EXPECT_EQ(span.minutes, 2);
  EXPECT_EQ(span.seconds, 3);
  EXPECT_EQ(span.milliseconds, 456);
  EXPECT_EQ(span.totalMinutes, 62);
  EXPECT_EQ(span.totalSeconds, 3723);
  EXPECT_EQ(MsToTimeSpan(100 * 3600000u).hours, 100);

  EXPECT_EQ(RemainingMs(10000, 0), 0u);
  EXPECT_EQ(RemainingMs(10000, 25), 30000u);
  // Past the end the estimate is 0, never a wrapped-around month.
  EXPECT_EQ(RemainingMs(10000, 120), 0u);
}

TEST(ProgressTimerTest, TicksUntilStoppedAndNeverAfter) {
  Qn_ProgressTimer timer;
  std::atomic<int> ticks{0};
  std::atomic<bool> stopped{false};
  std::atomic<bool> lateTick{false};
  ASSERT_TRUE(timer.Start(10, [&](const Qn_TimeSpan& elapsed) {
    if (stopped) lateTick = true;
    EXPECT_GE(elapsed.totalMilliseconds, 0);
    ++ticks;
  }));
  EXPECT_FALSE(timer.Start(10, [](const Qn_TimeSpan&) {}));
  while (ticks < 3) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  timer.Stop();
  stopped = true;
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(lateTick);
  EXPECT_FALSE(timer.IsRunning());
  // It can run again after a stop.
  EXPECT_TRUE(timer.Start(1000, [](const Qn_TimeSpan&) {}));
  timer.Stop();
}

}  // namespace
}  // namespace mordax
