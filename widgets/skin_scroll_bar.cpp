#include "widgets/skin_scroll_bar.h"

#include <algorithm>

#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/window/focus.h"
#include "platform/window/monitors.h"
#include "widgets/skin_bitmap.h"

namespace {

constexpr UINT kFrameTimer = 100;
constexpr int kFrameBarH = 100, kFrameBarV = 101, kLimitId = 200;

void Piece(HDC dc, HDC source, int x, int y, int w, int h, int column, int row, int p) {
  if (w <= 0 || h <= 0) return;
  if (w == p && h == p) BitBlt(dc, x, y, w, h, source, column * p, row * p, SRCCOPY);
  else StretchBlt(dc, x, y, w, h, source, column * p, row * p, p, p, SRCCOPY);
}

}  // namespace

void CSkinScrollBar::SetBitmap(HBITMAP bitmap) {
  m_hBitmap = bitmap;
  m_nPiece = skin::ScrollPieceSize(skin::BitmapSize(bitmap).cx);
  if (!m_hWnd || m_nPiece <= 0) return;
  RECT r;
  GetWindowRect(&r);
  if (IsVertical())
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, m_nPiece, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  else ::SetWindowPos(m_hWnd, nullptr, 0, 0, r.right - r.left, m_nPiece, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

skin::ScrollGeometry CSkinScrollBar::Geometry() const {
  return skin::ScrollThumbGeometry(m_nLength, m_nPiece, m_info.nMin, m_info.nMax, static_cast<int>(m_info.nPage),
                                   Position());
}

LRESULT CSkinScrollBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_LBUTTONDBLCLK) return 1;
  if (msg == SBM_SETSCROLLINFO) {
    const auto* info = reinterpret_cast<const SCROLLINFO*>(lParam);
    if (!info) return 0;
    if (info->fMask & SIF_RANGE) {
      m_info.nMin = info->nMin;
      m_info.nMax = info->nMax;
    }
    if (info->fMask & SIF_PAGE) m_info.nPage = info->nPage;
    if (info->fMask & SIF_POS) m_info.nPos = info->nPos;
    if (wParam && m_hWnd) {
      Invalidate(FALSE);
      UpdateWindow();
    }
    return 1;
  }
  if (msg == SBM_GETSCROLLINFO) {
    auto* info = reinterpret_cast<SCROLLINFO*>(lParam);
    if (!info) return 0;
    if (info->fMask & SIF_RANGE) {
      info->nMin = m_info.nMin;
      info->nMax = m_info.nMax;
    }
    if (info->fMask & SIF_PAGE) info->nPage = m_info.nPage;
    if (info->fMask & SIF_POS) info->nPos = m_info.nPos;
    if (info->fMask & SIF_TRACKPOS) info->nTrackPos = m_bDragging ? m_info.nTrackPos : m_info.nPos;
    return 1;
  }
  return CScrollBar::WindowProc(msg, wParam, lParam);
}

void CSkinScrollBar::OnSize(UINT type, int cx, int cy) {
  CScrollBar::OnSize(type, cx, cy);
  m_nLength = IsVertical() ? cy : cx;
}

