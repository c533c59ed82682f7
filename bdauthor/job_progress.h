// The job's state and scan counters. The job writes them on its own thread while the caller's
// progress poller reads them from another, so each is atomic.
#pragma once

#include <atomic>
#include <cstdint>

namespace bdauthor {

enum class JobState : std::int32_t { kStarting = 0, kAnalysing = 1, kWriting = 2, kDone = 3 };

class JobProgress {
 public:
  void Reset() {
    state_.store(static_cast<std::int32_t>(JobState::kStarting));
    scanned_.store(0);
    toScan_.store(0);
  }
  void SetState(JobState state) { state_.store(static_cast<std::int32_t>(state)); }
  void AddToScan(std::int64_t bytes) { toScan_.fetch_add(bytes); }
  void AddScanned(std::int64_t bytes) { scanned_.fetch_add(bytes); }

  std::int32_t State() const { return state_.load(); }
  // Percentage: 0 while starting, the scanned share while analysing (at most 99), 99 while
  // writing, 100 when done.
  std::int32_t Percent() const;

 private:
  std::atomic<std::int32_t> state_{0};
  std::atomic<std::int64_t> scanned_{0};
  std::atomic<std::int64_t> toScan_{0};
};

}  // namespace bdauthor
