// A FIFO for the tests of file readers and writers that must refuse one without blocking. If
// the code under test blocks in open() anyway, the guard opens the other end after a while, so
// the test fails on its result instead of hanging.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace platform::test {

class FifoGuard {
 public:
  explicit FifoGuard(std::string path) : path_(std::move(path)) {
    ::signal(SIGPIPE, SIG_IGN);
    ::unlink(path_.c_str());
    made_ = ::mkfifo(path_.c_str(), 0600) == 0;
    rescuer_ = std::thread([this] {
      std::unique_lock lock(mutex_);
      if (done_.wait_for(lock, std::chrono::seconds(3), [this] { return finished_; })) return;
      // Read and write ends at once: this open never waits and releases an open() blocked on
      // either end; closed at once, it leaves the blocked side an end of file or EPIPE.
      const int fd = ::open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) ::close(fd);
    });
  }
  ~FifoGuard() {
    {
      std::lock_guard lock(mutex_);
      finished_ = true;
    }
    done_.notify_all();
    rescuer_.join();
    ::unlink(path_.c_str());
  }
  FifoGuard(const FifoGuard&) = delete;
  FifoGuard& operator=(const FifoGuard&) = delete;

  bool Made() const { return made_; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  bool made_ = false;
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread rescuer_;
};

}  // namespace platform::test
