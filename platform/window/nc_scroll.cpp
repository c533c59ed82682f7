#include "platform/window/nc_scroll.h"

#include <algorithm>

#include "platform/gdi/arrow_button.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/sys_colors.h"
#include "platform/window/focus.h"
#include "platform/window/modal_loop.h"
#include "platform/window/monitors.h"
#include "platform/window/window_internal.h"

namespace platform::win {
namespace {

constexpr int kMinThumb = 8;

RECT BaseInsets(const Window& w) { return FrameInsets(w.style & ~(WS_VSCROLL | WS_HSCROLL), w.exStyle); }

// Position of the thumb whose leading edge is at `along` (bar coordinates).
int PosAt(const SCROLLINFO& s, const BarLayout& g, int along) {
  const int travel = g.length - 2 * g.arrow - g.thumbSize;
  const int top = std::max(s.nMin, MaxScrollPos(s));
  if (travel <= 0) return s.nMin;
  const int64_t offset = std::clamp(along - g.arrow, 0, travel);
  return std::clamp(s.nMin + static_cast<int>((offset * (top - s.nMin) + travel / 2) / travel), s.nMin, top);
}

}  // namespace

SIZE ScrollBarInsets(DWORD style) {
  return SIZE{(style & WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0,
              (style & WS_HSCROLL) ? GetSystemMetrics(SM_CYHSCROLL) : 0};
}

bool OwnBarLayoutLocked(const Window& w, int bar, BarLayout* out) {
  const bool vertical = bar == SB_VERT;
  if (!(w.style & (vertical ? WS_VSCROLL : WS_HSCROLL))) return false;
  const RECT in = BaseInsets(w);
  const SIZE bars = ScrollBarInsets(w.style);
  const LONG width = w.rect.right - w.rect.left;
  const LONG height = w.rect.bottom - w.rect.top;
  BarLayout g;
  g.vertical = vertical;
  if (vertical) g.rect = RECT{width - in.right - bars.cx, in.top, width - in.right, height - in.bottom - bars.cy};
  else g.rect = RECT{in.left, height - in.bottom - bars.cy, width - in.right - bars.cx, height - in.bottom};
  if (g.rect.right < g.rect.left) g.rect.right = g.rect.left;
  if (g.rect.bottom < g.rect.top) g.rect.bottom = g.rect.top;
  g.length = vertical ? g.rect.bottom - g.rect.top : g.rect.right - g.rect.left;
  const int thickness = vertical ? g.rect.right - g.rect.left : g.rect.bottom - g.rect.top;
  g.arrow = std::min(thickness, g.length / 2);
  const SCROLLINFO& s = w.bars[bar];
  const int64_t range = static_cast<int64_t>(s.nMax) - s.nMin + 1;
  g.enabled = s.nMax > s.nMin && static_cast<int64_t>(s.nPage) < range && !(w.style & WS_DISABLED);
  const int track = g.length - 2 * g.arrow;
  g.thumbStart = g.arrow;
  if (g.enabled && track >= kMinThumb) {
    g.thumbSize = s.nPage ? std::max<int>(kMinThumb, static_cast<int>(track * static_cast<int64_t>(s.nPage) / range))
                          : std::min(track, std::max(kMinThumb, thickness));
    g.thumbSize = std::min(g.thumbSize, track);
    const int pos = w.trackingBar == bar ? s.nTrackPos : s.nPos;
    const int top = MaxScrollPos(s);
    const int travel = track - g.thumbSize;
    if (top > s.nMin) g.thumbStart += static_cast<int>(static_cast<int64_t>(travel) * (pos - s.nMin) / (top - s.nMin));
  }
  *out = g;
  return true;
}

LRESULT DefaultHitTest(HWND hwnd, POINT screen) {
  RECT wr{};
  if (!GetWindowRect(hwnd, &wr) || !PtInRect(&wr, screen)) return HTNOWHERE;
  POINT c = screen;
  ScreenToClient(hwnd, &c);
  RECT cr{};
  GetClientRect(hwnd, &cr);
  if (PtInRect(&cr, c)) return HTCLIENT;
  if (LRESULT bar = HitOwnScrollBar(hwnd, screen)) return bar;
  const DWORD style = static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE));
  if ((style & WS_CAPTION) == WS_CAPTION && c.y < 0) return HTCAPTION;
  return HTBORDER;
}

LRESULT HitOwnScrollBar(HWND hwnd, POINT screen) {
  std::lock_guard lock(TableLock());
  auto w = FindLocked(hwnd);
  if (!w) return 0;
  const POINT o = WindowOrigin(*w);
  const POINT p{screen.x - o.x, screen.y - o.y};
  BarLayout g;
  if (OwnBarLayoutLocked(*w, SB_VERT, &g) && PtInRect(&g.rect, p)) return HTVSCROLL;
  if (OwnBarLayoutLocked(*w, SB_HORZ, &g) && PtInRect(&g.rect, p)) return HTHSCROLL;
  return 0;
}

