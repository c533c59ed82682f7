#include <gtest/gtest.h>

#include <cstdlib>

#include "capture/wmv_profile_info.h"
#include "capture/writer_graph_helper.h"
#include "platform/base/file.h"
#include "platform/wmf/wmf_objects.h"

namespace {

std::string Folder() { return std::string(std::getenv("TMPDIR")) + "/"; }

WmvStreamParams Params(double rate) {
  WmvStreamParams p;
  p.videoCodec = "Windows Media Video 9";
  p.width = 640;
  p.height = 480;
  p.videoKbps = 1500;
  p.frameRate = rate;
  p.audioCodec = "Windows Media Audio 9.2";
  p.audioKbps = 128;
  p.audioKhz = 48;
  p.channels = 2;
  return p;
}

TEST(WmvProfileTest, ASavedProfileParsesBackWithItsStreams) {
  setenv("LC_ALL", "C", 1);
  CWmvProfileInfo info;
  ASSERT_TRUE(info.Init());
  EXPECT_FALSE(info.AddStream(3));
  ASSERT_TRUE(info.AddStream(1));
  ASSERT_TRUE(info.AddStream(2));
  ASSERT_TRUE(info.SetStreamParams(1, Params(29.97)));
  ASSERT_TRUE(info.SetStreamParams(2, Params(29.97)));
  EXPECT_EQ(info.AudioStream()->audioFormatPosition, 2);  // "128 kbps, 48 kHz, stereo CBR"
  const std::string path = Folder() + "wmvhd.prx";
  ASSERT_TRUE(info.SaveProfile(path));

  // The file is UTF-16LE: every other byte of its ASCII text is zero.
  std::string bytes;
  ASSERT_TRUE(platform::ReadWholeFile(path, &bytes));
  ASSERT_GT(bytes.size(), 20u);
  EXPECT_EQ(bytes[0], '<');
  EXPECT_EQ(bytes[1], '\0');

  CComPtr<IWMProfile> profile;
  ASSERT_EQ(CWriterGraphHelper::LoadProfileFromFile(path.c_str(), &profile), S_OK);
  platform::wmf::ProfileData data;
  ASSERT_TRUE(platform::wmf::ProfileDataOf(profile, &data));
  EXPECT_EQ(data.description, "Streams: 1 audio 1 video");
  ASSERT_EQ(data.streams.size(), 2u);
  EXPECT_EQ(data.streams[0].name, "Audio1");
  EXPECT_EQ(data.streams[0].number, 1);
  EXPECT_EQ(data.streams[0].bitrate, 128000u);
  EXPECT_EQ(data.streams[0].sampleRate, 48000u);
  EXPECT_EQ(data.streams[0].language, "en-US");
  EXPECT_EQ(data.streams[1].name, "Video2");
  EXPECT_EQ(data.streams[1].width, 640);
  EXPECT_EQ(data.streams[1].frameTime, 333667);  // 29.97 keeps its fraction
  EXPECT_EQ(data.streams[1].bitrate, 1500000u);
  EXPECT_EQ(data.streams[1].maxKeyFrameSpacing, 80000000);
  unsetenv("LC_ALL");
}

TEST(WmvProfileTest, WholeRatesKeepTheirFrameTimes) {
  EXPECT_EQ(CWmvProfileInfo::FrameTimeOf(25.0), 400000);
  EXPECT_EQ(CWmvProfileInfo::FrameTimeOf(29.97), 333667);
  EXPECT_EQ(CWmvProfileInfo::FrameTimeOf(30.0), 333333);
}

TEST(WmvProfileTest, OnlyAWholeRegularProfileFileLoads) {
  CComPtr<IWMProfile> profile;
  EXPECT_EQ(CWriterGraphHelper::LoadProfileFromFile("/dev/null", &profile), E_FAIL);
  EXPECT_EQ(CWriterGraphHelper::LoadProfileFromFile(Folder().c_str(), &profile), E_FAIL);
  EXPECT_TRUE(FAILED(CWriterGraphHelper::LoadProfileFromFile((Folder() + "missing.prx").c_str(), &profile)));
  CWmvProfileInfo info;
  ASSERT_TRUE(info.Init());
  ASSERT_TRUE(info.AddStream(2));
  const std::string path = Folder() + "cut.prx";
  ASSERT_TRUE(info.SaveProfile(path));
  std::string bytes;
  ASSERT_TRUE(platform::ReadWholeFile(path, &bytes));
  ASSERT_TRUE(platform::WriteWholeFileAtomic(path, bytes.substr(0, bytes.size() / 2)));
  EXPECT_TRUE(FAILED(CWriterGraphHelper::LoadProfileFromFile(path.c_str(), &profile)));
  EXPECT_EQ(profile, nullptr);
}

}  // namespace
