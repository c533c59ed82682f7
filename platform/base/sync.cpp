#include "platform/base/sync.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace platform {
namespace {

// One lock for all events: a wait on several events can then check and consume them
// atomically. Events are few and their critical sections tiny.
std::mutex& EventsMutex() {
  static std::mutex mutex;
  return mutex;
}

using Deadline = std::chrono::steady_clock::time_point;

Deadline DeadlineAfter(DWORD timeoutMs) {
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
}

}  // namespace

void Event::Set() {
  std::lock_guard<std::mutex> lock(EventsMutex());
  set_ = true;
  if (manualReset_) {
    single_.notify_all();
  } else {
    single_.notify_one();
  }
  for (auto* waiter : multiWaiters_) waiter->notify_all();
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(EventsMutex());
  set_ = false;
}

bool Event::IsSet() const {
  std::lock_guard<std::mutex> lock(EventsMutex());
  return set_;
}

DWORD Event::Wait(DWORD timeoutMs) {
  std::unique_lock<std::mutex> lock(EventsMutex());
  auto ready = [this] { return set_; };
  if (timeoutMs == INFINITE) {
    single_.wait(lock, ready);
  } else if (!single_.wait_until(lock, DeadlineAfter(timeoutMs), ready)) {
    return WAIT_TIMEOUT;
  }
  if (!manualReset_) set_ = false;
  return WAIT_OBJECT_0;
}

DWORD WaitForMultipleEvents(const std::vector<Event*>& events, bool waitAll, DWORD timeoutMs) {
  if (events.empty() || std::find(events.begin(), events.end(), nullptr) != events.end()) return WAIT_FAILED;
  std::condition_variable wake;
  std::unique_lock<std::mutex> lock(EventsMutex());
  for (Event* e : events) e->multiWaiters_.push_back(&wake);

  auto check = [&]() -> DWORD {
    if (waitAll) {
      for (Event* e : events)
        if (!e->set_) return WAIT_TIMEOUT;
      for (Event* e : events)
        if (!e->manualReset_) e->set_ = false;
      return WAIT_OBJECT_0;
    }
    for (std::size_t i = 0; i < events.size(); ++i) {
      if (events[i]->set_) {
        if (!events[i]->manualReset_) events[i]->set_ = false;
        return WAIT_OBJECT_0 + static_cast<DWORD>(i);
      }
    }
    return WAIT_TIMEOUT;
  };

  DWORD result = check();
  const Deadline deadline = DeadlineAfter(timeoutMs == INFINITE ? 0 : timeoutMs);
  while (result == WAIT_TIMEOUT) {
    if (timeoutMs == INFINITE) {
      wake.wait(lock);
    } else if (wake.wait_until(lock, deadline) == std::cv_status::timeout) {
      result = check();
      break;
    }
    result = check();
  }
  for (Event* e : events) {
    auto& list = e->multiWaiters_;
    list.erase(std::find(list.begin(), list.end(), &wake));
  }
  return result;
}

Thread::~Thread() { Join(); }

bool Thread::Start(std::function<void()> body) {
  std::lock_guard<std::mutex> lock(joinMutex_);
  if (thread_.joinable()) return false;
  done_ = std::make_shared<Event>(true, false);
  auto done = done_;
  thread_ = std::thread([body = std::move(body), done] {
    body();
    done->Set();
  });
  return true;
}

DWORD Thread::Wait(DWORD timeoutMs) {
  std::shared_ptr<Event> done;
  {
    std::lock_guard<std::mutex> lock(joinMutex_);
    if (!thread_.joinable()) return WAIT_OBJECT_0;
    if (thread_.get_id() == std::this_thread::get_id()) return WAIT_FAILED;
    done = done_;
  }
  if (done->Wait(timeoutMs) != WAIT_OBJECT_0) return WAIT_TIMEOUT;
  std::lock_guard<std::mutex> lock(joinMutex_);
  if (thread_.joinable()) thread_.join();
  return WAIT_OBJECT_0;
}

bool Thread::IsRunning() {
  std::lock_guard<std::mutex> lock(joinMutex_);
  return thread_.joinable() && !done_->IsSet();
}

bool SetCurrentThreadPriority(int priority) {
  // Win32 steps mapped onto niceness: higher priority, lower nice value.
  int nice = 0;
  if (priority <= THREAD_PRIORITY_IDLE) {
    nice = 19;
  } else if (priority >= THREAD_PRIORITY_TIME_CRITICAL) {
    nice = -10;
  } else {
    nice = std::clamp(-priority * 5, -10, 19);
  }
  const auto tid = static_cast<id_t>(syscall(SYS_gettid));
  // Without the right to raise priority this fails and the thread keeps its current one.
  return setpriority(PRIO_PROCESS, tid, nice) == 0;
}

}  // namespace platform

DWORD GetCurrentThreadId() { return static_cast<DWORD>(syscall(SYS_gettid)); }

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }
