// Internal state of the window system: the window table, windows and per-thread queues.
// Only the window system's own sources include this header.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/window/messages.h"
#include "platform/window/scroll_bars.h"
#include "platform/window/timers.h"
#include "platform/window/window.h"

namespace platform::win {

struct ThreadQueue;

struct WindowClass {
  std::string name;
  WNDCLASS wc{};
  bool system = false;
};

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> cls;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;  // child windows
  HWND owner = nullptr;   // top-level windows
  LONG_PTR id = 0;
  LONG_PTR userData = 0;
  HINSTANCE instance = nullptr;
  HMENU menu = nullptr;
  std::map<int, LONG_PTR> extra;  // cbWndExtra slots by byte offset (dialog slots among them)
  std::map<std::string, HANDLE> props;
  std::vector<HWND> children;  // z-order, topmost first
  RECT rect{};                 // window rectangle in the parent's client coordinates (screen for top-level)
  std::string text;
  std::shared_ptr<ThreadQueue> queue;
  HRGN region = nullptr;
  bool invalid = false;
  bool erase = false;
  RECT update{};  // client coordinates
  bool destroying = false;
  bool created = false;
  bool hasRestore = false;
  RECT restore{};                                     // placement before minimize or maximize
  SCROLLINFO bars[2] = {DefaultBar(), DefaultBar()};  // own SB_HORZ and SB_VERT bars
  bool barKept[2] = {false, false};                   // shown disabled (SIF_DISABLENOSCROLL)
  int trackingBar = -1;                               // bar whose thumb is being dragged

  static SCROLLINFO DefaultBar() {
    SCROLLINFO s;
    s.nMax = 100;
    return s;
  }
};

struct SentItem {
  HWND hwnd = nullptr;
  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT result = 0;
  std::atomic<bool> done{false};
  bool replied = false;
  std::shared_ptr<ThreadQueue> sender;  // null for notify messages and remote senders
  std::function<void(LRESULT)> onDone;  // remote senders get the answer through this
};

struct TimerEntry {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT elapse = 0;
  std::uint64_t due = 0;
  TIMERPROC proc = nullptr;
  std::uint64_t seq = 0;
};

struct ThreadQueue {
  DWORD threadId = 0;
  std::mutex mu;
  std::condition_variable cv;
  struct Posted {
    MSG msg;
    bool droppable = false;  // a report a later one replaces (PostDroppableMessage)
  };
  std::deque<Posted> posted;
  std::uint64_t dropped = 0;
  std::deque<MSG> input;
  std::deque<std::shared_ptr<SentItem>> incoming;
  std::vector<TimerEntry> timers;
  std::uint64_t timerSeq = 0;
  bool quit = false;
  int quitCode = 0;
  bool alive = true;
  std::uint64_t wakes = 0;
  std::vector<std::shared_ptr<SentItem>> handling;  // sent messages being answered, innermost last
  MSG last{};

  void Wake();
};

// The queue of the calling thread, made on first use.
std::shared_ptr<ThreadQueue> CurrentQueue();

// Global lock over the table, the tree and the classes. Never held while a procedure runs.
std::recursive_mutex& TableLock();
std::shared_ptr<Window> Find(HWND hwnd);  // null for unknown and destroyed windows
std::shared_ptr<Window> FindLocked(HWND hwnd);
void Insert(const std::shared_ptr<Window>& w);
void Erase(HWND hwnd);
std::vector<HWND>& TopLevelOrder();  // topmost first; under TableLock
// Puts TopLevelOrder back into the order Windows keeps (topmost band first, owned windows above
// their owners) after a change to it; under TableLock.
void KeepStackingRules();
std::vector<std::shared_ptr<Window>> AllWindows();

HWND AllocateHandle();
std::shared_ptr<WindowClass> FindClass(const std::string& name);

// Non-client insets of a style (left, top, right, bottom), own scroll bars included.
RECT FrameInsets(DWORD style, DWORD exStyle);
// Screen position of a window's top-left corner and of its client area's top-left corner.
POINT WindowOrigin(const Window& w);
POINT ClientOrigin(const Window& w);
RECT ClientRectOf(const Window& w);  // client rect in client coordinates

std::uint64_t NowMs();

// Handles incoming sent messages of the calling thread; returns whether any was handled.
bool HandleIncomingSent(const std::shared_ptr<ThreadQueue>& q);
// Waits until done() or the deadline (real-time ms since the steady epoch; 0 = none), answering
// sent messages meanwhile. Returns whether done() became true.
bool WaitAnsweringSent(const std::shared_ptr<ThreadQueue>& q, const std::function<bool()>& done,
                       std::uint64_t deadlineSteadyMs);
std::uint64_t SteadyMs();

// Called while destroying a window so the input, timer and paint state forget it.
void ForgetInputState(HWND hwnd);
// Moves focus, capture and activation away from a window tree that is going away.
void DetachFocusFrom(HWND hwnd);
void ForgetTimers(const std::shared_ptr<ThreadQueue>& q, HWND hwnd);

// Next WM_PAINT candidate of the queue's windows, matching the filter window.
HWND FindWindowToPaint(const std::shared_ptr<ThreadQueue>& q, HWND filter);

// Input routing hooks of retrieval: a mouse message's window where the capture has gone since it
// was queued, key state and WM_SETCURSOR.
void OnInputRetrieved(MSG& msg);
// The screen point of the last mouse message this thread read; false before the first.
bool LastMouseInputPoint(POINT* at);

// Process-wide hooks set by the cross-process transport; null until it starts.
struct RemoteHooks {
  BOOL (*post)(HWND, UINT, WPARAM, LPARAM) = nullptr;
  BOOL (*postPayload)(HWND, UINT, WPARAM, const void*, std::size_t) = nullptr;
  bool (*send)(HWND, UINT, WPARAM, LPARAM, UINT timeoutMs, LRESULT* result) = nullptr;
  BOOL (*isWindow)(HWND) = nullptr;
  HWND (*findWindow)(LPCSTR cls, LPCSTR title) = nullptr;
  BOOL (*setForeground)(HWND) = nullptr;
  DWORD (*processOf)(HWND) = nullptr;
  int (*getText)(HWND, std::string*) = nullptr;
  void (*topLevelChanged)() = nullptr;
};
RemoteHooks& Remote();
bool IsRemoteHandle(HWND hwnd);

// Whether the message carries a pointer or handle that means nothing in another process.
bool CarriesPointer(UINT msg);

}  // namespace platform::win
