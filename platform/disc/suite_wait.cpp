#include "platform/disc/suite_wait.h"

#include <algorithm>

namespace platform::disc {

bool WaitForSuiteTime(platform::Clock& clock, std::uint64_t dueMs, const std::atomic<bool>* stop) {
  const auto stopped = [stop] { return stop && stop->load(); };
  auto* manual = dynamic_cast<platform::ManualClock*>(&clock);
  if (!manual) {
    // Sleeping in slices keeps a stop heard within a tenth of a second.
    for (std::uint64_t now = clock.NowMs(); now < dueMs; now = clock.NowMs()) {
      if (stopped()) return false;
      clock.SleepMs(static_cast<DWORD>(std::min<std::uint64_t>(100, dueMs - now)));
    }
    return !stopped();
  }
  while (!manual->WaitUntil(dueMs, 20))
    if (stopped() || &platform::CurrentClock() != &clock) return false;
  return !stopped();
}

}  // namespace platform::disc
