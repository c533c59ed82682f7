#include "convengine/ffmpeg_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace mordax {
namespace {

Qn_ConvertOption PspOption() {
  Qn_ConvertOption o;
  o.video = {"mp4", 320, 240, 768, 29.97};
  o.audio = {"libfaac", 128, 48000, 2};
  o.FILEPREFIX = "M4V#####";
  o.EXF = ".MP4";
  o.FORCE = "PSP";
  return o;
}

bool Has(const std::vector<std::string>& args, const std::vector<std::string>& run) {
  return std::search(args.begin(), args.end(), run.begin(), run.end()) != args.end();
}

bool Contains(const std::vector<std::string>& args, const std::string& one) {
  return std::find(args.begin(), args.end(), one) != args.end();
}

TEST(FFmpegOptionsTest, LegacyCodecNamesMapToCurrentEncoders) {
  EXPECT_EQ(MapVideoCodec("XviD"), "libxvid");
  EXPECT_EQ(MapVideoCodec("mp4"), "mpeg4");
  EXPECT_EQ(MapVideoCodec("MPEG-4V"), "mpeg4");
  EXPECT_EQ(MapVideoCodec("mpeg-4 visual"), "mpeg4");
  EXPECT_EQ(MapVideoCodec("h264"), "libx264");
  EXPECT_EQ(MapVideoCodec("wmv2"), "wmv2");
  EXPECT_EQ(MapAudioCodec("WMA"), "wmav2");
  EXPECT_EQ(MapAudioCodec("pcm"), "pcm_s16le");
  EXPECT_EQ(MapAudioCodec("wav"), "pcm_s16le");
  EXPECT_EQ(MapAudioCodec("libfaac"), "aac");
  EXPECT_EQ(MapAudioCodec("mp2"), "mp2");
}

TEST(FFmpegOptionsTest, ArgumentsUseCurrentSpellingsAndDropRetiredOptions) {
  Qn_ConvertOption o = PspOption();
  o.BITEXACT = 1;
  o.FIXASPECT = 1;
  o.MUXVB = 64;
  o.MUXAB = 32;
  std::vector<std::string> dropped;
  const auto args = MakeArguments(o, "/in/a clip.dv", "/out/M4V00000.MP4", true, &dropped);
  EXPECT_EQ(args.front(), "-y");
  EXPECT_TRUE(Has(args, {"-i", "/in/a clip.dv"}));
  EXPECT_TRUE(Has(args, {"-vcodec", "mpeg4", "-pix_fmt", "yuv420p"}));
  EXPECT_TRUE(Has(args, {"-s", "320x240"}));
  EXPECT_TRUE(Has(args, {"-r", "29.97"}));
  EXPECT_TRUE(Has(args, {"-b:v", "768k"}));
  EXPECT_TRUE(Has(args, {"-acodec", "aac", "-ac", "2", "-ar", "48000", "-b:a", "128k"}));
  EXPECT_TRUE(Has(args, {"-f", "psp"}));
  EXPECT_TRUE(Contains(args, "-bitexact"));
  EXPECT_FALSE(Contains(args, "-fixaspect"));
  EXPECT_FALSE(Contains(args, "-muxvb"));
  EXPECT_FALSE(Contains(args, "-muxab"));
  EXPECT_FALSE(Contains(args, "-b"));
  EXPECT_EQ(dropped, (std::vector<std::string>{"-fixaspect", "-muxvb", "-muxab"}));
  EXPECT_EQ(args.back(), "/out/M4V00000.MP4");
}

TEST(FFmpegOptionsTest, BaselineLevelAndContainerChoices) {
  Qn_ConvertOption o = PspOption();
  o.video.codec = "h264";
  o.H264_BASELINE = 30;
  o.FORCE = "@NONE";
  auto args = MakeArguments(o, "in", "out.mp4", true, nullptr);
  EXPECT_TRUE(Has(args, {"-vcodec", "libx264", "-pix_fmt", "yuv420p"}));
  EXPECT_TRUE(Has(args, {"-level", "30", "-profile:v", "baseline"}));
  EXPECT_FALSE(Contains(args, "-f"));

  o.video.codec = "wmv2";
  o.H264_BASELINE = 0;
  o.FORCE.clear();
  args = MakeArguments(o, "in", "out.wmv", true, nullptr);
  EXPECT_FALSE(Contains(args, "-pix_fmt"));
  EXPECT_FALSE(Contains(args, "-profile:v"));
}

TEST(FFmpegOptionsTest, AudioOnlyAndSilentInputs) {
  Qn_ConvertOption o = PspOption();
  o.ONLY_AUDIO = 1;
  auto args = MakeArguments(o, "in", "out.m4a", true, nullptr);
  EXPECT_TRUE(Contains(args, "-vn"));
  EXPECT_FALSE(Contains(args, "-vcodec"));
  EXPECT_FALSE(Contains(args, "-s"));
  EXPECT_FALSE(Contains(args, "-f"));
  EXPECT_TRUE(Contains(args, "-acodec"));

  // A silent clip for a container that takes video alone: no sound options at all.
  o.ONLY_AUDIO = 0;
  o.FORCE = "ipod";
  args = MakeArguments(o, "in", "out.mp4", false, nullptr, 4000);
  EXPECT_FALSE(Contains(args, "-acodec"));
  EXPECT_FALSE(Contains(args, "-ar"));
  EXPECT_FALSE(Contains(args, "lavfi"));
  EXPECT_TRUE(Contains(args, "-vcodec"));
}

TEST(FFmpegOptionsTest, ASilentClipForThePspGetsASilentTrackOfTheProfilesSound) {
  EXPECT_TRUE(ContainerNeedsSound("PSP"));
  EXPECT_TRUE(ContainerNeedsSound("psp"));
  EXPECT_FALSE(ContainerNeedsSound("ipod"));
  EXPECT_FALSE(ContainerNeedsSound("@none"));
  EXPECT_FALSE(ContainerNeedsSound(""));

  Qn_ConvertOption o = PspOption();
  auto args = MakeArguments(o, "in.mpg", "out.mp4", false, nullptr, 12345);
  // The silence is the second input, as long as the clip, in the profile's rate and channels.
  EXPECT_TRUE(Has(args, {"-i", "in.mpg", "-f", "lavfi", "-t", "12.345", "-i",
                         "anullsrc=channel_layout=stereo:sample_rate=48000", "-map", "0:v:0", "-map", "1:a:0"}));
  EXPECT_TRUE(Has(args, {"-acodec", "aac", "-ac", "2", "-ar", "48000", "-b:a", "128k"}));
  EXPECT_TRUE(Has(args, {"-f", "psp"}));
  EXPECT_FALSE(Contains(args, "-shortest"));
  EXPECT_EQ(args.back(), "out.mp4");

  // Mono at 24 kHz, and a clip whose length is unknown ends with its picture.
  o.audio = {"aac", 64, 24000, 1};
  args = MakeArguments(o, "in.mpg", "out.mp4", false, nullptr, 0);
  EXPECT_TRUE(Contains(args, "anullsrc=channel_layout=mono:sample_rate=24000"));
  EXPECT_FALSE(Contains(args, "-t"));
  EXPECT_TRUE(Contains(args, "-shortest"));

  // A clip with sound keeps its own.
  args = MakeArguments(PspOption(), "in.mpg", "out.mp4", true, nullptr, 12345);
  EXPECT_FALSE(Contains(args, "lavfi"));
  EXPECT_FALSE(Contains(args, "-map"));
}

TEST(FFmpegOptionsTest, OptionChecksRefuseBadValues) {
  const auto all = [](const std::string&) { return true; };
  std::string why;
  EXPECT_EQ(CheckConvertOption(PspOption(), all, &why), Qn_MSG_SUCCEEDED) << why;

  struct Case {
    const char* what;
    std::function<void(Qn_ConvertOption&)> change;
  };
  const Case invalid[] = {
      {"zero width", [](Qn_ConvertOption& o) { o.video.width = 0; }},
      {"negative bitrate", [](Qn_ConvertOption& o) { o.video.bitrate = -5; }},
      {"NaN frame rate", [](Qn_ConvertOption& o) { o.video.frameRate = std::nan(""); }},
      {"huge size", [](Qn_ConvertOption& o) { o.video.height = 100000; }},
      {"zero channels", [](Qn_ConvertOption& o) { o.audio.channels = 0; }},
      {"zero sample rate", [](Qn_ConvertOption& o) { o.audio.sampleRate = 0; }},
      {"pattern with folder", [](Qn_ConvertOption& o) { o.FILEPREFIX = "../../etc/x"; }},
      {"pattern with slash", [](Qn_ConvertOption& o) { o.FILEPREFIX = "sub/name"; }},
      {"wide counter", [](Qn_ConvertOption& o) { o.FILEPREFIX = "A#######"; }},
      {"extension with folder", [](Qn_ConvertOption& o) { o.EXF = "/../x"; }},
      {"extension as a folder", [](Qn_ConvertOption& o) { o.EXF = ".."; }},
      {"codec as option", [](Qn_ConvertOption& o) { o.video.codec = "-i"; }},
      {"container with blanks", [](Qn_ConvertOption& o) { o.FORCE = "mp4 -y"; }},
  };
  for (const Case& c : invalid) {
    Qn_ConvertOption o = PspOption();
    c.change(o);
    EXPECT_EQ(CheckConvertOption(o, all, &why), Qn_ERR_INVALID_ARG) << c.what;
  }

  // An audio-only profile carries no video preset: its zeros are not a fault.
  Qn_ConvertOption audio = PspOption();
  audio.ONLY_AUDIO = 1;
  audio.video = Qn_VideoOption{};
  EXPECT_EQ(CheckConvertOption(audio, all, &why), Qn_MSG_SUCCEEDED) << why;
  audio.audio.bitrate = 0;
  EXPECT_EQ(CheckConvertOption(audio, all, &why), Qn_ERR_INVALID_ARG);

  // An extension written without its dot still names a proper file.
  Qn_ConvertOption bare = PspOption();
  bare.EXF = "mp4";
  NormaliseOption(&bare);
  EXPECT_EQ(bare.EXF, ".mp4");
  EXPECT_EQ(CheckConvertOption(bare, all, &why), Qn_MSG_SUCCEEDED) << why;
}

TEST(FFmpegOptionsTest, CodecWithoutEncoderIsRefused) {
  const auto noAmr = [](const std::string& encoder) { return encoder.find("amr") == std::string::npos; };
  Qn_ConvertOption o = PspOption();
  o.audio.codec = "amr_nb";
  std::string why;
  EXPECT_EQ(CheckConvertOption(o, noAmr, &why), Qn_ERR_NO_AUDIO_ENCODER);
  EXPECT_NE(why.find("amr_nb"), std::string::npos);
  // Without a way to ask FFmpeg, the conversion reports it instead.
  EXPECT_EQ(CheckConvertOption(o, EncoderCheck(), &why), Qn_MSG_SUCCEEDED);
}

}  // namespace
}  // namespace mordax
