// Time: one process-wide current clock that tick counts, sleeps and the window system's timers
// read. It is the real monotonic clock unless a test installs a ManualClock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/base/win_types.h"

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary fixed start.
  virtual std::uint64_t NowMs() const = 0;
  // Microseconds on the same scale; the performance counter reads this.
  virtual std::uint64_t NowUs() const { return NowMs() * 1000; }
  virtual void SleepMs(DWORD ms) = 0;
};

class MonotonicClock final : public Clock {
 public:
  std::uint64_t NowMs() const override;
  std::uint64_t NowUs() const override;
  void SleepMs(DWORD ms) override;
};

// Time that moves only when told. Sleep on it advances it by the slept amount and returns at
// once: code under test that sleeps in a polling loop finishes instead of hanging the test, and
// the time it sees passing is exactly what it slept.
class ManualClock final : public Clock {
 public:
  explicit ManualClock(std::uint64_t startMs = 0) : nowUs_(startMs * 1000) {}
  // Wakes the threads still waiting on it and lets them leave first: a graph's streaming
  // threads can outlive the test scope that made the clock.
  ~ManualClock() override;
  std::uint64_t NowMs() const override { return nowUs_.load() / 1000; }
  std::uint64_t NowUs() const override { return nowUs_.load(); }
  void SleepMs(DWORD ms) override;
  void Advance(std::uint64_t ms);
  void AdvanceUs(std::uint64_t us);
  void SetMs(std::uint64_t ms);
  // Blocks (in real time, at most realTimeoutMs) until the clock reaches targetMs; for threads
  // that wait on timers while a test drives time. Returns whether the target was reached; a
  // clock going away ends the wait unreached.
  bool WaitUntil(std::uint64_t targetMs, DWORD realTimeoutMs) const;

 private:
  void Changed();
  std::atomic<std::uint64_t> nowUs_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  mutable std::condition_variable left_;
  mutable int waiters_ = 0;
  bool closing_ = false;
};

// The clock in use; never null. SetClock(nullptr) puts the real clock back. Returns the
// previous clock. The caller keeps the installed clock alive while it is current.
Clock& CurrentClock();
Clock* SetClock(Clock* clock);

// Installs a clock for one scope and restores the previous one after.
class ScopedClock {
 public:
  explicit ScopedClock(Clock& clock) : previous_(SetClock(&clock)) {}
  ~ScopedClock() { SetClock(previous_); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock* previous_;
};

}  // namespace platform

// Milliseconds of the current clock; the 32-bit form wraps after 49.7 days like the original.
DWORD GetTickCount();
ULONGLONG GetTickCount64();
void Sleep(DWORD ms);
// Microsecond ticks of the current clock.
BOOL QueryPerformanceCounter(LARGE_INTEGER* counter);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
