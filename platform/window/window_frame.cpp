#include "platform/window/window_frame.h"

#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/sys_colors.h"
#include "platform/gdi/text.h"
#include "platform/window/focus.h"
#include "platform/window/nc_scroll.h"
#include "platform/window/paint.h"
#include "platform/window/window_internal.h"

namespace platform::win {

void DrawNonClient(HWND hwnd) {
  DWORD style;
  DWORD exStyle;
  std::string title;
  {
    std::lock_guard lock(TableLock());
    auto w = FindLocked(hwnd);
    if (!w) return;
    style = w->style;
    exStyle = w->exStyle;
    title = w->text;
  }
  const RECT in = FrameInsets(style, exStyle);
  if (!in.left && !in.top && !in.right && !in.bottom) return;
  HDC dc = GetWindowDC(hwnd);
  if (!dc) return;
  RECT whole{};
  GetWindowRect(hwnd, &whole);
  OffsetRect(&whole, -whole.left, -whole.top);
  const RECT client{in.left, in.top, whole.right - in.right, whole.bottom - in.bottom};
  HBRUSH face = GetSysColorBrush(COLOR_3DFACE);
  const RECT strips[] = {{0, 0, whole.right, client.top},
                         {0, client.bottom, whole.right, whole.bottom},
                         {0, client.top, client.left, client.bottom},
                         {client.right, client.top, whole.right, client.bottom}};
  for (const RECT& s : strips) FillRect(dc, &s, face);
  if (style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) FrameRect(dc, &whole, GetSysColorBrush(COLOR_WINDOWFRAME));
  // The sunken edges are drawn here and only here: controls leave their non-client area alone.
  if (exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)) {
    const SIZE bars = ScrollBarInsets(style);  // the edge goes round the bars too
    RECT edge{client.left, client.top, client.right + bars.cx, client.bottom + bars.cy};
    if (exStyle & WS_EX_STATICEDGE) {  // the inner one when a window has both
      InflateRect(&edge, 1, 1);
      DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
    }
    if (exStyle & WS_EX_CLIENTEDGE) {
      InflateRect(&edge, 2, 2);
      DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
    }
  }
  if ((style & WS_CAPTION) == WS_CAPTION) {
    const bool active = GetActiveWindow() == hwnd;
    RECT caption{in.left, in.left, whole.right - in.right, client.top - 1};
    FillRect(dc, &caption, GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    caption.left += 4;
    DrawText(dc, title.c_str(), static_cast<int>(title.size()), &caption, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);
  }
  DrawOwnScrollBars(hwnd, dc);
  ReleaseDC(hwnd, dc);
}

bool FillBackground(HWND hwnd, HDC dc, HBRUSH brush) {
  if (!dc || !brush) return false;
  RECT client{};
  GetClientRect(hwnd, &client);
  return FillRect(dc, &client, brush) != 0;
}

LRESULT DefaultControlColour(UINT msg, HDC dc) {
  const bool field = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX;
  const int background = field ? COLOR_WINDOW : COLOR_3DFACE;
  if (dc) {
    SetBkColor(dc, GetSysColor(background));
    SetTextColor(dc, GetSysColor(field ? COLOR_WINDOWTEXT : COLOR_BTNTEXT));
  }
  return reinterpret_cast<LRESULT>(GetSysColorBrush(background));
}

}  // namespace platform::win
