// Non-client hit-testing and the window system's side of windows' own scroll bars: where they
// sit, how they are hit, drawn and dragged. Only the window system's sources include this header.
#pragma once

#include "platform/base/win_types.h"

namespace platform::win {

struct Window;

// One own bar along its length in window coordinates; thumbSize 0 when there is nothing to drag.
struct BarLayout {
  RECT rect{};
  bool vertical = false;
  bool enabled = true;
  int length = 0;
  int arrow = 0;
  int thumbStart = 0;
  int thumbSize = 0;
};

// Width of the bars a style adds inside the frame (right, bottom).
SIZE ScrollBarInsets(DWORD style);
// Layout of a window's SB_VERT/SB_HORZ bar; false when the style has no such bar. Under TableLock.
bool OwnBarLayoutLocked(const Window& w, int bar, BarLayout* out);
// DefWindowProc's WM_NCHITTEST answer for a screen point.
LRESULT DefaultHitTest(HWND hwnd, POINT screen);
// HTVSCROLL/HTHSCROLL for a screen point on one of the window's bars, else 0.
LRESULT HitOwnScrollBar(HWND hwnd, POINT screen);
// Draws the bars (and the box where two meet) into a window DC.
void DrawOwnScrollBars(HWND hwnd, HDC windowDC);
// Follows a press on a bar until the button comes up, sending WM_VSCROLL/WM_HSCROLL to the window.
void TrackOwnScrollBar(HWND hwnd, LRESULT hit, POINT screen);

}  // namespace platform::win
