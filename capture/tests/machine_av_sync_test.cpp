// Picture and sound from two devices of the machine recorded in step: the TV card (the V4L2
// model) gives its first frame 300 ms after STREAMON, the sound card (the tone plugin) starts at
// once with a clock 0.1 % fast. The scene flashes and beeps together at every whole second; in
// the file ffmpeg reads, each flash and its beep stay within 40 ms, at the start and at the end.
// Real time throughout (the card's stamps are the kernel's): the recording is 100 s, not the
// hours a tape runs, and the drift it shows uncorrected (100 ms) is past the bound already.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "capture/capture_graph.h"
#include "capture/tests/graph_test_support.h"
#include "platform/base/process.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/tests/tone_card.h"
#include "platform/dshow/tests/v4l2_model.h"

using namespace platform::dshow;
namespace model = platform::dshow::v4l2::model;

namespace {

using capture_test::Folder;

constexpr char kTvCard[] = "Hauppauge WinTV-HVR5525";
constexpr char kSoundCard[] = "Vidarro Test Card";
constexpr long kFastPpm = 1000;  // 0.1 %
constexpr int kRate = 48000;
constexpr int kSeconds = 100;

// One second of the scene as the fast card hears it: a 2 kHz beep for its first tenth, then
// 1 kHz. The card takes more samples than its rate in a real second.
std::vector<std::int16_t> SceneSecond() {
  const int frames = kRate + static_cast<int>(kRate * kFastPpm / 1000000);
  std::vector<std::int16_t> out(static_cast<std::size_t>(frames) * 2);
  for (int i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / frames;
    const double hz = t < 0.1 ? 2000 : 1000;
    const auto v = static_cast<std::int16_t>(std::lround(8000 * std::sin(2 * M_PI * hz * t)));
    out[static_cast<std::size_t>(i) * 2] = out[static_cast<std::size_t>(i) * 2 + 1] = v;
  }
  return out;
}

std::string Run(const std::vector<std::string>& args) {
  std::string out, err;
  int code = -1;
  platform::RunProcess(args.front(), {args.begin() + 1, args.end()}, &out, &err, &code, 120000);
  EXPECT_EQ(code, 0) << err;
  return out;
}

// The times (seconds, on the file's clock) of the frames whose upper half turned white.
std::vector<double> FlashTimes(const std::string& file) {
  const std::string stats = Folder() + "sync_stats.txt";
  Run({"ffmpeg", "-v", "error", "-copyts", "-i", file, "-an", "-vf",
       "crop=iw:ih/2:0:0,signalstats,metadata=print:key=lavfi.signalstats.YAVG:file=" + stats, "-f", "null", "-"});
  std::ifstream in(stats);
  std::vector<double> times;
  double at = 0;
  bool wasWhite = false;
  for (std::string line; std::getline(in, line);) {
    if (const auto p = line.find("pts_time:"); p != std::string::npos) at = std::stod(line.substr(p + 9));
    if (const auto p = line.find("YAVG="); p != std::string::npos) {
      const bool white = std::stod(line.substr(p + 5)) > 200;
      if (white && !wasWhite) times.push_back(at);
      wasWhite = white;
    }
  }
  return times;
}

// The times the 2 kHz beep begins, counted by zero crossings in 5 ms windows (10 a window at
// 1 kHz, 20 at 2 kHz).
std::vector<double> BeepTimes(const std::string& file) {
  std::string start = Run({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries", "stream=start_time",
                           "-of", "default=nw=1:nk=1", file});
  const double origin = std::stod(start);
  const std::string raw = Folder() + "sync_sound.raw";
  Run({"ffmpeg", "-v", "error", "-y", "-i", file, "-vn", "-ac", "1", "-ar", std::to_string(kRate), "-f", "s16le", raw});
  const auto bytes = capture_test::ReadAll(raw);
  const std::vector<std::int16_t> pcm(reinterpret_cast<const std::int16_t*>(bytes.data()),
                                      reinterpret_cast<const std::int16_t*>(bytes.data() + bytes.size() / 2 * 2));
  constexpr int kWindow = kRate / 200;
  std::vector<double> times;
  bool inBeep = false;
  for (std::size_t w = 0; w + kWindow < pcm.size(); w += kWindow / 4) {
    int crossings = 0;
    for (std::size_t i = w + 1; i < w + kWindow; ++i) crossings += (pcm[i - 1] < 0) != (pcm[i] < 0);
    if (!inBeep && crossings >= 17) times.push_back(origin + static_cast<double>(w) / kRate);
    if (crossings >= 17) inBeep = true;
    if (crossings <= 12) inBeep = false;
  }
  return times;
}

// How far the beep nearest each flash is from it (sound late: positive).
std::vector<double> Offsets(const std::vector<double>& flashes, const std::vector<double>& beeps) {
  std::vector<double> out;
  for (double f : flashes) {
    double best = 1e9;
    for (double b : beeps)
      if (std::abs(b - f) < std::abs(best)) best = b - f;
    if (std::abs(best) < 0.5) out.push_back(best);
  }
  return out;
}

class MachineAvSyncTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("VIDARRO_SIMULATED", "0", 1);
    platform::dshow::testing::ToneCard card;
    card.description = kSoundCard;
    card.clockPpm = kFastPpm;
    platform::dshow::testing::InstallToneCard(SceneSecond(), card);
    sim::Hardware::Instance().Reload();
    machine = std::make_unique<model::Model>(std::vector<model::DeviceDesc>{model::TvCard("video2")},
                                             std::string(VIDARRO_TEST_BINARY_DIR) + "/sync_machine");
    machine->DelayFirstFrame("video2", 300);
    window = capture_test::CreateNotifyWindow();
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    graph.CloseDevice();
    DestroyWindow(window);
    machine.reset();
    platform::dshow::testing::RemoveSoundCards();
    setenv("VIDARRO_SIMULATED", "1", 1);
    sim::Hardware::Instance().Reload();
  }

  std::unique_ptr<model::Model> machine;
  HWND window = nullptr;
  CCaptureGraph graph;
};

}  // namespace