void DrawOwnScrollBars(HWND hwnd, HDC dc) {
  BarLayout bars[2];
  bool has[2];
  {
    std::lock_guard lock(TableLock());
    auto w = FindLocked(hwnd);
    if (!w) return;
    for (int b : {SB_HORZ, SB_VERT}) has[b] = OwnBarLayoutLocked(*w, b, &bars[b]);
  }
  for (int b : {SB_HORZ, SB_VERT}) {
    if (!has[b]) continue;
    const BarLayout& g = bars[b];
    auto span = [&](int a, int z) {
      return g.vertical ? RECT{g.rect.left, g.rect.top + a, g.rect.right, g.rect.top + z}
                        : RECT{g.rect.left + a, g.rect.top, g.rect.left + z, g.rect.bottom};
    };
    FillRect(dc, &g.rect, GetSysColorBrush(COLOR_SCROLLBAR));
    gdi::DrawArrowButton(dc, span(0, g.arrow), g.vertical ? 0 : 2, false, g.enabled);
    gdi::DrawArrowButton(dc, span(g.length - g.arrow, g.length), g.vertical ? 1 : 3, false, g.enabled);
    if (g.thumbSize > 0) {
      RECT thumb = span(g.thumbStart, g.thumbStart + g.thumbSize);
      FillRect(dc, &thumb, GetSysColorBrush(COLOR_BTNFACE));
      DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT);
    }
  }
  if (has[SB_HORZ] && has[SB_VERT]) {
    RECT box{bars[SB_VERT].rect.left, bars[SB_HORZ].rect.top, bars[SB_VERT].rect.right, bars[SB_HORZ].rect.bottom};
    FillRect(dc, &box, GetSysColorBrush(COLOR_3DFACE));
  }
}

void TrackOwnScrollBar(HWND hwnd, LRESULT hit, POINT screen) {
  const int bar = hit == HTVSCROLL ? SB_VERT : SB_HORZ;
  const UINT message = bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
  BarLayout g;
  POINT origin;
  {
    std::lock_guard lock(TableLock());
    auto w = FindLocked(hwnd);
    if (!w || !OwnBarLayoutLocked(*w, bar, &g) || !g.enabled) return;
    origin = WindowOrigin(*w);
  }
  auto along = [&](POINT p) { return g.vertical ? p.y - origin.y - g.rect.top : p.x - origin.x - g.rect.left; };
  auto send = [&](int code, int pos) {
    SendMessage(hwnd, message, MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(pos)), 0);
  };
  const int at = along(screen);
  const bool thumb = g.thumbSize > 0 && at >= g.thumbStart && at < g.thumbStart + g.thumbSize;
  const int grab = at - g.thumbStart;
  int trackPos = 0;
  if (thumb) {
    std::lock_guard lock(TableLock());
    auto w = FindLocked(hwnd);
    if (!w) return;
    w->bars[bar].nTrackPos = trackPos = w->bars[bar].nPos;
    w->trackingBar = bar;
  } else if (at < g.arrow) {
    send(SB_LINEUP, 0);
  } else if (at >= g.length - g.arrow) {
    send(SB_LINEDOWN, 0);
  } else if (at < g.thumbStart) {
    send(SB_PAGEUP, 0);
  } else {
    send(SB_PAGEDOWN, 0);
  }
  SetCapture(hwnd);
  bool done = false;
  auto drag = [&](POINT p) {
    if (!thumb) return;
    int pos;
    {
      std::lock_guard lock(TableLock());
      auto w = FindLocked(hwnd);
      if (!w) return;
      pos = PosAt(w->bars[bar], g, along(p) - grab);
      if (pos == trackPos) return;
      w->bars[bar].nTrackPos = trackPos = pos;
    }
    send(SB_THUMBTRACK, pos);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
  };
  // Input injected before the press was routed by hit-testing, so the bar's own non-client moves
  // and release count as well as the captured client ones.
  platform::RunModalLoop([&] { return done || GetCapture() != hwnd || !IsWindow(hwnd); },
                         [&](MSG& m) {
                           switch (m.message) {
                             case WM_MOUSEMOVE:
                             case WM_NCMOUSEMOVE: drag(m.pt); return true;
                             case WM_LBUTTONUP:
                             case WM_NCLBUTTONUP:
                               drag(m.pt);
                               done = true;
                               return true;
                             default: return false;
                           }
                         });
  if (GetCapture() == hwnd) ReleaseCapture();
  if (!IsWindow(hwnd)) return;
  if (thumb) {
    send(SB_THUMBPOSITION, trackPos);
    std::lock_guard lock(TableLock());
    if (auto w = FindLocked(hwnd)) w->trackingBar = -1;
  }
  send(SB_ENDSCROLL, 0);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
}

}  // namespace platform::win
