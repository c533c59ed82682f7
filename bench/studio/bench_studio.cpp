// bench_studio: three 20-second clips (the second silent) on the editor pack's timeline, rendered
// to MPEG-1 at 352 x 240 and 2,000,000 bit/s through the pack (its command, its ffmpeg process,
// its progress timer) against the same ffmpeg command run by hand, in interleaved rounds.
// Usage: bench_studio [rounds, at least 7]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <unistd.h>

#include "bench/common/bench_rounds.h"
#include "bench/common/message_pump.h"
#include "editor_pack.h"
#include "platform/base/process.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"
#include "product.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using studio::packs::CEditorPack;

namespace {

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

[[noreturn]] void Fail(const char* why) {
  std::fprintf(stderr, "bench_studio: %s\n", why);
  std::exit(1);
}

bool MakeClip(const std::string& path, bool withSound) {
  std::vector<std::string> args = {
      "-y", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc2=size=640x480:rate=25:duration=20"};
  if (withSound) args.insert(args.end(), {"-f", "lavfi", "-i", "sine=frequency=440:duration=20:sample_rate=48000"});
  args.insert(args.end(), {"-c:v", "mpeg4", "-q:v", "4", "-shortest", path});
  std::string out, err;
  int code = -1;
  return platform::RunProcess("ffmpeg", args, &out, &err, &code, 120000) && code == 0;
}

// One render through a fresh pack.
double PackRound(HWND parent, const std::vector<std::string>& clips, const std::string& command) {
  CComPtr<CEditorPack> editor = platform::com::MakeComObject<CEditorPack>();
  RECT area{0, 0, 400, 300};
  editor->CreateWindow(WS_CHILD, &area, parent);
  for (const std::string& clip : clips) editor->Command(studio::kHostSender, ("add file " + clip).c_str());
  if (editor->Timeline().size() != clips.size()) Fail("the editor did not take the clips");
  const std::string output = command.substr(command.find("path=") + 5);
  fs::remove(output);
  const auto start = Clock::now();
  if (editor->Command(studio::kHostSender, command.c_str()) != S_OK) Fail("the editor refused the render");
  const bool ended = bench::PumpUntil([&] { return !editor->Rendering(); }, 600000);
  const double ms = Ms(Clock::now() - start);
  editor->DestroyWindow();
  editor->Uninitialize();
  if (!ended || !fs::is_regular_file(output)) Fail("the editor's render did not finish");
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = bench::RoundsFrom(argc > 1 ? argv[1] : nullptr);
  bench::RequirePrograms({"ffmpeg"});
  // A home of its own: the bench never touches the user's files.
  const std::string home = fs::temp_directory_path().string() + "/bench_studio_" + std::to_string(getpid()) + "/";
  fs::create_directories(home + "data");
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_DATA_HOME", (home + "data").c_str(), 1);

  std::vector<std::string> clips;
  for (int i = 0; i < 3; ++i) {
    clips.push_back(home + "clip" + std::to_string(i) + ".avi");
    if (!MakeClip(clips.back(), i != 1)) {
      std::fprintf(stderr, "bench_studio: cannot make the clips with ffmpeg\n");
      return 1;
    }
  }

  const std::string request =
      "encode project title type=mpeg1;ntsc=1;width=352;height=240;bitrate=2000000;"
      "audiotype=0;audiobitrate=224000;path=";
  // The same command the pack ran, by hand.
  std::vector<studio::packs::ClipFacts> facts(clips.size());
  for (size_t i = 0; i < clips.size(); ++i) studio::packs::ProbeClip(clips[i], &facts[i]);
  const auto args =
      studio::packs::RenderArguments(clips, facts, studio::packs::ParseRenderRequest(request + home + "hand.mpg"));
  HWND parent = CreateWindowEx(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
  bench::Session session("Editor pack render against the same ffmpeg command run by hand", rounds);
  bench::Figure fig{"3 clips to MPEG-1 352x240", "ms", false, {}, {}};
  bench::Interleave(
      rounds, fig, [&] { return PackRound(parent, clips, request + home + "pack.mpg"); },
      [&] {
        std::string out, err;
        int code = -1;
        fs::remove(home + "hand.mpg");
        const auto start = Clock::now();
        if (!platform::RunProcess("ffmpeg", args, &out, &err, &code, 600000) || code != 0)
          Fail("ffmpeg by hand failed");
        return Ms(Clock::now() - start);
      });
  DestroyWindow(parent);
  bench::Section(
      "Three 20 s clips (one silent) rendered to MPEG-1 352x240 at 2 Mbit/s, ms (lower is better); project: "
      "the editor pack's render command, its ffmpeg process and its progress timer",
      "the very ffmpeg command the pack builds, run by hand",
      "ours also reads ffmpeg's progress and posts it to the window");
  bench::Print(fig);
  fs::remove_all(home);
  return 0;
}
