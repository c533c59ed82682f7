#include "platform/window/input.h"

#include "platform/window/focus.h"
#include "platform/window/input_state.h"
#include "platform/window/nc_scroll.h"
#include "platform/window/window_internal.h"

using namespace platform::win;

namespace {

int ButtonVk(platform::MouseButton b) {
  switch (b) {
    case platform::MouseButton::Left: return VK_LBUTTON;
    case platform::MouseButton::Right: return VK_RBUTTON;
    default: return VK_MBUTTON;
  }
}

UINT DownMessage(platform::MouseButton b) {
  switch (b) {
    case platform::MouseButton::Left: return WM_LBUTTONDOWN;
    case platform::MouseButton::Right: return WM_RBUTTONDOWN;
    default: return WM_MBUTTONDOWN;
  }
}

WPARAM MouseKeys(const BYTE* keys) {
  WPARAM k = 0;
  if (keys[VK_LBUTTON] & 0x80) k |= MK_LBUTTON;
  if (keys[VK_RBUTTON] & 0x80) k |= MK_RBUTTON;
  if (keys[VK_MBUTTON] & 0x80) k |= MK_MBUTTON;
  if (keys[VK_SHIFT] & 0x80) k |= MK_SHIFT;
  if (keys[VK_CONTROL] & 0x80) k |= MK_CONTROL;
  return k;
}

void QueueInput(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
  auto w = Find(target);
  if (!w) return;
  MSG m;
  m.hwnd = target;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = static_cast<DWORD>(NowMs());
  GetCursorPos(&m.pt);
  {
    std::lock_guard lock(w->queue->mu);
    if (!w->queue->alive) return;
    w->queue->input.push_back(m);
    ++w->queue->wakes;
  }
  w->queue->cv.notify_all();
}

// What a window says is at a screen point. Windows of the injecting thread are asked with
// WM_NCHITTEST; another thread's window gets the default answer, so injecting never waits on a
// thread that may be waiting for the injector.
LRESULT AskHitTest(HWND hwnd, POINT screen) {
  auto w = Find(hwnd);
  if (!w) return HTNOWHERE;
  if (w->queue != CurrentQueue()) return DefaultHitTest(hwnd, screen);
  return SendMessage(hwnd, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
}

// The window under the point and its hit code; HTTRANSPARENT hands the point to what lies beneath.
HWND HitTarget(POINT screen, LRESULT* hit) {
  std::vector<HWND> skip;
  for (;;) {
    HWND h = MouseTarget(screen, skip);
    if (!h) return nullptr;
    const LRESULT code = AskHitTest(h, screen);
    if (code != HTTRANSPARENT) {
      *hit = code;
      return h;
    }
    skip.push_back(h);
  }
}

// Routes one mouse message: the capture window gets everything as client input, otherwise the
// window under the point, as client input on HTCLIENT and as the WM_NC* message (hit code in
// wParam, screen point in lParam) elsewhere; a tracked window that the mouse left hears
// WM_MOUSELEAVE first.
void RouteMouse(UINT message, POINT screen, int vk, bool down) {
  auto& s = Input();
  HWND target;
  HWND leave = nullptr;
  WPARAM keys;
  {
    std::lock_guard lock(s.mu);
    s.cursorPos = screen;
    if (vk) s.asyncKeys[vk] = down ? 0x80 : 0;
    target = s.capture;
    keys = MouseKeys(s.asyncKeys);
  }
  LRESULT hit = HTCLIENT;
  if (!target) target = HitTarget(screen, &hit);
  {
    std::lock_guard lock(s.mu);
    if (s.leaveTrack && s.leaveTrack != target) {
      leave = s.leaveTrack;
      s.leaveTrack = nullptr;
    }
  }
  if (leave) QueueInput(leave, WM_MOUSELEAVE, 0, 0);
  if (!target || hit == HTERROR || hit == HTNOWHERE) return;
  if (hit != HTCLIENT) {
    QueueInput(target, message - WM_MOUSEMOVE + WM_NCMOUSEMOVE, static_cast<WPARAM>(hit),
               MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
    return;
  }
  POINT client = screen;
  ScreenToClient(target, &client);
  QueueInput(target, message, keys, MAKELPARAM(static_cast<WORD>(client.x), static_cast<WORD>(client.y)));
}

// A mouse message queued for the capture window, read after that window let the capture go (a
// hover button reading the move that takes the pointer off it): Windows picks a mouse message's
// window as it is read, so it goes to the window now under its point, or to no one. Only this
// thread's windows take it here; another thread's keep today's routing.
void RetargetAfterCaptureLeft(MSG& msg) {
  if (msg.message < WM_MOUSEMOVE || msg.message > WM_MBUTTONDBLCLK || !msg.hwnd) return;
  HWND capture;
  {
    auto& s = Input();
    std::lock_guard lock(s.mu);
    capture = s.capture;
  }
  if (capture == msg.hwnd) return;
  RECT rect;
  if (!GetWindowRect(msg.hwnd, &rect) || PtInRect(&rect, msg.pt)) return;  // chosen by its point
  LRESULT hit = HTCLIENT;
  HWND target = capture ? capture : HitTarget(msg.pt, &hit);
  if (target) {
    auto w = Find(target);
    if (!w || w->queue != CurrentQueue()) return;
  }
  if (!target || hit == HTERROR || hit == HTNOWHERE) {
    msg.hwnd = nullptr;
    msg.message = WM_NULL;
    return;
  }
  msg.hwnd = target;
  if (hit != HTCLIENT) {
    msg.message = msg.message - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
    msg.wParam = static_cast<WPARAM>(hit);
    msg.lParam = MAKELPARAM(static_cast<WORD>(msg.pt.x), static_cast<WORD>(msg.pt.y));
    return;
  }
  POINT client = msg.pt;
  ScreenToClient(target, &client);
  msg.lParam = MAKELPARAM(static_cast<WORD>(client.x), static_cast<WORD>(client.y));
}

HWND KeyTarget() {
  auto& s = Input();
  std::lock_guard lock(s.mu);
  return s.focus ? s.focus : s.active;
}

}  // namespace

namespace platform::win {

thread_local POINT t_lastMousePoint{};
thread_local bool t_mousePointKnown = false;

bool LastMouseInputPoint(POINT* at) {
  if (t_mousePointKnown) *at = t_lastMousePoint;
  return t_mousePointKnown;
}

void OnInputRetrieved(MSG& msg) {
  RetargetAfterCaptureLeft(msg);
  if ((msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) ||
      (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONUP)) {
    t_lastMousePoint = msg.pt;
    t_mousePointKnown = true;
  }
  auto& s = Input();
  {
    std::lock_guard lock(s.mu);
    auto press = [&](int vk, bool down) {
      if (down) {
        if (!(s.keys[vk] & 0x80)) s.keys[vk] ^= 1;
        s.keys[vk] |= 0x80;
      } else {
        s.keys[vk] &= static_cast<BYTE>(~0x80);
      }
    };
    switch (msg.message) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: press(VK_LBUTTON, true); break;
      case WM_LBUTTONUP: press(VK_LBUTTON, false); break;
      case WM_RBUTTONDOWN:
      case WM_RBUTTONDBLCLK: press(VK_RBUTTON, true); break;
      case WM_RBUTTONUP: press(VK_RBUTTON, false); break;
      case WM_MBUTTONDOWN:
      case WM_MBUTTONDBLCLK: press(VK_MBUTTON, true); break;
      case WM_MBUTTONUP: press(VK_MBUTTON, false); break;
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN: press(static_cast<int>(msg.wParam & 0xFF), true); break;
      case WM_KEYUP:
      case WM_SYSKEYUP: press(static_cast<int>(msg.wParam & 0xFF), false); break;
      default: break;
    }
  }
  const bool client = msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST;
  const bool nonClient = msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONUP;
  if ((!client && !nonClient) || !IsWindow(msg.hwnd)) return;
  const UINT asClient = client ? msg.message : msg.message - WM_NCMOUSEMOVE + WM_MOUSEMOVE;
  const bool press = asClient == WM_LBUTTONDOWN || asClient == WM_RBUTTONDOWN || asClient == WM_MBUTTONDOWN;
  if (press) {
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (root && GetActiveWindow() != root) SetActiveWindow(root);
  }
  const WORD hit = static_cast<WORD>(client ? HTCLIENT : static_cast<LRESULT>(msg.wParam));
  if (!GetCapture())
    SendMessage(msg.hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(msg.hwnd),
                MAKELPARAM(hit, static_cast<WORD>(asClient)));
}

}  // namespace platform::win

namespace platform {

void InjectMouseMove(POINT screen) { RouteMouse(WM_MOUSEMOVE, screen, 0, false); }

void InjectMouseDown(MouseButton button, POINT screen) {
  RouteMouse(DownMessage(button), screen, ButtonVk(button), true);
}

void InjectMouseUp(MouseButton button, POINT screen) {
  RouteMouse(DownMessage(button) + 1, screen, ButtonVk(button), false);
}

void InjectClick(MouseButton button, POINT screen) {
  InjectMouseDown(button, screen);
  InjectMouseUp(button, screen);
}

void InjectMouseDoubleDown(MouseButton button, POINT screen) {
  HWND target = GetCapture() ? GetCapture() : MouseTarget(screen);
  bool dblclks = false;
  if (auto w = Find(target)) dblclks = (w->cls->wc.style & CS_DBLCLKS) != 0;
  RouteMouse(dblclks ? DownMessage(button) + 2 : DownMessage(button), screen, ButtonVk(button), true);
}

void InjectDoubleClick(MouseButton button, POINT screen) {
  InjectClick(button, screen);
  InjectMouseDoubleDown(button, screen);
  InjectMouseUp(button, screen);
}

void InjectMouseWheel(int delta, POINT screen) {
  if (HWND target = KeyTarget())
    QueueInput(target, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))),
               MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
}

