#include "platform/window/focus.h"
#include "platform/window/monitors.h"
#include "platform/window/paint.h"
#include "platform/window/window_internal.h"
#include "platform/window/window_surface.h"

using namespace platform::win;

namespace {

bool IsTopLevel(const Window& w) { return !(w.style & WS_CHILD); }

void InvalidateBehind(const std::shared_ptr<Window>& w) {
  HWND parent = (w->style & WS_CHILD) ? w->parent : nullptr;
  if (parent) InvalidateRect(parent, nullptr, TRUE);
}

void Restack(const std::shared_ptr<Window>& w, HWND insertAfter) {
  std::lock_guard lock(TableLock());
  std::vector<HWND>* list = &TopLevelOrder();
  if ((w->style & WS_CHILD) && w->parent) {
    auto p = FindLocked(w->parent);
    if (!p) return;
    list = &p->children;
  }
  auto it = std::find(list->begin(), list->end(), w->handle);
  if (it == list->end()) return;
  list->erase(it);
  if (insertAfter == HWND_BOTTOM) {
    list->push_back(w->handle);
  } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
    list->insert(list->begin(), w->handle);
  } else {
    auto after = std::find(list->begin(), list->end(), insertAfter);
    list->insert(after == list->end() ? list->begin() : after + 1, w->handle);
  }
  if (list != &TopLevelOrder()) return;
  if (insertAfter == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
  if (insertAfter == HWND_NOTOPMOST) w->exStyle &= ~WS_EX_TOPMOST;
  KeepStackingRules();
}

}  // namespace

BOOL IsWindowVisible(HWND hwnd) {
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w) return FALSE;
  while (w) {
    if (!(w->style & WS_VISIBLE)) return FALSE;
    if (!(w->style & WS_CHILD) || !w->parent) return TRUE;
    w = FindLocked(w->parent);
  }
  return FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  auto w = Find(hwnd);
  return w && !(w->style & WS_DISABLED);
}

BOOL IsIconic(HWND hwnd) {
  auto w = Find(hwnd);
  return w && (w->style & WS_MINIMIZE);
}

