// The one-second timer of a running conversion: elapsed time on a thread of its own.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "convengine/mordax_api.h"

namespace mordax {

// Splits milliseconds into a time span (hours without a day wrap).
Qn_TimeSpan MsToTimeSpan(std::uint32_t ms);

// Remaining time from the elapsed time and the percent done; 0 while nothing or everything is done.
std::uint32_t RemainingMs(std::uint32_t elapsedMs, std::int32_t percent);

class Qn_ProgressTimer {
 public:
  using Tick = std::function<void(const Qn_TimeSpan& elapsed)>;

  Qn_ProgressTimer() = default;
  ~Qn_ProgressTimer() { Stop(); }
  Qn_ProgressTimer(const Qn_ProgressTimer&) = delete;
  Qn_ProgressTimer& operator=(const Qn_ProgressTimer&) = delete;

  // Calls tick every periodMs from its own thread until Stop; false when already running.
  bool Start(std::uint32_t periodMs, Tick tick);
  // Returns once the timer thread is gone; no tick runs after it.
  void Stop();
  bool IsRunning() const;

 private:
  void Run(std::uint32_t periodMs, Tick tick, std::uint32_t startTick);

  mutable std::mutex lock_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace mordax
