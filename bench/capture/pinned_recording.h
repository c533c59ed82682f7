// A machine as a slower one looks to a recording: the process held to four processors, three of
// them kept busy by spinning threads for as long as the object lives.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace bench {

class BusyFourCores {
 public:
  BusyFourCores();
  ~BusyFourCores();
  BusyFourCores(const BusyFourCores&) = delete;
  BusyFourCores& operator=(const BusyFourCores&) = delete;

  // False when the processors could not be chosen (fewer than four, or refused); `why` says so.
  bool Pinned() const { return pinned_; }
  const std::string& Why() const { return why_; }
  // The processors the process runs on, as the list taskset takes ("0,1,2,3").
  const std::string& Processors() const { return processors_; }
  // CPU seconds the spinning threads have used, so that a measure of the process can leave
  // them out.
  double SpinningSeconds() const;

 private:
  bool pinned_ = false;
  std::string why_, processors_;
  std::atomic<bool> stop_{false};
  std::vector<std::thread> busy_;
};

}  // namespace bench
