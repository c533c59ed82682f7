#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/com/com_ptr.h"
#include "platform/wmf/profile_data.h"
#include "platform/wmf/wmf.h"

namespace {

TEST(Wmf, ProfileTextRoundTripsAndRejectsTruncation) {
  platform::wmf::ProfileData p;
  p.name = "a <name> & \"more\"";
  p.description = "Streams: 1 audio 1 video";
  platform::wmf::StreamData audio;
  audio.number = 1, audio.name = "Audio1", audio.bitrate = 128000, audio.sampleRate = 48000, audio.channels = 2;
  platform::wmf::StreamData video;
  video.video = true, video.number = 2, video.name = "Video2", video.width = 640, video.height = 480;
  video.frameTime = 333667, video.properties["_RMAX"] = 900000;
  p.streams = {audio, video};
  const std::string xml = platform::wmf::ToXml(p);
  platform::wmf::ProfileData back;
  ASSERT_TRUE(platform::wmf::FromXml(xml, &back));
  EXPECT_EQ(back.name, p.name);
  ASSERT_EQ(back.streams.size(), 2u);
  EXPECT_EQ(back.streams[1].frameTime, 333667);
  EXPECT_EQ(back.streams[1].properties["_RMAX"], 900000u);
  EXPECT_FALSE(platform::wmf::FromXml(xml.substr(0, xml.size() / 2), &back));
  EXPECT_FALSE(platform::wmf::FromXml("", &back));
}

TEST(Wmf, ManagerSavesUtf16AndCodecsDescribeTheirFormats) {
  CComPtr<IWMProfileManager> manager;
  ASSERT_EQ(WMCreateProfileManager(&manager), S_OK);
  CComPtr<IWMProfile> profile;
  EXPECT_EQ(manager->CreateEmptyProfile(WMT_VER_9_0, &profile), S_OK);
  profile->SetDescription("Streams: 1 video ü");
  DWORD length = 0;
  ASSERT_EQ(manager->SaveProfile(profile, nullptr, &length), S_OK);
  std::u16string text(length, u'\0');
  ASSERT_EQ(manager->SaveProfile(profile, text.data(), &length), S_OK);
  EXPECT_NE(text.find(u"Streams: 1 video \u00fc"), std::u16string::npos);
  CComPtr<IWMProfile> loaded;
  ASSERT_EQ(manager->LoadProfileByData(text.c_str(), &loaded), S_OK);
  EXPECT_EQ(manager->LoadProfileByData(u"<profile", &loaded), NS_E_INVALID_PROFILE);

  CComPtr<IWMCodecInfo3> codecs;
  ASSERT_EQ(manager->QueryInterface(IID_IWMCodecInfo3, reinterpret_cast<void**>(&codecs)), S_OK);
  char name[64];
  DWORD size = sizeof name;
  ASSERT_EQ(codecs->GetCodecName(WMMEDIATYPE_Audio, 0, name, &size), S_OK);
  EXPECT_STREQ(name, "Windows Media Audio 2");  // what the wmav2 encoder writes
  size = sizeof name;
  ASSERT_EQ(codecs->GetCodecName(WMMEDIATYPE_Video, 0, name, &size), S_OK);
  EXPECT_STREQ(name, "Windows Media Video 8");  // what the wmv2 encoder writes
  size = sizeof name;
  CComPtr<IWMStreamConfig> videoConfig;
  ASSERT_EQ(codecs->GetCodecFormatDesc(WMMEDIATYPE_Video, 0, 0, &videoConfig, name, &size), S_OK);
  EXPECT_STREQ(name, "Windows Media Video 8 CBR");
  size = sizeof name;
  CComPtr<IWMStreamConfig> config;
  ASSERT_EQ(codecs->GetCodecFormatDesc(WMMEDIATYPE_Audio, 0, 2, &config, name, &size), S_OK);
  EXPECT_STREQ(name, "128 kbps, 48 kHz, stereo CBR");
  // Variable bit rate is not encoded: refused, and no formats are listed for it.
  const DWORD on = 1;
  EXPECT_EQ(codecs->SetCodecEnumerationSetting(WMMEDIATYPE_Audio, 0, "_VBRENABLED", WMT_TYPE_BOOL,
                                               reinterpret_cast<const BYTE*>(&on), 4),
            NS_E_UNSUPPORTED_PROPERTY);
  DWORD formats = 9;
  codecs->GetCodecFormatCount(WMMEDIATYPE_Audio, 0, &formats);
  EXPECT_EQ(formats, 0u);
}

TEST(Wmf, SystemLocaleAndLanguageNames) {
  setenv("LC_ALL", "C", 1);
  EXPECT_EQ(GetSystemDefaultLCID(), 0x0409u);
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  EXPECT_EQ(GetSystemDefaultLCID(), 0x0407u);
  unsetenv("LC_ALL");
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("a\xc3\xbc\xf0\x9f\x8e\xac")), "a\xc3\xbc\xf0\x9f\x8e\xac");
}

}  // namespace