void CSkinScrollBar::Paint(HDC dc) const {
  if (!m_hBitmap || m_nPiece <= 0) return;
  const int p = m_nPiece;
  const bool vertical = IsVertical();
  const skin::ScrollGeometry g = Geometry();
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, m_hBitmap);
  const int col = vertical ? 0 : 4;
  // Places a run along the bar.
  auto along = [&](int start, int length, int column, int row) {
    if (length <= 0) return;
    if (vertical) {
      for (int y = start; y < start + length; y += p)
        Piece(dc, source, 0, y, p, std::min(p, start + length - y), column, row, p);
    } else {
      for (int x = start; x < start + length; x += p)
        Piece(dc, source, x, 0, std::min(p, start + length - x), p, column, row, p);
    }
  };
  auto arrow = [&](int start, int part, int column) {
    const int row = m_nPressedPart == part && !m_bPressedPartLeft ? 2 : m_nHotPart == part ? 1 : 0;
    if (vertical) Piece(dc, source, 0, start, p, g.arrow, column, row, p);
    else Piece(dc, source, start, 0, g.arrow, p, column, row, p);
  };
  arrow(0, skin::kPartLineUp, col);
  arrow(m_nLength - g.arrow, skin::kPartLineDown, col + 1);
  along(g.arrow, g.track, col + 3, 0);
  const bool drawThumb = g.thumb > 0 && m_info.nMax - m_info.nMin + 1 != static_cast<int>(m_info.nPage);
  if (drawThumb) {
    const int start = g.arrow + g.thumbOffset;
    const int row = m_bDragging ? 2 : m_nHotPart == skin::kPartThumb ? 1 : 0;
    // Three slices: a cap from each end of the thumb piece and the middle tiled.
    const int cap = std::min(3, g.thumb / 2);
    const int sx = (col + 2) * p, sy = row * p;
    if (vertical) {
      BitBlt(dc, 0, start, p, cap, source, sx, sy, SRCCOPY);
      for (int y = start + cap; y < start + g.thumb - cap; y += std::max(1, p - 6))
        BitBlt(dc, 0, y, p, std::min(p - 6, start + g.thumb - cap - y), source, sx, sy + 3, SRCCOPY);
      BitBlt(dc, 0, start + g.thumb - cap, p, cap, source, sx, sy + p - cap, SRCCOPY);
    } else {
      BitBlt(dc, start, 0, cap, p, source, sx, sy, SRCCOPY);
      for (int x = start + cap; x < start + g.thumb - cap; x += std::max(1, p - 6))
        BitBlt(dc, x, 0, std::min(p - 6, start + g.thumb - cap - x), p, source, sx + 3, sy, SRCCOPY);
      BitBlt(dc, start + g.thumb - cap, 0, cap, p, source, sx + p - cap, sy, SRCCOPY);
    }
  }
  SelectObject(source, old);
  DeleteDC(source);
}

void CSkinScrollBar::OnPaint() {
  CPaintDC paint(this);
  Paint(paint);
}

void CSkinScrollBar::Send(UINT code, int pos) const {
  HWND parent = ::GetParent(m_hWnd);
  if (!parent) return;
  const UINT msg = IsVertical() ? WM_VSCROLL : WM_HSCROLL;
  ::SendMessage(parent, msg, MAKEWPARAM(code, static_cast<WORD>(pos)), reinterpret_cast<LPARAM>(m_hWnd));
}

void CSkinScrollBar::Step(int part, bool repeating) {
  const bool up = part == skin::kPartLineUp || part == skin::kPartPageUp;
  if (!repeating) {
    // The first step is always a line, with the position it leads to.
    const int highest = skin::ScrollMaxPos(m_info.nMin, m_info.nMax, static_cast<int>(m_info.nPage));
    if (up) Send(SB_LINEUP, std::max(m_info.nMin, m_info.nPos - 1));
    else Send(SB_LINEDOWN, std::min(highest, m_info.nPos + 1));
    return;
  }
  const bool arrow = part == skin::kPartLineUp || part == skin::kPartLineDown;
  if (arrow) Send(up ? SB_LINEUP : SB_LINEDOWN, 0);
  else Send(up ? SB_PAGEUP : SB_PAGEDOWN, 0);
}

CPoint CSkinScrollBar::CursorInClient() const {
  POINT p;
  GetCursorPos(&p);
  ::ScreenToClient(m_hWnd, &p);
  return CPoint(p.x, p.y);
}

void CSkinScrollBar::OnLButtonDown(UINT flags, CPoint point) {
  ::SetCapture(m_hWnd);
  const int part = skin::ScrollHitTest(Geometry(), m_nLength, Along(point));
  if (part == skin::kPartThumb) {
    m_bDragging = TRUE;
    m_dragStart = point;
    m_nDragStartPos = m_info.nPos;
    m_info.nTrackPos = m_info.nPos;
  } else if (part != skin::kPartNone) {
    m_nPressedPart = part;
    m_bPressedPartLeft = FALSE;
    Step(part, false);
    SetTimer(kFirstRepeatTimer, 500);
  }
  Invalidate(FALSE);
  (void)flags;
}

