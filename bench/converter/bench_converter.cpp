// bench_converter: one 60-second DVD clip converted with the PSP profile, first through Parvel's
// window (Start pressed, until the window is idle again), then by the same FFmpeg command run by
// hand. The engine's one-second pause before each file is taken out of Parvel's time; the goal
// for the ratio is 1.05 or less.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "converter/command_line.h"
#include "converter/parvel_dlg.h"
#include "converter/parvel_ids.h"
#include "convengine/ffmpeg_options.h"
#include "convengine/ffmpeg_program.h"
#include "platform/base/module.h"
#include "platform/base/process.h"
#include "platform/window/afx_app.h"
#include "platform/window/messages.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kEnginePauseMs = 1000;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

bool Pump(const std::function<bool()>& done, int timeoutMs) {
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Clock::now() < end) {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

int System(const std::string& command) { return std::system(command.c_str()); }

}  // namespace

int main() {
  // A home of its own: the bench never touches the user's settings.
  const std::string home = fs::temp_directory_path().string() + "/bench_converter_" + std::to_string(getpid()) + "/";
  fs::create_directories(home + "Documents");
  fs::create_directories(home + "registry");
  fs::create_directories(home + "run");
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_DOCUMENTS_DIR", (home + "Documents").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (home + "run").c_str(), 1);
  setenv("VIDARRO_REGISTRY_DIR", (home + "registry").c_str(), 1);
  setenv("VIDARRO_APP_DIR", VIDARRO_BENCH_APP_DIR, 1);

  const std::string clip = home + "dvd.mpg";
  if (System("ffmpeg -v error -y -f lavfi -i testsrc2=size=720x480:rate=30000/1001:duration=60 -f lavfi -i "
             "sine=frequency=440:duration=60:sample_rate=48000 -c:v mpeg2video -b:v 6M -c:a ac3 -b:a 192k "
             "-target ntsc-dvd '" +
             clip + "'") != 0) {
    std::fprintf(stderr, "bench_converter: cannot make the DVD clip\n");
    return 1;
  }

  HMODULE language = LoadLibrary((std::string(VIDARRO_BENCH_APP_DIR) + "/ParvelLng.dll").c_str());
  HMODULE images = LoadLibrary((std::string(VIDARRO_BENCH_APP_DIR) + "/ParvelImg.dll").c_str());
  AfxSetResourceHandle(language);
  double parvelMs = 0;
  std::string output;
  {
    CParvelDlg dialog;
    dialog.m_nMode = kModePsp;
    dialog.m_hImages = images;
    dialog.m_strProgramFolder = VIDARRO_BENCH_APP_DIR;
    if (!dialog.Create(IDD_PARVEL_DIALOG) || !dialog.MordaxLoaded()) {
      std::fprintf(stderr, "bench_converter: the window or Mordax.so did not come up\n");
      return 1;
    }
    dialog.ShowWindow(SW_SHOW);
    dialog.AddPaths({clip}, 1);
    if (!Pump([&] { return dialog.List().GetItemData(0) != 0; }, 30000)) return 1;
    const auto start = Clock::now();
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_START, BN_CLICKED), 0);
    bool converting = true;
    Pump([&] { return !(converting = ::IsWindowVisible(::GetDlgItem(dialog.m_hWnd, IDC_STOP)) != 0); }, 600000);
    parvelMs = Ms(Clock::now() - start) - kEnginePauseMs;
    output = dialog.OutputFolder() + dialog.List().GetItemText(0, 4);
    if (converting || !fs::is_regular_file(output)) {
      std::fprintf(stderr, "bench_converter: Parvel did not convert the clip (%s)\n", dialog.StatusText().c_str());
      return 1;
    }
    dialog.SendMessage(WM_CLOSE);
    dialog.DestroyWindow();
  }

  // The same command the engine ran, by hand.
  Qn_ConvertOption option;
  option.video = {"mpeg4", 320, 240, 768, 29.97};
  option.audio = {"aac", 128, 48000, 2};
  option.FORCE = "psp";
  std::string command = mordax::FindFFmpeg() + " -v error";
  for (const std::string& arg : mordax::MakeArguments(option, clip, home + "by_hand.mp4", true, nullptr))
    command += " '" + arg + "'";
  const auto start = Clock::now();
  if (System(command) != 0) return 1;
  const double handMs = Ms(Clock::now() - start);

  std::printf("Parvel (window, Mordax, FFmpeg), pause taken out: %.0f ms\n", parvelMs);
  std::printf("FFmpeg by hand:                                   %.0f ms\n", handMs);
  std::printf("ratio: %.3f (goal <= 1.05)\n", handMs > 0 ? parvelMs / handMs : 0.0);
  AfxSetResourceHandle(nullptr);
  if (images) FreeLibrary(images);
  if (language) FreeLibrary(language);
  fs::remove_all(home);
  return 0;
}
