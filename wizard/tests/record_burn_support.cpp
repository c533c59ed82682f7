#include "record_burn_support.h"

#include <chrono>
#include <regex>
#include <thread>

#include "capture/capture_graph.h"
#include "capture/dv_capture_graph.h"
#include "platform/dshow/base_filter.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/transform_filter.h"
#include "capture_graphs.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"

namespace wizardtest {

bool PumpUntilReal(testkit::ManualTime& time, const std::function<bool()>& done, int seconds) {
  for (int i = 0; i < seconds * 100; ++i) {
    time.Advance(50);
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

namespace {

// The camcorder's stream dump: it takes every packet the camcorder delivers.
platform::dshow::CRendererFilter* CamcorderDump() {
  if (!wizard::DvGraphOpen() || !wizard::DvGraph().Graph()) return nullptr;
  CComPtr<IBaseFilter> f;
  if (wizard::DvGraph().Graph()->FindFilterByName("m2ts Dump", &f) != S_OK) return nullptr;
  return dynamic_cast<platform::dshow::CRendererFilter*>(platform::dshow::AsBaseFilter(f));
}

long long EncodedFrames(CWriterGraphHelper& writer, IBaseFilter* encoder) {
  DWORD frames = 0;
  if (encoder) writer.GetEncoderStatus(encoder, nullptr, &frames);
  return frames;
}

// What the recording graph has taken so far, in frames: the HDV dump's packets of a frame, else
// the pictures of the MPEG encoder (the analog box's, or the DV camcorder graph's). Null when
// the graph holds neither.
std::function<long long()> FramesTaken(bool analog) {
  if (analog) {
    CCaptureGraph& graph = wizard::AnalogGraph();
    if (!graph.MpegEncoder()) return nullptr;
    return [&graph] { return EncodedFrames(graph.WriterHelper(), graph.MpegEncoder()); };
  }
  if (platform::dshow::CRendererFilter* dump = CamcorderDump()) return [dump] { return dump->SamplesRendered(); };
  if (!wizard::DvGraphOpen() || !wizard::DvGraph().MpegEncoder()) return nullptr;
  CDvCaptureGraph& graph = wizard::DvGraph();
  return [&graph] { return EncodedFrames(graph.WriterHelper(), graph.MpegEncoder()); };
}

}  // namespace

void RecordFor(testkit::ManualTime& time, int ms, bool analog) {
  // Device time goes on a step at a time, each once the graph has taken the frames of that
  // time: a stop joins the source, and frames it has not delivered by then are not recorded.
  const auto taken = FramesTaken(analog);
  const long long start = taken ? taken() : 0;
  const int stepMs = analog ? 100 : 34;
  const bool pal = !analog && wizard::DvGraphOpen() && wizard::DvGraph().GetFrameDuration() == 40;
  for (int t = stepMs; t <= ms; t += stepMs) {
    time.Advance(stepMs);
    if (!taken) continue;
    const long long due = pal ? t / 40 : static_cast<long long>(t) * 30 / 1001;
    for (int k = 0; k < 2000 && taken() < start + due; ++k) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

std::string WriterImage(const std::string& id) {
  return platform::LocalAppDataFolder() + "wizard-discs/" + id + ".img";
}

DvdReading ReadDvd(const std::string& path) {
  DvdReading reading;
  std::string out, err;
  int code = -1;
  if (!platform::RunProcess("lsdvd", {"-c", path}, &out, &err, &code) || code != 0) return reading;
  reading.ok = true;
  std::smatch m;
  if (std::regex_search(out, m, std::regex(R"(Disc Title: (.*))"))) reading.discTitle = m[1];
  const std::regex line(R"(Title: \d+, Length: (\d+):(\d+):(\d+)\.(\d+) Chapters: (\d+))");
  for (std::sregex_iterator it(out.begin(), out.end(), line), end; it != end; ++it) {
    const std::smatch& t = *it;
    reading.titles.push_back(
        {std::stoi(t[1]) * 3600.0 + std::stoi(t[2]) * 60.0 + std::stoi(t[3]) + std::stoi(t[4]) / 1000.0,
         std::stoi(t[5])});
  }
  return reading;
}

}  // namespace wizardtest