void CSkinScrollBar::OnTimer(UINT_PTR id) {
  if (id == kFirstRepeatTimer) {
    m_bRepeating = TRUE;
    KillTimer(kFirstRepeatTimer);
    SetTimer(kRepeatTimer, 100);
    id = kRepeatTimer;
  }
  if (id != kRepeatTimer) {
    CScrollBar::OnTimer(id);
    return;
  }
  if (m_nPressedPart == skin::kPartNone) return;
  const skin::ScrollGeometry g = Geometry();
  const int under = skin::ScrollHitTest(g, m_nLength, Along(CursorInClient()));
  const bool arrow = m_nPressedPart == skin::kPartLineUp || m_nPressedPart == skin::kPartLineDown;
  if (arrow) {
    if (under != m_nPressedPart) return;
    const int highest = skin::ScrollMaxPos(m_info.nMin, m_info.nMax, static_cast<int>(m_info.nPage));
    const bool atEnd = m_nPressedPart == skin::kPartLineUp ? m_info.nPos <= m_info.nMin : m_info.nPos >= highest;
    if (atEnd) {
      KillTimer(kRepeatTimer);
      return;
    }
    Step(m_nPressedPart, true);
  } else {
    if (under == skin::kPartThumb) {
      KillTimer(kRepeatTimer);
      return;
    }
    if (under == m_nPressedPart) Step(m_nPressedPart, true);
  }
}

void CSkinScrollBar::OnMouseMove(UINT flags, CPoint point) {
  if (m_bDragging) {
    const skin::ScrollGeometry g = Geometry();
    const int moved = Along(point) - (IsVertical() ? m_dragStart.y : m_dragStart.x);
    const int pos =
        skin::ScrollDragPos(g, m_info.nMin, m_info.nMax, static_cast<int>(m_info.nPage), m_nDragStartPos, moved);
    if (pos == m_info.nTrackPos) return;
    m_info.nTrackPos = pos;
    Invalidate(FALSE);
    UpdateWindow();
    const UINT msg = IsVertical() ? WM_VSCROLL : WM_HSCROLL;
    if (HWND parent = ::GetParent(m_hWnd)) ::SendMessage(parent, WM_SKINSCROLL_TRACK, msg, pos);
    Send(SB_THUMBTRACK, pos);
    return;
  }
  const int part = skin::ScrollHitTest(Geometry(), m_nLength, Along(point));
  if (m_nPressedPart != skin::kPartNone) {
    const BOOL left = part != m_nPressedPart;
    if (left != m_bPressedPartLeft) {
      m_bPressedPartLeft = left;
      Invalidate(FALSE);
    }
    return;
  }
  if (!m_bTracking) {
    TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = m_hWnd;
    m_bTracking = TrackMouseEvent(&tme);
  }
  RECT client;
  GetClientRect(&client);
  const int hot = PtInRect(&client, point) ? part : skin::kPartNone;
  if (hot != m_nHotPart) {
    m_nHotPart = hot;
    Invalidate(FALSE);
  }
  (void)flags;
}

void CSkinScrollBar::OnMouseLeave() {
  m_bTracking = FALSE;
  if (m_nHotPart != skin::kPartNone) {
    m_nHotPart = skin::kPartNone;
    Invalidate(FALSE);
  }
}

void CSkinScrollBar::OnLButtonUp(UINT flags, CPoint point) {
  ::ReleaseCapture();
  if (m_bDragging) {
    m_bDragging = FALSE;
    const int pos = m_info.nTrackPos;
    Send(SB_THUMBPOSITION, pos);
    m_info.nTrackPos = -1;
    Invalidate(FALSE);
  } else if (m_nPressedPart != skin::kPartNone) {
    KillTimer(m_bRepeating ? kRepeatTimer : kFirstRepeatTimer);
    m_bRepeating = FALSE;
    m_nPressedPart = skin::kPartNone;
    Invalidate(FALSE);
  }
  (void)flags;
  (void)point;
}

CSkinScrollBarFrame* CSkinScrollBarFrame::FromList(HWND list) {
  return list ? reinterpret_cast<CSkinScrollBarFrame*>(::GetWindowLongPtr(list, GWLP_USERDATA)) : nullptr;
}

