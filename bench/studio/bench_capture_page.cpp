// A DVD recording as the capture page requests it, from the free-running simulated box, timed
// against ffmpeg encoding a lavfi pattern of the same length to the same DVD target.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "capture/capture_graph.h"
#include "capture_rules.h"
#include "platform/base/process.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/window/window.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace sim = platform::dshow::sim;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double PageRate(int frames, const std::string& file) {
  sim::Hardware::Instance().SetDevices(sim::DefaultDevices());
  sim::Hardware::SetFreeRunning(true);
  CCaptureGraph graph;
  if (!graph.OpenDevice(nullptr, nullptr, "Vidarro USB Video Capture", "Vidarro USB Audio Capture", 1)) return -1;
  const studio::CaptureSize size = studio::CaptureSizeFor(studio::kDvd, 1, 2, 0);
  long width = size.width, height = size.height;
  graph.ChangeCaptureFormat(&width, &height, TRUE);
  MpegCaptureSettings request;
  request.fileName = file;
  request.streamType = studio::MpegStreamType(studio::kDvd, 0);
  request.resolutionLevel = 2;
  request.qualityLevel = 2;
  request.maxFileSizeMB = 4196;
  request.videoBitRate = studio::MpegVideoBitRate(studio::kDvd, 2);
  const auto start = Clock::now();
  if (!graph.StartMpegCapture(&request)) return -1;
  DWORD done = 0;
  while (done < static_cast<DWORD>(frames)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    graph.WriterHelper().GetEncoderStatus(graph.MpegEncoder(), nullptr, &done);
  }
  graph.StopCapture();
  const double rate = done / Seconds(start);
  graph.CloseDevice();
  return rate;
}

double FfmpegRate(int seconds, int frames, const std::string& file) {
  const std::string length = std::to_string(seconds);
  std::string out, err;
  int code = -1;
  const auto start = Clock::now();
  platform::RunProcess(
      "ffmpeg",
      {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=720x480:rate=30000/1001:duration=" + length, "-f",
       "lavfi", "-i", "sine=frequency=1000:sample_rate=48000:duration=" + length, "-target", "ntsc-dvd", "-b:v",
       "5000k", file},
      &out, &err, &code, 600000);
  return code == 0 ? frames / Seconds(start) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  const int frames = seconds * 30000 / 1001;
  const char* tmp = std::getenv("TMPDIR");
  const std::string folder = std::string(tmp ? tmp : "/tmp") + "/";
  const double ours = PageRate(frames, folder + "bench_page.mpg");
  const double theirs = FfmpegRate(seconds, frames, folder + "bench_ffmpeg.mpg");
  std::printf("capture page DVD  %8.1f frames/s\n", ours);
  std::printf("ffmpeg ntsc-dvd   %8.1f frames/s\n", theirs);
  if (ours > 0 && theirs > 0) std::printf("ratio (ours / ffmpeg) %.2f\n", ours / theirs);
  return ours > 0 && theirs > 0 ? 0 : 1;
}
