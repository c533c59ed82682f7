// The recorder's engine on the machine's own sound input (the tone plugin as the card, real
// libasound, the real clock): WMA of the asked length and format, levels that follow the signal,
// noise reduction, an overrun that keeps the timeline and a card that vanishes mid-recording.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include "audiorec/input_devices.h"
#include "audiorec/tests/engine_fixture.h"
#include "capture/device_list.h"
#include "platform/base/process.h"
#include "platform/dshow/alsa_capture_filter.h"
#include "platform/dshow/tests/tone_card.h"

namespace auvry::testing {
namespace {

namespace card = platform::dshow::testing;
using Clock = std::chrono::steady_clock;

constexpr const char* kCard = "Vidarro Test Card";

std::map<std::string, std::string> Probe(const std::string& file) {
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffprobe",
                       {"-v", "error", "-show_entries", "stream=codec_name,sample_rate,channels:format=duration", "-of",
                        "default=nw=1", file},
                       &out, &err, &code, 60000);
  std::map<std::string, std::string> facts;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);)
    if (const auto eq = line.find('='); eq != std::string::npos) facts[line.substr(0, eq)] = line.substr(eq + 1);
  return facts;
}

double Duration(const std::string& file) {
  const std::string d = Probe(file)["duration"];
  return d.empty() || d == "N/A" ? 0.0 : std::stod(d);
}

double MeanVolume(const std::string& file) {
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffmpeg", {"-hide_banner", "-nostats", "-i", file, "-af", "volumedetect", "-f", "null", "-"},
                       &out, &err, &code, 60000);
  const auto at = err.find("mean_volume: ");
  return at == std::string::npos ? -999.0 : std::stod(err.substr(at + 13));
}

double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

class MachineInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = CreateWindowEx(0, NotifyClass(), "notify", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    engine.Close();
    DestroyWindow(window);
  }
  void OpenCard() {
    ASSERT_TRUE(engine.Open(window, "", kCard, 2));
    ASSERT_TRUE(engine.StartPreview());
  }
  // Waits (real time) until the left level meets `test`, at most `seconds`.
  template <typename Test>
  bool LevelBecomes(Test test, double seconds) {
    const auto start = Clock::now();
    AudioLevelRecord levels;
    while (Since(start) < seconds) {
      if (engine.GetLevels(&levels) && test(levels.LeftDb())) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  std::string RecordWav(const std::string& name, double seconds) {
    const std::string file = Folder() + name;
    EXPECT_TRUE(engine.StartRecordWav(file, 2, 16, 48000, 2047));
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    EXPECT_TRUE(engine.StopRecording());
    return file;
  }
  bool SourceLostWithin(double seconds) {
    const auto start = Clock::now();
    while (Since(start) < seconds) {
      if (engine.SourceLost()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  HWND window = nullptr;
  CAudioRecordGraph engine;
};

TEST_F(MachineInputTest, SixSecondsOfAToneAreAWmaOfTheProfilesFormatWithLevelsThatFollowTheSignal) {
  // The card offers 44.1 kHz mono only; the profile asks 48 kHz stereo.
  constexpr int kRate = 44100;
  card::InstallToneCard(card::Join({card::Tone(kRate, 1, 2.5, 1000, -12), card::Silence(kRate, 1, 2.0),
                                    card::Tone(kRate, 1, 1.5, 1000, -12)}),
                        {.rate = kRate, .channels = 1});
  OpenCard();
  WmvCaptureSettings request;
  request.fileName = Folder() + "card.wma";
  request.profilePath = std::string(std::getenv("VIDARRO_APP_DIR")) + "/QnProfileWMA.prx";
  ASSERT_TRUE(engine.StartRecordWma(request));
  const auto start = Clock::now();
  AudioLevelRecord levels;
  EXPECT_TRUE(LevelBecomes([](double db) { return std::abs(db + 12.0) < 1.5; }, 2.0))
      << (engine.GetLevels(&levels), levels.LeftDb());
  EXPECT_TRUE(LevelBecomes([](double db) { return db < -60.0; }, 3.0));  // the silent stretch
  EXPECT_TRUE(LevelBecomes([](double db) { return std::abs(db + 12.0) < 1.5; }, 3.0));
  std::this_thread::sleep_for(std::chrono::duration<double>(std::max(0.0, 6.0 - Since(start))));
  const double recorded = Since(start);
  ASSERT_TRUE(engine.StopRecording());
  auto wma = Probe(request.fileName);
  EXPECT_EQ(wma["codec_name"], "wmav2");
  EXPECT_EQ(wma["sample_rate"], "48000");
  EXPECT_EQ(wma["channels"], "2");
  EXPECT_NEAR(Duration(request.fileName), recorded, 0.3);
  EXPECT_NEAR(Duration(request.fileName), 6.0, 0.3 + (recorded - 6.0));
}

TEST_F(MachineInputTest, NoiseReductionLowersAHissOnlyInput) {
  card::InstallToneCard(card::Hiss(48000, 2, 2.0, -50), {});
  OpenCard();
  const double off = MeanVolume(RecordWav("hiss_off.wav", 1.5));
  engine.SetNoiseReduction(1, 15.0f);
  const double on = MeanVolume(RecordWav("hiss_on.wav", 1.5));
  EXPECT_LE(on, off - 10.0) << off;
}

TEST_F(MachineInputTest, AnOverrunKeepsTheRecordingsLength) {
  card::InstallToneCard(card::Tone(48000, 2, 1.0, 1000, -12), {.stallAtMs = 800, .stallMs = 400});
  OpenCard();
  const std::string file = Folder() + "overrun.wav";
  ASSERT_TRUE(engine.StartRecordWav(file, 2, 16, 48000, 2047));
  const auto start = Clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  CComPtr<IBaseFilter> source;
  engine.Graph()->FindFilterByName("Audio Capture Device", &source);
  const long overruns = platform::dshow::alsa::OverrunsOf(source);
  const double recorded = Since(start);
  ASSERT_TRUE(engine.StopRecording());
  EXPECT_GE(overruns, 1);
  // The stall alone would cost 0.4 s.
  EXPECT_NEAR(Duration(file), recorded, 0.15);
}

TEST_F(MachineInputTest, ACardThatVanishesEndsTheRecordingAndLeavesAReadableFile) {
  card::InstallToneCard(card::Tone(48000, 2, 1.0, 1000, -12), {.failAtMs = 1500});
  OpenCard();
  const std::string file = Folder() + "vanished.wav";
  ASSERT_TRUE(engine.StartRecordWav(file, 2, 16, 48000, 2047));
  EXPECT_FALSE(engine.SourceLost());
  EXPECT_TRUE(SourceLostWithin(5.0));
  engine.StopRecording();
  EXPECT_EQ(Probe(file)["codec_name"], "pcm_s16le");
  EXPECT_NEAR(Duration(file), 1.5, 0.3);
}

TEST_F(MachineInputTest, WithoutASoundCardTheRecorderListsNoInput) {
  card::RemoveSoundCards();
  CCaptureDeviceList devices;
  devices.Refresh();
  EXPECT_TRUE(InputDeviceEntries(devices).empty());
  card::InstallToneCard(card::Tone(48000, 2, 1.0, 1000, -12), {});
  devices.Refresh();
  EXPECT_EQ(InputDeviceEntries(devices), (std::vector<InputEntry>{{kCard, 0}}));
}

}  // namespace
}  // namespace auvry::testing
