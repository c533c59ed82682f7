#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "capture/wmv_profile_info.h"
#include "capture/tests/graph_test_support.h"
#include "capture/writer_graph_helper.h"
#include "platform/base/file.h"
#include "platform/dshow/filter_interfaces.h"
#include "platform/dshow/uuids.h"
#include "platform/wmf/wmf_objects.h"

namespace {

using capture_test::Folder;

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

// A profile of both streams, each set from the same parameters.
void BuildBothStreams(CWmvProfileInfo& info, const WmvStreamParams& p) {
  ASSERT_TRUE(info.Init());
  ASSERT_TRUE(info.AddStream(1));
  ASSERT_TRUE(info.AddStream(2));
  ASSERT_TRUE(info.SetStreamParams(1, p));
  ASSERT_TRUE(info.SetStreamParams(2, p));
}

TEST(WmvProfileTest, CodecsAreChosenByNameAndAnUnknownNameKeepsTheDefault) {
  CWmvProfileInfo info;
  WmvStreamParams p = Params(25.0);
  p.videoCodec = "WINDOWS MEDIA VIDEO 8";
  p.audioCodec = "No Such Codec";
  BuildBothStreams(info, p);
  EXPECT_EQ(info.VideoStream()->codecIndex, 0);
  EXPECT_EQ(info.AudioStream()->codecIndex, 0);
  // The names the capture page passes are not the codecs' own: the defaults stay.
  CWmvProfileInfo page;
  BuildBothStreams(page, Params(29.97));
  EXPECT_EQ(page.VideoStream()->codecIndex, 0);
  EXPECT_EQ(page.AudioStream()->codecIndex, 0);
  EXPECT_EQ(info.AudioStream()->audioFormatPosition, 2);
  EXPECT_TRUE(info.SaveProfile(Folder() + "named.prx"));
}

TEST(WmvProfileTest, TheWriterGivesBackItsProfileAndEveryAttributeWhole) {
  CWmvProfileInfo info;
  ASSERT_TRUE(info.Init());
  ASSERT_TRUE(info.AddStream(1));
  ASSERT_TRUE(info.AddStream(2));
  ASSERT_TRUE(info.SetStreamParams(1, Params(25.0)));
  ASSERT_TRUE(info.SetStreamParams(2, Params(25.0)));
  const std::string path = Folder() + "writer.prx";
  ASSERT_TRUE(info.SaveProfile(path));
  CComPtr<IWMProfile> profile;
  ASSERT_EQ(CWriterGraphHelper::LoadProfileFromFile(path.c_str(), &profile), S_OK);

  CComPtr<IBaseFilter> writer;
  ASSERT_EQ(writer.CoCreateInstance(CLSID_WMAsfWriter, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  CComPtr<IConfigAsfWriter> config;
  ASSERT_EQ(writer->QueryInterface(IID_IConfigAsfWriter, reinterpret_cast<void**>(&config)), S_OK);
  CComPtr<IWMProfile> current;
  EXPECT_TRUE(FAILED(config->GetCurrentProfile(&current)));  // not configured yet
  ASSERT_EQ(config->ConfigureFilterUsingProfile(profile), S_OK);
  ASSERT_EQ(config->GetCurrentProfile(&current), S_OK);
  platform::wmf::ProfileData data;
  ASSERT_TRUE(platform::wmf::ProfileDataOf(current, &data));
  EXPECT_EQ(data.description, "Streams: 1 audio 1 video");
  ASSERT_EQ(data.streams.size(), 2u);
  EXPECT_EQ(data.streams[1].frameTime, 400000);

  CComPtr<IWMHeaderInfo> header;
  ASSERT_EQ(writer->QueryInterface(IID_IWMHeaderInfo, reinterpret_cast<void**>(&header)), S_OK);
  const std::string description = std::string(1000, 'd') + " \xC3\xA9nd";  // past 259 characters, not ASCII
  const std::u16string wide = Utf8ToUtf16(description);
  ASSERT_EQ(header->SetAttribute(0, "Description", WMT_TYPE_STRING, reinterpret_cast<const BYTE*>(wide.c_str()),
                                 static_cast<WORD>((wide.size() + 1) * 2)),
            S_OK);
  const std::u16string title = u"Title";
  ASSERT_EQ(header->SetAttribute(0, "Title", WMT_TYPE_STRING, reinterpret_cast<const BYTE*>(title.c_str()), 12), S_OK);

  WORD stream = 0, length = 0;
  WMT_ATTR_DATATYPE type = WMT_TYPE_DWORD;
  ASSERT_EQ(header->GetAttributeByName(&stream, "Description", &type, nullptr, &length), S_OK);
  EXPECT_EQ(type, WMT_TYPE_STRING);
  EXPECT_EQ(length, (wide.size() + 1) * 2);
  std::u16string back(length / 2, u'\0');
  WORD shortLength = 4;
  EXPECT_TRUE(FAILED(
      header->GetAttributeByName(&stream, "Description", &type, reinterpret_cast<BYTE*>(back.data()), &shortLength)));
  EXPECT_EQ(shortLength, length);
  ASSERT_EQ(header->GetAttributeByName(&stream, "Description", &type, reinterpret_cast<BYTE*>(back.data()), &length),
            S_OK);
  back.pop_back();
  EXPECT_EQ(Utf16ToUtf8(back), description);
  EXPECT_TRUE(FAILED(header->GetAttributeByName(&stream, "Author", &type, nullptr, &length)));  // never set

  WORD count = 0;
  ASSERT_EQ(header->GetAttributeCount(0, &count), S_OK);
  ASSERT_EQ(count, 2);
  std::vector<std::string> names;
  for (WORD i = 0; i < count; ++i) {
    char name[32] = {};
    WORD nameLength = sizeof name, valueLength = 0;
    ASSERT_EQ(header->GetAttributeByIndex(i, &stream, name, &nameLength, &type, nullptr, &valueLength), S_OK);
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Description", "Title"}));
  WORD nameLength = 0, valueLength = 0;
  EXPECT_EQ(header->GetAttributeByIndex(count, &stream, nullptr, &nameLength, &type, nullptr, &valueLength),
            E_INVALIDARG);
}

}  // namespace
