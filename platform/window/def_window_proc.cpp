#include <cstring>

#include "platform/base/strings.h"
#include "platform/window/focus.h"
#include "platform/window/modal_loop.h"
#include "platform/window/nc_scroll.h"
#include "platform/window/paint.h"
#include "platform/window/window_frame.h"
#include "platform/window/window_internal.h"

using namespace platform::win;

namespace {

POINT PointOf(LPARAM lParam) {
  return POINT{static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))),
               static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam)))};
}

bool IsMove(const MSG& m) { return m.message == WM_MOUSEMOVE || m.message == WM_NCMOUSEMOVE; }
bool IsLeftRelease(const MSG& m) { return m.message == WM_LBUTTONUP || m.message == WM_NCLBUTTONUP; }

// Drags a window with the mouse until the button comes up (Esc puts it back), the way the system
// moves a window whose caption is pressed.
void MoveLoop(HWND hwnd, POINT start) {
  RECT origin{};
  GetWindowRect(hwnd, &origin);
  if (HWND parent = GetParent(hwnd); parent && (GetWindowLong(hwnd, GWL_STYLE) & WS_CHILD))
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&origin), 2);
  SetCapture(hwnd);
  bool done = false;
  auto moveTo = [&](POINT p) {
    SetWindowPos(hwnd, nullptr, origin.left + (p.x - start.x), origin.top + (p.y - start.y), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  platform::RunModalLoop([&] { return done || GetCapture() != hwnd || !IsWindow(hwnd); },
                         [&](MSG& m) {
                           // Input injected before the press was routed by hit-testing, so
                           // non-client moves and the release count as well.
                           if (IsMove(m) || IsLeftRelease(m)) {
                             moveTo(m.pt);
                             done = IsLeftRelease(m);
                             return true;
                           }
                           switch (m.message) {
                             case WM_KEYDOWN:
                               if (m.wParam == VK_ESCAPE) {
                                 moveTo(start);
                                 done = true;
                               }
                               return true;
                             default: return false;
                           }
                         });
  if (GetCapture() == hwnd) ReleaseCapture();
}

}  // namespace

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto w = Find(hwnd);
  if (!w) return 0;
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCT*>(lParam);
      if (cs && cs->lpszName) w->text = cs->lpszName;
      return TRUE;
    }
    case WM_SETTEXT: {
      const char* text = reinterpret_cast<const char*>(lParam);
      if (text && std::strlen(text) > kMaxWindowText) return FALSE;
      {
        std::lock_guard lock(TableLock());
        w->text = text ? text : "";
      }
      if (!(w->style & WS_CHILD) && Remote().topLevelChanged) Remote().topLevelChanged();
      return TRUE;
    }
    case WM_GETTEXT: {
      char* buffer = reinterpret_cast<char*>(lParam);
      const int size = static_cast<int>(wParam);
      if (!buffer || size <= 0) return 0;
      std::lock_guard lock(TableLock());
      return platform::CopyToBuffer(w->text, buffer, size);
    }
    case WM_GETTEXTLENGTH: {
      std::lock_guard lock(TableLock());
      return static_cast<LRESULT>(w->text.size());
    }
    case WM_SETICON: {
      // wParam 1 the big icon, 0 the small one; the previous one is returned.
      const char* slot = wParam ? "#icon.big" : "#icon.small";
      HANDLE previous = GetProp(hwnd, slot);
      if (lParam) SetProp(hwnd, slot, reinterpret_cast<HANDLE>(lParam));
      else RemoveProp(hwnd, slot);
      return reinterpret_cast<LRESULT>(previous);
    }
    case WM_GETICON: return reinterpret_cast<LRESULT>(GetProp(hwnd, wParam ? "#icon.big" : "#icon.small"));
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      if (!w->cls->wc.hbrBackground) return 0;
      platform::win::FillBackground(hwnd, reinterpret_cast<HDC>(wParam), w->cls->wc.hbrBackground);
      return 1;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: return platform::win::DefaultControlColour(msg, reinterpret_cast<HDC>(wParam));
    case WM_SETCURSOR: {
      if ((w->style & WS_CHILD) && w->parent && SendMessage(w->parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
      if (LOWORD(static_cast<DWORD_PTR>(lParam)) == HTCLIENT) {
        // The cursor of the window under the mouse, even when a parent answers for it.
        auto under = Find(reinterpret_cast<HWND>(wParam));
        HCURSOR cursor = under ? under->cls->wc.hCursor : w->cls->wc.hCursor;
        SetCursor(cursor ? cursor : LoadCursor(nullptr, IDC_ARROW));
        return TRUE;
      }
      return FALSE;
    }
    case WM_NCHITTEST: return platform::win::DefaultHitTest(hwnd, PointOf(lParam));
    case WM_NCCALCSIZE:
      if (!wParam && lParam) {
        // The proposed window rectangle becomes the client rectangle inside frame and bars.
        auto* r = reinterpret_cast<RECT*>(lParam);
        const RECT in = FrameInsets(w->style, w->exStyle);
        r->left += in.left;
        r->top += in.top;
        r->right = std::max(r->left, r->right - in.right);
        r->bottom = std::max(r->top, r->bottom - in.bottom);
      }
      return 0;
    case WM_MOUSEACTIVATE: return 1;  // MA_ACTIVATE
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !IsIconic(hwnd)) SetFocus(hwnd);
      return 0;
    case WM_NCACTIVATE: return TRUE;
    case WM_WINDOWPOSCHANGED: {
      auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (!wp) return 0;
      if (!(wp->flags & SWP_NOSIZE)) {
        RECT cr{};
        GetClientRect(hwnd, &cr);
        WPARAM kind = (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
        SendMessage(hwnd, WM_SIZE, kind, MAKELPARAM(static_cast<WORD>(cr.right), static_cast<WORD>(cr.bottom)));
      }
      if (!(wp->flags & SWP_NOMOVE)) {
        POINT o{0, 0};
        ClientToScreen(hwnd, &o);
        if (w->style & WS_CHILD) ScreenToClient(GetParent(hwnd), &o);
        SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(o.x), static_cast<WORD>(o.y)));
      }
      return 0;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (wParam == static_cast<WPARAM>(HTCAPTION) && msg == WM_NCLBUTTONDOWN && !(w->style & WS_MAXIMIZE))
        SendMessage(hwnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lParam);
      else if (wParam == static_cast<WPARAM>(HTVSCROLL) || wParam == static_cast<WPARAM>(HTHSCROLL))
        platform::win::TrackOwnScrollBar(hwnd, static_cast<LRESULT>(wParam), PointOf(lParam));
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_MOVE: {
          POINT start{static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))),
                      static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam)))};
          // A press on the caption (or on a body that passes itself off as one) drags from where
          // the press was read, as Windows does: programs pass their client point as often as not.
          POINT pressed{};
          if ((wParam & 0x000F) == HTCAPTION && LastMouseInputPoint(&pressed)) start = pressed;
          else if (!lParam) GetCursorPos(&start);
          MoveLoop(hwnd, start);
          break;
        }
        case SC_CLOSE: SendMessage(hwnd, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); break;
        case SC_MAXIMIZE: ShowWindow(hwnd, SW_MAXIMIZE); break;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); break;
        default: break;
      }
      return 0;
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL:
      if ((w->style & WS_CHILD) && w->parent) return SendMessage(w->parent, msg, wParam, lParam);
      return 0;
    case WM_QUERYDRAGICON: return reinterpret_cast<LRESULT>(w->cls->wc.hIcon);
    case WM_GETDLGCODE:
    default: return 0;
  }
}
