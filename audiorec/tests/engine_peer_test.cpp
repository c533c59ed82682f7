// The engine's recordings read back by ffprobe, an independent reader.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "audiorec/tests/engine_fixture.h"
#include "platform/base/process.h"

namespace auvry::testing {
namespace {

std::map<std::string, std::string> Probe(const std::string& file) {
  std::string out, err;
  int code = -1;
  platform::RunProcess(
      "ffprobe",
      {"-v", "error", "-show_entries", "stream=codec_name,sample_rate,channels,bit_rate:format=format_name,duration",
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

TEST_F(EngineTest, ReadersSeeEachRecordingKindAsItsFormat) {
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 1));
  ASSERT_TRUE(engine.StartPreview());
  WmvCaptureSettings request;
  request.fileName = Folder() + "peer.wma";
  // The profile the build writes beside the program.
  request.profilePath = std::string(std::getenv("VIDARRO_APP_DIR")) + "/QnProfileWMA.prx";
  ASSERT_TRUE(engine.StartRecordWma(request));
  Advance(3000);
  ASSERT_TRUE(engine.StopRecording());
  auto wma = Probe(request.fileName);
  EXPECT_EQ(wma["format_name"], "asf");
  EXPECT_EQ(wma["codec_name"], "wmav2");
  EXPECT_EQ(wma["sample_rate"], "48000");
  EXPECT_EQ(wma["channels"], "2");
  EXPECT_NEAR(std::stod(wma["duration"].empty() ? "0" : wma["duration"]), 3.0, 0.2);

  ASSERT_TRUE(engine.StartRecordWav(Folder() + "peer.wav", 2, 16, 44100, 2047));
  Advance(1000);
  ASSERT_TRUE(engine.StopRecording());
  auto wav = Probe(Folder() + "peer.wav");
  EXPECT_EQ(wav["codec_name"], "pcm_s16le");
  EXPECT_EQ(wav["sample_rate"], "44100");
  EXPECT_EQ(wav["channels"], "2");

  ASSERT_TRUE(engine.StartRecordMp3(Folder() + "peer.mp3"));
  Advance(1000);
  ASSERT_TRUE(engine.StopRecording());
  auto mp3 = Probe(Folder() + "peer.mp3");
  EXPECT_EQ(mp3["codec_name"], "mp3");
  EXPECT_EQ(mp3["sample_rate"], "48000");
  EXPECT_EQ(mp3["bit_rate"], "192000");
}

}  // namespace
}  // namespace auvry::testing
