// Threads, critical sections and events with Win32 wait results. Waits time out in real time,
// not on the current clock: a ManualClock in a test never stops a thread waking up.
#pragma once

#include <condition_variable>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/base/win_types.h"

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0x00000000;
constexpr DWORD WAIT_ABANDONED = 0x00000080;
constexpr DWORD WAIT_TIMEOUT = 0x00000102;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

constexpr int THREAD_PRIORITY_IDLE = -15;
constexpr int THREAD_PRIORITY_LOWEST = -2;
constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
constexpr int THREAD_PRIORITY_HIGHEST = 2;
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;

DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();

namespace platform {

// Recursive lock: the owning thread may enter again, as with a Win32 critical section.
class CriticalSection {
 public:
  void Lock() { mutex_.lock(); }
  bool TryLock() { return mutex_.try_lock(); }
  void Unlock() { mutex_.unlock(); }

 private:
  std::recursive_mutex mutex_;
};

class CriticalSectionLock {
 public:
  explicit CriticalSectionLock(CriticalSection& cs) : cs_(cs) { cs_.Lock(); }
  ~CriticalSectionLock() { cs_.Unlock(); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

 private:
  CriticalSection& cs_;
};

// A Win32-style event. An auto-reset event releases one waiter per Set and resets itself; a
// manual-reset event stays set, releasing every waiter, until Reset.
class Event {
 public:
  explicit Event(bool manualReset = false, bool initiallySet = false) : manualReset_(manualReset), set_(initiallySet) {}
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  bool IsSet() const;
  // WAIT_OBJECT_0 or WAIT_TIMEOUT.
  DWORD Wait(DWORD timeoutMs = INFINITE);

 private:
  friend DWORD WaitForMultipleEvents(const std::vector<Event*>& events, bool waitAll, DWORD timeoutMs);
  const bool manualReset_;
  bool set_;
  std::condition_variable single_;
  std::vector<std::condition_variable*> multiWaiters_;
};

// Waits for one (WAIT_OBJECT_0 + index of the first set event) or all (WAIT_OBJECT_0) of the
// events; WAIT_TIMEOUT, or WAIT_FAILED for an empty list or a null entry. With waitAll, auto-reset
// events are consumed together, only once all are set.
DWORD WaitForMultipleEvents(const std::vector<Event*>& events, bool waitAll, DWORD timeoutMs);

// A thread that is joined when its owner goes away.
class Thread {
 public:
  Thread() = default;
  explicit Thread(std::function<void()> body) { Start(std::move(body)); }
  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // False when a thread is already running.
  bool Start(std::function<void()> body);
  // WAIT_OBJECT_0 once the body has returned (the thread is then joined), else WAIT_TIMEOUT.
  DWORD Wait(DWORD timeoutMs = INFINITE);
  void Join() { Wait(INFINITE); }
  bool IsRunning();
  bool Started() const { return thread_.joinable(); }

 private:
  std::thread thread_;
  std::shared_ptr<Event> done_;
  std::mutex joinMutex_;  // several threads may wait for this one
};

// Adjusts the calling thread's scheduling niceness. Raising it needs privileges and quietly
// stays put without them; no priority ever becomes a real-time policy, so a busy thread can
// never freeze the desktop.
bool SetCurrentThreadPriority(int priority);

}  // namespace platform