void ClickWindow(HWND hwnd) {
  RECT r{};
  if (!GetClientRect(hwnd, &r)) return;
  POINT p{r.right / 2, r.bottom / 2};
  ClientToScreen(hwnd, &p);
  InjectClick(MouseButton::Left, p);
}

void InjectKeyDown(int vk) {
  {
    std::lock_guard lock(Input().mu);
    Input().asyncKeys[vk & 0xFF] = 0x80;
  }
  if (HWND target = KeyTarget()) QueueInput(target, WM_KEYDOWN, static_cast<WPARAM>(vk), 1);
}

void InjectKeyUp(int vk) {
  {
    std::lock_guard lock(Input().mu);
    Input().asyncKeys[vk & 0xFF] = 0;
  }
  if (HWND target = KeyTarget())
    QueueInput(target, WM_KEYUP, static_cast<WPARAM>(vk), static_cast<LPARAM>(0xC0000001u));
}

void InjectKey(int vk) {
  InjectKeyDown(vk);
  InjectKeyUp(vk);
}

void InjectChar(char ch) {
  if (HWND target = KeyTarget()) QueueInput(target, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(ch)), 1);
}

void PushInputStep(InputStep step) {
  std::lock_guard lock(Input().mu);
  Input().script.push_back(std::move(step));
  Input().scriptActive = true;
}

void ClearInputScript() {
  std::lock_guard lock(Input().mu);
  Input().script.clear();
  Input().scriptActive = false;
}

bool InputScriptActive() {
  std::lock_guard lock(Input().mu);
  return Input().scriptActive;
}

std::size_t InputStepsLeft() {
  std::lock_guard lock(Input().mu);
  return Input().script.size();
}

bool RunNextInputStep() {
  InputStep step;
  {
    std::lock_guard lock(Input().mu);
    if (Input().script.empty()) return false;
    step = std::move(Input().script.front());
    Input().script.pop_front();
  }
  if (step) step();
  return true;
}

void ResetInputState() {
  auto& s = Input();
  std::lock_guard lock(s.mu);
  s.focus = s.active = s.capture = s.leaveTrack = nullptr;
  std::fill(std::begin(s.keys), std::end(s.keys), 0);
  std::fill(std::begin(s.asyncKeys), std::end(s.asyncKeys), 0);
  s.cursorPos = POINT{};
  s.cursor = nullptr;
  s.cursorShowCount = 0;
  s.script.clear();
  s.scriptActive = false;
}

}  // namespace platform
