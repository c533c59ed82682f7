#include "bench/capture/pinned_recording.h"

#include <pthread.h>
#include <sched.h>
#include <time.h>

namespace bench {

BusyFourCores::BusyFourCores() {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) {
    why_ = "the processors this process may use cannot be read";
    return;
  }
  std::vector<int> four;
  for (int cpu = 0; cpu < CPU_SETSIZE && four.size() < 4; ++cpu)
    if (CPU_ISSET(cpu, &allowed)) four.push_back(cpu);
  if (four.size() < 4) {
    why_ = "fewer than four processors";
    return;
  }
  cpu_set_t chosen;
  CPU_ZERO(&chosen);
  for (int cpu : four) {
    CPU_SET(cpu, &chosen);
    processors_ += (processors_.empty() ? "" : ",") + std::to_string(cpu);
  }
  // Every thread made from here on inherits the four.
  if (sched_setaffinity(0, sizeof chosen, &chosen) != 0) {
    why_ = "the process cannot be held to four processors";
    return;
  }
  pinned_ = true;
  for (size_t i = 1; i < four.size(); ++i) {
    busy_.emplace_back([this] {
      while (!stop_.load(std::memory_order_relaxed)) {
      }
    });
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(four[i], &one);
    pthread_setaffinity_np(busy_.back().native_handle(), sizeof one, &one);
  }
}

double BusyFourCores::SpinningSeconds() const {
  double total = 0;
  for (const std::thread& t : busy_) {
    clockid_t clock;
    timespec spent{};
    if (pthread_getcpuclockid(const_cast<std::thread&>(t).native_handle(), &clock) == 0 &&
        clock_gettime(clock, &spent) == 0)
      total += static_cast<double>(spent.tv_sec) + static_cast<double>(spent.tv_nsec) / 1e9;
  }
  return total;
}

BusyFourCores::~BusyFourCores() {
  stop_ = true;
  for (std::thread& t : busy_) t.join();
}

}  // namespace bench
