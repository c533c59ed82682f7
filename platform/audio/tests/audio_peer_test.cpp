// The WAV files of "Qn PCM Dump Filter" read back by ffprobe and ffmpeg, independent readers.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "platform/audio/audio_classes.h"
#include "platform/audio/audio_interfaces.h"
#include "platform/audio/tests/graph_run.h"
#include "platform/audio/tests/pcm_source.h"
#include "platform/audio/tests/wav_read.h"
#include "platform/base/process.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/writer_interfaces.h"

namespace platform::audio {
namespace {

using namespace platform::audio::testing;

std::map<std::string, std::string> Probe(const std::string& file) {
  std::string out, err;
  int code = -1;
  RunProcess(
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

double MaxVolumeDb(const std::string& file) {
  std::string out, err;
  int code = -1;
  RunProcess("ffmpeg", {"-hide_banner", "-i", file, "-af", "volumedetect", "-f", "null", "-"}, &out, &err, &code,
             60000);
  const auto at = err.find("max_volume:");
  return at == std::string::npos ? 0.0 : std::stod(err.substr(at + 11));
}

TEST(PcmDumpPeer, ReadersSeeTheToneAtItsFormatLengthAndLevel) {
  const std::string path = TempFolder() + "/tone.wav";
  CComPtr<IBaseFilter> source;
  source.Attach(new PcmSource(Tone(1000.0, -12.0, 44100, 2, 3.0), 44100, 2));
  CComPtr<IBaseFilter> reduction, dump;
  ASSERT_EQ(reduction.CoCreateInstance(CLSID_QnNoiseReduction, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  CComQIPtr<IQnNoiseReduction>(static_cast<IUnknown*>(reduction))->SetEnabled(1);
  ASSERT_EQ(dump.CoCreateInstance(CLSID_QnPcmDump, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  CComQIPtr<IFileSinkFilter>(static_cast<IUnknown*>(dump))->SetFileName(path.c_str(), nullptr);
  ASSERT_EQ(RunChain({source, reduction, dump}), EC_COMPLETE);

  auto facts = Probe(path);
  EXPECT_EQ(facts["format_name"], "wav");
  EXPECT_EQ(facts["codec_name"], "pcm_s16le");
  EXPECT_EQ(facts["sample_rate"], "44100");
  EXPECT_EQ(facts["channels"], "2");
  EXPECT_NEAR(std::stod(facts["duration"].empty() ? "0" : facts["duration"]), 3.0, 0.01);
  EXPECT_NEAR(MaxVolumeDb(path), -12.0, 1.0);
}

TEST(Mp3Peer, ReadersSeeFortyEightKilohertzAtTheSetBitRate) {
  const std::string path = TempFolder() + "/tone.mp3";
  CComPtr<IBaseFilter> source;
  source.Attach(new PcmSource(Tone(1000.0, -12.0, 48000, 2, 3.0), 48000, 2));
  CComPtr<IBaseFilter> encoder, dump;
  ASSERT_EQ(encoder.CoCreateInstance(CLSID_QnMp3Encoder, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  CComQIPtr<IQnMp3Encoder> settings(static_cast<IUnknown*>(encoder));
  EXPECT_EQ(settings->SetBitRate(192), S_OK);
  EXPECT_EQ(settings->SetVariableRate(0), S_OK);
  EXPECT_EQ(settings->SetSampleRate(48000), S_OK);
  ASSERT_EQ(dump.CoCreateInstance(CLSID_QnMp3Dump, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  CComQIPtr<IFileSinkFilter>(static_cast<IUnknown*>(dump))->SetFileName(path.c_str(), nullptr);
  ASSERT_EQ(RunChain({source, encoder, dump}), EC_COMPLETE);
  int result = 0;
  CComQIPtr<IQnMp3Writer>(static_cast<IUnknown*>(dump))->GetResult(&result);
  EXPECT_EQ(result, 1);

  auto facts = Probe(path);
  EXPECT_EQ(facts["format_name"], "mp3");
  EXPECT_EQ(facts["codec_name"], "mp3");
  EXPECT_EQ(facts["sample_rate"], "48000");
  EXPECT_EQ(facts["channels"], "2");
  EXPECT_EQ(facts["bit_rate"], "192000");
  EXPECT_NEAR(std::stod(facts["duration"].empty() ? "0" : facts["duration"]), 3.0, 0.1);
  EXPECT_NEAR(MaxVolumeDb(path), -12.0, 1.0);
}

}  // namespace
}  // namespace platform::audio
