#include "audiorec/recording_item.h"

#include <cstdio>
#include <mutex>

#include "audiorec/recording_rules.h"
#include "platform/base/file.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

bool ContainerDuration(const std::string& path, double* seconds) {
  AVFormatContext* input = nullptr;
  if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return false;
  const bool ok = avformat_find_stream_info(input, nullptr) >= 0 && input->duration > 0;
  if (ok) *seconds = static_cast<double>(input->duration) / AV_TIME_BASE;
  avformat_close_input(&input);
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
  const bool ok = source ? source(path, &seconds) : ContainerDuration(path, &seconds);
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
  if (probe.Probe(path.c_str())) item.playSeconds = static_cast<int>(probe.GetDuration());
  return item;
}

std::string FormatRowSize(double bytes) {
  char text[48];
  std::snprintf(text, sizeof text, "%7.2f MB", bytes * (1.0 / 1048576.0));
  return text;
}

std::string FormatPlayTime(int seconds) { return auvry::FormatElapsed(seconds); }
