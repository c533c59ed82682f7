// What the desktop does to the suite's X windows, turned into the window system's input.
#include <X11/Xcursor/Xcursor.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/window/focus.h"
#include "platform/window/input.h"
#include "platform/window/key_chars.h"
#include "platform/window/messages.h"
#include "platform/window/monitors.h"
#include "platform/window/window.h"
#include "platform/window/window_styles.h"
#include "platform/x11/x11_atoms.h"
#include "platform/x11/x11_keys.h"
#include "platform/x11/x11_presenter.h"

namespace platform::x11 {
namespace {

constexpr int kPollMs = 30;
constexpr unsigned long kDoubleClickMs = 500;
constexpr int kCloseGraceSeconds = 5;
constexpr int kWheelDelta = 120;

// X cursor names (themed first, then the core font's shape) for the system cursors.
struct CursorName {
  WORD id;
  const char* themed;
  unsigned int shape;
};
constexpr CursorName kCursors[] = {
    {32512, "left_ptr", XC_left_ptr},
    {32513, "xterm", XC_xterm},
    {32514, "watch", XC_watch},
    {32515, "crosshair", XC_crosshair},
    {32642, "bottom_right_corner", XC_bottom_right_corner},
    {32643, "bottom_left_corner", XC_bottom_left_corner},
    {32644, "sb_h_double_arrow", XC_sb_h_double_arrow},
    {32645, "sb_v_double_arrow", XC_sb_v_double_arrow},
    {32646, "fleur", XC_fleur},
    {32648, "crossed_circle", XC_X_cursor},
    {32649, "hand2", XC_hand2},
    {32650, "left_ptr_watch", XC_watch},
};

bool OnlyControlCodes(const std::string& text) {
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u != 0x7F) return false;
  }
  return true;
}

}  // namespace

void X11Presenter::EventLoop() {
  const int fd = ConnectionNumber(display_);
  while (!stop_) {
    pollfd p{fd, POLLIN, 0};
    poll(&p, 1, kPollMs);
    std::vector<Action> actions;
    {
      std::lock_guard lock(mu_);
      while (!lost_ && XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (XFilterEvent(&event, None)) continue;  // taken by the input method
        HandleEvent(event, actions);
      }
      if (!lost_) {
        UpdateCursor();
        XFlush(display_);
      }
    }
    for (Action& a : actions) a();
    if (lost_) {
      CloseEverything();
      return;
    }
  }
}

void X11Presenter::CloseEverything() {
  // The desktop is gone: the windows close as they would at log-out, and the program ends even
  // when one of them refuses.
  std::vector<HWND> handles;
  EnumWindows(
      [](HWND hwnd, LPARAM list) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&handles));
  for (HWND hwnd : handles)
    if (IsWindowVisible(hwnd)) PostMessage(hwnd, WM_CLOSE, 0, 0);
  std::unique_lock lock(stopMu_);
  if (stopCv_.wait_for(lock, std::chrono::seconds(kCloseGraceSeconds), [this] { return stop_.load(); })) return;
  std::fprintf(stderr, "%s: the X display is gone\n", programName_.c_str());
  std::fflush(nullptr);
  _exit(1);
}

void X11Presenter::HandleEvent(XEvent& event, std::vector<Action>& actions) {
  const HWND hwnd = HwndOf(event.xany.window);
  Shown* shown = hwnd ? &shown_[hwnd] : nullptr;
  switch (event.type) {
    case Expose:
      // Repainted from what was last shown; the program is not asked again.
      if (shown && shown->imageValid)
        shown->image->Put(shown->xid, gc_, event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height);
      break;
    case MotionNotify: {
      if (!shown) break;
      XEvent latest = event;
      while (XCheckTypedWindowEvent(display_, event.xany.window, MotionNotify, &latest)) {
      }
      pointerWindow_ = shown->xid;
      const POINT at{shown->rect.left + latest.xmotion.x, shown->rect.top + latest.xmotion.y};
      actions.push_back([at] { InjectMouseMove(at); });
      break;
    }
    case EnterNotify:
      if (shown) pointerWindow_ = shown->xid;
      lastCursor_ = reinterpret_cast<HCURSOR>(~uintptr_t{0});  // set it afresh on this window
      break;
    case ButtonPress:
    case ButtonRelease:
      if (shown) HandleButton(event.xbutton, hwnd, event.type == ButtonPress, actions);
      break;
    case KeyPress:
    case KeyRelease: HandleKey(event.xkey, event.type == KeyPress, actions); break;
    case ClientMessage: HandleClientMessage(event.xclient, hwnd, actions); break;
    case SelectionNotify: HandleSelection(event.xselection, actions); break;
    case FocusIn:
      if (shown && event.xfocus.mode != NotifyGrab && event.xfocus.detail != NotifyPointer) {
        if (auto ic = ics_.find(shown->xid); ic != ics_.end()) XSetICFocus(ic->second);
        lastActive_ = hwnd;  // the desktop's choice: not asked back for
        actions.push_back([hwnd] {
          if (GetActiveWindow() != hwnd && IsWindowEnabled(hwnd)) SetForegroundWindow(hwnd);
        });
      }
      break;
    case ConfigureNotify: {
      if (!shown || shown->popup || !shown->mapped) break;
      // Moved by the window manager (or the user dragging its frame): the window follows.
      int x = 0, y = 0;
      Window child = 0;
      XTranslateCoordinates(display_, shown->xid, root_, 0, 0, &x, &y, &child);
      if (x == shown->rect.left && y == shown->rect.top) break;
      OffsetRect(&shown->rect, x - shown->rect.left, y - shown->rect.top);
      actions.push_back(
          [hwnd, x, y] { SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE); });
      break;
    }
    case PropertyNotify:
      if (event.xproperty.window == root_ && event.xproperty.atom == atoms_->netWorkarea) ReadMonitors();
      break;
    case MappingNotify: XRefreshKeyboardMapping(&event.xmapping); break;
    default: break;
  }
}

