// bench_converter: a 30-second DVD clip converted with the PSP profile through Parvel's window
// (Start pressed, until the window is idle again) against the same FFmpeg command run by hand, in
// interleaved rounds. The engine's one-second pause before each file is taken out of Parvel's time.
// Usage: bench_converter [rounds, at least 7]
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
#include "bench/common/bench_rounds.h"
#include "bench/common/message_pump.h"
#include "platform/base/module.h"
#include "platform/base/process.h"
#include "platform/window/afx_app.h"
#include "platform/window/messages.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kEnginePauseMs = 1000;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

int System(const std::string& command) { return std::system(command.c_str()); }

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "bench_converter: %s\n", why.c_str());
  std::exit(1);
}

// One conversion through the window, a fresh one each round; the engine's pause is taken out.
double ParvelRound(const std::string& clip, HMODULE images) {
  CParvelDlg dialog;
  dialog.m_nMode = kModePsp;
  dialog.m_hImages = images;
  dialog.m_strProgramFolder = VIDARRO_BENCH_APP_DIR;
  if (!dialog.Create(IDD_PARVEL_DIALOG) || !dialog.MordaxLoaded()) Fail("the window or Mordax.so did not come up");
  dialog.ShowWindow(SW_SHOW);
  dialog.AddPaths({clip}, 1);
  if (!bench::PumpUntil([&] { return dialog.List().GetItemData(0) != 0; }, 30000)) Fail("the clip was not added");
  const auto start = Clock::now();
  dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_START, BN_CLICKED), 0);
  bool converting = true;
  bench::PumpUntil([&] { return !(converting = ::IsWindowVisible(::GetDlgItem(dialog.m_hWnd, IDC_STOP)) != 0); },
                   600000);
  const double ms = Ms(Clock::now() - start) - kEnginePauseMs;
  const std::string output = dialog.OutputFolder() + dialog.List().GetItemText(0, 4);
  if (converting || !fs::is_regular_file(output)) Fail("Parvel did not convert the clip (" + dialog.StatusText() + ")");
  fs::remove(output);  // the next round writes the same name
  dialog.SendMessage(WM_CLOSE);
  dialog.DestroyWindow();
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = bench::RoundsFrom(argc > 1 ? argv[1] : nullptr);
  bench::RequirePrograms({"ffmpeg"});
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
  if (System("ffmpeg -v error -y -f lavfi -i testsrc2=size=720x480:rate=30000/1001:duration=30 -f lavfi -i "
             "sine=frequency=440:duration=30:sample_rate=48000 -c:v mpeg2video -b:v 6M -c:a ac3 -b:a 192k "
             "-target ntsc-dvd '" +
             clip + "'") != 0) {
    std::fprintf(stderr, "bench_converter: cannot make the DVD clip\n");
    return 1;
  }

  HMODULE language = LoadLibrary((std::string(VIDARRO_BENCH_APP_DIR) + "/ParvelLng.dll").c_str());
  HMODULE images = LoadLibrary((std::string(VIDARRO_BENCH_APP_DIR) + "/ParvelImg.dll").c_str());
  AfxSetResourceHandle(language);
  // The same command the engine ran, by hand.
  Qn_ConvertOption option;
  option.video = {"mpeg4", 320, 240, 768, 29.97};
  option.audio = {"aac", 128, 48000, 2};
  option.FORCE = "psp";
  std::string command = mordax::FindFFmpeg() + " -v error";
  for (const std::string& arg : mordax::MakeArguments(option, clip, home + "by_hand.mp4", true, nullptr))
    command += " '" + arg + "'";
  bench::Session session("Parvel against the same FFmpeg command run by hand", rounds);
  bench::Figure fig{"30 s DVD clip to PSP", "ms", false, {}, {}, {}};
  bench::Interleave(
      rounds, fig, [&] { return ParvelRound(clip, images); },
      [&] {
        const auto start = Clock::now();
        if (System(command) != 0) Fail("ffmpeg by hand failed");
        return Ms(Clock::now() - start);
      });
  bench::Section(
      "A 30 s NTSC DVD clip converted with the PSP profile, ms (lower is better); project: Parvel's window "
      "(Start pressed until it is idle again), Mordax.so and its FFmpeg, the engine's fixed 1000 ms pause "
      "taken out",
      "the very FFmpeg command the engine builds for the clip, run by hand",
      "ours also lists the clip, shows progress and checks the output");
  bench::Print(fig);
  AfxSetResourceHandle(nullptr);
  if (images) FreeLibrary(images);
  if (language) FreeLibrary(language);
  fs::remove_all(home);
  return 0;
}
