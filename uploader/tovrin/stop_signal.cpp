#include "uploader/tovrin/stop_signal.h"

namespace tovrin {

void StopSignal::Raise() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    raised_ = true;
  }
  changed_.notify_all();
}

void StopSignal::Clear() {
  std::lock_guard<std::mutex> hold(lock_);
  raised_ = false;
}

bool StopSignal::Raised() const {
  std::lock_guard<std::mutex> hold(lock_);
  return raised_;
}

bool StopSignal::WaitFor(std::chrono::milliseconds duration) const {
  std::unique_lock<std::mutex> hold(lock_);
  return changed_.wait_for(hold, duration, [this] { return raised_; });
}

}  // namespace tovrin
