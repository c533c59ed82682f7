// bench_audiorec [rounds] [seconds]: records a free-running simulated input through the recorder's
// WMA graph with noise reduction on for that long (default 3 s of real time) against ffmpeg given a
// minute of the same tone as PCM to turn down with its downward expander (agate, set as ours is)
// and encode (wmav2, ASF), in interleaved rounds. Prints the CPU seconds each takes per recorded
// minute; beside it, on a line of its own, ffmpeg's FFT denoiser (afftdn) doing the same minute.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "audiorec/audio_record_graph.h"
#include "bench/common/bench_rounds.h"
#include "platform/audio/downward_expander.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/sim_pattern.h"
#include "platform/window/window.h"

namespace {

namespace sim = platform::dshow::sim;
using platform::audio::DownwardExpander;

constexpr float kAmountDb = 15.0f;  // the settings page's middle

double Linear(double db) { return std::pow(10.0, db / 20.0); }

// ffmpeg's expander with our threshold, ratio and most cut (its range), a hard knee, an RMS
// level of both channels averaged, and our expander's opening (1 ms) and closing (50 ms).
std::string AgateFilter() {
  char filter[256];
  std::snprintf(filter, sizeof filter,
                "agate=threshold=%.6f:ratio=%g:range=%.6f:attack=1:release=50:knee=1:detection=rms:link=average",
                Linear(DownwardExpander::kThresholdDb), DownwardExpander::kRatio, Linear(-kAmountDb));
  return filter;
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
  engine.SetNoiseReduction(1, kAmountDb);
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

double FfmpegCpuPerMinute(const std::string& pcm, const std::string& folder, const std::string& filter) {
  const double minutes = 1.0;
  const double before = bench::ChildrenCpuSeconds();
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffmpeg", {"-y",    "-hide_banner", "-loglevel", "error", "-f", "s16le", "-ar",
                                  "48000", "-ac",          "2",         "-i",    pcm,  "-af",   filter,
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
  const std::string agate = AgateFilter();
  auto ffmpeg = [&](const std::string& filter) {
    const double theirs = FfmpegCpuPerMinute(pcm, folder, filter);
    if (theirs <= 0) {
      std::fprintf(stderr, "bench_audiorec: ffmpeg did not run with %s\n", filter.c_str());
      std::exit(1);
    }
    return theirs;
  };
  bench::Figure fig{"WMA with noise reduction", "cpu s/min", false, {}, {}, {}};
  std::vector<double> fft;
  for (int round = 0; round < rounds; ++round) {
    const std::vector<double> r =
        bench::RunRound(round, {[&] {
                                  double minutes = 0;
                                  const double ours = EngineCpuPerMinute(seconds, folder, &minutes);
                                  if (ours < 0) {
                                    std::fprintf(stderr,
                                                 "bench_audiorec: the recording did not "
                                                 "run\n");
                                    std::exit(1);
                                  }
                                  return ours;
                                },
                                [&] { return ffmpeg(agate); }, [&] { return ffmpeg("afftdn"); }});
    fig.Add(r[0], r[1]);
    fig.loads.push_back(bench::LoadNow());
    fft.push_back(r[2]);
  }
  bench::Section(
      "CPU seconds (all threads) a recorded minute, lower is better; project: the recorder's WMA graph "
      "(analyzer, noise reduction, wmav2 in ASF) fed by the free-running simulated input",
      "ffmpeg -af " + agate + " -c:a wmav2 -b:a 128k -f asf on a minute of the same tone as 48 kHz PCM",
      "ours also runs the simulated input and the level analyzer in the same process; ffmpeg reads a "
      "finished file; agate's level detector is its own, so the two turn the tone down alike but not "
      "sample for sample");
  bench::Print(fig);
  const bench::Spread f = bench::Summarise(fft);
  std::printf(
      "  %-28s %9.3f (%.3f-%.3f) cpu s/min, ffmpeg -af afftdn, the same rounds; an FFT denoiser does other "
      "work than an expander, so no ratio\n",
      "beside: afftdn", f.median, f.min, f.max);
  std::remove(pcm.c_str());
  return 0;
}
