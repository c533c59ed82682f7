// bench_audiorec [rounds] [seconds]: records a free-running simulated input through the recorder's
// WMA graph with noise reduction on for that long (default 3 s of real time) against ffmpeg given a
// minute of the same tone as PCM to denoise (afftdn) and encode (wmav2, ASF), in interleaved rounds.
// Prints the CPU seconds each takes per recorded minute.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "audiorec/audio_record_graph.h"
#include "bench/common/bench_rounds.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/sim_pattern.h"
#include "platform/window/window.h"

namespace {

namespace sim = platform::dshow::sim;

double Duration(const std::string& file) {
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", file}, &out,
                       &err, &code, 60000);
  return out.empty() ? 0.0 : std::atof(out.c_str());
}

// CPU seconds per recorded minute of the engine, and the minutes it recorded.
double EngineCpuPerMinute(double seconds, const std::string& folder, double* minutes) {
  sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
  sim::Hardware::SetFreeRunning(true);
  WNDCLASS wc;
  wc.lpszClassName = "BenchNotify";
  wc.lpfnWndProc = DefWindowProc;
  RegisterClass(&wc);
  HWND window = CreateWindowEx(0, "BenchNotify", "bench", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  CAudioRecordGraph engine;
  if (!engine.Open(window, "", "Vidarro USB Audio Capture", 2) || !engine.StartPreview()) return -1;
  engine.SetNoiseReduction(1, 15.0f);
  WmvCaptureSettings request;
  request.fileName = folder + "bench.wma";
  request.profilePath = platform::AppFolder() + "QnProfileWMA.prx";
  const double before = bench::ProcessCpuSeconds();
  if (!engine.StartRecordWma(request)) return -1;
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  engine.StopRecording();
  const double used = bench::ProcessCpuSeconds() - before;
  engine.Close();
  DestroyWindow(window);
  *minutes = Duration(request.fileName) / 60.0;
  return *minutes > 0 ? used / *minutes : -1;
}

// A minute of the simulated input's tone as raw PCM.
bool WriteTone(const std::string& pcm) {
  const long long frames = 60LL * 48000;
  std::vector<std::int16_t> sound(static_cast<size_t>(frames) * 2);
  sim::FillTone(sound.data(), 2, 48000, 0, static_cast<size_t>(frames));
  return platform::WriteWholeFileAtomic(pcm,
                                        std::string(reinterpret_cast<const char*>(sound.data()), sound.size() * 2));
}

double FfmpegCpuPerMinute(const std::string& pcm, const std::string& folder) {
  const double minutes = 1.0;
  const double before = bench::ChildrenCpuSeconds();
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffmpeg", {"-y",    "-hide_banner", "-loglevel", "error", "-f", "s16le", "-ar",
                                  "48000", "-ac",          "2",         "-i",    pcm,  "-af",   "afftdn",
                                  "-c:a",  "wmav2",        "-b:a",      "128k",  "-f", "asf",   folder + "ffmpeg.wma"},
                       &out, &err, &code, 600000);
  if (code != 0) return -1;
  return (bench::ChildrenCpuSeconds() - before) / minutes;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = bench::RoundsFrom(argc > 1 ? argv[1] : nullptr);
  const double seconds = argc > 2 && std::atof(argv[2]) > 0 ? std::atof(argv[2]) : 3.0;
  bench::RequirePrograms({"ffmpeg", "ffprobe"});
  // The recorder's profile lives in the application folder the build lays out.
  if (!std::getenv("VIDARRO_APP_DIR")) setenv("VIDARRO_APP_DIR", BENCH_APP_DIR, 1);
  const std::string folder = platform::WithTrailingSlash(platform::TempFolder());
  const std::string pcm = folder + "bench.pcm";
  if (!WriteTone(pcm)) return 1;
  bench::Session session("Audio recorder against ffmpeg, CPU seconds a recorded minute", rounds);
  bench::Figure fig{"WMA with noise reduction", "cpu s/min", false, {}, {}};
  bench::Interleave(
      rounds, fig,
      [&] {
        double minutes = 0;
        const double ours = EngineCpuPerMinute(seconds, folder, &minutes);
        if (ours < 0) {
          std::fprintf(stderr, "bench_audiorec: the recording did not run\n");
          std::exit(1);
        }
        return ours;
      },
      [&] {
        const double theirs = FfmpegCpuPerMinute(pcm, folder);
        if (theirs <= 0) {
          std::fprintf(stderr, "bench_audiorec: ffmpeg did not run\n");
          std::exit(1);
        }
        return theirs;
      });
  bench::Section(
      "CPU seconds (all threads) a recorded minute, lower is better; project: the recorder's WMA graph "
      "(analyzer, noise reduction, wmav2 in ASF) fed by the free-running simulated input",
      "ffmpeg -af afftdn -c:a wmav2 -b:a 128k -f asf on a minute of the same tone as 48 kHz PCM",
      "ours also runs the simulated input and the level analyzer in the same process; ffmpeg reads a "
      "finished file");
  bench::Print(fig);
  std::remove(pcm.c_str());
  return 0;
}
