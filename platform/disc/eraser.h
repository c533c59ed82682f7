// Erasing a rewritable medium: libburn cannot blank a stdio: drive, so the simulated disc is
// emptied over its erase time on the suite clock, with progress.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/disc/sim_drive.h"
#include "platform/disc/write_engine.h"

namespace platform::disc {

class Eraser {
 public:
  ~Eraser();
  // False when an erase runs or the drive has no erasable disc; the callback then never comes.
  bool Start(SimDrive* drive, DiscCallback callback, void* context);
  bool Ended() const { return ended_; }
  bool Succeeded() const { return succeeded_; }
  int Percent() const { return percent_; }
  void Join();

 private:
  void Run(SimDrive* drive, DiscCallback callback, void* context);
  std::thread thread_;
  std::mutex startMutex_;  // held by Start until it returns, so the callback comes after it
  std::atomic<bool> running_{false};
  std::atomic<bool> ended_{false};
  std::atomic<bool> succeeded_{false};
  std::atomic<int> percent_{0};
};

}  // namespace platform::disc
