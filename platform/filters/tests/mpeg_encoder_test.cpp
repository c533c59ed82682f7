#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/base/clock.h"
#include "platform/base/file.h"
#include "platform/base/file_system.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_filters.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/filters/filter_classes.h"
#include "platform/filters/mpeg_encoder.h"
#include "platform/filters/tests/mpeg_fixture.h"
#include "platform/filters/tests/mpeg_probe.h"

namespace platform::filters {
namespace {

using namespace test;

using dshow::sim::Hardware;

TEST_F(MpegEncoderTest, DvdNtscFullWidthCarriesTheRightStreamsAndEveryFrame) {
  Connect(true);
  main->SetStreamType(7);
  main->SetPictureSize(720, 480);
  main->SetFrameRateCode(4);
  main->SetVideoBitRate(5000000);
  main->SetAudioBitRate(224);
  main->SetAudioSampleRate(48000);
  main->SetAudioChannels(2);
  const long wide = 1;
  CComPtr<IQnMpegAspect> aspect;
  ASSERT_EQ(encoder.QueryInterface(&aspect), S_OK);
  aspect->SetAspect(0, &wide, 1);
  Record(Folder() + "dvd.mpg", 2000);
  DWORD count = 0;
  parts->GetPartCount(&count);
  EXPECT_EQ(count, 1u);
  const auto facts = ProbeFile(Folder() + "dvd_0.mpg", true);
  ASSERT_TRUE(facts.opened);
  EXPECT_EQ(facts.video.codec, "mpeg2video");
  EXPECT_EQ(facts.video.width, 720);
  EXPECT_EQ(facts.video.height, 480);
  EXPECT_EQ(facts.video.fpsNum * 1001, facts.video.fpsDen * 30000);
  EXPECT_EQ(facts.video.darNum * 9, facts.video.darDen * 16);
  EXPECT_EQ(facts.audio.codec, "mp2");
  EXPECT_EQ(facts.audio.sampleRate, 48000);
  EXPECT_EQ(facts.audio.channels, 2);
  ASSERT_GE(facts.codes.size(), 59u);
  for (std::size_t i = 0; i < facts.codes.size(); ++i) EXPECT_EQ(facts.codes[i], static_cast<long long>(i));
  EXPECT_EQ(NextEvent(), 0);
}

TEST_F(MpegEncoderTest, VcdPalScalesResamplesAndKeepsItsFixedRates) {
  Connect(true, true);
  main->SetStreamType(4);
  Record(Folder() + "vcd.mpg", 1200, 400000);
  const auto facts = ProbeFile(Folder() + "vcd_0.mpg", true);
  ASSERT_TRUE(facts.opened);
  EXPECT_EQ(facts.format, "mpeg");
  EXPECT_EQ(facts.video.codec, "mpeg1video");
  EXPECT_EQ(facts.video.width, 352);
  EXPECT_EQ(facts.video.height, 288);
  EXPECT_EQ(facts.video.fpsNum, 25 * facts.video.fpsDen);
  EXPECT_EQ(facts.audio.sampleRate, 44100);
  ASSERT_GE(facts.codes.size(), 29u);
  EXPECT_EQ(facts.codes.back(), static_cast<long long>(facts.codes.size() - 1));
}

TEST_F(MpegEncoderTest, SplitsBeforeAGopWouldPassTheMaximum) {
  Connect(true);
  main->SetStreamType(7);
  main->SetPictureSize(720, 480);
  main->SetVideoBitRate(8000000);
  main->SetMaxFileSize(2);
  Record(Folder() + "split.mpg", 5000);
  DWORD count = 0;
  parts->GetPartCount(&count);
  ASSERT_GE(count, 2u);
  std::vector<long long> codes;
  for (DWORD i = 0; i < count; ++i) {
    const std::string name = MpegPartName(Folder() + "split.mpg", static_cast<int>(i));
    const std::string data = ReadAll(name);
    EXPECT_LE(data.size(), 2000000u) << name;
    EXPECT_TRUE(StartsWithPack(data)) << name;
    const auto facts = ProbeFile(name, true);
    EXPECT_EQ(facts.video.width, 720) << name;
    codes.insert(codes.end(), facts.codes.begin(), facts.codes.end());
  }
  // The parts together hold every picture once, in order.
  for (std::size_t i = 0; i < codes.size(); ++i) ASSERT_EQ(codes[i], static_cast<long long>(i));
  EXPECT_FALSE(platform::FileExists(MpegPartName(Folder() + "split.mpg", static_cast<int>(count))));
}

TEST_F(MpegEncoderTest, RecordAndBurnWritesTheElementaryStreamsBesideThePart) {
  Connect(true);
  main->SetStreamType(8);
  main->SetPictureSize(352, 288);
  main->SetFrameRateCode(3);
  main->SetElementaryOutput(1);
  Record(Folder() + "burn.mpg", 1000, 400000);
  const std::string video = ReadAll(Folder() + "burn.mpv");
  const std::string audio = ReadAll(Folder() + "burn.mpa");
  ASSERT_GT(video.size(), 4u);
  EXPECT_EQ(video.compare(0, 4, "\x00\x00\x01\xB3", 4), 0);  // a sequence header first
  ASSERT_GT(audio.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(audio[0]), 0xFF);  // an MPEG audio frame sync
  EXPECT_TRUE(StartsWithPack(ReadAll(Folder() + "burn_0.mpg")));
  const auto es = ProbeFile(Folder() + "burn.mpv", false);
  EXPECT_EQ(es.video.codec, "mpeg2video");
  EXPECT_EQ(es.video.height, 288);
}

TEST_F(MpegEncoderTest, VideoAloneWhenNoSoundIsConnected) {
  Connect(false);
  main->SetStreamType(3);
  Record(Folder() + "mute.mpg", 600);
  const auto facts = ProbeFile(Folder() + "mute_0.mpg", false);
  EXPECT_EQ(facts.video.codec, "mpeg1video");
  EXPECT_TRUE(facts.audio.codec.empty());
}

TEST_F(MpegEncoderTest, AFullDiskAbortsAndAnUnwritableFolderFailsTheRun) {
  Connect(true);
  main->SetStreamType(3);
  // A folder that does not exist, or one that refuses files, fails the run at once.
  ASSERT_EQ(Sink()->SetFileName((Folder() + "missing/x.mpg").c_str(), nullptr), S_OK);
  EXPECT_TRUE(FAILED(control->Run()));
  control->Stop();
  const std::string locked = Folder() + "locked/";
  ::mkdir(locked.c_str(), 0500);
  ASSERT_EQ(Sink()->SetFileName((locked + "x.mpg").c_str(), nullptr), S_OK);
  if (::geteuid() != 0) {
    EXPECT_TRUE(FAILED(control->Run()));
  }
  control->Stop();
  EXPECT_EQ(NextEvent(), 0);

  // A part on a full disk opens and refuses every write.
  ::unlink((Folder() + "full_0.mpg").c_str());
  ASSERT_EQ(::symlink("/dev/full", (Folder() + "full_0.mpg").c_str()), 0);
  aborted_ = true;
  Record(Folder() + "full.mpg", 600);
  EXPECT_EQ(NextEvent(), EC_ERRORABORT);
}

TEST(MpegPlan, TargetsFollowTheEncoderCalls) {
  MpegTarget dvd;
  dvd.streamType = 12;
  dvd.width = 352;
  dvd.height = 576;
  dvd.frameRateCode = 3;
  dvd.videoBitRate = 1500000;
  dvd.longPlay = true;
  const MpegPlan p = PlanFor(dvd);
  EXPECT_EQ(p.muxer, "dvd");
  EXPECT_EQ(p.width, 352);
  EXPECT_EQ(p.fpsNum, 25);
  EXPECT_LE(p.gop, 15);
  EXPECT_EQ(p.maxRate, 2250000);
  MpegTarget svcd;
  svcd.streamType = 9;
  EXPECT_EQ(PlanFor(svcd).muxer, "svcd");
  EXPECT_EQ(PlanFor(svcd).height, 480);
  EXPECT_LE(PlanFor(svcd).gop, 18);
  EXPECT_EQ(MpegPartName("/a/b/DVD_101010.mpg", 3), "/a/b/DVD_101010_3.mpg");
  EXPECT_EQ(ElementaryName("/a/b/c.MPG", ".mpa"), "/a/b/c.mpa");
}

}  // namespace
}  // namespace platform::filters
