#include "convengine/progress_parser.h"

#include <cmath>
#include <cstdlib>

namespace mordax {

namespace {

// A record never comes near this; a child writing endless text without line ends is not FFmpeg.
constexpr std::size_t kMaxRecord = 64 * 1024;

std::string_view ValueAfter(std::string_view record, std::string_view key) {
  const auto at = record.rfind(key);
  if (at == std::string_view::npos) return {};
  std::string_view rest = record.substr(at + key.size());
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  const auto end = rest.find_first_of(" \t");
  return rest.substr(0, end);
}

std::optional<double> ParseNumber(std::string_view text) {
  if (text.empty()) return std::nullopt;
  const std::string s(text);
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace

std::optional<double> ProgressParser::ParseTime(std::string_view text) {
  if (text.empty() || text.front() == '-') return std::nullopt;
  double total = 0;
  std::size_t start = 0;
  int fields = 0;
  while (true) {
    const auto colon = text.find(':', start);
    const auto part =
        ParseNumber(text.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start));
    if (!part || *part < 0 || ++fields > 3) return std::nullopt;
    total = total * 60 + *part;
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  return total;
}

std::optional<ProgressSample> ProgressParser::ParseRecord(std::string_view record) {
  std::string lower(record);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  const auto time = ParseTime(ValueAfter(lower, "time="));
  if (!time) return std::nullopt;
  ProgressSample sample;
  sample.seconds = *time;
  const auto frame = ParseNumber(ValueAfter(lower, "frame="));
  if (frame && *frame >= 0 && *frame < 2147483647.0) sample.frame = static_cast<std::int32_t>(*frame);
  return sample;
}

void ProgressParser::Feed(std::string_view chunk, const Handler& handler) {
  for (char c : chunk) {
    if (c == '\r' || c == '\n') {
      if (!pending_.empty()) {
        if (const auto sample = ParseRecord(pending_)) handler(*sample);
        pending_.clear();
      }
    } else if (pending_.size() < kMaxRecord) {
      pending_ += c;
    }
  }
}

std::int32_t ProgressPercent(double seconds, std::int32_t durationMs) {
  if (seconds <= 0 || durationMs <= 0) return 0;
  const double percent = seconds * 100.0 / (durationMs * 0.001);
  return percent >= 2147483647.0 ? 2147483647 : static_cast<std::int32_t>(percent);
}

bool ReachedEnd(std::int32_t durationMs, double lastSeconds) {
  const double duration = durationMs * 0.001;
  const double shortfall = duration - lastSeconds;
  return shortfall < (duration < 30.0 ? 1.5 : 2.0);
}

}  // namespace mordax
