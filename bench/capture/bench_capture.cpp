// Records a free-running simulated box for a fixed number of frames through "Qn MPEG Encoder"
// and times it, then times ffmpeg on the same raw pictures and sound.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/file.h"
#include "platform/base/process.h"
#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_filters.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/sim_pattern.h"
#include "platform/filters/filter_classes.h"
#include "platform/filters/mpeg_encoder.h"

using namespace platform::dshow;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kFrames = 300;

CComPtr<IPin> PinOf(IBaseFilter* f, const char* name) {
  CComPtr<IPin> pin;
  f->FindPin(name, &pin);
  return pin;
}

double OurFramesPerSecond(int streamType, const std::string& file) {
  CComPtr<IGraphBuilder> graph;
  graph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER);
  CComPtr<IMediaControl> control;
  graph.QueryInterface(&control);
  CComPtr<IBaseFilter> device, encoder;
  sim::CreateDeviceFilter("USBBOX", IID_IBaseFilter, reinterpret_cast<void**>(&device));
  encoder.CoCreateInstance(CLSID_QnMpegEncoder, nullptr, CLSCTX_INPROC_SERVER);
  graph->AddFilter(device, "Video Capture");
  graph->AddFilter(encoder, "Qn MPEG Encoder");
  graph->ConnectDirect(PinOf(device, "Capture"), PinOf(encoder, "Video"), nullptr);
  graph->ConnectDirect(PinOf(device, "Audio"), PinOf(encoder, "Audio"), nullptr);
  CComPtr<IQnMpegEncoder> main;
  encoder.QueryInterface(&main);
  main->SetStreamType(streamType);
  if (streamType == 7) {
    main->SetPictureSize(720, 480);
    main->SetFrameRateCode(4);
    main->SetVideoBitRate(8000000);
  }
  // Motion search level 2, the capture page's middle setting and what ffmpeg's targets search.
  CComPtr<IQnMotionSearch> search;
  encoder.QueryInterface(&search);
  search->SetRateDistortion(0);
  search->SetSearchRange(16, 16, 8, 8);
  CComPtr<IFileSinkFilter> sink;
  encoder.QueryInterface(&sink);
  sink->SetFileName(file.c_str(), nullptr);
  const auto start = Clock::now();
  control->Run();
  DWORD frames = 0;
  while (frames < kFrames) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    main->GetFramesEncoded(&frames);
  }
  control->Stop();
  return frames / std::chrono::duration<double>(Clock::now() - start).count();
}

double FfmpegFramesPerSecond(const char* target, const std::string& folder) {
  // The same pattern and tone as raw input files.
  const std::string video = folder + "bench.yuv", audio = folder + "bench.pcm";
  if (!platform::FileExists(video)) {
    std::string pictures, sound;
    std::vector<std::uint8_t> frame(720 * 480 * 2);
    for (int n = 0; n < kFrames; ++n) {
      sim::PaintFrame(MEDIASUBTYPE_YUY2, 720, 480, n, 333667, frame.data(), 720 * 2);
      pictures.append(reinterpret_cast<const char*>(frame.data()), frame.size());
    }
    const std::size_t samples = static_cast<std::size_t>(kFrames) * 48000 * 1001 / 30000;
    std::vector<std::int16_t> pcm(samples * 2);
    sim::FillTone(pcm.data(), 2, 48000, 0, samples);
    sound.assign(reinterpret_cast<const char*>(pcm.data()), pcm.size() * 2);
    platform::WriteWholeFileAtomic(video, pictures);
    platform::WriteWholeFileAtomic(audio, sound);
  }
  std::string out, err;
  int code = -1;
  const auto start = Clock::now();
  platform::RunProcess("ffmpeg", {"-v",      "error", "-y",      "-f",      "rawvideo",   "-pix_fmt",
                                  "yuyv422", "-s",    "720x480", "-r",      "30000/1001", "-i",
                                  video,     "-f",    "s16le",   "-ar",     "48000",      "-ac",
                                  "2",       "-i",    audio,     "-target", target,       folder + "bench_ffmpeg.mpg"},
                       &out, &err, &code, 600000);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (code != 0) std::fprintf(stderr, "ffmpeg failed: %s\n", err.c_str());
  return kFrames / seconds;
}

}  // namespace

int main() {
  auto box = sim::DefaultDevices()[0];
  box.audioPin = true;
  box.formats = {{720, 480, 333667, MEDIASUBTYPE_YUY2}};
  sim::Hardware::Instance().SetDevices({box});
  sim::Hardware::SetFreeRunning(true);
  const std::string folder = "/tmp/vidarro_bench_capture/";
  platform::CreateFolders(folder);
  const struct {
    const char* name;
    int type;
    const char* target;
  } cases[] = {{"DVD NTSC level 2", 7, "ntsc-dvd"}, {"VCD NTSC", 3, "ntsc-vcd"}};
  for (const auto& c : cases) {
    const double ours = OurFramesPerSecond(c.type, folder + "bench.mpg");
    const double theirs = FfmpegFramesPerSecond(c.target, folder);
    std::printf("%-18s ours %7.1f frames/s   ffmpeg %7.1f frames/s   ratio %.2f (goal >= 0.9)\n", c.name, ours, theirs,
                theirs > 0 ? ours / theirs : 0.0);
  }
  return 0;
}
