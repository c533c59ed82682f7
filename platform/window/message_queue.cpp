#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "platform/window/focus.h"
#include "platform/window/key_chars.h"
#include "platform/window/paint.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window_internal.h"
#include "platform/window/window_surface.h"

using namespace platform::win;

namespace platform::win {
namespace {

struct QueueDirectory {
  std::mutex mu;
  std::unordered_map<DWORD, std::weak_ptr<ThreadQueue>> byThread;
};

QueueDirectory& Queues() {
  static QueueDirectory* d = new QueueDirectory;
  return *d;
}

// A thread's end takes its windows and unanswered messages with it, the way a Win32 thread's
// windows die with the thread; senders waiting on it get 0 instead of hanging.
void ThreadEnded(const std::shared_ptr<ThreadQueue>& q) {
  std::deque<std::shared_ptr<SentItem>> pending;
  {
    std::lock_guard lock(q->mu);
    q->alive = false;
    pending.swap(q->incoming);
    q->posted.clear();
    q->input.clear();
    q->timers.clear();
  }
  for (auto& item : pending) {
    item->result = 0;
    item->done = true;
    if (item->sender) item->sender->Wake();
    if (item->onDone) item->onDone(0);
  }
  bool topLevelGone = false;
  for (auto& w : AllWindows()) {
    if (w->queue != q) continue;
    topLevelGone |= !(w->style & WS_CHILD);
    ForgetInputState(w->handle);
    std::lock_guard lock(TableLock());
    if (w->parent && (w->style & WS_CHILD))
      if (auto p = FindLocked(w->parent)) std::erase(p->children, w->handle);
    Erase(w->handle);
  }
  if (topLevelGone && Remote().topLevelChanged) Remote().topLevelChanged();
  std::lock_guard lock(Queues().mu);
  Queues().byThread.erase(q->threadId);
}

struct QueueHolder {
  std::shared_ptr<ThreadQueue> queue;
  ~QueueHolder() {
    if (queue) ThreadEnded(queue);
  }
};

thread_local QueueHolder t_queue;

bool MatchesFilter(const MSG& m, HWND hwnd, UINT lo, UINT hi) {
  if (lo || hi) {
    if (m.message < lo || m.message > hi) return false;
  }
  if (!hwnd) return true;
  if (hwnd == reinterpret_cast<HWND>(-1)) return m.hwnd == nullptr;
  return m.hwnd == hwnd || IsChild(hwnd, m.hwnd);
}

bool RangeIncludes(UINT msg, UINT lo, UINT hi) { return (!lo && !hi) || (msg >= lo && msg <= hi); }

DWORD MessagePos() {
  POINT p{};
  GetCursorPos(&p);
  return static_cast<DWORD>(MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}

MSG MakeMsg(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  MSG m;
  m.hwnd = hwnd;
  m.message = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = static_cast<DWORD>(NowMs());
  GetCursorPos(&m.pt);
  return m;
}

bool PostTo(const std::shared_ptr<ThreadQueue>& q, const MSG& m, bool droppable = false) {
  {
    std::lock_guard lock(q->mu);
    if (!q->alive) return false;
    if (q->posted.size() >= kMaxPostedMessages) {
      // A receiver that falls behind loses stale reports, never anything else.
      auto oldest = std::find_if(q->posted.begin(), q->posted.end(), [](const auto& p) { return p.droppable; });
      if (oldest == q->posted.end()) return false;
      if (q->dropped++ % 1000 == 0)
        std::fprintf(stderr, "message queue of thread %u full: dropped message 0x%04X (%llu dropped so far)\n",
                     q->threadId, oldest->msg.message, static_cast<unsigned long long>(q->dropped));
      q->posted.erase(oldest);
    }
    q->posted.push_back({m, droppable});
    ++q->wakes;
  }
  q->cv.notify_all();
  return true;
}

// One attempt to take a message; sent messages are answered along the way.
bool TakeMessage(const std::shared_ptr<ThreadQueue>& q, MSG* out, HWND hwnd, UINT lo, UINT hi, bool remove) {
  HandleIncomingSent(q);
  {
    std::unique_lock lock(q->mu);
    for (auto it = q->posted.begin(); it != q->posted.end(); ++it) {
      if (!MatchesFilter(it->msg, hwnd, lo, hi)) continue;
      *out = it->msg;
      if (remove) q->posted.erase(it);
      return true;
    }
    if (q->quit) {
      *out = MakeMsg(nullptr, WM_QUIT, static_cast<WPARAM>(q->quitCode), 0);
      if (remove) q->quit = false;
      return true;
    }
    for (auto it = q->input.begin(); it != q->input.end(); ++it) {
      if (!MatchesFilter(*it, hwnd, lo, hi)) continue;
      *out = *it;
      if (remove) {
        q->input.erase(it);
        lock.unlock();
        OnInputRetrieved(*out);
      }
      return true;
    }
  }
  if (RangeIncludes(WM_PAINT, lo, hi)) {
    if (HWND h = FindWindowToPaint(q, hwnd == reinterpret_cast<HWND>(-1) ? nullptr : hwnd)) {
      *out = MakeMsg(h, WM_PAINT, 0, 0);
      return true;
    }
  }
  if (RangeIncludes(WM_TIMER, lo, hi)) {
    std::lock_guard lock(q->mu);
    const std::uint64_t now = NowMs();
    TimerEntry* best = nullptr;
    for (auto& t : q->timers) {
      if (t.due > now) continue;
      if (hwnd && hwnd != reinterpret_cast<HWND>(-1) && t.hwnd != hwnd && !IsChild(hwnd, t.hwnd)) continue;
      if (!best || t.due < best->due || (t.due == best->due && t.seq < best->seq)) best = &t;
    }
    if (best) {
      *out = MakeMsg(best->hwnd, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc));
      if (remove) {
        best->due = now + best->elapse;
        best->seq = ++q->timerSeq;  // equal due times keep firing in turn
      }
      return true;
    }
  }
  return false;
}

// Real milliseconds to wait before the next timer could be due; -1 for none.
long WaitBudget(const std::shared_ptr<ThreadQueue>& q) {
  std::lock_guard lock(q->mu);
  if (q->timers.empty()) return -1;
  const std::uint64_t now = NowMs();
  std::uint64_t next = UINT64_MAX;
  for (auto& t : q->timers) next = std::min(next, t.due);
  if (next <= now) return 0;
  // A test's clock moves in jumps; look again now and then instead of trusting real time.
  return static_cast<long>(std::min<std::uint64_t>(next - now, 20));
}

bool Retrieve(MSG* out, HWND hwnd, UINT lo, UINT hi, bool remove, bool wait) {
  auto q = CurrentQueue();
  for (;;) {
    std::uint64_t seen;
    {
      std::lock_guard lock(q->mu);
      seen = q->wakes;
    }
    if (TakeMessage(q, out, hwnd, lo, hi, remove)) {
      q->last = *out;
      return true;
    }
    if (!wait) return false;
    platform::PresentIfChanged();
    const long budget = WaitBudget(q);
    std::unique_lock lock(q->mu);
    auto changed = [&] { return q->wakes != seen; };
    if (budget < 0) {
      q->cv.wait(lock, changed);
    } else if (budget > 0) {
      q->cv.wait_for(lock, std::chrono::milliseconds(budget), changed);
    }
  }
}

DWORD ThreadIdNow() { return static_cast<DWORD>(::syscall(SYS_gettid)); }

}  // namespace

void ThreadQueue::Wake() {
  {
    std::lock_guard lock(mu);
    ++wakes;
  }
  cv.notify_all();
}

std::shared_ptr<ThreadQueue> CurrentQueue() {
  if (!t_queue.queue) {
    auto q = std::make_shared<ThreadQueue>();
    q->threadId = ThreadIdNow();
    t_queue.queue = q;
    std::lock_guard lock(Queues().mu);
    Queues().byThread[q->threadId] = q;
  }
  return t_queue.queue;
}

bool HandleIncomingSent(const std::shared_ptr<ThreadQueue>& q) {
  bool any = false;
  for (;;) {
    std::shared_ptr<SentItem> item;
    {
      std::lock_guard lock(q->mu);
      if (q->incoming.empty()) return any;
      item = q->incoming.front();
      q->incoming.pop_front();
      q->handling.push_back(item);
    }
    any = true;
    LRESULT result = 0;
    WNDPROC proc = nullptr;
    if (auto w = Find(item->hwnd)) proc = w->proc;
    if (proc) result = proc(item->hwnd, item->msg, item->wParam, item->lParam);
    {
      std::lock_guard lock(q->mu);
      q->handling.pop_back();
    }
    if (!item->replied) {
      item->replied = true;
      item->result = result;
      item->done = true;
      if (item->sender) item->sender->Wake();
      if (item->onDone) item->onDone(result);
    }
  }
}

bool WaitAnsweringSent(const std::shared_ptr<ThreadQueue>& q, const std::function<bool()>& done,
                       std::uint64_t deadline) {
  for (;;) {
    HandleIncomingSent(q);
    if (done()) return true;
    std::unique_lock lock(q->mu);
    auto ready = [&] { return !q->incoming.empty() || done(); };
    if (deadline == 0) {
      q->cv.wait(lock, ready);
    } else {
      const std::uint64_t now = SteadyMs();
      if (now >= deadline) return done();
      q->cv.wait_for(lock, std::chrono::milliseconds(deadline - now), ready);
    }
  }
}

// Sends to a window of another thread of this process; false when it did not answer in time.
bool SendAcrossThreads(const std::shared_ptr<Window>& w, UINT msg, WPARAM wParam, LPARAM lParam, std::uint64_t deadline,
                       LRESULT* result) {
  auto me = CurrentQueue();
  auto item = std::make_shared<SentItem>();
  item->hwnd = w->handle;
  item->msg = msg;
  item->wParam = wParam;
  item->lParam = lParam;
  item->sender = me;
  {
    std::lock_guard lock(w->queue->mu);
    if (!w->queue->alive) return false;
    w->queue->incoming.push_back(item);
    ++w->queue->wakes;
  }
  w->queue->cv.notify_all();
  if (!WaitAnsweringSent(
          me, [&] { return item->done.load(); }, deadline)) {
    // Nobody waits for it any more: a hung receiver must not wake up to a pile of stale sends.
    std::lock_guard lock(w->queue->mu);
    std::erase(w->queue->incoming, item);
    return false;
  }
  *result = item->result;
  return true;
}

}  // namespace platform::win

