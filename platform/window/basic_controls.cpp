// Plain stand-ins for the standard controls, so dialogs work before the controls layer registers
// its own classes of the same names (application classes are found first).
#include "platform/window/focus.h"
#include "platform/window/paint.h"
#include "platform/window/system_classes.h"
#include "platform/window/window_internal.h"

using namespace platform::win;

namespace {

constexpr int kStateSlot = 0;  // check state and pushed flag
constexpr int kLimitSlot = 8;  // edit text limit

void Notify(HWND hwnd, WORD code) {
  HWND parent = GetParent(hwnd);
  if (parent)
    SendMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
                reinterpret_cast<LPARAM>(hwnd));
}

DWORD ButtonType(HWND hwnd) { return static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE)) & BS_TYPEMASK; }

void ButtonClicked(HWND hwnd) {
  const DWORD type = ButtonType(hwnd);
  LONG_PTR state = GetWindowLongPtr(hwnd, kStateSlot);
  if (type == BS_AUTOCHECKBOX) {
    SetWindowLongPtr(hwnd, kStateSlot, (state & ~3) | ((state & 3) ? 0 : 1));
  } else if (type == BS_AUTO3STATE) {
    SetWindowLongPtr(hwnd, kStateSlot, (state & ~3) | (((state & 3) + 1) % 3));
  } else if (type == BS_AUTORADIOBUTTON) {
    SetWindowLongPtr(hwnd, kStateSlot, (state & ~3) | 1);
  }
  Notify(hwnd, BN_CLICKED);
}

}  // namespace

namespace platform::win {

LRESULT BasicButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_GETDLGCODE: {
      const DWORD type = ButtonType(hwnd);
      if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (type == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      return DLGC_BUTTON;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetCapture(hwnd);
      SetFocus(hwnd);
      SetWindowLongPtr(hwnd, kStateSlot, GetWindowLongPtr(hwnd, kStateSlot) | BST_PUSHED);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_LBUTTONUP: {
      const bool pushed = (GetWindowLongPtr(hwnd, kStateSlot) & BST_PUSHED) != 0;
      SetWindowLongPtr(hwnd, kStateSlot, GetWindowLongPtr(hwnd, kStateSlot) & ~static_cast<LONG_PTR>(BST_PUSHED));
      if (GetCapture() == hwnd) ReleaseCapture();
      RECT r{};
      GetClientRect(hwnd, &r);
      POINT p{static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))),
              static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam)))};
      InvalidateRect(hwnd, nullptr, TRUE);
      if (pushed && PtInRect(&r, p)) ButtonClicked(hwnd);
      return 0;
    }
    case WM_KEYUP:
      if (wParam == VK_SPACE) ButtonClicked(hwnd);
      return 0;
    case BM_CLICK: ButtonClicked(hwnd); return 0;
    case BM_GETCHECK: return GetWindowLongPtr(hwnd, kStateSlot) & 3;
    case BM_SETCHECK:
      SetWindowLongPtr(hwnd, kStateSlot, (GetWindowLongPtr(hwnd, kStateSlot) & ~3) | static_cast<LONG_PTR>(wParam & 3));
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case BM_GETSTATE: return GetWindowLongPtr(hwnd, kStateSlot) | (GetFocus() == hwnd ? BST_FOCUS : 0);
    case BM_SETSTATE: {
      LONG_PTR s = GetWindowLongPtr(hwnd, kStateSlot);
      SetWindowLongPtr(hwnd, kStateSlot, wParam ? (s | BST_PUSHED) : (s & ~static_cast<LONG_PTR>(BST_PUSHED)));
      return 0;
    }
    case BM_SETSTYLE: {
      DWORD style = static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE));
      SetWindowLong(hwnd, GWL_STYLE, static_cast<LONG>((style & ~0xFFFFu) | (static_cast<DWORD>(wParam) & 0xFFFF)));
      if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      // Focus notices only for buttons that ask for them, as parents take any command as a click.
      if (GetWindowLong(hwnd, GWL_STYLE) & BS_NOTIFY) Notify(hwnd, msg == WM_SETFOCUS ? BN_SETFOCUS : BN_KILLFOCUS);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

LRESULT BasicStaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_GETDLGCODE: return DLGC_STATIC;
    case WM_LBUTTONUP:
      if (GetWindowLong(hwnd, GWL_STYLE) & SS_NOTIFY) Notify(hwnd, STN_CLICKED);
      return 0;
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

LRESULT BasicEditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_GETDLGCODE: return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_LBUTTONDOWN: SetFocus(hwnd); return 0;
    case EM_LIMITTEXT: SetWindowLongPtr(hwnd, kLimitSlot, static_cast<LONG_PTR>(wParam)); return 0;
    case WM_CHAR: {
      if (GetWindowLong(hwnd, GWL_STYLE) & ES_READONLY) return 0;
      const int len = GetWindowTextLength(hwnd);
      std::string text(static_cast<size_t>(len) + 1, '\0');
      GetWindowText(hwnd, text.data(), len + 1);
      text.resize(static_cast<size_t>(len));
      const char ch = static_cast<char>(wParam);
      const LONG_PTR limit = GetWindowLongPtr(hwnd, kLimitSlot);
      if (ch == VK_BACK) {
        if (text.empty()) return 0;
        text.pop_back();
      } else if (static_cast<unsigned char>(ch) >= 0x20) {
        if ((GetWindowLong(hwnd, GWL_STYLE) & ES_NUMBER) && (ch < '0' || ch > '9')) return 0;
        if (limit > 0 && static_cast<LONG_PTR>(text.size()) >= limit) return 0;
        text.push_back(ch);
      } else {
        return 0;
      }
      SetWindowText(hwnd, text.c_str());
      Notify(hwnd, EN_CHANGE);
      return 0;
    }
    case WM_SETFOCUS: Notify(hwnd, EN_SETFOCUS); return 0;
    case WM_KILLFOCUS: Notify(hwnd, EN_KILLFOCUS); return 0;
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace platform::win