TEST_F(MachineAvSyncTest, FlashAndBeepStayTogetherThroughARecording) {
  ASSERT_TRUE(graph.OpenDevice(window, window, kTvCard, kSoundCard, AnalogVideo_PAL_B));
  long width = 720, height = 576;
  ASSERT_TRUE(graph.SetCaptureFormat(&width, &height, FALSE));
  MpegCaptureSettings s;
  s.fileName = Folder() + "sync.mpg";
  s.streamType = 8;       // DVD, PAL
  s.resolutionLevel = 0;  // small pictures: the encoder keeps up on a busy machine
  s.videoBitRate = 2000000;
  s.maxFileSizeMB = 3896;
  ASSERT_TRUE(graph.StartMpegCapture(&s));
  std::this_thread::sleep_for(std::chrono::seconds(kSeconds));
  ASSERT_TRUE(graph.StopCapture());
  const std::string file = Folder() + "sync_0.mpg";
  ASSERT_TRUE(std::filesystem::exists(file));

  const auto flashes = FlashTimes(file);
  const auto beeps = BeepTimes(file);
  ASSERT_GE(flashes.size(), static_cast<std::size_t>(kSeconds - 5));
  ASSERT_GE(beeps.size(), static_cast<std::size_t>(kSeconds - 5));
  const auto offsets = Offsets(flashes, beeps);
  ASSERT_GE(offsets.size(), static_cast<std::size_t>(kSeconds - 5));
  EXPECT_LT(std::abs(offsets.front()), 0.04) << "at the start";
  EXPECT_LT(std::abs(offsets[1]), 0.04);
  EXPECT_LT(std::abs(offsets[offsets.size() - 2]), 0.04);
  EXPECT_LT(std::abs(offsets.back()), 0.04) << "at the end";
  double worst = 0;
  std::ostringstream all;
  for (double o : offsets) {
    worst = std::max(worst, std::abs(o));
    all << o << " ";
  }
  EXPECT_LT(worst, 0.04) << all.str();
}
