#include "convengine/progress_timer.h"

#include <chrono>

#include "platform/base/clock.h"

namespace mordax {

Qn_TimeSpan MsToTimeSpan(std::uint32_t ms) {
  Qn_TimeSpan span;
  span.totalMilliseconds = static_cast<std::int32_t>(ms);
  span.milliseconds = static_cast<std::int32_t>(ms % 1000);
  span.totalSeconds = static_cast<std::int32_t>(ms / 1000);
  span.seconds = static_cast<std::int32_t>((ms / 1000) % 60);
  span.totalMinutes = static_cast<std::int32_t>(ms / 60000);
  span.minutes = static_cast<std::int32_t>((ms / 60000) % 60);
  span.hours = span.totalMinutes / 60;
  return span;
}

std::uint32_t RemainingMs(std::uint32_t elapsedMs, std::int32_t percent) {
  // Past 100 % the estimate would wrap around to weeks.
  if (percent <= 0 || percent >= 100) return 0;
  const std::uint64_t total = static_cast<std::uint64_t>(elapsedMs) * 100 / static_cast<std::uint64_t>(percent);
  return static_cast<std::uint32_t>(total - elapsedMs);
}

bool Qn_ProgressTimer::Start(std::uint32_t periodMs, Tick tick) {
  std::lock_guard<std::mutex> guard(lock_);
  if (thread_.joinable()) return false;
  stop_ = false;
  thread_ = std::thread(&Qn_ProgressTimer::Run, this, periodMs, std::move(tick), GetTickCount());
  return true;
}

void Qn_ProgressTimer::Stop() {
  std::thread ending;
  {
    std::lock_guard<std::mutex> guard(lock_);
    stop_ = true;
    ending = std::move(thread_);
  }
  wake_.notify_all();
  if (ending.joinable()) ending.join();
}

bool Qn_ProgressTimer::IsRunning() const {
  std::lock_guard<std::mutex> guard(lock_);
  return thread_.joinable() && !stop_;
}

void Qn_ProgressTimer::Run(std::uint32_t periodMs, Tick tick, std::uint32_t startTick) {
  auto next = std::chrono::steady_clock::now();
  std::unique_lock<std::mutex> guard(lock_);
  while (true) {
    // Fixed beats, so a slow host does not stretch the second.
    next += std::chrono::milliseconds(periodMs);
    if (wake_.wait_until(guard, next, [this] { return stop_; })) return;
    guard.unlock();
    tick(MsToTimeSpan(GetTickCount() - startTick));
    guard.lock();
    if (stop_) return;
  }
}

}  // namespace mordax
