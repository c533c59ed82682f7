// Tool tips: tools over windows or rectangles, shown after the initial delay of relayed mouse
// moves (window timers, so on the suite's clock) and hidden on clicks, leaving or the autopop time.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/base/strings.h"
#include "platform/controls/control_base.h"
#include "platform/window/timers.h"

namespace platform::controls {
namespace {

constexpr UINT_PTR kShowTimer = 1;
constexpr UINT_PTR kPopTimer = 2;
// What the frame and margins add to the text's width.
constexpr int kFrameWidth = 6;

// The hook TTF_SUBCLASS puts on a tool's window: its mouse messages reach the tip, then go on.
LRESULT RelayHook(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR tip, DWORD_PTR) {
  const bool mouse = msg == WM_MOUSEMOVE || (msg >= WM_LBUTTONDOWN && msg <= WM_MBUTTONDBLCLK);
  HWND tipWindow = reinterpret_cast<HWND>(tip);
  if (mouse && IsWindow(tipWindow)) {
    MSG m{};
    m.hwnd = hwnd;
    m.message = msg;
    m.wParam = wParam;
    m.lParam = lParam;
    SendMessage(tipWindow, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

struct Tool {
  UINT flags = 0;
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  RECT rect{};
  std::string text;
};

class ToolTip final : public Control {
 public:
  using Control::Control;

  LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case TTM_ACTIVATE:
        active_ = wParam != 0;
        if (!active_) Hide();
        return 0;
      case TTM_ADDTOOL: {
        auto* ti = reinterpret_cast<const TOOLINFO*>(lParam);
        if (!ti) return FALSE;
        Tool t;
        t.flags = ti->uFlags;
        t.hwnd = ti->hwnd;
        t.id = ti->uId;
        t.rect = ti->rect;
        if (ti->lpszText && reinterpret_cast<intptr_t>(ti->lpszText) != -1 &&
            reinterpret_cast<uintptr_t>(ti->lpszText) > 0xFFFF)
          t.text = ti->lpszText;
        tools_.push_back(t);
        if (t.flags & TTF_SUBCLASS) SetWindowSubclass(Watched(t), RelayHook, reinterpret_cast<UINT_PTR>(hwnd_), 0);
        return TRUE;
      }
      case TTM_DELTOOL: {
        auto* ti = reinterpret_cast<const TOOLINFO*>(lParam);
        if (!ti) return 0;
        int i = Find(ti);
        if (i >= 0) {
          if (i == current_) Hide();
          const Tool gone = tools_[static_cast<size_t>(i)];
          tools_.erase(tools_.begin() + i);
          if (current_ > i) --current_;
          else if (current_ == i) current_ = -1;
          if (gone.flags & TTF_SUBCLASS) Unhook(Watched(gone));
        }
        return 0;
      }
      case WM_DESTROY:
        Hide();
        for (const Tool& t : tools_)
          if (t.flags & TTF_SUBCLASS) RemoveWindowSubclass(Watched(t), RelayHook, reinterpret_cast<UINT_PTR>(hwnd_));
        tools_.clear();
        return Control::Proc(msg, wParam, lParam);
      case TTM_UPDATETIPTEXT: {
        auto* ti = reinterpret_cast<const TOOLINFO*>(lParam);
        int i = ti ? Find(ti) : -1;
        if (i >= 0) {
          tools_[static_cast<size_t>(i)].text = ti->lpszText && reinterpret_cast<uintptr_t>(ti->lpszText) > 0xFFFF &&
                                                        reinterpret_cast<intptr_t>(ti->lpszText) != -1
                                                    ? ti->lpszText
                                                    : "";
          if (i == current_ && shown_) Show();
        }
        return 0;
      }
      case TTM_NEWTOOLRECT: {
        auto* ti = reinterpret_cast<const TOOLINFO*>(lParam);
        int i = ti ? Find(ti) : -1;
        if (i >= 0) tools_[static_cast<size_t>(i)].rect = ti->rect;
        return 0;
      }
      case TTM_GETTEXT: {
        auto* ti = reinterpret_cast<TOOLINFO*>(lParam);
        int i = ti ? Find(ti) : -1;
        if (i >= 0 && ti->lpszText) {
          size_t cap = wParam ? static_cast<size_t>(wParam) : 80;
          const std::string& s = tools_[static_cast<size_t>(i)].text;
          platform::CopyToBuffer(s, ti->lpszText, static_cast<std::ptrdiff_t>(cap));
        }
        return 0;
      }
      case TTM_GETTOOLCOUNT: return static_cast<LRESULT>(tools_.size());
      case TTM_SETMAXTIPWIDTH: {
        const int previous = maxWidth_;
        maxWidth_ = static_cast<int>(lParam);
        return previous;
      }
      case TTM_SETDELAYTIME: {
        int ms = static_cast<short>(LOWORD(lParam));
        if (wParam == TTDT_AUTOMATIC) {
          initial_ = ms < 0 ? 500 : ms;
          autopop_ = initial_ * 10;
        } else if (wParam == TTDT_INITIAL) {
          initial_ = ms < 0 ? 500 : ms;
        } else if (wParam == TTDT_AUTOPOP) {
          autopop_ = ms < 0 ? 5000 : ms;
        }
        return 0;
      }
      case TTM_GETDELAYTIME: return wParam == TTDT_AUTOPOP ? autopop_ : wParam == TTDT_RESHOW ? initial_ / 5 : initial_;
      case TTM_POP: Hide(); return 0;
      case TTM_RELAYEVENT: Relay(reinterpret_cast<const MSG*>(lParam)); return 0;
      case WM_TIMER:
        if (wParam == kShowTimer) {
          KillTimer(hwnd_, kShowTimer);
          if (active_ && current_ >= 0) Show();
        } else if (wParam == kPopTimer) {
          KillTimer(hwnd_, kPopTimer);
          Hide();
        }
        return 0;
      case WM_NCHITTEST: return -1;  // HTTRANSPARENT: the tip never takes the mouse
      default: return Control::Proc(msg, wParam, lParam);
    }
  }

 protected:
  UINT CtlColorMessage() const override { return 0; }

  void Paint(HDC dc, const RECT& client) override {
    FillSys(dc, client, COLOR_INFOBK);
    FrameRect(dc, &client, GetSysColorBrush(COLOR_INFOTEXT));
    if (current_ < 0 || current_ >= static_cast<int>(tools_.size())) return;
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    RECT r = client;
    InflateRect(&r, -3, -2);
    DrawText(dc, tools_[static_cast<size_t>(current_)].text.c_str(), -1, &r, DT_LEFT | DT_TOP | TextFormat());
  }

 private:
  // The window whose mouse messages a tool watches.
  static HWND Watched(const Tool& t) { return (t.flags & TTF_IDISHWND) ? reinterpret_cast<HWND>(t.id) : t.hwnd; }

  // Takes the hook off a window once no subclassing tool watches it any more.
  void Unhook(HWND window) {
    for (const Tool& t : tools_)
      if ((t.flags & TTF_SUBCLASS) && Watched(t) == window) return;
    RemoveWindowSubclass(window, RelayHook, reinterpret_cast<UINT_PTR>(hwnd_));
  }

  int Find(const TOOLINFO* ti) const {
    for (size_t i = 0; i < tools_.size(); ++i)
      if (tools_[i].hwnd == ti->hwnd && tools_[i].id == ti->uId) return static_cast<int>(i);
    return -1;
  }

  // The tool under a point given in the client coordinates of a window.
  int ToolAt(HWND hwnd, POINT p) const {
    POINT screen = p;
    ClientToScreen(hwnd, &screen);
    for (size_t i = 0; i < tools_.size(); ++i) {
      const Tool& t = tools_[i];
      if (t.flags & TTF_IDISHWND) {
        HWND target = reinterpret_cast<HWND>(t.id);
        RECT wr;
        if (IsWindow(target) && GetWindowRect(target, &wr) && PtInRect(&wr, screen)) return static_cast<int>(i);
      } else if (IsWindow(t.hwnd)) {
        POINT local = screen;
        ScreenToClient(t.hwnd, &local);
        if (PtInRect(&t.rect, local)) return static_cast<int>(i);
      }
    }
    return -1;
  }

  void Relay(const MSG* m) {
    if (!m || !IsWindow(m->hwnd)) return;
    switch (m->message) {
      case WM_MOUSEMOVE: {
        POINT p{static_cast<short>(LOWORD(m->lParam)), static_cast<short>(HIWORD(m->lParam))};
        int tool = ToolAt(m->hwnd, p);
        if (tool == current_) return;
        Hide();
        current_ = tool;
        ClientToScreen(m->hwnd, &p);
        at_ = p;
        if (tool >= 0 && active_) SetTimer(hwnd_, kShowTimer, static_cast<UINT>(initial_), nullptr);
        return;
      }
      case WM_LBUTTONDOWN:
      case WM_LBUTTONUP:
      case WM_RBUTTONDOWN:
      case WM_RBUTTONUP:
      case WM_MBUTTONDOWN:
      case WM_MBUTTONUP:
        Hide();
        current_ = -1;  // the next move over a tool starts the wait again
        return;
      default: return;
    }
  }

  void Show() {
    const Tool& t = tools_[static_cast<size_t>(current_)];
    if (t.text.empty()) return;
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, Font());
    // With a maximum width the text is broken into lines that fit it, frame included.
    RECT calc{0, 0, maxWidth_ > kFrameWidth ? maxWidth_ - kFrameWidth : 0, 0};
    DrawText(dc, t.text.c_str(), -1, &calc, DT_CALCRECT | TextFormat());
    DeleteDC(dc);
    // Topmost as the system's tips are: a tip made before its window was last raised still shows.
    SetWindowPos(hwnd_, HWND_TOPMOST, at_.x, at_.y + 20, calc.right + kFrameWidth, calc.bottom + 4, SWP_NOACTIVATE);
    ShowWindow(hwnd_, SW_SHOWNA);
    shown_ = true;
    Invalidate();
    NotifyTool(TTN_SHOW);
    SetTimer(hwnd_, kPopTimer, static_cast<UINT>(autopop_), nullptr);
  }

  void Hide() {
    KillTimer(hwnd_, kShowTimer);
    KillTimer(hwnd_, kPopTimer);
    if (!shown_) return;
    shown_ = false;
    ShowWindow(hwnd_, SW_HIDE);
    NotifyTool(TTN_POP);
  }

  void NotifyTool(UINT code) {
    if (current_ < 0 || current_ >= static_cast<int>(tools_.size())) return;
    const Tool& t = tools_[static_cast<size_t>(current_)];
    if (!IsWindow(t.hwnd)) return;
    NMHDR h;
    h.hwndFrom = hwnd_;
    h.idFrom = t.id;
    h.code = code;
    SendMessage(t.hwnd, WM_NOTIFY, static_cast<WPARAM>(t.id), reinterpret_cast<LPARAM>(&h));
  }

  UINT TextFormat() const {
    return ((Style() & TTS_NOPREFIX) ? DT_NOPREFIX : 0) | (maxWidth_ > kFrameWidth ? DT_WORDBREAK : 0);
  }

  std::vector<Tool> tools_;
  int maxWidth_ = -1;  // none
  bool active_ = true;
  bool shown_ = false;
  int current_ = -1;
  POINT at_{};
  int initial_ = 500;
  int autopop_ = 5000;
};

}  // namespace

void RegisterToolTip() { RegisterControlClass(TOOLTIPS_CLASS, Make<ToolTip>, CS_SAVEBITS, COLOR_INFOBK); }

}  // namespace platform::controls
