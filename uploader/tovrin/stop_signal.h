// A stop request that a waiting thread sees at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tovrin {

class StopSignal {
 public:
  void Raise();
  void Clear();
  bool Raised() const;
  // Waits up to `duration`; true when stopped meanwhile.
  bool WaitFor(std::chrono::milliseconds duration) const;

 private:
  mutable std::mutex lock_;
  mutable std::condition_variable changed_;
  bool raised_ = false;
};

}  // namespace tovrin