BOOL IsZoomed(HWND hwnd) {
  auto w = Find(hwnd);
  return w && (w->style & WS_MAXIMIZE);
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  auto w = Find(hwnd);
  if (!w) return FALSE;
  const BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if (enable && wasDisabled) {
    w->style &= ~WS_DISABLED;
    SendMessage(hwnd, WM_ENABLE, TRUE, 0);
  } else if (!enable && !wasDisabled) {
    w->style |= WS_DISABLED;
    HWND focus = GetFocus();
    if (focus && (focus == hwnd || IsChild(hwnd, focus))) SetFocus(nullptr);
    HWND capture = GetCapture();
    if (capture && (capture == hwnd || IsChild(hwnd, capture))) ReleaseCapture();
    SendMessage(hwnd, WM_ENABLE, FALSE, 0);
  }
  return wasDisabled;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  auto w = Find(hwnd);
  if (!w) return FALSE;
  WINDOWPOS wp;
  wp.hwnd = hwnd;
  wp.hwndInsertAfter = insertAfter;
  wp.x = (flags & SWP_NOMOVE) ? w->rect.left : x;
  wp.y = (flags & SWP_NOMOVE) ? w->rect.top : y;
  wp.cx = (flags & SWP_NOSIZE) ? w->rect.right - w->rect.left : cx;
  wp.cy = (flags & SWP_NOSIZE) ? w->rect.bottom - w->rect.top : cy;
  wp.flags = flags;
  SendMessage(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
  if (!IsWindow(hwnd)) return FALSE;
  if (wp.cx < 0) wp.cx = 0;
  if (wp.cy < 0) wp.cy = 0;
  bool moved = false;
  bool sized = false;
  {
    std::lock_guard lock(TableLock());
    RECT r{wp.x, wp.y, wp.x + wp.cx, wp.y + wp.cy};
    moved = r.left != w->rect.left || r.top != w->rect.top;
    sized =
        (r.right - r.left) != (w->rect.right - w->rect.left) || (r.bottom - r.top) != (w->rect.bottom - w->rect.top);
    if ((moved || sized) && w->style & WS_VISIBLE) InvalidateBehind(w);
    w->rect = r;
  }
  if (!(wp.flags & SWP_NOZORDER)) Restack(w, wp.hwndInsertAfter);
  if (sized) {
    if (auto* provider = platform::GetWindowSurfaceProvider()) provider->WindowResized(hwnd, wp.cx, wp.cy);
  }
  if ((moved || sized || (wp.flags & SWP_FRAMECHANGED)) && !(wp.flags & SWP_NOREDRAW))
    InvalidateRect(hwnd, nullptr, TRUE);
  if (wp.flags & SWP_SHOWWINDOW) ShowWindow(hwnd, (wp.flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  if (wp.flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
  if (!moved) wp.flags |= SWP_NOMOVE;
  if (!sized) wp.flags |= SWP_NOSIZE;
  SendMessage(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND hwnd) { return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL ShowWindow(HWND hwnd, int cmd) {
  auto w = Find(hwnd);
  if (!w) return FALSE;
  const BOOL wasVisible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
  if (cmd == SW_HIDE) {
    if (!wasVisible) return FALSE;
    SendMessage(hwnd, WM_SHOWWINDOW, FALSE, 0);
    w->style &= ~WS_VISIBLE;
    InvalidateBehind(w);
    platform::win::DetachFocusFrom(hwnd);
    return wasVisible;
  }
  auto placeRestored = [&]() {
    if (w->hasRestore) {
      RECT r = w->restore;
      w->hasRestore = false;
      w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
      SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
  };
  switch (cmd) {
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      if (!(w->style & WS_MINIMIZE)) {
        if (!w->hasRestore) w->restore = w->rect, w->hasRestore = true;
        w->style = (w->style | WS_MINIMIZE) & ~WS_MAXIMIZE;
        SendMessage(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
      }
      break;
    case SW_SHOWMAXIMIZED: {
      if (!(w->style & WS_MAXIMIZE)) {
        if (!w->hasRestore) w->restore = w->rect, w->hasRestore = true;
        MONITORINFO mi;
        mi.cbSize = sizeof mi;
        GetMonitorInfo(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &mi);
        w->style = (w->style | WS_MAXIMIZE) & ~WS_MINIMIZE;
        const RECT& r = mi.rcWork;
        SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
      }
      break;
    }
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT: placeRestored(); break;
    default: break;
  }
  if (!wasVisible) {
    SendMessage(hwnd, WM_SHOWWINDOW, TRUE, 0);
    w->style |= WS_VISIBLE;
    InvalidateRect(hwnd, nullptr, TRUE);
  }
  const bool activate = cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE && cmd != SW_SHOWMINNOACTIVE;
  if (IsTopLevel(*w) && activate && IsWindowEnabled(hwnd)) SetActiveWindow(hwnd);
  return wasVisible;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  if (!rect) return FALSE;
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w) return FALSE;
  POINT o = WindowOrigin(*w);
  *rect = RECT{o.x, o.y, o.x + (w->rect.right - w->rect.left), o.y + (w->rect.bottom - w->rect.top)};
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  if (!rect) return FALSE;
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w) return FALSE;
  *rect = ClientRectOf(*w);
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* pt) {
  if (!pt) return FALSE;
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w) return FALSE;
  POINT o = ClientOrigin(*w);
  pt->x += o.x;
  pt->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* pt) {
  if (!pt) return FALSE;
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w) return FALSE;
  POINT o = ClientOrigin(*w);
  pt->x -= o.x;
  pt->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT a{0, 0};
  POINT b{0, 0};
  if (from && !ClientToScreen(from, &a)) return 0;
  if (to && !ClientToScreen(to, &b)) return 0;
  const LONG dx = a.x - b.x;
  const LONG dy = a.y - b.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle) {
  if (!rect) return FALSE;
  // Scroll bars are not part of the frame a client size asks for.
  RECT in = FrameInsets(style & ~(WS_VSCROLL | WS_HSCROLL), exStyle);
  rect->left -= in.left;
  rect->top -= in.top + (menu ? 20 : 0);
  rect->right += in.right;
  rect->bottom += in.bottom;
  return TRUE;
}

BOOL SetRect(RECT* r, int left, int top, int right, int bottom) {
  if (!r) return FALSE;
  *r = RECT{left, top, right, bottom};
  return TRUE;
}
BOOL SetRectEmpty(RECT* r) { return SetRect(r, 0, 0, 0, 0); }
BOOL IsRectEmpty(const RECT* r) { return !r || r->right <= r->left || r->bottom <= r->top; }
BOOL PtInRect(const RECT* r, POINT p) {
  return r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}
BOOL OffsetRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  r->left += dx, r->right += dx, r->top += dy, r->bottom += dy;
  return TRUE;
}
BOOL InflateRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  r->left -= dx, r->right += dx, r->top -= dy, r->bottom += dy;
  return TRUE;
}
BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b) {
  if (!out || !a || !b) return FALSE;
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (IsRectEmpty(&r)) {
    *out = RECT{};
    return FALSE;
  }
  *out = r;
  return TRUE;
}
BOOL UnionRect(RECT* out, const RECT* a, const RECT* b) {
  if (!out || !a || !b) return FALSE;
  if (IsRectEmpty(a)) return (*out = *b, !IsRectEmpty(b));
  if (IsRectEmpty(b)) return (*out = *a, TRUE);
  *out = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
              std::max(a->bottom, b->bottom)};
  return TRUE;
}
BOOL EqualRect(const RECT* a, const RECT* b) {
  return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}
BOOL CopyRect(RECT* out, const RECT* in) {
  if (!out || !in) return FALSE;
  *out = *in;
  return TRUE;
}
