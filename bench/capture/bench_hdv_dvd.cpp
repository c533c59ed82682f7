// HDV to DVD MPEG: the camcorder graph (demultiplex, decode, scale, encode) fed by a free-running
// HDV camcorder, against ffmpeg converting the same transport stream with -target ntsc-dvd.
// Prints both rates in frames per second and their ratio.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "capture/dv_capture_graph.h"
#include "platform/dshow/camcorder_streams.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/window/window.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double GraphRate(double seconds, const std::string& folder) {
  namespace sim = platform::dshow::sim;
  sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
  sim::Hardware::SetFreeRunning(true);
  WNDCLASS wc;
  wc.lpszClassName = "BenchNotify";
  wc.lpfnWndProc = DefWindowProc;
  RegisterClass(&wc);
  HWND window = CreateWindowEx(0, "BenchNotify", "bench", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
  CDvCaptureGraph graph;
  if (!graph.OpenHdv(window, window, "Vidarro HDV Camcorder")) return -1;
  // Let the program tables map the streams before the recording starts.
  for (int i = 0; i < 100; ++i) {
    graph.HandleGraphEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  MpegCaptureSettings settings;
  settings.fileName = folder + "bench_hdv_dvd.mpg";
  settings.streamType = 7;
  settings.resolutionLevel = 2;
  settings.videoBitRate = 6000000;
  if (!graph.StartHdvMpegCapture(&settings)) return -1;
  DWORD startFrames = 0, frames = 0;
  graph.WriterHelper().GetEncoderStatus(graph.MpegEncoder(), nullptr, &startFrames);
  const auto start = Clock::now();
  while (Seconds(start) < seconds) {
    graph.HandleGraphEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  graph.WriterHelper().GetEncoderStatus(graph.MpegEncoder(), nullptr, &frames);
  const double elapsed = Seconds(start);
  graph.StopHdvCapture();
  graph.Close();
  DestroyWindow(window);
  return (frames - startFrames) / elapsed;
}

double FfmpegRate(const std::string& folder) {
  namespace sim = platform::dshow::sim;
  const std::string ts = folder + "bench_hdv.ts";
  const int loops = 8;
  {
    std::ofstream out(ts, std::ios::binary);
    sim::TsLoopRebaser rebaser;
    for (int i = 0; i < loops; ++i) {
      auto copy = sim::HdvLoop();
      rebaser.Rebase(copy.data(), copy.size(), static_cast<std::int64_t>(i) * sim::HdvLoopFrames() * 3003);
      out.write(reinterpret_cast<const char*>(copy.data()), static_cast<std::streamsize>(copy.size()));
    }
  }
  const auto start = Clock::now();
  const std::string command =
      "ffmpeg -nostdin -v error -y -i '" + ts + "' -target ntsc-dvd '" + folder + "bench_ffmpeg_dvd.mpg'";
  if (std::system(command.c_str()) != 0) return -1;
  return loops * sim::HdvLoopFrames() / Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
  const char* tmp = std::getenv("TMPDIR");
  const std::string folder = std::string(tmp ? tmp : "/tmp") + "/";
  const double ours = GraphRate(seconds, folder);
  const double theirs = FfmpegRate(folder);
  std::printf("camcorder graph HDV -> DVD MPEG: %.1f frames/s\n", ours);
  std::printf("ffmpeg -target ntsc-dvd:        %.1f frames/s\n", theirs);
  if (ours > 0 && theirs > 0) std::printf("ratio: %.2f (goal >= 0.9)\n", ours / theirs);
  return ours > 0 && theirs > 0 ? 0 : 1;
}
