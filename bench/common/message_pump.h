#pragma once

#include <functional>

namespace bench {

// Dispatches this thread's window messages until done() holds or the time is up; done()'s last
// answer.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs);

}  // namespace bench
