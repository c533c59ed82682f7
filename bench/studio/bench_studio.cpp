// bench_studio: the editor's overhead over the ffmpeg graph it builds. Three 20-second clips (the
// second silent) on the editor pack's storyboard, each trimmed to 2 - 17 s, rendered to MPEG-1 at
// 352 x 240 and 2,000,000 bit/s through the pack (its command, its render worker and the progress
// it posts to the window) against the same ffmpeg command run by hand, in interleaved rounds.
// Usage: bench_studio [rounds, at least 7]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <sys/resource.h>
#include <unistd.h>
#include <algorithm>
#include <vector>

#include "bench/common/bench_rounds.h"
#include "bench/common/message_pump.h"
#include "editor_pack.h"
#include "platform/base/key_file.h"
#include "widgets/project_document.h"
#include "platform/base/process.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"
#include "product.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using studio::packs::CEditorPack;

namespace {

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The CPU this process has used, ms: the pack's threads, or the hand run's reading of ffmpeg,
// never ffmpeg's own, which the system counts for children apart.
double OwnCpuMs() {
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  return (use.ru_utime.tv_sec + use.ru_stime.tv_sec) * 1e3 + (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e3;
}

// Each round's own CPU, by side: load on the machine moves the wall times, hardly these.
std::vector<double> g_packCpu, g_handCpu;

void PrintCpu(const char* side, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  if (ms.empty()) return;
  std::printf("  own CPU a round, %s: %.1f (%.1f-%.1f) ms\n", side, ms[ms.size() / 2], ms.front(), ms.back());
}

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

// The storyboard as a project file keeps it: each clip trimmed to 2 - 17 s.
void WriteProject(const std::string& path, const std::vector<std::string>& clips) {
  std::string text = "\r\n<EDITOR>\r\n[TIMELINE]\r\n";
  for (const std::string& clip : clips) text += "Clip=" + clip + "\r\nSpan=2000,17000\r\n";
  if (!platform::WriteWholeFileAtomic(path, text)) Fail("cannot write the project");
}

// A fresh pack with the project's storyboard, every clip read.
CComPtr<CEditorPack> OpenPack(HWND parent, const std::string& project) {
  CComPtr<CEditorPack> editor = platform::com::MakeComObject<CEditorPack>();
  RECT area{0, 0, 400, 300};
  editor->CreateWindow(WS_CHILD, &area, parent);
  ProjectKeyFile file;
  if (!file.Open(project, FALSE)) Fail("cannot read the project");
  file.SelectGroup("Editor");
  editor->LoadProject(platform::com::MakeComObject<CProjectDocument>(&file).get());
  if (!bench::PumpUntil([&] { return !editor->Reading(); }, 120000) || editor->Board().Size() != 3)
    Fail("the editor did not take the clips");
  return editor;
}

// One render through a fresh pack, timed from the request to the pack's end of it.
double PackRound(HWND parent, const std::string& project, const std::string& command) {
  CComPtr<CEditorPack> editor = OpenPack(parent, project);
  const std::string output = command.substr(command.find("path=") + 5);
  fs::remove(output);
  const double cpu = OwnCpuMs();
  const auto start = Clock::now();
  if (editor->Command(studio::kHostSender, command.c_str()) != S_OK) Fail("the editor refused the render");
  const bool ended = bench::PumpUntil([&] { return !editor->Rendering(); }, 600000);
  const double ms = Ms(Clock::now() - start);
  g_packCpu.push_back(OwnCpuMs() - cpu);
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
  const std::string project = home + "bench.ilj5";
  WriteProject(project, clips);
  HWND parent = CreateWindowEx(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
  // The same command the pack runs, by hand.
  std::vector<std::string> args;
  {
    CComPtr<CEditorPack> editor = OpenPack(parent, project);
    args = studio::packs::RenderArguments(editor->Board().Clips(),
                                          studio::packs::ParseRenderRequest(request + home + "hand.mpg"));
    editor->DestroyWindow();
    editor->Uninitialize();
  }
  bench::Session session("The editor's overhead over the same ffmpeg graph: its render against that command by hand",
                         rounds);
  bench::Figure fig{"3 trimmed clips to MPEG-1 352x240", "ms", false, {}, {}, {}};
  bench::Interleave(
      rounds, fig, [&] { return PackRound(parent, project, request + home + "pack.mpg"); },
      [&] {
        std::string out, err;
        int code = -1;
        fs::remove(home + "hand.mpg");
        const double cpu = OwnCpuMs();
        const auto start = Clock::now();
        if (!platform::RunProcess("ffmpeg", args, &out, &err, &code, 600000) || code != 0)
          Fail("ffmpeg by hand failed");
        const double ms = Ms(Clock::now() - start);
        g_handCpu.push_back(OwnCpuMs() - cpu);
        return ms;
      });
  DestroyWindow(parent);
  bench::Section(
      "Three 20 s clips (one silent) each trimmed to 15 s, rendered to MPEG-1 352x240 at 2 Mbit/s, ms (lower is "
      "better); project: the editor pack's render request, its worker and the progress it posts to the window",
      "the very ffmpeg command (the same filter graph) the pack builds, run by hand",
      "ours also reads ffmpeg's progress and tells it to the window and the host");
  bench::Print(fig);
  PrintCpu("project (the pack's threads and the message pump waiting on it)", g_packCpu);
  PrintCpu("peer (reading ffmpeg's output)", g_handCpu);
  fs::remove_all(home);
  return 0;
}