namespace {

bool SendImpl(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, std::uint64_t timeoutMs, LRESULT* result) {
  *result = 0;
  auto w = Find(hwnd);
  if (!w) {
    if (!hwnd || !Remote().send || CarriesPointer(msg)) return false;
    return Remote().send(hwnd, msg, wParam, lParam,
                         static_cast<UINT>(timeoutMs ? timeoutMs : platform::RemoteSendTimeoutMs()), result);
  }
  if (w->queue == CurrentQueue()) {
    *result = CallWindowProc(w->proc, hwnd, msg, wParam, lParam);
    return true;
  }
  const std::uint64_t deadline = timeoutMs ? SteadyMs() + timeoutMs : 0;
  return SendAcrossThreads(w, msg, wParam, lParam, deadline, result);
}

std::vector<HWND> TopLevelSnapshot() {
  std::lock_guard lock(TableLock());
  return TopLevelOrder();
}

}  // namespace

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    for (HWND h : TopLevelSnapshot()) SendMessage(h, msg, wParam, lParam);
    return 0;
  }
  LRESULT r = 0;
  SendImpl(hwnd, msg, wParam, lParam, 0, &r);
  return r;
}

LRESULT SendMessageTimeout(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT, UINT timeoutMs, DWORD_PTR* result) {
  LRESULT r = 0;
  if (!SendImpl(hwnd, msg, wParam, lParam, timeoutMs ? timeoutMs : 1, &r)) return 0;
  if (result) *result = static_cast<DWORD_PTR>(r);
  return 1;
}

