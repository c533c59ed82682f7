// A worker of the record-and-burn pages: one job on its own thread, polled by the page's timers
// and joined before anything it uses is deleted.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace wizard {

class WorkerThread {
 public:
  WorkerThread() = default;
  ~WorkerThread() { Wait(); }
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Joins a previous job first.
  void Start(std::function<void()> job) {
    Wait();
    done_ = std::make_shared<std::atomic<bool>>(false);
    thread_ = std::thread([job = std::move(job), done = done_] {
      job();
      done->store(true);
    });
  }
  bool IsRunning() const { return thread_.joinable() && !done_->load(); }
  void Wait() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
  std::shared_ptr<std::atomic<bool>> done_;
};

}  // namespace wizard
