#include "platform/base/clock.h"

#include <chrono>
#include <thread>

namespace platform {
namespace {

MonotonicClock& RealClock() {
  static MonotonicClock clock;
  return clock;
}

std::atomic<Clock*> g_current{nullptr};

}  // namespace

std::uint64_t MonotonicClock::NowMs() const { return NowUs() / 1000; }

std::uint64_t MonotonicClock::NowUs() const {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

void MonotonicClock::SleepMs(DWORD ms) {
  if (ms == 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void ManualClock::SleepMs(DWORD ms) {
  Advance(ms);
  // Let other threads run, as a real sleep would.
  std::this_thread::yield();
}

void ManualClock::Advance(std::uint64_t ms) { AdvanceUs(ms * 1000); }

void ManualClock::AdvanceUs(std::uint64_t us) {
  nowUs_.fetch_add(us);
  Changed();
}

void ManualClock::SetMs(std::uint64_t ms) {
  nowUs_.store(ms * 1000);
  Changed();
}

void ManualClock::Changed() {
  std::lock_guard<std::mutex> lock(mutex_);
  changed_.notify_all();
}

ManualClock::~ManualClock() {
  std::unique_lock<std::mutex> lock(mutex_);
  closing_ = true;
  changed_.notify_all();
  left_.wait(lock, [&] { return waiters_ == 0; });
}

bool ManualClock::WaitUntil(std::uint64_t targetMs, DWORD realTimeoutMs) const {
  std::unique_lock<std::mutex> lock(mutex_);
  if (closing_) return false;
  ++waiters_;
  changed_.wait_for(lock, std::chrono::milliseconds(realTimeoutMs), [&] { return closing_ || NowMs() >= targetMs; });
  --waiters_;
  if (closing_) {
    left_.notify_all();
    return false;
  }
  return NowMs() >= targetMs;
}

Clock& CurrentClock() {
  Clock* c = g_current.load(std::memory_order_acquire);
  return c ? *c : RealClock();
}

Clock* SetClock(Clock* clock) { return g_current.exchange(clock, std::memory_order_acq_rel); }

}  // namespace platform

DWORD GetTickCount() { return static_cast<DWORD>(platform::CurrentClock().NowMs()); }

ULONGLONG GetTickCount64() { return platform::CurrentClock().NowMs(); }

void Sleep(DWORD ms) { platform::CurrentClock().SleepMs(ms); }

BOOL QueryPerformanceCounter(LARGE_INTEGER* counter) {
  if (counter == nullptr) return FALSE;
  counter->QuadPart = static_cast<LONGLONG>(platform::CurrentClock().NowUs());
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  if (frequency == nullptr) return FALSE;
  frequency->QuadPart = 1000000;
  return TRUE;
}
