// What the engine makes of the inputs devices.ini describes: a tone's level, spectrum and loudness
// in a WMA file, noise reduction on noise and on a tone, and a WAV recording of a file input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

#include "audiorec/tests/engine_fixture.h"
#include "platform/base/process.h"

namespace auvry::testing {
namespace {

namespace sim = platform::dshow::sim;

// ffmpeg's volumedetect of a file: {mean, max} in dB.
std::pair<double, double> Loudness(const std::string& file) {
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffmpeg", {"-hide_banner", "-nostats", "-i", file, "-af", "volumedetect", "-f", "null", "-"},
                       &out, &err, &code, 60000);
  auto read = [&err](const char* key) {
    const auto at = err.find(key);
    return at == std::string::npos ? -999.0 : std::stod(err.substr(at + std::string(key).size()));
  };
  return {read("mean_volume: "), read("max_volume: ")};
}

std::vector<std::int16_t> WavSamples(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::int16_t> samples;
  if (bytes.size() <= 44) return samples;
  samples.resize((bytes.size() - 44) / 2);
  std::copy_n(bytes.data() + 44, samples.size() * 2, reinterpret_cast<char*>(samples.data()));
  return samples;
}

class SignalTest : public EngineTest {
 protected:
  void UseSignal(const sim::AudioSignal& signal) {
    auto devices = sim::DefaultDevices();
    for (auto& d : devices)
      if (d.name == kUsbAudio) d.audioSignal = signal;
    sim::Hardware::Instance().SetDevices(devices);
  }
  std::string RecordWav(const std::string& name, int ms) {
    const std::string file = Folder() + name;
    EXPECT_TRUE(engine.StartRecordWav(file, 2, 16, 44100, 2047));
    Advance(ms);
    EXPECT_TRUE(engine.StopRecording());
    return file;
  }
};

TEST_F(SignalTest, AToneReadsItsLevelAndBandAndKeepsItsLoudnessInWma) {
  UseSignal({sim::AudioSignal::Kind::Tone, 1000.0, -12.0, {}});
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 2));
  ASSERT_TRUE(engine.StartPreview());
  Advance(1000);
  AudioLevelRecord levels;
  ASSERT_TRUE(engine.GetLevels(&levels));
  EXPECT_NEAR(levels.LeftDb(), -12.0, 0.5);
  EXPECT_NEAR(levels.RightDb(), -12.0, 0.5);
  const BYTE* bands = levels.LeftBands();
  const int loudest = static_cast<int>(std::max_element(bands, bands + 30) - bands);
  const double ratio = std::pow(16000.0 / 40.0, 1.0 / 30.0);
  const double centre = 40.0 * std::pow(ratio, loudest + 0.5);
  EXPECT_LT(std::abs(std::log(centre / 1000.0)), std::log(ratio)) << loudest;

  WmvCaptureSettings request;
  request.fileName = Folder() + "tone.wma";
  request.profilePath = std::string(std::getenv("VIDARRO_APP_DIR")) + "/QnProfileWMA.prx";
  ASSERT_TRUE(engine.StartRecordWma(request));
  Advance(5000);
  ASSERT_TRUE(engine.StopRecording());
  EXPECT_NEAR(Loudness(request.fileName).second, -12.0, 1.0);
}

TEST_F(SignalTest, NoiseReductionLowersNoiseAndLeavesATone) {
  UseSignal({sim::AudioSignal::Kind::Noise, 1000.0, -50.0, {}});
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 2));
  ASSERT_TRUE(engine.StartPreview());
  const double noiseOff = Loudness(RecordWav("noise_off.wav", 2000)).first;
  engine.SetNoiseReduction(1, 15.0f);
  const double noiseOn = Loudness(RecordWav("noise_on.wav", 2000)).first;
  EXPECT_LE(noiseOn, noiseOff - 10.0) << noiseOff;
  engine.Close();

  UseSignal({sim::AudioSignal::Kind::Tone, 1000.0, -12.0, {}});
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 2));
  engine.SetNoiseReduction(1, 15.0f);
  ASSERT_TRUE(engine.StartPreview());
  EXPECT_NEAR(Loudness(RecordWav("tone_on.wav", 2000)).second, -12.0, 1.0);
}