CSkinScrollBarFrame* CSkinScrollBarFrame::Attach(HWND list, HBITMAP skin) {
  if (!list || !::IsWindow(list) || !skin || skin::ScrollPieceSize(skin::BitmapSize(skin).cx) <= 0) return nullptr;
  if (FromList(list)) return nullptr;  // already framed
  static const bool registered = [] {
    WNDCLASS wc;
    wc.lpfnWndProc = ::DefWindowProc;
    wc.lpszClassName = "SkinScrollBarFrameClass";
    return RegisterClass(&wc) != 0;
  }();
  (void)registered;
  HWND parent = ::GetParent(list);
  RECT r;
  ::GetWindowRect(list, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  const DWORD style = static_cast<DWORD>(::GetWindowLong(list, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(::GetWindowLong(list, GWL_EXSTYLE));
  auto* frame = new CSkinScrollBarFrame;
  frame->m_hBitmap = skin;
  frame->m_nPiece = skin::ScrollPieceSize(skin::BitmapSize(skin).cx);
  DWORD frameStyle = WS_CHILD | (style & WS_VISIBLE) | (style & WS_BORDER);
  DWORD frameEx = exStyle & WS_EX_CLIENTEDGE;
  if (!frame->CreateEx(frameEx, "SkinScrollBarFrameClass", "SkinScrollBarFrame", frameStyle, r,
                       CWnd::FromHandle(parent), static_cast<UINT>(::GetDlgCtrlID(list)))) {
    delete frame;
    return nullptr;
  }
  // The list gives its border and edge to the frame.
  ::SetWindowLong(list, GWL_STYLE, static_cast<LONG>(style & ~WS_BORDER));
  ::SetWindowLong(list, GWL_EXSTYLE, static_cast<LONG>(exStyle & ~WS_EX_CLIENTEDGE));
  RECT none{0, 0, 10, 10};
  frame->m_limit.CreateEx(0, "SkinScrollBarFrameClass", "LIMIT", WS_CHILD | WS_VISIBLE, none, frame, kLimitId);
  frame->m_horizontal.Create(SBS_HORZ | WS_CHILD, none, frame, kFrameBarH);
  frame->m_vertical.Create(SBS_VERT | WS_CHILD, none, frame, kFrameBarV);
  frame->m_horizontal.SetBitmap(skin);
  frame->m_vertical.SetBitmap(skin);
  ::SetParent(list, frame->m_limit.m_hWnd);
  frame->m_hList = list;
  ::SetWindowLongPtr(list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));
  frame->m_pfnListProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtr(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CSkinScrollBarFrame::ListProc)));
  frame->Sync();
  frame->SetTimer(kFrameTimer, 500);
  return frame;
}

void CSkinScrollBarFrame::Detach(HWND list) {
  CSkinScrollBarFrame* frame = FromList(list);
  if (!frame) return;
  ::SetWindowLongPtr(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(frame->m_pfnListProc));
  ::SetWindowLongPtr(list, GWLP_USERDATA, 0);
  frame->m_hList = nullptr;
  RECT r;
  ::GetWindowRect(frame->m_hWnd, &r);
  HWND parent = ::GetParent(frame->m_hWnd);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  ::SetParent(list, parent);
  ::MoveWindow(list, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  frame->DestroyWindow();  // the frame deletes itself with its window
}

LRESULT CSkinScrollBarFrame::ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CSkinScrollBarFrame* frame = FromList(hwnd);
  if (!frame) return ::DefWindowProc(hwnd, msg, wParam, lParam);
  WNDPROC old = frame->m_pfnListProc;
  if (msg == WM_DESTROY) {
    // Only the procedure goes back: the frame may be in its own destruction right now, and it
    // deletes itself when its window goes.
    ::SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
    ::SetWindowLongPtr(hwnd, GWLP_USERDATA, 0);
    frame->m_hList = nullptr;
    return ::CallWindowProc(old, hwnd, msg, wParam, lParam);
  }
  const LRESULT result = ::CallWindowProc(old, hwnd, msg, wParam, lParam);
  if (!frame->m_bBusy && (msg == WM_ERASEBKGND || msg == WM_SIZE)) frame->Sync();
  return result;
}

void CSkinScrollBarFrame::SyncBar(CSkinScrollBar& bar, int which) {
  SCROLLINFO list{};
  list.cbSize = sizeof(list);
  list.fMask = SIF_ALL;
  if (!::GetScrollInfo(m_hList, which, &list)) return;
  SCROLLINFO mine{};
  mine.cbSize = sizeof(mine);
  mine.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  bar.SendMessage(SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&mine));
  if (mine.nMin != list.nMin || mine.nMax != list.nMax || mine.nPage != list.nPage || mine.nPos != list.nPos) {
    list.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    bar.SendMessage(SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&list));
  }
  // A page that covers the whole range leaves nothing to scroll.
  bar.EnableWindow(list.nMax - list.nMin + 1 > static_cast<int>(list.nPage));
}

