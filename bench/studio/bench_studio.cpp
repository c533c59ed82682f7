// bench_studio: three 20-second clips (the second silent) on the editor pack's timeline, rendered
// to MPEG-1 at 352 x 240 and 2,000,000 bit/s through the pack (its command, its ffmpeg process,
// its progress timer), then by the same ffmpeg command run by hand. The goal for the ratio is
// 1.05 or less: the pack adds nothing but reading the progress.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <unistd.h>

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

bool MakeClip(const std::string& path, bool withSound) {
  std::vector<std::string> args = {
      "-y", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc2=size=640x480:rate=25:duration=20"};
  if (withSound) args.insert(args.end(), {"-f", "lavfi", "-i", "sine=frequency=440:duration=20:sample_rate=48000"});
  args.insert(args.end(), {"-c:v", "mpeg4", "-q:v", "4", "-shortest", path});
  std::string out, err;
  int code = -1;
  return platform::RunProcess("ffmpeg", args, &out, &err, &code, 120000) && code == 0;
}

}  // namespace

int main() {
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
  double packMs = 0;
  {
    HWND parent = CreateWindowEx(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    CComPtr<CEditorPack> editor = platform::com::MakeComObject<CEditorPack>();
    RECT area{0, 0, 400, 300};
    editor->CreateWindow(WS_CHILD, &area, parent);
    for (const std::string& clip : clips) editor->Command(studio::kHostSender, ("add file " + clip).c_str());
    if (editor->Timeline().size() != clips.size()) {
      std::fprintf(stderr, "bench_studio: the editor did not take the clips\n");
      return 1;
    }
    const auto start = Clock::now();
    if (editor->Command(studio::kHostSender, (request + home + "pack.mpg").c_str()) != S_OK) return 1;
    const bool ended = Pump([&] { return !editor->Rendering(); }, 600000);
    packMs = Ms(Clock::now() - start);
    editor->DestroyWindow();
    editor->Uninitialize();
    DestroyWindow(parent);
    if (!ended || !fs::is_regular_file(home + "pack.mpg")) {
      std::fprintf(stderr, "bench_studio: the editor's render did not finish\n");
      return 1;
    }
  }

  // The same command the pack ran, by hand.
  std::vector<studio::packs::ClipFacts> facts(clips.size());
  for (size_t i = 0; i < clips.size(); ++i) studio::packs::ProbeClip(clips[i], &facts[i]);
  const auto args =
      studio::packs::RenderArguments(clips, facts, studio::packs::ParseRenderRequest(request + home + "hand.mpg"));
  std::string out, err;
  int code = -1;
  const auto start = Clock::now();
  if (!platform::RunProcess("ffmpeg", args, &out, &err, &code, 600000) || code != 0) return 1;
  const double handMs = Ms(Clock::now() - start);

  std::printf("editor pack (command, ffmpeg, progress timer): %.0f ms\n", packMs);
  std::printf("ffmpeg by hand:                                %.0f ms\n", handMs);
  std::printf("ratio: %.3f (goal <= 1.05)\n", handMs > 0 ? packMs / handMs : 0.0);
  fs::remove_all(home);
  return 0;
}
