// Reads FFmpeg's statistics output: complete '\r' or '\n' records with "time=" and "frame=".
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace mordax {

struct ProgressSample {
  double seconds = 0;      // position of the output, from "time="
  std::int32_t frame = 0;  // from "frame=", 0 when absent
};

class ProgressParser {
 public:
  using Handler = std::function<void(const ProgressSample&)>;

  // Splits the output into records; each record with a usable time goes to the handler.
  void Feed(std::string_view chunk, const Handler& handler);

  // One record: nothing when it carries no time (or "N/A").
  static std::optional<ProgressSample> ParseRecord(std::string_view record);
  // "HH:MM:SS.cc" or plain seconds.
  static std::optional<double> ParseTime(std::string_view text);

 private:
  std::string pending_;
};

// Percent of the input done at a position (truncated; 0 while the position is 0).
std::int32_t ProgressPercent(double seconds, std::int32_t durationMs);

// The time rule: the output reached the input's end, within 1.5 s for inputs under 30 s and
// within 2 s for longer ones.
bool ReachedEnd(std::int32_t durationMs, double lastSeconds);

}  // namespace mordax