void CSkinScrollBarFrame::Layout() {
  if (!m_hList) return;
  // A list shows a bar while it has more than a page to scroll; its style bit follows that.
  auto hasBar = [&](int which, DWORD bit) {
    if (::GetWindowLong(m_hList, GWL_STYLE) & bit) return true;
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE;
    return ::GetScrollInfo(m_hList, which, &si) && si.nPage > 0 && si.nMax - si.nMin + 1 > static_cast<int>(si.nPage);
  };
  const bool vertical = hasBar(SB_VERT, WS_VSCROLL), horizontal = hasBar(SB_HORZ, WS_HSCROLL);
  const bool left = ::GetWindowLong(m_hList, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR;
  RECT client;
  GetClientRect(&client);
  const int p = m_nPiece;
  const int innerW = std::max(0, client.right - (vertical ? p : 0));
  const int innerH = std::max(0, client.bottom - (horizontal ? p : 0));
  const int innerX = vertical && left ? p : 0;
  m_bBusy = TRUE;
  ::MoveWindow(m_limit.m_hWnd, innerX, 0, innerW, innerH, TRUE);
  // The list is just too large for the clipping window to show its own bars.
  const int listW = innerW + (vertical ? GetSystemMetrics(SM_CXVSCROLL) : 0);
  const int listH = innerH + (horizontal ? GetSystemMetrics(SM_CYHSCROLL) : 0);
  ::MoveWindow(m_hList, vertical && left ? -GetSystemMetrics(SM_CXVSCROLL) : 0, 0, listW, listH, TRUE);
  ::MoveWindow(m_vertical.m_hWnd, left ? 0 : innerW, 0, p, innerH, TRUE);
  ::MoveWindow(m_horizontal.m_hWnd, innerX, innerH, innerW, p, TRUE);
  m_vertical.ShowWindow(vertical ? SW_SHOW : SW_HIDE);
  m_horizontal.ShowWindow(horizontal ? SW_SHOW : SW_HIDE);
  m_nCorner = vertical && horizontal ? (left ? 1 : 2) : 0;
  m_bBusy = FALSE;
}

void CSkinScrollBarFrame::Sync() {
  if (!m_hList || m_bBusy) return;
  Layout();
  if (m_vertical.IsWindowVisible() && !m_vertical.IsDragging()) SyncBar(m_vertical, SB_VERT);
  if (m_horizontal.IsWindowVisible() && !m_horizontal.IsDragging()) SyncBar(m_horizontal, SB_HORZ);
}

LRESULT CSkinScrollBarFrame::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if ((msg == WM_VSCROLL || msg == WM_HSCROLL) && m_hList) {
    m_bBusy = TRUE;
    ::SendMessage(m_hList, msg, wParam, 0);
    m_bBusy = FALSE;
    if (LOWORD(wParam) != SB_THUMBTRACK)
      SyncBar(msg == WM_VSCROLL ? m_vertical : m_horizontal, msg == WM_VSCROLL ? SB_VERT : SB_HORZ);
    return 0;
  }
  if (msg == WM_SKINSCROLL_TRACK && m_hList) {
    m_bBusy = TRUE;
    ::SendMessage(m_hList, msg, wParam, lParam);
    m_bBusy = FALSE;
    return 0;
  }
  if (msg == WM_SIZE) {
    const LRESULT result = CWnd::WindowProc(msg, wParam, lParam);
    Sync();
    return result;
  }
  return CWnd::WindowProc(msg, wParam, lParam);
}

void CSkinScrollBarFrame::OnPaint() {
  CPaintDC paint(this);
  if (m_nCorner == 0 || !m_hBitmap) return;
  RECT client;
  GetClientRect(&client);
  const int p = m_nPiece;
  HDC source = CreateCompatibleDC(paint);
  HGDIOBJ old = SelectObject(source, m_hBitmap);
  const int x = m_nCorner == 1 ? 0 : client.right - p;
  BitBlt(paint, x, client.bottom - p, p, p, source, 8 * p, (m_nCorner == 1 ? 1 : 0) * p, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
}

void CSkinScrollBarFrame::OnTimer(UINT_PTR id) {
  if (id == kFrameTimer) Sync();
  CWnd::OnTimer(id);
}
