#include "burn_test_support.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "platform/testkit/simulated_writers.h"
#include "platform/base/file.h"
#include "platform/base/module.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "audiorec/audio_record_graph.h"
#include "platform/base/clock.h"
#include "platform/disc/drive_set.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/window/input.h"
#include "platform/window/window_surface.h"

namespace auvrytest {

std::string ImageFolder() { return platform::LocalAppDataFolder() + "auvry-discs/"; }

std::string Writer(const std::string& id, const std::string& extra) {
  return testkit::WriterSection(ImageFolder(), id, extra);
}

void UseWriters(const std::vector<std::string>& sections) {
  testkit::UseWriterSections(ImageFolder(), "auvry-writers.ini", sections);
}

int Run(const std::string& program, const std::vector<std::string>& args, std::string* out) {
  std::string output, err;
  int code = -1;
  if (!platform::RunProcess(program, args, &output, &err, &code, 120000)) return -1;
  if (out) *out = output + err;
  return code;
}

std::string MakeSound(const std::string& folder, const std::string& name, double seconds, const std::string& codec) {
  platform::CreateFolders(folder);
  const std::string path = folder + name;
  std::vector<std::string> args = {"-v",
                                   "error",
                                   "-y",
                                   "-f",
                                   "lavfi",
                                   "-i",
                                   "sine=frequency=523:sample_rate=48000:duration=" + std::to_string(seconds),
                                   "-ac",
                                   "2"};
  std::istringstream words(codec);
  for (std::string w; words >> w;) args.push_back(w);
  args.push_back(path);
  std::string out;
  EXPECT_EQ(Run("ffmpeg", args, &out), 0) << out;
  return path;
}

std::string RecordWma(const std::string& folder, const std::string& name, int ms) {
  platform::CreateFolders(folder);
  platform::dshow::sim::Hardware::Instance().SetDevices(platform::dshow::sim::DefaultDevices());
  HWND window = CreateWindowEx(0, "Static", "notify", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  platform::ManualClock clock(1000);
  const std::string path = folder + name;
  {
    platform::ScopedClock use(clock);
    CAudioRecordGraph engine;
    EXPECT_TRUE(engine.Open(window, "", "Vidarro USB Audio Capture", 1));
    EXPECT_TRUE(engine.StartPreview());
    WmvCaptureSettings request;
    request.fileName = path;
    request.profilePath = std::string(std::getenv("VIDARRO_APP_DIR")) + "/QnProfileWMA.prx";
    EXPECT_TRUE(engine.StartRecordWma(request));
    // The sources deliver each step of the clock before the next.
    for (int t = 0; t < ms; t += 100) {
      clock.Advance(100);
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    EXPECT_TRUE(engine.StopRecording());
    engine.Close();
  }
  DestroyWindow(window);
  return path;
}

bool Probe(const std::string& path, double* seconds, int* rate, int* channels) {
  std::string out;
  if (Run("ffprobe",
          {"-v", "error", "-show_entries", "stream=sample_rate,channels:format=duration", "-of",
           "default=noprint_wrappers=1", path},
          &out) != 0)
    return false;
  std::istringstream lines(out);
  bool any = false;
  for (std::string line; std::getline(lines, line);) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "duration" && seconds) *seconds = std::atof(value.c_str()), any = true;
    if (key == "sample_rate" && rate) *rate = std::atoi(value.c_str());
    if (key == "channels" && channels) *channels = std::atoi(value.c_str());
  }
  return any;
}

bool WaitFor(const std::function<bool()>& done, double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    testkit::Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

RECT PixelsOfColour(HWND control, COLORREF colour, int fromX) {
  RECT found{};
  HWND top = ::GetAncestor(control, GA_ROOT);
  ::UpdateWindow(top);
  testkit::Pump();
  platform::PixelImage image;
  if (!platform::ComposeWindow(top, &image)) return found;
  RECT topRect{}, box{};
  ::GetWindowRect(top, &topRect);
  ::GetWindowRect(control, &box);
  const std::uint32_t wanted = (static_cast<std::uint32_t>(GetRValue(colour)) << 16) |
                               (static_cast<std::uint32_t>(GetGValue(colour)) << 8) | GetBValue(colour);
  bool any = false;
  for (int y = box.top; y < box.bottom; ++y)
    for (int x = box.left + fromX; x < box.right; ++x) {
      const int px = x - topRect.left, py = y - topRect.top;
      if (px < 0 || py < 0 || px >= image.width || py >= image.height) continue;
      if ((image.pixels[static_cast<size_t>(py) * image.width + px] & 0xFFFFFF) != wanted) continue;
      const int cx = x - box.left, cy = y - box.top;
      if (!any) found = RECT{cx, cy, cx + 1, cy + 1}, any = true;
      found.left = std::min<LONG>(found.left, cx), found.top = std::min<LONG>(found.top, cy);
      found.right = std::max<LONG>(found.right, cx + 1), found.bottom = std::max<LONG>(found.bottom, cy + 1);
    }
  return found;
}

void BurnTest::SetUp() {
  // Loaded once for the whole process: a library unloaded between tests leaves its resource
  // table behind in the lookup.
  static HMODULE own = ::LoadLibrary((app_.GetProgramFolder() + "Auvry.dll").c_str());
  static HMODULE ui = ::LoadLibrary((app_.GetProgramFolder() + "Vidarro5UI.dll").c_str());
  ASSERT_NE(nullptr, own);
  (void)ui;
  app_.SetResourceLibrary(own);
  platform::CreateFolders(Work());
  UseWriters({Writer("CD", "WRITES=CD-R,CD-RW\nMEDIUM=CD-R\n"), Writer("DVD", "WRITES=DVD+R,DVD+RW\nMEDIUM=DVD+R\n")});
}

void BurnTest::ExpectOnlyNothingToBurn() {
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_EQ(boxes_.Last().text, "Please select a file to burn.");
  EXPECT_EQ(boxes_.Last().caption, "Narvell Vidarro 5.0");
}

void BurnTest::TearDown() {
  platform::ClearInputScript();
  testkit::ResetWindows();
  platform::disc::ReloadMachineDrives();
}

}  // namespace auvrytest
