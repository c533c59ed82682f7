// What FFmpeg last said at error level, kept so a failed file can be told in FFmpeg's words.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mordax {

class FailureReason {
 public:
  // A path FFmpeg may name in its lines, shown as `shown` (a file's name in place of its whole
  // path, which would fill the status line).
  void Shorten(const std::string& path, const std::string& shown);
  // Output of FFmpeg run with "-loglevel level+info", in chunks as it comes.
  void Feed(std::string_view chunk);
  // The short form of the last error line, preferring one that names the cause over FFmpeg's
  // closing summaries ("Conversion failed!", "Error initializing output stream..."); empty when
  // FFmpeg said nothing at error level.
  std::string Text() const;

 private:
  void Line(std::string_view line);
  std::vector<std::pair<std::string, std::string>> shortened_;
  std::string pending_;
  std::string lastCause_;
  std::string lastSummary_;
};

// One line without its "[muxer @ 0x...]" contexts and its level tag, trimmed and cut to a
// length a status line shows; empty when the line is not at error or fatal level.
std::string ShortErrorLine(std::string_view line);

}  // namespace mordax
