// Waiting for a point on the suite clock in the simulated writers (a paced burn, an erase).
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/base/clock.h"

namespace platform::disc {

// Waits until `clock` reaches `dueMs`. A test's clock is waited for and never moved, so the
// simulated drive keeps to the test's steps. False when `stop` was set meanwhile or the test's
// clock stopped being the suite's.
bool WaitForSuiteTime(platform::Clock& clock, std::uint64_t dueMs, const std::atomic<bool>* stop = nullptr);

}  // namespace platform::disc
