// bench_audiorec [seconds]: records a free-running simulated input through the recorder's WMA
// graph with noise reduction on for that long (default 10 s of real time), then gives ffmpeg the
// same tone as PCM to denoise (afftdn) and encode (wmav2, ASF). Prints the CPU seconds each takes
// per recorded minute and their ratio.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "audiorec/audio_record_graph.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/sim_pattern.h"
#include "platform/window/window.h"

namespace {

namespace sim = platform::dshow::sim;

double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

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
  const double before = CpuSeconds(RUSAGE_SELF);
  if (!engine.StartRecordWma(request)) return -1;
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  engine.StopRecording();
  const double used = CpuSeconds(RUSAGE_SELF) - before;
  engine.Close();
  DestroyWindow(window);
  *minutes = Duration(request.fileName) / 60.0;
  return *minutes > 0 ? used / *minutes : -1;
}

double FfmpegCpuPerMinute(double minutes, const std::string& folder) {
  const std::string pcm = folder + "bench.pcm";
  const long long frames = static_cast<long long>(minutes * 60 * 48000);
  std::vector<std::int16_t> sound(static_cast<size_t>(frames) * 2);
  sim::FillTone(sound.data(), 2, 48000, 0, static_cast<size_t>(frames));
  if (!platform::WriteWholeFileAtomic(pcm, std::string(reinterpret_cast<const char*>(sound.data()), sound.size() * 2)))
    return -1;
  const double before = CpuSeconds(RUSAGE_CHILDREN);
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffmpeg", {"-y",    "-hide_banner", "-loglevel", "error", "-f", "s16le", "-ar",
                                  "48000", "-ac",          "2",         "-i",    pcm,  "-af",   "afftdn",
                                  "-c:a",  "wmav2",        "-b:a",      "128k",  "-f", "asf",   folder + "ffmpeg.wma"},
                       &out, &err, &code, 600000);
  if (code != 0) return -1;
  return (CpuSeconds(RUSAGE_CHILDREN) - before) / minutes;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  const std::string folder = platform::WithTrailingSlash(platform::TempFolder());
  double minutes = 0;
  const double ours = EngineCpuPerMinute(seconds > 0 ? seconds : 10.0, folder, &minutes);
  if (ours < 0) {
    std::fprintf(stderr, "bench_audiorec: the recording did not run\n");
    return 1;
  }
  const double theirs = FfmpegCpuPerMinute(minutes, folder);
  if (theirs <= 0) {
    std::fprintf(stderr, "bench_audiorec: ffmpeg did not run\n");
    return 1;
  }
  std::printf("recorded %.2f min; CPU s per recorded minute: recorder %.3f, ffmpeg %.3f; ratio %.2f (goal <= 1.5)\n",
              minutes, ours, theirs, ours / theirs);
  return 0;
}