BOOL SendNotifyMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto w = Find(hwnd);
  if (!w) return PostMessage(hwnd, msg, wParam, lParam);
  if (w->queue == CurrentQueue()) {
    CallWindowProc(w->proc, hwnd, msg, wParam, lParam);
    return TRUE;
  }
  auto item = std::make_shared<SentItem>();
  item->hwnd = hwnd;
  item->msg = msg;
  item->wParam = wParam;
  item->lParam = lParam;
  {
    std::lock_guard lock(w->queue->mu);
    if (!w->queue->alive) return FALSE;
    w->queue->incoming.push_back(item);
    ++w->queue->wakes;
  }
  w->queue->cv.notify_all();
  return TRUE;
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!hwnd) return PostThreadMessage(GetCurrentThreadId(), msg, wParam, lParam);
  if (hwnd == HWND_BROADCAST) {
    for (HWND h : TopLevelSnapshot()) PostMessage(h, msg, wParam, lParam);
    return TRUE;
  }
  auto w = Find(hwnd);
  if (!w) {
    if (!Remote().post || CarriesPointer(msg)) return FALSE;
    return Remote().post(hwnd, msg, wParam, lParam);
  }
  return PostTo(w->queue, MakeMsg(hwnd, msg, wParam, lParam)) ? TRUE : FALSE;
}

BOOL PostDroppableMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto w = hwnd && hwnd != HWND_BROADCAST ? Find(hwnd) : nullptr;
  // Elsewhere (another process, a thread's queue, every window) it travels as a plain post.
  if (!w) return PostMessage(hwnd, msg, wParam, lParam);
  return PostTo(w->queue, MakeMsg(hwnd, msg, wParam, lParam), true) ? TRUE : FALSE;
}

BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<ThreadQueue> q;
  {
    std::lock_guard lock(Queues().mu);
    auto it = Queues().byThread.find(threadId);
    if (it != Queues().byThread.end()) q = it->second.lock();
  }
  if (!q) return FALSE;
  return PostTo(q, MakeMsg(nullptr, msg, wParam, lParam)) ? TRUE : FALSE;
}