TEST_F(SignalTest, WithoutNoiseReductionAWavRecordingHoldsTheFileInputsOwnSamples) {
  // Two seconds of a 44.1 kHz stereo ramp, each channel its own.
  const std::string input = Folder() + "input.wav";
  {
    std::vector<std::int16_t> pcm(44100 * 2 * 2);
    for (size_t i = 0; i < pcm.size(); ++i)
      pcm[i] = static_cast<std::int16_t>((i % 2 ? -1 : 1) * static_cast<int>((i / 2) % 20000));
    std::ofstream out(input, std::ios::binary);
    auto u32 = [&out](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&out](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out << "RIFF";
    u32(36 + static_cast<std::uint32_t>(pcm.size() * 2));
    out << "WAVEfmt ";
    u32(16), u16(1), u16(2), u32(44100), u32(44100 * 4), u16(4), u16(16);
    out << "data";
    u32(static_cast<std::uint32_t>(pcm.size() * 2));
    out.write(reinterpret_cast<const char*>(pcm.data()), static_cast<std::streamsize>(pcm.size() * 2));
  }
  UseSignal({sim::AudioSignal::Kind::File, 1000.0, 0.0, input});
  ASSERT_TRUE(engine.Open(window, "", kUsbAudio, 2));
  ASSERT_TRUE(engine.StartPreview());
  const auto recorded = WavSamples(RecordWav("file.wav", 3000));
  const auto original = WavSamples(input);
  ASSERT_GE(recorded.size(), 44100u * 2);
  // The recording starts somewhere in the loop; from there every sample is the file's.
  const auto start = std::find(original.begin(), original.end(), recorded[0]) - original.begin();
  ASSERT_LT(static_cast<size_t>(start), original.size());
  size_t mismatches = 0;
  for (size_t i = 0; i < recorded.size(); ++i)
    mismatches += recorded[i] != original[(static_cast<size_t>(start) + i) % original.size()];
  EXPECT_EQ(0u, mismatches);
}

TEST_F(SignalTest, ABoxThatDigitisesSoundOnlyWithItsPictureRecordsItsTone) {
  // The box as its devices.ini describes it, S-Video listed first.
  const std::string ini = Folder() + "picture_box.ini";
  std::ofstream(ini) << "[BOX]\nKIND=usb\nNAME=Picture Box\n"
                        "PATH=\\\\?\\usb#vid_1b80&pid_e30a&mi_00#7&1&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\n"
                        "FORMATS=720x480@29.97/YUY2\nCROSSBAR1=Box Crossbar|3,2,4097,4097|12,4105\n"
                        "[BOXAUDIO]\nKIND=audio\nNAME=Picture Box Audio\nWAVEIN=0\nTONE=1000:-12\nNEEDSVIDEO=1\n"
                        "DSGUID={BD6DD71B-3DEB-4F3A-9C1F-5A2B1E6C0D02}\nDSDESC=Picture Box Audio\n"
                        "DSPATH=\\\\?\\usb#vid_1b80&pid_e30a&mi_01#7&1&0&0001#{6994ad04-93ef-11d0-a3cc-00a0c9223196}\n";
  std::vector<std::string> problems;
  sim::Hardware::Instance().SetDevices(sim::ParseDevicesFile(ini, &problems));
  EXPECT_TRUE(problems.empty());
  ASSERT_TRUE(engine.Open(window, "", "Picture Box Audio", 2));
  ASSERT_TRUE(engine.CaptureBoxAdded());
  EXPECT_EQ(RoutedConnector(engine.Graph(), "Box Crossbar"), 2);
  ASSERT_TRUE(engine.StartPreview());
  EXPECT_NEAR(Loudness(RecordWav("picture_box.wav", 2000)).second, -12.0, 1.0);
}

TEST_F(SignalTest, AVideoDevicesOwnAudioPinRecordsItsTone) {
  auto devices = sim::DefaultDevices();
  for (auto& d : devices)
    if (d.kind == sim::DeviceKind::UsbBox)
      d.audioPin = true, d.audioSignal = {sim::AudioSignal::Kind::Tone, 700.0, -6.0, {}};
  sim::Hardware::Instance().SetDevices(devices);
  ASSERT_TRUE(engine.Open(window, "Vidarro USB Video Capture", "", 2));
  EXPECT_EQ(engine.SourceKind(), CAudioRecordGraph::kVideoAudio);
  EXPECT_TRUE(engine.IsVideoSourceOpen());
  ASSERT_TRUE(engine.StartPreview());
  EXPECT_NEAR(Loudness(RecordWav("video_audio.wav", 2000)).second, -6.0, 1.0);
}

}  // namespace
}  // namespace auvry::testing
