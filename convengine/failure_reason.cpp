#include "convengine/failure_reason.h"

#include <array>

namespace mordax {

namespace {

// Longer lines (a path, a list of parameters) are cut: the status line is one line.
constexpr std::size_t kMaxShown = 120;
// FFmpeg's own lines may be long, but a record without an end is not kept whole.
constexpr std::size_t kMaxPending = 4096;

// Lines FFmpeg writes after the one that names the cause.
constexpr std::array<std::string_view, 6> kSummaries = {
    "Conversion failed",
    "Error initializing output stream",
    "Could not write header for output file",
    "Error while opening encoder for output stream",
    "Error opening output files",
    "Error initializing filtergraph",
};

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string ShortErrorLine(std::string_view line) {
  line = TrimBlanks(line);
  bool error = false;
  // "[psp @ 0x55be891fb780] [error] text": contexts first, then the level.
  while (!line.empty() && line.front() == '[') {
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) break;
    const std::string_view tag = line.substr(1, close - 1);
    if (tag == "error" || tag == "fatal" || tag == "panic") error = true;
    else if (tag.find(" @ ") == std::string_view::npos) break;
    line = TrimBlanks(line.substr(close + 1));
    if (error) break;
  }
  if (!error || line.empty()) return {};
  // FFmpeg's messages often end in " -- " or ":" with nothing after.
  while (!line.empty() && (line.back() == '-' || line.back() == ':' || line.back() == ' ')) line.remove_suffix(1);
  std::string text(line);
  if (text.size() > kMaxShown) text = text.substr(0, kMaxShown - 3) + "...";
  return text;
}

void FailureReason::Feed(std::string_view chunk) {
  for (char c : chunk) {
    if (c == '\n' || c == '\r') {
      Line(pending_);
      pending_.clear();
    } else if (pending_.size() < kMaxPending) {
      pending_ += c;
    }
  }
}

void FailureReason::Shorten(const std::string& path, const std::string& shown) {
  if (!path.empty()) shortened_.emplace_back(path, shown);
}

void FailureReason::Line(std::string_view raw) {
  std::string line(raw);
  for (const auto& [path, shown] : shortened_)
    for (std::size_t at = line.find(path); at != std::string::npos; at = line.find(path, at + shown.size()))
      line.replace(at, path.size(), shown);
  const std::string text = ShortErrorLine(line);
  if (text.empty()) return;
  for (std::string_view summary : kSummaries) {
    if (text.starts_with(summary)) {
      lastSummary_ = text;
      return;
    }
  }
  lastCause_ = text;
}

std::string FailureReason::Text() const {
  if (!pending_.empty()) {
    FailureReason rest = *this;
    rest.Feed("\n");
    return rest.lastCause_.empty() ? rest.lastSummary_ : rest.lastCause_;
  }
  return lastCause_.empty() ? lastSummary_ : lastCause_;
}

}  // namespace mordax