void PostQuitMessage(int exitCode) {
  auto q = CurrentQueue();
  {
    std::lock_guard lock(q->mu);
    q->quit = true;
    q->quitCode = exitCode;
    ++q->wakes;
  }
  q->cv.notify_all();
}

BOOL InSendMessage() {
  auto q = CurrentQueue();
  std::lock_guard lock(q->mu);
  return q->handling.empty() ? FALSE : TRUE;
}

BOOL ReplyMessage(LRESULT result) {
  auto q = CurrentQueue();
  std::shared_ptr<SentItem> item;
  {
    std::lock_guard lock(q->mu);
    if (q->handling.empty()) return FALSE;
    item = q->handling.back();
  }
  if (item->replied) return FALSE;
  item->replied = true;
  item->result = result;
  item->done = true;
  if (item->sender) item->sender->Wake();
  if (item->onDone) item->onDone(result);
  return TRUE;
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT lo, UINT hi) {
  if (!msg) return -1;
  if (hwnd && hwnd != reinterpret_cast<HWND>(-1) && !Find(hwnd)) return -1;
  Retrieve(msg, hwnd, lo, hi, true, true);
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT lo, UINT hi, UINT flags) {
  if (!msg) return FALSE;
  return Retrieve(msg, hwnd, lo, hi, (flags & PM_REMOVE) != 0, false) ? TRUE : FALSE;
}

BOOL WaitMessage() {
  auto q = CurrentQueue();
  MSG m;
  for (;;) {
    std::uint64_t seen;
    {
      std::lock_guard lock(q->mu);
      seen = q->wakes;
    }
    if (TakeMessage(q, &m, nullptr, 0, 0, false)) return TRUE;
    const long budget = WaitBudget(q);
    std::unique_lock lock(q->mu);
    auto changed = [&] { return q->wakes != seen; };
    if (budget < 0) q->cv.wait(lock, changed);
    else if (budget > 0) q->cv.wait_for(lock, std::chrono::milliseconds(budget), changed);
  }
}

DWORD GetQueueStatus(UINT flags) {
  auto q = CurrentQueue();
  DWORD status = 0;
  {
    std::lock_guard lock(q->mu);
    if (!q->posted.empty() || q->quit) status |= QS_POSTMESSAGE;
    if (!q->incoming.empty()) status |= QS_SENDMESSAGE;
    for (auto& m : q->input) {
      if (m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST) status |= QS_KEY;
      else if (m.message == WM_MOUSEMOVE) status |= QS_MOUSEMOVE;
      else status |= QS_MOUSEBUTTON;
    }
    const std::uint64_t now = NowMs();
    for (auto& t : q->timers)
      if (t.due <= now) status |= QS_TIMER;
  }
  if (FindWindowToPaint(q, nullptr)) status |= QS_PAINT;
  return status & flags;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || msg->message != WM_KEYDOWN) return FALSE;
  // Alt makes menu keys, not characters.
  if (GetKeyState(VK_MENU) & 0x8000) return FALSE;
  KeyModifiers mods;
  mods.shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
  mods.capsLock = (GetKeyState(VK_CAPITAL) & 1) != 0;
  mods.control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  const char ch = CharForKey(static_cast<int>(msg->wParam), mods);
  if (!ch) return FALSE;
  auto q = CurrentQueue();
  MSG c = *msg;
  c.message = WM_CHAR;
  c.wParam = static_cast<WPARAM>(static_cast<unsigned char>(ch));
  {
    std::lock_guard lock(q->mu);
    q->input.push_front(c);  // the character comes right after its key, ahead of later input
    ++q->wakes;
  }
  return TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, static_cast<UINT_PTR>(msg->wParam),
                                             static_cast<DWORD>(NowMs()));
    return 0;
  }
  if (!msg->hwnd) return 0;
  auto w = Find(msg->hwnd);
  if (!w) return 0;
  LRESULT r = CallWindowProc(w->proc, msg->hwnd, msg->message, msg->wParam, msg->lParam);
  if (msg->message == WM_PAINT && IsWindow(msg->hwnd)) {
    // A handler that paints without BeginPaint would otherwise be asked to paint forever.
    RECT any{};
    if (GetUpdateRect(msg->hwnd, &any, FALSE)) ValidateRect(msg->hwnd, nullptr);
  }
  return r;
}

DWORD GetMessageTime() { return CurrentQueue()->last.time; }

DWORD GetMessagePos() { return MessagePos(); }

UINT RegisterWindowMessage(LPCSTR name) {
  if (!name || !*name) return 0;
  // Derived from the name alone, so every process of the suite agrees on the number.
  std::uint32_t h = 2166136261u;
  for (const char* p = name; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
    h ^= c;
    h *= 16777619u;
  }
  return 0xC000 + (h % 0x3FFF);
}

UINT RegisterClipboardFormat(LPCSTR name) { return RegisterWindowMessage(name); }
