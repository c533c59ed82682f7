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

}  // namespace

void RecordFor(testkit::ManualTime& time, int ms, bool analog) {
  if (!analog) {
    // Camcorder time goes on a frame (34 ms) at a time, each once the graph has taken it.
    platform::dshow::CRendererFilter* dump = CamcorderDump();
    const long long start = dump ? dump->SamplesRendered() : 0;
    for (int t = 34, i = 1; t <= ms; t += 34, ++i) {
      time.Advance(34);
      for (int k = 0; dump && k < 2000 && dump->SamplesRendered() < start + i; ++k)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return;
  }
  CCaptureGraph& graph = wizard::AnalogGraph();
  DWORD start = 0;
  if (analog) graph.WriterHelper().GetEncoderStatus(graph.MpegEncoder(), nullptr, &start);
  for (int t = 100; t <= ms; t += 100) {
    time.Advance(100);
    if (!analog || !graph.MpegEncoder()) continue;
    const auto due = static_cast<DWORD>(t * 30 / 1001);
    DWORD frames = 0;
    for (int i = 0; i < 2000; ++i) {
      graph.WriterHelper().GetEncoderStatus(graph.MpegEncoder(), nullptr, &frames);
      if (frames >= start + due) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
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
