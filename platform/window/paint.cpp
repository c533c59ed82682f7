#include "platform/window/paint.h"

#include "platform/window/window_frame.h"
#include "platform/window/window_internal.h"
#include "platform/window/window_surface.h"

using namespace platform::win;

namespace {

void InvalidateTree(const std::shared_ptr<Window>& w, RECT area, bool erase, UINT flags, bool top) {
  RECT client = ClientRectOf(*w);
  RECT clipped{};
  if (!IntersectRect(&clipped, &area, &client)) return;
  if (w->invalid) {
    UnionRect(&w->update, &w->update, &clipped);
  } else {
    w->update = clipped;
    w->invalid = true;
  }
  w->erase = w->erase || erase;
  if (flags & RDW_NOCHILDREN) return;
  if (!top || (flags & RDW_ALLCHILDREN) || !(w->style & WS_CLIPCHILDREN)) {
    for (HWND c : w->children) {
      auto cw = FindLocked(c);
      if (!cw || !(cw->style & WS_VISIBLE)) continue;
      RECT inChild = clipped;
      OffsetRect(&inChild, -cw->rect.left, -cw->rect.top);
      RECT in = FrameInsets(cw->style, cw->exStyle);
      OffsetRect(&inChild, -in.left, -in.top);
      InvalidateTree(cw, inChild, erase, flags, false);
    }
  }
}

BOOL Invalidate(HWND hwnd, const RECT* rect, bool erase, UINT flags) {
  if (!hwnd) {
    std::vector<HWND> order;
    {
      std::lock_guard lock(TableLock());
      order = TopLevelOrder();
    }
    for (HWND h : order) Invalidate(h, nullptr, erase, flags);
    return TRUE;
  }
  std::shared_ptr<ThreadQueue> q;
  {
    std::lock_guard lock(TableLock());
    auto w = FindLocked(hwnd);
    if (!w) return FALSE;
    RECT area = rect ? *rect : ClientRectOf(*w);
    InvalidateTree(w, area, erase, flags, true);
    q = w->queue;
  }
  platform::MarkScreenChanged();
  q->Wake();
  return TRUE;
}

void Validate(HWND hwnd) {
  std::lock_guard lock(TableLock());
  if (auto w = FindLocked(hwnd)) {
    w->invalid = false;
    w->erase = false;
    w->update = RECT{};
  }
}

void PaintNow(HWND hwnd, bool children) {
  auto w = Find(hwnd);
  if (!w || !IsWindowVisible(hwnd)) return;
  if (w->invalid) SendMessage(hwnd, WM_PAINT, 0, 0);
  if (IsWindow(hwnd) && w->invalid) Validate(hwnd);  // painted without BeginPaint
  if (!children) return;
  std::vector<HWND> kids;
  {
    std::lock_guard lock(TableLock());
    if (auto again = FindLocked(hwnd)) kids = again->children;
  }
  for (HWND c : kids) PaintNow(c, true);
}

bool FindPaintable(HWND h, const std::shared_ptr<ThreadQueue>& q, HWND filter, bool underFilter, HWND* out) {
  auto w = FindLocked(h);
  if (!w || !(w->style & WS_VISIBLE)) return false;
  const bool inFilter = underFilter || !filter || h == filter;
  if (inFilter && w->invalid && w->queue == q) {
    *out = h;
    return true;
  }
  for (HWND c : w->children)
    if (FindPaintable(c, q, filter, inFilter, out)) return true;
  return false;
}

}  // namespace

namespace platform::win {

HWND FindWindowToPaint(const std::shared_ptr<ThreadQueue>& q, HWND filter) {
  std::lock_guard lock(TableLock());
  HWND found = nullptr;
  for (HWND h : TopLevelOrder())
    if (FindPaintable(h, q, filter, false, &found)) return found;
  return nullptr;
}

}  // namespace platform::win

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  if (!ps) return nullptr;
  auto w = Find(hwnd);
  if (!w) return nullptr;
  *ps = PAINTSTRUCT{};
  bool erase;
  {
    std::lock_guard lock(TableLock());
    ps->rcPaint = w->invalid ? w->update : RECT{};
    erase = w->erase;
  }
  Validate(hwnd);
  platform::win::DrawNonClient(hwnd);
  if (auto* provider = platform::GetWindowSurfaceProvider()) ps->hdc = provider->AcquireDC(hwnd, false, ps->rcPaint);
  ps->fErase = FALSE;
  if (erase) ps->fErase = SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(ps->hdc), 0) ? FALSE : TRUE;
  return ps->hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (!ps) return FALSE;
  platform::MarkScreenChanged();
  if (ps->hdc)
    if (auto* provider = platform::GetWindowSurfaceProvider()) provider->ReleaseDC(hwnd, ps->hdc);
  platform::NoteWindowPainted(hwnd, &ps->rcPaint);
  return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) { return Invalidate(hwnd, rect, erase != FALSE, 0); }

BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase) {
  RECT box{};
  auto* provider = platform::GetWindowSurfaceProvider();
  if (region && provider && provider->RegionBox(region, &box)) return Invalidate(hwnd, &box, erase != FALSE, 0);
  return Invalidate(hwnd, nullptr, erase != FALSE, 0);
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  if (!Find(hwnd)) return FALSE;
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!rect) {
    w->invalid = false;
    w->erase = false;
    w->update = RECT{};
  } else if (w->invalid) {
    // A rectangle update area can only shrink when the validated part covers a whole side.
    const RECT& u = w->update;
    if (rect->left <= u.left && rect->top <= u.top && rect->right >= u.right && rect->bottom >= u.bottom) {
      w->invalid = false;
      w->erase = false;
      w->update = RECT{};
    }
  }
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase) {
  auto w = Find(hwnd);
  if (!w) return FALSE;
  RECT u{};
  bool invalid;
  {
    std::lock_guard lock(TableLock());
    invalid = w->invalid;
    u = w->update;
  }
  if (rect) *rect = invalid ? u : RECT{};
  if (invalid && erase && w->erase) {
    w->erase = false;
    SendMessage(hwnd, WM_ERASEBKGND, 0, 0);
  }
  return invalid && !IsRectEmpty(&u);
}

BOOL UpdateWindow(HWND hwnd) {
  if (!Find(hwnd)) return FALSE;
  PaintNow(hwnd, true);
  return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  if (hwnd && !Find(hwnd)) return FALSE;
  if (flags & RDW_INVALIDATE) {
    RECT box{};
    auto* provider = platform::GetWindowSurfaceProvider();
    const RECT* area = rect;
    if (!area && region && provider && provider->RegionBox(region, &box)) area = &box;
    Invalidate(hwnd, area, (flags & RDW_ERASE) != 0, flags);
  }
  if (flags & RDW_VALIDATE) ValidateRect(hwnd, nullptr);
  if (hwnd && (flags & (RDW_UPDATENOW | RDW_ERASENOW))) PaintNow(hwnd, !(flags & RDW_NOCHILDREN));
  return TRUE;
}

HDC GetDC(HWND hwnd) {
  auto* provider = platform::GetWindowSurfaceProvider();
  if (!provider) return nullptr;
  if (!hwnd) hwnd = GetDesktopWindow();
  else if (!Find(hwnd)) return nullptr;
  RECT client{};
  GetClientRect(hwnd, &client);
  return provider->AcquireDC(hwnd, false, client);
}

HDC GetWindowDC(HWND hwnd) {
  auto* provider = platform::GetWindowSurfaceProvider();
  if (!provider || !Find(hwnd)) return nullptr;
  RECT r{};
  GetWindowRect(hwnd, &r);
  OffsetRect(&r, -r.left, -r.top);
  return provider->AcquireDC(hwnd, true, r);
}

int ReleaseDC(HWND hwnd, HDC dc) {
  auto* provider = platform::GetWindowSurfaceProvider();
  if (!provider || !dc) return 0;
  provider->ReleaseDC(hwnd, dc);
  platform::NoteWindowPainted(hwnd, nullptr);
  platform::MarkScreenChanged();
  return 1;
}

int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw) {
  auto w = Find(hwnd);
  if (!w) return 0;
  HRGN old;
  {
    std::lock_guard lock(TableLock());
    old = w->region;
    w->region = region;
  }
  if (old && old != region)
    if (auto* provider = platform::GetWindowSurfaceProvider()) provider->DeleteRegion(old);
  if (redraw) {
    InvalidateRect(hwnd, nullptr, TRUE);
    if (HWND parent = GetParent(hwnd); parent && (w->style & WS_CHILD)) InvalidateRect(parent, nullptr, TRUE);
  }
  return 1;
}

int GetWindowRgn(HWND hwnd, HRGN region) {
  auto w = Find(hwnd);
  auto* provider = platform::GetWindowSurfaceProvider();
  if (!w || !region || !w->region || !provider) return ERROR;
  if (!provider->CopyRegion(region, w->region)) return ERROR;
  RECT box{};
  if (!provider->RegionBox(region, &box) || IsRectEmpty(&box)) return NULLREGION;
  return SIMPLEREGION;
}
