#include "audiorec/recording_item.h"

#include <cmath>
#include <cstdio>
#include <mutex>

#include "audiorec/recording_rules.h"
#include "platform/base/file.h"

#include "platform/com/class_table.h"
#include "platform/com/com_ptr.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/playback_interfaces.h"
#include "platform/dshow/uuids.h"

namespace {

// A filter graph renders the file and its seeking tells the length; the graph never runs. The
// graph, the render and the time format decide; a length that cannot be read stays 0.
bool GraphDuration(const std::string& path, double* seconds) {
  const bool com = SUCCEEDED(CoInitialize(nullptr));
  bool ok = false;
  {
    CComPtr<IGraphBuilder> graph;
    CComPtr<IMediaSeeking> seeking;
    if (SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   reinterpret_cast<void**>(&graph))) &&
        graph && SUCCEEDED(graph->RenderFile(path.c_str(), nullptr)) &&
        SUCCEEDED(graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking))) && seeking &&
        SUCCEEDED(seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME))) {
      ok = true;
      LONGLONG duration = 0;
      if (SUCCEEDED(seeking->GetDuration(&duration))) *seconds = static_cast<double>(duration) * 1e-7;
    }
  }
  if (com) CoUninitialize();
  return ok;
}

std::mutex& SourceMutex() {
  static std::mutex m;
  return m;
}
CMediaDurationProbe::Source& CurrentSource() {
  static CMediaDurationProbe::Source source;
  return source;
}

}  // namespace

void CMediaDurationProbe::SetSource(Source source) {
  std::lock_guard lock(SourceMutex());
  CurrentSource() = std::move(source);
}

int CMediaDurationProbe::Probe(const char* path) {
  seconds_ = 0.0;
  if (!path || !platform::FileExists(path)) return 0;
  Source source;
  {
    std::lock_guard lock(SourceMutex());
    source = CurrentSource();
  }
  double seconds = 0.0;
  const bool ok = source ? source(path, &seconds) : GraphDuration(path, &seconds);
  if (!ok) return 0;
  seconds_ = seconds;
  return 1;
}

std::optional<RecordingItem> MakeRecordingItem(const std::string& path, CMediaDurationProbe& probe) {
  const std::int64_t bytes = platform::FileSize(path);
  if (bytes < 0 || !platform::FileExists(path)) return std::nullopt;
  RecordingItem item;
  item.path = path;
  const auto slash = path.find_last_of('/');
  item.name = slash == std::string::npos ? path : path.substr(slash + 1);
  item.size = static_cast<double>(bytes);
  // Rounded as the recording clock shows it: a 10 s recording of 9.98 s is listed as 10 s.
  if (probe.Probe(path.c_str())) item.playSeconds = static_cast<int>(std::lround(probe.GetDuration()));
  return item;
}

std::string FormatRowSize(double bytes) {
  char text[48];
  std::snprintf(text, sizeof text, "%7.2f MB", bytes * (1.0 / 1048576.0));
  return text;
}

std::string FormatPlayTime(int seconds) { return auvry::FormatElapsed(seconds); }
