#include "platform/window/focus.h"

#include "platform/window/input_state.h"
#include "platform/window/window_internal.h"
#include "platform/window/window_surface.h"

using namespace platform::win;

namespace platform::win {

InputState& Input() {
  static InputState* state = new InputState;
  return *state;
}

namespace {

bool InTree(HWND root, HWND h) { return h && (h == root || IsChild(root, h)); }

bool HitsWindow(const Window& w, POINT screen) {
  POINT o = WindowOrigin(w);
  RECT r{o.x, o.y, o.x + (w.rect.right - w.rect.left), o.y + (w.rect.bottom - w.rect.top)};
  if (!PtInRect(&r, screen)) return false;
  if (w.region)
    if (auto* provider = platform::GetWindowSurfaceProvider())
      return provider->RegionContains(w.region, screen.x - o.x, screen.y - o.y);
  return true;
}

// Focus, activation and capture notices to another thread's window do not wait for it: that
// thread may be busy (sleeping before its own dialog), and waiting would lock both up.
void Tell(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto w = Find(hwnd);
  if (!w) return;
  if (w->queue == CurrentQueue()) SendMessage(hwnd, msg, wParam, lParam);
  else SendNotifyMessage(hwnd, msg, wParam, lParam);
}

bool Skipped(const std::vector<HWND>& skip, HWND h) { return std::find(skip.begin(), skip.end(), h) != skip.end(); }

// The deepest window under the point, or null when the one found there is to be skipped.
HWND Descend(const std::shared_ptr<Window>& w, POINT screen, const std::vector<HWND>& skip) {
  for (HWND c : w->children) {
    auto cw = FindLocked(c);
    if (!cw || !(cw->style & WS_VISIBLE) || (cw->style & WS_DISABLED) || (cw->exStyle & WS_EX_TRANSPARENT)) continue;
    if (!HitsWindow(*cw, screen)) continue;
    if (HWND found = Descend(cw, screen, skip)) return found;
  }
  return Skipped(skip, w->handle) ? nullptr : w->handle;
}

// The visible, enabled window the owner's dialogs end in, highest first; tips and other tool
// windows never take the activation.
HWND EnabledPopupOf(HWND owner) {
  std::lock_guard lock(TableLock());
  const size_t bound = TopLevelOrder().size();
  for (HWND h : TopLevelOrder()) {
    auto w = FindLocked(h);
    if (!w || h == owner || w->destroying || !(w->style & WS_VISIBLE) || (w->style & WS_DISABLED) ||
        (w->exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST)))
      continue;
    std::shared_ptr<Window> up = w;
    for (size_t steps = 0; up && up->owner && steps < bound; ++steps) {
      if (up->owner == owner) return h;
      up = FindLocked(up->owner);
    }
  }
  return nullptr;
}

}  // namespace

HWND MouseTarget(POINT screen, const std::vector<HWND>& skip) {
  std::lock_guard lock(TableLock());
  for (HWND h : TopLevelOrder()) {
    auto w = FindLocked(h);
    if (!w || !(w->style & WS_VISIBLE) || !HitsWindow(*w, screen)) continue;
    if (w->style & WS_DISABLED) return nullptr;
    if (HWND found = Descend(w, screen, skip)) return found;
  }
  return nullptr;
}

void ForgetInputState(HWND hwnd) {
  auto& s = Input();
  std::lock_guard lock(s.mu);
  if (s.focus == hwnd) s.focus = nullptr;
  if (s.active == hwnd) s.active = nullptr;
  if (s.capture == hwnd) s.capture = nullptr;
  if (s.leaveTrack == hwnd) s.leaveTrack = nullptr;
}

void DetachFocusFrom(HWND hwnd) {
  auto& s = Input();
  HWND capture;
  HWND focus;
  HWND active;
  {
    std::lock_guard lock(s.mu);
    capture = s.capture;
    focus = s.focus;
    active = s.active;
  }
  if (InTree(hwnd, capture)) ReleaseCapture();
  if (InTree(hwnd, focus)) {
    {
      std::lock_guard lock(s.mu);
      s.focus = nullptr;
    }
    Tell(focus, WM_KILLFOCUS, 0, 0);
  }
  if (active == hwnd) {
    {
      std::lock_guard lock(s.mu);
      s.active = nullptr;
    }
    Tell(hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
    // Activation passes to the owner, else to the next visible, enabled top-level window.
    HWND next = nullptr;
    HWND owner = GetWindow(hwnd, GW_OWNER);
    if (owner && IsWindowVisible(owner) && IsWindowEnabled(owner)) {
      next = owner;
    } else {
      std::lock_guard lock(TableLock());
      for (HWND h : TopLevelOrder()) {
        auto w = FindLocked(h);
        if (h != hwnd && w && !w->destroying && (w->style & WS_VISIBLE) && !(w->style & WS_DISABLED) &&
            w->queue == CurrentQueue()) {
          next = h;
          break;
        }
      }
    }
    if (next) SetActiveWindow(next);
  }
}

}  // namespace platform::win

