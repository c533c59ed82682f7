// Test host for the engine: records every reply as a host window would receive it, and makes
// small inputs.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "convengine/mordax_api.h"
#include "convengine/reply_port.h"
#include "convengine/tests/reply_codes.h"

namespace mordax::test {

using Reply = ReplyRecord;

class ReplyRecorder {
 public:
  ReplyRecorder();
  ~ReplyRecorder();

  // Waits (at most timeoutMs of real time) until a reply matches; true when one did.
  bool WaitFor(const std::function<bool(const Reply&)>& match, int timeoutMs = 30000);
  bool WaitFor(int op, int status, int timeoutMs = 30000);
  bool WaitForCount(std::size_t count, int timeoutMs = 30000);
  std::vector<Reply> Replies() const;
  // op/status pairs as "100/1 100/2", for readable expectations.
  std::string Codes() const;
  void Clear();
  // Makes every post fail, as when the host window is gone.
  void SetWindowGone(bool gone) { gone_ = gone; }

 private:
  bool Receive(WPARAM wParam, LPARAM lParam);

  mutable std::mutex lock_;
  std::condition_variable arrived_;
  std::vector<Reply> replies_;
  ReplyPort previous_;
  bool gone_ = false;
};

// A PCM WAV file of the given length (1 kHz tone, mono, 8 kHz).
void WriteWav(const std::string& path, double seconds);
void WriteText(const std::string& path, const std::string& text);
// True while the process exists, unreaped zombies included.
bool ProcessAlive(int pid);
// Pids the fake FFmpeg wrote into its log.
std::vector<int> FakePids(const std::string& log);
// Argument lists the fake FFmpeg wrote into its log, one per run.
std::vector<std::vector<std::string>> FakeArguments(const std::string& log);
std::string FakeFFmpegPath();

}  // namespace mordax::test