void X11Presenter::HandleButton(XButtonEvent& e, HWND, bool down, std::vector<Action>& actions) {
  const Shown& s = shown_[HwndOf(e.window)];
  const POINT at{s.rect.left + e.x, s.rect.top + e.y};
  if (e.button == Button4 || e.button == Button5) {
    if (down) {
      const int delta = e.button == Button4 ? kWheelDelta : -kWheelDelta;
      actions.push_back([delta, at] { InjectMouseWheel(delta, at); });
    }
    return;
  }
  MouseButton button;
  switch (e.button) {
    case Button1: button = MouseButton::Left; break;
    case Button2: button = MouseButton::Middle; break;
    case Button3: button = MouseButton::Right; break;
    default: return;
  }
  pointerWindow_ = s.xid;
  if (!down) {
    actions.push_back([button, at] { InjectMouseUp(button, at); });
    return;
  }
  const bool near = std::abs(at.x - lastPressAt_.x) * 2 <= GetSystemMetrics(SM_CXDOUBLECLK) &&
                    std::abs(at.y - lastPressAt_.y) * 2 <= GetSystemMetrics(SM_CYDOUBLECLK);
  const bool isDouble = !lastWasDouble_ && lastButton_ == e.button && e.time - lastPressTime_ <= kDoubleClickMs && near;
  lastButton_ = e.button;
  lastPressTime_ = e.time;
  lastPressAt_ = at;
  lastWasDouble_ = isDouble;
  if (isDouble) actions.push_back([button, at] { InjectMouseDoubleDown(button, at); });
  else actions.push_back([button, at] { InjectMouseDown(button, at); });
}

void X11Presenter::HandleKey(XKeyEvent& e, bool down, std::vector<Action>& actions) {
  const int vk = VirtualKeyFromKeysym(XLookupKeysym(&e, 0));
  if (!down) {
    if (vk) actions.push_back([vk] { InjectKeyUp(vk); });
    return;
  }
  std::string text;
  char buffer[64];
  KeySym sym = NoSymbol;
  auto ic = ics_.find(e.window);
  if (ic != ics_.end()) {
    Status status = 0;
    const int n = Xutf8LookupString(ic->second, &e, buffer, sizeof buffer, &sym, &status);
    if ((status == XLookupChars || status == XLookupBoth) && n > 0) text.assign(buffer, static_cast<size_t>(n));
  } else {
    XLookupString(&e, buffer, sizeof buffer, &sym, nullptr);
    text = Utf8FromKeysym(sym);
  }
  if (OnlyControlCodes(text)) text.clear();  // Enter, Tab, Ctrl+letter: the key says it all
  win::KeyModifiers mods;
  mods.shift = (e.state & ShiftMask) != 0;
  mods.capsLock = (e.state & LockMask) != 0;
  mods.control = (e.state & ControlMask) != 0;
  const char typed = vk ? win::CharForKey(vk, mods) : 0;
  const bool keyTypesIt = text.empty() || (e.state & Mod1Mask) || (text.size() == 1 && text[0] == typed);
  if (vk && keyTypesIt) {
    actions.push_back([vk] { InjectKeyDown(vk); });
    return;
  }
  // A layout other than the US one, or a character no key of it has: the text as the desktop
  // typed it.
  actions.push_back([text] {
    for (char c : text) InjectChar(c);
  });
}

void X11Presenter::UpdateCursor() {
  const HCURSOR cursor = GetCursor();
  if (cursor == lastCursor_ || !pointerWindow_) return;
  lastCursor_ = cursor;
  const auto value = reinterpret_cast<uintptr_t>(cursor);
  const CursorName* name = &kCursors[0];
  for (const CursorName& c : kCursors)
    if (c.id == value) name = &c;
  Cursor& x = cursors_[name->id];
  if (!x) x = XcursorLibraryLoadCursor(display_, name->themed);
  if (!x) x = XCreateFontCursor(display_, name->shape);
  XDefineCursor(display_, pointerWindow_, x);
}

}  // namespace platform::x11
