#include <unistd.h>

#include <chrono>

#include "platform/base/clock.h"
#include "platform/window/handle_space.h"
#include "platform/window/nc_scroll.h"
#include "platform/window/window_internal.h"

namespace platform::win {
namespace {

struct Table {
  std::recursive_mutex mu;
  std::unordered_map<std::uint32_t, std::shared_ptr<Window>> windows;
  std::vector<HWND> topLevel;
  std::uint32_t nextHandle = 0;
  std::uint32_t blockEnd = 0;
  pid_t pid = 0;  // handles are reserved again after a fork
};

Table& T() {
  static Table* table = new Table;  // lives to the very end: thread exits may still look windows up
  return *table;
}

std::uint32_t Key(HWND h) { return HandleToDword(h); }

}  // namespace

std::recursive_mutex& TableLock() { return T().mu; }

std::shared_ptr<Window> FindLocked(HWND hwnd) {
  auto it = T().windows.find(Key(hwnd));
  if (it == T().windows.end() || reinterpret_cast<ULONG_PTR>(hwnd) > 0xFFFFFFFFu) return nullptr;
  return it->second;
}

std::shared_ptr<Window> Find(HWND hwnd) {
  if (!hwnd) return nullptr;
  std::lock_guard lock(T().mu);
  return FindLocked(hwnd);
}

void Insert(const std::shared_ptr<Window>& w) {
  std::lock_guard lock(T().mu);
  T().windows[Key(w->handle)] = w;
}

void Erase(HWND hwnd) {
  std::lock_guard lock(T().mu);
  T().windows.erase(Key(hwnd));
  auto& order = T().topLevel;
  std::erase(order, hwnd);
}

std::vector<HWND>& TopLevelOrder() { return T().topLevel; }

std::vector<std::shared_ptr<Window>> AllWindows() {
  std::lock_guard lock(T().mu);
  std::vector<std::shared_ptr<Window>> all;
  all.reserve(T().windows.size());
  for (auto& [key, w] : T().windows) all.push_back(w);
  return all;
}

HWND AllocateHandle() {
  std::lock_guard lock(T().mu);
  Table& t = T();
  const pid_t pid = ::getpid();
  for (;;) {
    if (t.pid != pid || t.nextHandle == 0 || t.nextHandle >= t.blockEnd) {
      t.nextHandle = ReserveHandleBlock();
      t.blockEnd = t.nextHandle + kHandleBlockSize;
      t.pid = pid;
    }
    const std::uint32_t value = t.nextHandle;
    t.nextHandle += 2;  // even values, the way window handles look
    // The desktop's fixed handle lies in the first block; a window given it would paint into
    // the screen's surface.
    if (value != 0 && value != HandleToDword(GetDesktopWindow()) && !t.windows.count(value))
      return DwordToHandle<HWND>(value);
  }
}

RECT FrameInsets(DWORD style, DWORD exStyle) {
  int frame = 0;
  int caption = 0;
  if ((style & WS_CAPTION) == WS_CAPTION) {
    frame = 3;
    caption = 20;
  } else if (style & WS_DLGFRAME) {
    frame = 3;
  } else if (style & WS_BORDER) {
    frame = 1;
  }
  if (style & WS_THICKFRAME) frame = 4;
  if (exStyle & WS_EX_DLGMODALFRAME) frame = frame < 3 ? 3 : frame;
  if (exStyle & WS_EX_CLIENTEDGE) frame += 2;
  if (exStyle & WS_EX_STATICEDGE) frame += 1;
  const SIZE bars = ScrollBarInsets(style);  // inside the frame and edges
  return RECT{frame, frame + caption, frame + bars.cx, frame + bars.cy};
}

POINT WindowOrigin(const Window& w) {
  POINT p{w.rect.left, w.rect.top};
  if ((w.style & WS_CHILD) && w.parent) {
    if (auto parent = FindLocked(w.parent)) {
      POINT o = ClientOrigin(*parent);
      p.x += o.x;
      p.y += o.y;
    }
  }
  return p;
}

POINT ClientOrigin(const Window& w) {
  POINT p = WindowOrigin(w);
  RECT in = FrameInsets(w.style, w.exStyle);
  return POINT{p.x + in.left, p.y + in.top};
}

RECT ClientRectOf(const Window& w) {
  RECT in = FrameInsets(w.style, w.exStyle);
  LONG cx = (w.rect.right - w.rect.left) - in.left - in.right;
  LONG cy = (w.rect.bottom - w.rect.top) - in.top - in.bottom;
  return RECT{0, 0, cx < 0 ? 0 : cx, cy < 0 ? 0 : cy};
}

std::uint64_t NowMs() { return platform::CurrentClock().NowMs(); }

std::uint64_t SteadyMs() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

RemoteHooks& Remote() {
  static RemoteHooks hooks;
  return hooks;
}

bool IsRemoteHandle(HWND hwnd) {
  if (!hwnd || Find(hwnd)) return false;
  return Remote().isWindow != nullptr;
}

bool CarriesPointer(UINT msg) {
  switch (msg) {
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_CREATE:
    case WM_NCCREATE:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED:
    case WM_GETMINMAXINFO:
    case WM_NCCALCSIZE:
    case WM_DROPFILES:
    case WM_INITDIALOG: return true;
    default: return false;
  }
}

}  // namespace platform::win
