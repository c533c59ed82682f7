// Writing a BIN/CUE pair to a real CD writer through cdrdao, disc-at-once. The process is one seam
// tests replace: they see the argument vector and the sheet it is given.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace platform::disc {

// cdrdao's arguments (without the program) for writing `cuePath` on the drive `device`;
// `speedKBs` 0 leaves the speed to the drive.
std::vector<std::string> CdrdaoArguments(const std::string& device, const std::string& cuePath, int speedKBs);

struct CdrdaoRun {
  std::vector<std::string> args;
  std::string cuePath;
  std::atomic<bool>* stop = nullptr;  // set: end the write
  std::function<void(int percent)> progress;
};
struct CdrdaoResult {
  bool started = false;
  int exitCode = -1;
  std::string messages;  // what cdrdao said
};

using CdrdaoRunner = std::function<CdrdaoResult(const CdrdaoRun&)>;
// Runs cdrdao itself, or the runner a test installed (an empty one restores cdrdao).
CdrdaoResult RunCdrdao(const CdrdaoRun& run);
void SetCdrdaoRunner(CdrdaoRunner runner);

// The drive's reason for a failed write, from cdrdao's messages: its last error line.
std::string CdrdaoReason(const std::string& messages);
// Percent written from a progress line "Wrote N of M MB ...", -1 for any other line.
int CdrdaoPercent(const std::string& line);

}  // namespace platform::disc