HWND SetFocus(HWND hwnd) {
  auto& s = Input();
  if (hwnd) {
    auto w = Find(hwnd);
    if (!w || w->destroying || (w->style & WS_DISABLED)) return nullptr;
    HWND root = GetAncestor(hwnd, GA_ROOT);
    if (GetActiveWindow() != root) SetActiveWindow(root);
  }
  HWND old;
  {
    std::lock_guard lock(s.mu);
    old = s.focus;
    if (old == hwnd) return old;
    s.focus = hwnd;
  }
  if (old && IsWindow(old)) Tell(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (hwnd && GetFocus() == hwnd) Tell(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetFocus() {
  std::lock_guard lock(Input().mu);
  return Input().focus;
}

HWND SetActiveWindow(HWND hwnd) {
  auto& s = Input();
  if (hwnd) {
    auto w = Find(hwnd);
    if (!w || w->destroying) return nullptr;
    hwnd = GetAncestor(hwnd, GA_ROOT);
  }
  HWND old;
  {
    std::lock_guard lock(s.mu);
    old = s.active;
    if (old == hwnd) return old;
    s.active = hwnd;
  }
  if (hwnd) {
    std::lock_guard lock(TableLock());
    auto& order = TopLevelOrder();
    std::erase(order, hwnd);
    order.insert(order.begin(), hwnd);
    KeepStackingRules();
  }
  if (old && IsWindow(old)) {
    Tell(old, WM_NCACTIVATE, FALSE, 0);
    Tell(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(hwnd));
  }
  if (hwnd && GetActiveWindow() == hwnd) {
    Tell(hwnd, WM_NCACTIVATE, TRUE, 0);
    Tell(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, IsIconic(hwnd) ? 1 : 0), reinterpret_cast<LPARAM>(old));
  }
  return old;
}

HWND GetActiveWindow() {
  std::lock_guard lock(Input().mu);
  return Input().active;
}

BOOL SetForegroundWindow(HWND hwnd) {
  if (!Find(hwnd)) return Remote().setForeground ? Remote().setForeground(hwnd) : FALSE;
  if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
  HWND root = GetAncestor(hwnd, GA_ROOT);
  // A window disabled by its modal dialog hands the activation to that dialog, as a person
  // could only answer the dialog anyway.
  HWND target = IsWindowEnabled(root) ? root : EnabledPopupOf(root);
  if (!target) target = root;
  SetActiveWindow(target);
  if (target != root && GetActiveWindow() == target && !IsChild(target, GetFocus())) SetFocus(target);
  return GetActiveWindow() == target;
}

HWND GetForegroundWindow() { return GetActiveWindow(); }

HWND SetCapture(HWND hwnd) {
  auto& s = Input();
  if (hwnd && !Find(hwnd)) return nullptr;
  HWND old;
  {
    std::lock_guard lock(s.mu);
    old = s.capture;
    s.capture = hwnd;
  }
  if (old && old != hwnd && IsWindow(old)) Tell(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return old;
}

BOOL ReleaseCapture() {
  auto& s = Input();
  HWND old;
  {
    std::lock_guard lock(s.mu);
    old = s.capture;
    s.capture = nullptr;
  }
  if (old && IsWindow(old)) Tell(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  std::lock_guard lock(Input().mu);
  return Input().capture;
}

short GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  std::lock_guard lock(Input().mu);
  const BYTE k = Input().keys[vk];
  return static_cast<short>(((k & 0x80) ? 0x8000 : 0) | (k & 1));
}

short GetAsyncKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  std::lock_guard lock(Input().mu);
  return static_cast<short>((Input().asyncKeys[vk] & 0x80) ? 0x8000 : 0);
}

HWND WindowFromPoint(POINT pt) { return MouseTarget(pt); }

HWND ChildWindowFromPoint(HWND parent, POINT clientPt) {
  std::lock_guard lock(TableLock());
  auto p = FindLocked(parent);
  if (!p) return nullptr;
  RECT client = ClientRectOf(*p);
  if (!PtInRect(&client, clientPt)) return nullptr;
  for (HWND c : p->children) {
    auto cw = FindLocked(c);
    if (cw && PtInRect(&cw->rect, clientPt)) return c;
  }
  return parent;
}

BOOL GetCursorPos(POINT* pt) {
  if (!pt) return FALSE;
  std::lock_guard lock(Input().mu);
  *pt = Input().cursorPos;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  std::lock_guard lock(Input().mu);
  Input().cursorPos = POINT{x, y};
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  std::lock_guard lock(Input().mu);
  HCURSOR old = Input().cursor;
  Input().cursor = cursor;
  return old;
}

HCURSOR GetCursor() {
  std::lock_guard lock(Input().mu);
  return Input().cursor;
}

int ShowCursor(BOOL show) {
  std::lock_guard lock(Input().mu);
  return show ? ++Input().cursorShowCount : --Input().cursorShowCount;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme) {
  if (!tme || tme->cbSize < sizeof(TRACKMOUSEEVENT)) return FALSE;
  auto& s = Input();
  std::lock_guard lock(s.mu);
  if (tme->dwFlags & TME_CANCEL) {
    if ((tme->dwFlags & TME_LEAVE) && s.leaveTrack == tme->hwndTrack) s.leaveTrack = nullptr;
    return TRUE;
  }
  if (!(tme->dwFlags & TME_LEAVE)) return TRUE;
  if (!Find(tme->hwndTrack)) return FALSE;
  if (MouseTarget(s.cursorPos) != tme->hwndTrack) {
    // Already outside: the leave notice comes at once.
    PostMessage(tme->hwndTrack, WM_MOUSELEAVE, 0, 0);
    return TRUE;
  }
  s.leaveTrack = tme->hwndTrack;
  return TRUE;
}
