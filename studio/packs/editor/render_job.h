// One render: ffmpeg run and watched on a worker thread, which posts its progress and its end to
// the pack's window; the pack reads them on the UI thread. Ending the job early (Cancel, or the
// job's destruction) kills ffmpeg and waits for the worker.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/win_types.h"

namespace studio::packs {

class RenderJob {
 public:
  // Posts `progress` to `window` whenever ffmpeg reports and at least once a second, `ended` once at the end.
  RenderJob(HWND window, UINT progress, UINT ended);
  ~RenderJob();
  RenderJob(const RenderJob&) = delete;
  RenderJob& operator=(const RenderJob&) = delete;

  // False when ffmpeg cannot be started.
  bool Start(const std::vector<std::string>& args, double totalSeconds);
  // 0..99 while it runs.
  int Percent() const { return percent_.load(); }
  bool Ended() const { return ended_.load(); }
  // Once ended: whether ffmpeg finished well, and otherwise its last words.
  bool Succeeded() const { return succeeded_; }
  std::string Reason() const;
  // Stops ffmpeg and waits for the worker; nothing is posted after this returns.
  void Cancel();

 private:
  void Watch();

  HWND window_;
  UINT progressMessage_;
  UINT endedMessage_;
  std::vector<std::string> args_;
  double totalSeconds_ = 0;
  std::thread worker_;
  std::atomic<int> percent_{0};
  std::atomic<bool> ended_{false};
  std::atomic<bool> stop_{false};
  bool started_ = false;
  bool succeeded_ = false;  // written by the worker before `ended_`
  mutable std::mutex mutex_;
  std::string errors_;
};

}  // namespace studio::packs
