// Trackbars: range, position, line and page steps, thumb dragging, TB_ codes to the parent.
#include <algorithm>

#include "platform/controls/control_base.h"

namespace platform::controls {
namespace {

constexpr int kThumbLong = 20;
constexpr int kThumbShort = 10;
constexpr int kMargin = 8;

class Trackbar final : public Control {
 public:
  using Control::Control;

  LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case WM_GETDLGCODE: return DLGC_WANTARROWS;
      case TBM_GETPOS: return pos_;
      case TBM_SETPOS:
        pos_ = Clamp(static_cast<int>(lParam));
        if (wParam) Invalidate();
        return 0;
      case TBM_GETRANGEMIN: return min_;
      case TBM_GETRANGEMAX: return max_;
      case TBM_SETRANGE:
        min_ = static_cast<short>(LOWORD(lParam));
        max_ = static_cast<short>(HIWORD(lParam));
        Ranged(wParam != 0);
        return 0;
      case TBM_SETRANGEMIN:
        min_ = static_cast<int>(lParam);
        Ranged(wParam != 0);
        return 0;
      case TBM_SETRANGEMAX:
        max_ = static_cast<int>(lParam);
        Ranged(wParam != 0);
        return 0;
      case TBM_SETPAGESIZE: {
        int old = page_;
        page_ = static_cast<int>(lParam);
        return old;
      }
      case TBM_GETPAGESIZE: return page_;
      case TBM_SETLINESIZE: {
        int old = line_;
        line_ = static_cast<int>(lParam);
        return old;
      }
      case TBM_GETLINESIZE: return line_;
      case TBM_SETTICFREQ:
        tic_ = std::max(1, static_cast<int>(wParam));
        Invalidate();
        return 0;
      case TBM_GETTHUMBRECT:
        if (lParam) *reinterpret_cast<RECT*>(lParam) = Thumb();
        return 0;
      case TBM_GETCHANNELRECT:
        if (lParam) *reinterpret_cast<RECT*>(lParam) = Channel();
        return 0;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        if (!Enabled()) return 0;
        SetFocus(hwnd_);
        POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        RECT t = Thumb();
        SetCapture(hwnd_);
        if (PtInRect(&t, p)) {
          dragging_ = true;
          grab_ = Along(p) - (Vertical() ? t.top : t.left) - kThumbShort / 2;
        } else {
          bool before = Along(p) < (Vertical() ? t.top : t.left);
          Move(pos_ + (before ? -page_ : page_), before ? TB_PAGEUP : TB_PAGEDOWN);
        }
        return 0;
      }
      case WM_MOUSEMOVE:
        if (dragging_) {
          POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
          int pos = PosAt(Along(p) - grab_);
          if (pos != pos_) Move(pos, TB_THUMBTRACK);
        }
        return 0;
      case WM_LBUTTONUP:
        if (GetCapture() == hwnd_) {
          ReleaseCapture();
          if (dragging_) Send(TB_THUMBPOSITION);
          dragging_ = false;
          Send(TB_ENDTRACK);
        }
        return 0;
      case WM_KEYDOWN: {
        switch (wParam) {
          case VK_LEFT:
          case VK_UP: Move(pos_ - line_, TB_LINEUP); break;
          case VK_RIGHT:
          case VK_DOWN: Move(pos_ + line_, TB_LINEDOWN); break;
          case VK_PRIOR: Move(pos_ - page_, TB_PAGEUP); break;
          case VK_NEXT: Move(pos_ + page_, TB_PAGEDOWN); break;
          case VK_HOME: Move(min_, TB_TOP); break;
          case VK_END: Move(max_, TB_BOTTOM); break;
          default: return 0;
        }
        Send(TB_ENDTRACK);
        return 0;
      }
      default: return Control::Proc(msg, wParam, lParam);
    }
  }

 protected:
  void Paint(HDC dc, const RECT& client) override {
    FillRect(dc, &client, Background(dc));
    RECT ch = Channel();
    DrawEdge(dc, &ch, EDGE_SUNKEN, BF_RECT);
    if (!(Style() & TBS_NOTICKS) && (Style() & TBS_AUTOTICKS) && max_ > min_) {
      for (int v = min_; v <= max_; v += tic_) {
        int at = Offset(v);
        RECT tick = Vertical() ? RECT{client.right - 4, at, client.right - 1, at + 1}
                               : RECT{at, client.bottom - 4, at + 1, client.bottom - 1};
        FillSys(dc, tick, COLOR_BTNTEXT);
      }
    }
    RECT t = Thumb();
    FillSys(dc, t, dragging_ ? COLOR_3DLIGHT : COLOR_BTNFACE);
    DrawEdge(dc, &t, EDGE_RAISED, BF_RECT);
    if (Focused()) {
      RECT f = client;
      DrawFocusRect(dc, &f);
    }
  }

 private:
  bool Vertical() const { return Style() & TBS_VERT; }
  int Along(POINT p) const { return Vertical() ? p.y : p.x; }
  int Clamp(int v) const { return std::clamp(v, std::min(min_, max_), std::max(min_, max_)); }
  int Length() const {
    RECT c = Client();
    return (Vertical() ? c.bottom : c.right) - 2 * kMargin;
  }
  // Where a value's thumb centre lies along the channel.
  int Offset(int v) const {
    if (max_ <= min_) return kMargin;
    return kMargin + static_cast<int>(static_cast<int64_t>(Length()) * (v - min_) / (max_ - min_));
  }
  int PosAt(int along) const {
    int len = std::max(1, Length());
    int v = min_ + static_cast<int>((static_cast<int64_t>(along - kMargin) * (max_ - min_) + len / 2) / len);
    return Clamp(v);
  }
  RECT Channel() const {
    RECT c = Client();
    if (Vertical()) {
      int x = c.right / 2 - 2;
      return {x, kMargin, x + 4, c.bottom - kMargin};
    }
    int y = c.bottom / 2 - 2;
    return {kMargin, y, c.right - kMargin, y + 4};
  }
  RECT Thumb() const {
    RECT c = Client();
    int at = Offset(pos_);
    if (Vertical()) {
      int x = c.right / 2 - kThumbLong / 2;
      return {x, at - kThumbShort / 2, x + kThumbLong, at + kThumbShort / 2};
    }
    int y = c.bottom / 2 - kThumbLong / 2;
    return {at - kThumbShort / 2, y, at + kThumbShort / 2, y + kThumbLong};
  }
  void Ranged(bool redraw) {
    pos_ = Clamp(pos_);
    page_ = std::max(1, (std::max(min_, max_) - std::min(min_, max_)) / 5);
    if (redraw) Invalidate();
  }
  void Move(int pos, WORD code) {
    pos_ = Clamp(pos);
    Invalidate();
    Send(code);
  }
  void Send(WORD code) {
    HWND parent = GetParent(hwnd_);
    WORD pos = (code == TB_THUMBTRACK || code == TB_THUMBPOSITION) ? static_cast<WORD>(pos_) : 0;
    if (parent)
      SendMessage(parent, Vertical() ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, pos), reinterpret_cast<LPARAM>(hwnd_));
  }

  int min_ = 0;
  int max_ = 100;
  int pos_ = 0;
  int page_ = 20;
  int line_ = 1;
  int tic_ = 1;
  bool dragging_ = false;
  int grab_ = 0;
};

}  // namespace

void RegisterTrackbar() { RegisterControlClass(TRACKBAR_CLASS, Make<Trackbar>, CS_DBLCLKS, COLOR_BTNFACE); }

}  // namespace platform::controls
