// Up-down controls: range and position, a buddy window, UDN_DELTAPOS then the scroll message.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/controls/control_base.h"

namespace platform::controls {
namespace {

class UpDown final : public Control {
 public:
  using Control::Control;

  LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case WM_CREATE:
        if (Style() & UDS_AUTOBUDDY) SetBuddy(GetWindow(hwnd_, GW_HWNDPREV));
        return Control::Proc(msg, wParam, lParam);
      case UDM_SETRANGE:
        max_ = static_cast<short>(LOWORD(lParam));
        min_ = static_cast<short>(HIWORD(lParam));
        pos_ = Clamp(pos_);
        return 0;
      case UDM_GETRANGE: return MAKELONG(static_cast<WORD>(max_), static_cast<WORD>(min_));
      case UDM_SETRANGE32:
        min_ = static_cast<int>(wParam);
        max_ = static_cast<int>(lParam);
        pos_ = Clamp(pos_);
        return 0;
      case UDM_GETRANGE32:
        if (wParam) *reinterpret_cast<int*>(wParam) = min_;
        if (lParam) *reinterpret_cast<int*>(lParam) = max_;
        return 0;
      case UDM_SETPOS:
      case UDM_SETPOS32: {
        int old = pos_;
        pos_ = Clamp(msg == UDM_SETPOS ? static_cast<short>(LOWORD(lParam)) : static_cast<int>(lParam));
        UpdateBuddy();
        return old;
      }
      case UDM_GETPOS: {
        bool ok = ReadBuddy();
        return MAKELONG(static_cast<WORD>(pos_), ok ? 0 : 1);
      }
      case UDM_GETPOS32: {
        bool ok = ReadBuddy();
        if (lParam) *reinterpret_cast<BOOL*>(lParam) = ok ? FALSE : TRUE;
        return pos_;
      }
      case UDM_SETBUDDY: {
        HWND old = buddy_;
        SetBuddy(reinterpret_cast<HWND>(wParam));
        return reinterpret_cast<LRESULT>(old);
      }
      case UDM_GETBUDDY: return reinterpret_cast<LRESULT>(buddy_);
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        if (!Enabled()) return 0;
        RECT c = Client();
        bool horz = Style() & UDS_HORZ;
        // Up (or right) moves towards the maximum, whichever way round the range is.
        bool up = horz ? static_cast<short>(LOWORD(lParam)) >= c.right / 2
                       : static_cast<short>(HIWORD(lParam)) < c.bottom / 2;
        pressed_ = up ? 1 : 2;
        SetCapture(hwnd_);
        Step(up ? 1 : -1);
        Invalidate();
        return 0;
      }
      case WM_LBUTTONUP:
        if (pressed_) {
          pressed_ = 0;
          ReleaseCapture();
          SendScroll(SB_ENDSCROLL);
          Invalidate();
        }
        return 0;
      default: return Control::Proc(msg, wParam, lParam);
    }
  }

 protected:
  void Paint(HDC dc, const RECT& client) override {
    FillSys(dc, client, COLOR_BTNFACE);
    bool horz = Style() & UDS_HORZ;
    RECT first = client, second = client;
    if (horz) {
      first.right = second.left = client.right / 2;
      DrawArrowButton(dc, first, 2, pressed_ == 2, Enabled());
      DrawArrowButton(dc, second, 3, pressed_ == 1, Enabled());
    } else {
      first.bottom = second.top = client.bottom / 2;
      DrawArrowButton(dc, first, 0, pressed_ == 1, Enabled());
      DrawArrowButton(dc, second, 1, pressed_ == 2, Enabled());
    }
  }

 private:
  int Lo() const { return std::min(min_, max_); }
  int Hi() const { return std::max(min_, max_); }
  int Clamp(int v) const { return std::clamp(v, Lo(), Hi()); }

  void Step(int direction) {
    ReadBuddy();
    int delta = max_ >= min_ ? direction : -direction;
    NMUPDOWN nm;
    nm.iPos = pos_;
    nm.iDelta = delta;
    if (Notify(&nm.hdr, UDN_DELTAPOS)) return;  // the parent refused the change
    int next = pos_ + nm.iDelta;
    if (next < Lo() || next > Hi()) {
      if (!(Style() & UDS_WRAP)) next = Clamp(next);
      else next = next < Lo() ? Hi() : Lo();
    }
    if (next == pos_) return;
    pos_ = next;
    UpdateBuddy();
    SendScroll(SB_THUMBPOSITION);
  }

  void SendScroll(int code) {
    HWND parent = GetParent(hwnd_);
    if (parent)
      SendMessage(parent, (Style() & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL,
                  MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(pos_)), reinterpret_cast<LPARAM>(hwnd_));
  }

  void SetBuddy(HWND buddy) {
    buddy_ = IsWindow(buddy) ? buddy : nullptr;
    if (!buddy_ || !(Style() & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT))) {
      UpdateBuddy();
      return;
    }
    // Sit at the buddy's edge and take that much of its width, once: a buddy attached again (as
    // a dialog moves the arrows between fields at each focus) only gets the arrows back beside it.
    RECT b, me;
    GetWindowRect(buddy_, &b);
    GetWindowRect(hwnd_, &me);
    POINT tl{b.left, b.top};
    ScreenToClient(GetParent(hwnd_), &tl);
    int w = me.right - me.left, bw = b.right - b.left, bh = b.bottom - b.top;
    const bool shrunk = std::find(shrunk_.begin(), shrunk_.end(), buddy_) != shrunk_.end();
    if (!shrunk) {
      std::erase_if(shrunk_, [](HWND h) { return !IsWindow(h); });
      shrunk_.push_back(buddy_);
    }
    if (Style() & UDS_ALIGNRIGHT) {
      const int buddyWidth = shrunk ? bw : std::max(0, bw - w);
      if (!shrunk) MoveWindow(buddy_, tl.x, tl.y, buddyWidth, bh, TRUE);
      MoveWindow(hwnd_, tl.x + buddyWidth, tl.y, w, bh, TRUE);
    } else {
      const int left = shrunk ? tl.x - w : tl.x;
      MoveWindow(hwnd_, left, tl.y, w, bh, TRUE);
      if (!shrunk) MoveWindow(buddy_, tl.x + w, tl.y, std::max(0, bw - w), bh, TRUE);
    }
    UpdateBuddy();
  }

  void UpdateBuddy() {
    if (!buddy_ || !(Style() & UDS_SETBUDDYINT)) return;
    std::string digits = std::to_string(std::llabs(static_cast<long long>(pos_)));
    bool group = !(Style() & UDS_NOTHOUSANDS);
    std::string s = pos_ < 0 ? "-" : "";
    for (size_t i = 0; i < digits.size(); ++i) {
      if (group && i > 0 && (digits.size() - i) % 3 == 0) s += ',';
      s += digits[i];
    }
    SetWindowText(buddy_, s.c_str());
  }

  // Takes the position from the buddy's text when it holds a number; false when it does not.
  bool ReadBuddy() {
    if (!buddy_ || !(Style() & UDS_SETBUDDYINT)) return true;
    char buf[64] = {};
    GetWindowText(buddy_, buf, sizeof(buf));
    std::string digits;
    for (char* p = buf; *p; ++p)
      if (*p != ',') digits += *p;
    char* end = nullptr;
    long v = std::strtol(digits.c_str(), &end, 10);
    if (digits.empty() || (end && *end)) return false;
    pos_ = Clamp(static_cast<int>(v));
    return true;
  }

  int min_ = 100;  // the Win32 default range runs from 100 down to 0
  int max_ = 0;
  int pos_ = 0;
  HWND buddy_ = nullptr;
  std::vector<HWND> shrunk_;  // buddies already narrowed for the arrows
  int pressed_ = 0;
};

}  // namespace

void RegisterUpDown() { RegisterControlClass(UPDOWN_CLASS, Make<UpDown>, CS_DBLCLKS, COLOR_BTNFACE); }

}  // namespace platform::controls
