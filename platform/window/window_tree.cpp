#include <cstring>

#include "platform/base/strings.h"
#include "platform/window/window_internal.h"

using namespace platform::win;

namespace {

// A fixed handle for the desktop; it is not in the table, so messages to it go nowhere.
HWND DesktopHandle() { return DwordToHandle<HWND>(0x00010010); }

bool Matches(const Window& w, LPCSTR className, LPCSTR windowName) {
  if (className && !platform::EqualsNoCase(w.cls->name, className)) return false;
  if (windowName && w.text != windowName) return false;
  return true;
}

}  // namespace

HWND GetDesktopWindow() { return DesktopHandle(); }

HWND GetParent(HWND hwnd) {
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w) return nullptr;
  return (w->style & WS_CHILD) ? w->parent : w->owner;
}

HWND SetParent(HWND child, HWND newParent) {
  std::lock_guard lock(TableLock());
  auto w = FindLocked(child);
  if (!w) return nullptr;
  if (newParent && !FindLocked(newParent)) return nullptr;
  for (HWND p = newParent; p; p = GetParent(p))
    if (p == child) return nullptr;  // no cycles
  HWND old = (w->style & WS_CHILD) ? w->parent : nullptr;
  if (old) {
    if (auto op = FindLocked(old)) std::erase(op->children, child);
  } else {
    std::erase(TopLevelOrder(), child);
  }
  if (newParent) {
    w->parent = newParent;
    w->style |= WS_CHILD;
    w->style &= ~WS_POPUP;
    FindLocked(newParent)->children.insert(FindLocked(newParent)->children.begin(), child);
  } else {
    w->parent = nullptr;
    w->style &= ~WS_CHILD;
    TopLevelOrder().insert(TopLevelOrder().begin(), child);
    KeepStackingRules();
  }
  return old ? old : DesktopHandle();
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w) return nullptr;
  switch (flags) {
    case GA_PARENT: return (w->style & WS_CHILD) ? w->parent : DesktopHandle();
    case GA_ROOT: {
      while ((w->style & WS_CHILD) && w->parent) w = FindLocked(w->parent);
      return w->handle;
    }
    case GA_ROOTOWNER: {
      while ((w->style & WS_CHILD) && w->parent) w = FindLocked(w->parent);
      while (w->owner) {
        auto o = FindLocked(w->owner);
        if (!o) break;
        w = o;
      }
      return w->handle;
    }
    default: return nullptr;
  }
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w) return nullptr;
  if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  if (cmd == GW_OWNER) return (w->style & WS_CHILD) ? nullptr : w->owner;
  const std::vector<HWND>* siblings = &TopLevelOrder();
  if ((w->style & WS_CHILD) && w->parent) {
    auto p = FindLocked(w->parent);
    if (!p) return nullptr;
    siblings = &p->children;
  }
  if (siblings->empty()) return nullptr;
  auto it = std::find(siblings->begin(), siblings->end(), hwnd);
  switch (cmd) {
    case GW_HWNDFIRST: return siblings->front();
    case GW_HWNDLAST: return siblings->back();
    case GW_HWNDNEXT: return (it == siblings->end() || it + 1 == siblings->end()) ? nullptr : *(it + 1);
    case GW_HWNDPREV: return (it == siblings->end() || it == siblings->begin()) ? nullptr : *(it - 1);
    default: return nullptr;
  }
}

HWND GetTopWindow(HWND hwnd) {
  if (!hwnd) {
    std::lock_guard lock(TableLock());
    return TopLevelOrder().empty() ? nullptr : TopLevelOrder().front();
  }
  return GetWindow(hwnd, GW_CHILD);
}

BOOL IsChild(HWND parent, HWND hwnd) {
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  while (w && (w->style & WS_CHILD) && w->parent) {
    if (w->parent == parent) return TRUE;
    w = FindLocked(w->parent);
  }
  return FALSE;
}

HWND GetDlgItem(HWND dialog, int id) {
  std::lock_guard lock(TableLock());
  auto w = FindLocked(dialog);
  if (!w) return nullptr;
  for (HWND c : w->children) {
    auto cw = FindLocked(c);
    if (cw && static_cast<int>(cw->id) == id) return c;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w || !(w->style & WS_CHILD)) return 0;
  return static_cast<int>(w->id);
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
  if (!proc) return FALSE;
  std::vector<HWND> all;
  std::function<void(HWND)> collect = [&](HWND h) {
    std::vector<HWND> children;
    {
      std::lock_guard lock(TableLock());
      if (auto w = FindLocked(h)) children = w->children;
    }
    for (HWND c : children) {
      all.push_back(c);
      collect(c);
    }
  };
  collect(parent);
  for (HWND c : all)
    if (IsWindow(c) && !proc(c, lParam)) break;
  return TRUE;
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
  if (!proc) return FALSE;
  std::vector<HWND> order;
  {
    std::lock_guard lock(TableLock());
    order = TopLevelOrder();
  }
  for (HWND h : order)
    if (IsWindow(h) && !proc(h, lParam)) return FALSE;
  return TRUE;
}

HWND FindWindowEx(HWND parent, HWND childAfter, LPCSTR className, LPCSTR windowName) {
  std::lock_guard lock(TableLock());
  std::vector<HWND> list;
  if (parent) {
    auto p = FindLocked(parent);
    if (!p) return nullptr;
    list = p->children;
  } else {
    list = TopLevelOrder();
  }
  bool started = childAfter == nullptr;
  for (HWND h : list) {
    if (!started) {
      started = h == childAfter;
      continue;
    }
    auto w = FindLocked(h);
    if (w && !w->destroying && Matches(*w, className, windowName)) return h;
  }
  return nullptr;
}

HWND FindWindow(LPCSTR className, LPCSTR windowName) {
  if (HWND local = FindWindowEx(nullptr, nullptr, className, windowName)) return local;
  if (Remote().findWindow) return Remote().findWindow(className, windowName);
  return nullptr;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
  auto w = Find(hwnd);
  if (!w) {
    DWORD pid = Remote().processOf ? Remote().processOf(hwnd) : 0;
    if (processId) *processId = pid;
    return pid ? 1 : 0;
  }
  if (processId) *processId = GetCurrentProcessId();
  return w->queue->threadId;
}

BOOL SetWindowText(HWND hwnd, LPCSTR text) {
  if (!Find(hwnd)) return FALSE;
  if (text && std::strlen(text) > kMaxWindowText) return FALSE;
  return static_cast<BOOL>(SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")));
}

int GetWindowText(HWND hwnd, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  if (Find(hwnd))
    return static_cast<int>(SendMessage(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
  std::string remote;
  if (!Remote().getText || !Remote().getText(hwnd, &remote)) return 0;
  return platform::CopyToBuffer(remote, buffer, size);
}

int GetWindowTextLength(HWND hwnd) {
  if (!Find(hwnd)) return 0;
  return static_cast<int>(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0));
}
