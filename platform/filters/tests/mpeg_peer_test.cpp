// Each MPEG target read back by ffprobe, an independent reader.
#include <algorithm>
#include <map>
#include <sstream>

#include "platform/base/process.h"
#include "platform/filters/tests/mpeg_fixture.h"
#include "platform/filters/tests/mpeg_probe.h"

namespace platform::filters {
namespace {

using namespace test;

std::map<std::string, std::string> Probe(const std::string& file, const char* stream) {
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffprobe",
                       {"-v", "error", "-select_streams", stream, "-show_entries",
                        "stream=codec_name,width,height,r_frame_rate,display_aspect_ratio,sample_rate,channels:"
                        "format=format_name",
                        "-of", "default=nw=1", file},
                       &out, &err, &code, 60000);
  std::map<std::string, std::string> facts;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) facts[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return facts;
}

double Ratio(const std::string& text) {
  const auto colon = text.find(':');
  if (colon == std::string::npos) return 0;
  return std::stod(text.substr(0, colon)) / std::max(std::stod(text.substr(colon + 1)), 1.0);
}

struct Target {
  const char* name;
  int type, width, height, rateCode;
  long bitRate;
  bool longPlay, wide, pal;
  const char* codec;
  int outWidth, outHeight;
  const char* rate;
  const char* aspect;
  int sampleRate;
};

class MpegPeerTest : public MpegEncoderTest, public ::testing::WithParamInterface<Target> {};

TEST_P(MpegPeerTest, FfprobeReadsTheTarget) {
  const Target& t = GetParam();
  Connect(true, t.pal);
  main->SetStreamType(t.type);
  if (t.width) main->SetPictureSize(t.width, t.height);
  if (t.rateCode) main->SetFrameRateCode(t.rateCode);
  if (t.bitRate) main->SetVideoBitRate(t.bitRate);
  CComPtr<IQnMpegLongPlay> longPlay;
  encoder.QueryInterface(&longPlay);
  longPlay->SetLongPlay(t.longPlay);
  CComPtr<IQnMpegAspect> aspect;
  encoder.QueryInterface(&aspect);
  const long wide = t.wide ? 1 : 0;
  aspect->SetAspect(0, &wide, 1);
  const std::string file = Folder() + t.name + ".mpg";
  const long frameDuration = t.pal ? 400000 : 333667;
  Record(file, 2100, frameDuration);
  const std::string part = MpegPartName(file, 0);
  auto video = Probe(part, "v");
  auto audio = Probe(part, "a");
  EXPECT_EQ(video["format_name"], "mpeg");
  EXPECT_EQ(video["codec_name"], t.codec);
  EXPECT_EQ(video["width"], std::to_string(t.outWidth));
  EXPECT_EQ(video["height"], std::to_string(t.outHeight));
  EXPECT_EQ(video["r_frame_rate"], t.rate);
  // MPEG-1 codes the pixel shape from a table: VCD aspects come within a percent.
  EXPECT_NEAR(Ratio(video["display_aspect_ratio"]), Ratio(t.aspect), 0.01) << video["display_aspect_ratio"];
  EXPECT_EQ(audio["codec_name"], "mp2");
  EXPECT_EQ(audio["sample_rate"], std::to_string(t.sampleRate));
  EXPECT_EQ(audio["channels"], "2");

  // Every picture once, in order; each whole second's flash meets its burst within a frame.
  const FileFacts decoded = ProbeFile(part, true);
  ASSERT_GT(decoded.codes.size(), 50u);
  for (std::size_t i = 0; i < decoded.codes.size(); ++i)
    ASSERT_EQ(decoded.codes[i], decoded.codes[0] + static_cast<long long>(i)) << i;
  EXPECT_GE(decoded.flashes.size(), 2u);
  EXPECT_GE(decoded.bursts.size(), decoded.flashes.size());
  EXPECT_TRUE(FlashesMeetBursts(decoded, frameDuration / 1e7))
      << "first flash " << (decoded.flashes.empty() ? -1 : decoded.flashes[0]) << ", first burst "
      << (decoded.bursts.empty() ? -1 : decoded.bursts[0]);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, MpegPeerTest,
    ::testing::Values(
        Target{"vcd_ntsc", 3, 0, 0, 0, 0, false, false, false, "mpeg1video", 352, 240, "30000/1001", "4:3", 44100},
        Target{"vcd_pal", 4, 0, 0, 0, 0, false, false, true, "mpeg1video", 352, 288, "25/1", "4:3", 44100},
        Target{"svcd_ntsc", 9, 0, 0, 0, 2500000, false, false, false, "mpeg2video", 480, 480, "30000/1001", "4:3",
               44100},
        Target{"svcd_pal", 10, 0, 0, 0, 2500000, false, true, true, "mpeg2video", 480, 576, "25/1", "16:9", 44100},
        Target{"dvd_ntsc_2", 7, 720, 480, 4, 8000000, false, false, false, "mpeg2video", 720, 480, "30000/1001", "4:3",
               48000},
        Target{"dvd_ntsc_1", 2, 352, 480, 4, 5000000, false, true, false, "mpeg2video", 352, 480, "30000/1001", "16:9",
               48000},
        Target{"dvd_ntsc_0", 2, 352, 240, 4, 4000000, false, false, false, "mpeg2video", 352, 240, "30000/1001", "4:3",
               48000},
        Target{"dvd_pal_2", 8, 720, 576, 3, 6500000, false, false, true, "mpeg2video", 720, 576, "25/1", "4:3", 48000},
        Target{"long_dvd_pal_1", 12, 352, 576, 3, 1500000, true, false, true, "mpeg2video", 352, 576, "25/1", "4:3",
               48000},
        Target{"long_dvd_ntsc_0", 2, 352, 240, 4, 1150000, true, true, false, "mpeg2video", 352, 240, "30000/1001",
               "16:9", 48000}),
    [](const ::testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace platform::filters

namespace platform::filters {
namespace {

using namespace test;

bool RunTool(const std::vector<std::string>& args) {
  std::string out, err;
  int code = -1;
  const bool ran = platform::RunProcess("env", args, &out, &err, &code, 120000);
  return ran && code == 0;
}

// A second process following a growing file, as the multiplexer of a record-and-burn pass does.
class Follower {
 public:
  explicit Follower(const std::string& path) { child_.Start("tail", {"-c", "+1", "-s", "0.02", "-f", path}); }
  ~Follower() { child_.Terminate(2000); }
  // Reads what the follower has passed on until it holds at least want bytes (real time, bounded).
  const std::string& ReadUntil(std::size_t want, DWORD timeoutMs) {
    std::string err;
    for (DWORD waited = 0; got_.size() < want && waited < timeoutMs; waited += 20)
      if (!child_.ReadOutput(&got_, &err, 20)) break;
    return got_;
  }

 private:
  platform::ChildProcess child_;
  std::string got_;
};

std::string CopiedOut(const std::string& part, const char* stream, const char* format) {
  const std::string out = Folder() + "copied." + format;
  std::string text, err;
  int code = -1;
  platform::RunProcess("ffmpeg", {"-v", "error", "-y", "-i", part, "-map", stream, "-c", "copy", "-f", format, out},
                       &text, &err, &code, 60000);
  return code == 0 ? ReadAll(out) : std::string();
}

TEST_F(MpegEncoderTest, ASecondProcessReadsTheElementaryStreamsWhileTheyGrow) {
  Connect(true);
  main->SetStreamType(7);
  main->SetPictureSize(352, 240);
  main->SetFrameRateCode(4);
  main->SetElementaryOutput(1);
  const std::string file = Folder() + "grow.mpg";
  ASSERT_EQ(Sink()->SetFileName(file.c_str(), nullptr), S_OK);
  platform::ManualClock clock(1000);
  platform::ScopedClock use(clock);
  ASSERT_EQ(control->Run(), S_OK);
  Follower video(Folder() + "grow.mpv"), audio(Folder() + "grow.mpa");
  auto advance = [&](int from, int to) {
    DWORD frames = 0;
    for (int t = from + 100; t <= to; t += 100) {
      clock.Advance(100);
      for (int i = 0; i < 2000 && frames < static_cast<DWORD>(t * 30 / 1001); ++i) {
        main->GetFramesEncoded(&frames);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
  };
  advance(0, 1500);
  // Halfway through, both readers already have the start of each stream.
  EXPECT_EQ(video.ReadUntil(4, 10000).compare(0, 4, "\x00\x00\x01\xB3", 4), 0);
  EXPECT_EQ(static_cast<unsigned char>(audio.ReadUntil(1, 10000)[0]), 0xFF);
  advance(1500, 3000);
  ASSERT_EQ(control->Stop(), S_OK);

  const std::string mpv = ReadAll(Folder() + "grow.mpv"), mpa = ReadAll(Folder() + "grow.mpa");
  ASSERT_GT(mpv.size(), 1000u);
  EXPECT_EQ(video.ReadUntil(mpv.size(), 10000), mpv);
  EXPECT_EQ(audio.ReadUntil(mpa.size(), 10000), mpa);
  // The program stream carries the same bytes.
  EXPECT_EQ(CopiedOut(Folder() + "grow_0.mpg", "0:v", "mpeg2video"), mpv);
  EXPECT_EQ(CopiedOut(Folder() + "grow_0.mpg", "0:a", "mp2"), mpa);
  EXPECT_FALSE(platform::FileExists(Folder() + "grow.mpv.0"));
  EXPECT_FALSE(platform::FileExists(Folder() + "grow_1.mpg"));
}

TEST_F(MpegEncoderTest, DvdauthorMakesAVideoTsOfADvdPart) {
  Connect(true);
  main->SetStreamType(7);
  main->SetPictureSize(720, 480);
  main->SetFrameRateCode(4);
  main->SetVideoBitRate(6000000);
  Record(Folder() + "author.mpg", 1000);
  const std::string dvd = Folder() + "dvd";
  ASSERT_TRUE(RunTool({"VIDEO_FORMAT=NTSC", "dvdauthor", "-o", dvd, "-t", Folder() + "author_0.mpg"}));
  ASSERT_TRUE(RunTool({"VIDEO_FORMAT=NTSC", "dvdauthor", "-o", dvd, "-T"}));
  EXPECT_TRUE(platform::FileExists(dvd + "/VIDEO_TS/VIDEO_TS.IFO"));
  EXPECT_TRUE(platform::FileExists(dvd + "/VIDEO_TS/VTS_01_0.IFO"));
  EXPECT_GT(platform::FileSize(dvd + "/VIDEO_TS/VTS_01_1.VOB"), 100000);
}

}  // namespace
}  // namespace platform::filters
