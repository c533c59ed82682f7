#include "platform/window/window_internal.h"

using namespace platform::win;

namespace platform::win {

void ForgetTimers(const std::shared_ptr<ThreadQueue>& q, HWND hwnd) {
  if (!q) return;
  std::lock_guard lock(q->mu);
  std::erase_if(q->timers, [&](const TimerEntry& t) { return t.hwnd == hwnd; });
}

}  // namespace platform::win

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
  std::shared_ptr<ThreadQueue> q;
  if (hwnd) {
    auto w = Find(hwnd);
    if (!w) return 0;
    q = w->queue;
  } else {
    q = CurrentQueue();
  }
  if (elapseMs < USER_TIMER_MINIMUM) elapseMs = USER_TIMER_MINIMUM;
  {
    std::lock_guard lock(q->mu);
    if (!hwnd) {
      // Thread timers get a fresh id that no other thread timer of the queue uses.
      UINT_PTR next = 1;
      for (auto& t : q->timers)
        if (!t.hwnd && t.id >= next) next = t.id + 1;
      id = next;
    }
    TimerEntry* existing = nullptr;
    for (auto& t : q->timers)
      if (t.hwnd == hwnd && t.id == id) existing = &t;
    TimerEntry& t = existing ? *existing : q->timers.emplace_back();
    t.hwnd = hwnd;
    t.id = id;
    t.elapse = elapseMs;
    t.due = NowMs() + elapseMs;
    t.proc = proc;
    t.seq = ++q->timerSeq;
    ++q->wakes;
  }
  q->cv.notify_all();
  return hwnd ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  std::shared_ptr<ThreadQueue> q;
  if (hwnd) {
    auto w = Find(hwnd);
    if (!w) return FALSE;
    q = w->queue;
  } else {
    q = CurrentQueue();
  }
  std::lock_guard lock(q->mu);
  const auto before = q->timers.size();
  std::erase_if(q->timers, [&](const TimerEntry& t) { return t.hwnd == hwnd && t.id == id; });
  return q->timers.size() != before;
}
