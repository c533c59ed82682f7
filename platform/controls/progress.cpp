// Progress bars: range, position, step, colours.
#include <algorithm>

#include "platform/controls/control_base.h"

namespace platform::controls {
namespace {

class Progress final : public Control {
 public:
  using Control::Control;

  LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case WM_NCCREATE: {
        // Its sunken edge lies in the non-client area, unless the style already gives it a border.
        const DWORD ex = static_cast<DWORD>(GetWindowLong(hwnd_, GWL_EXSTYLE));
        if (!(Style() & WS_BORDER) && !(ex & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)))
          SetWindowLong(hwnd_, GWL_EXSTYLE, static_cast<LONG>(ex | WS_EX_STATICEDGE));
        return Control::Proc(msg, wParam, lParam);
      }
      case PBM_SETRANGE:
      case PBM_SETRANGE32: {
        LRESULT old = MAKELONG(static_cast<WORD>(min_), static_cast<WORD>(max_));
        if (msg == PBM_SETRANGE) {
          min_ = LOWORD(lParam);
          max_ = HIWORD(lParam);
        } else {
          min_ = static_cast<int>(wParam);
          max_ = static_cast<int>(lParam);
        }
        pos_ = std::clamp(pos_, std::min(min_, max_), std::max(min_, max_));
        Invalidate();
        return old;
      }
      case PBM_GETRANGE: {
        if (lParam) {
          auto* r = reinterpret_cast<PBRANGE*>(lParam);
          r->iLow = min_;
          r->iHigh = max_;
        }
        return wParam ? min_ : max_;
      }
      case PBM_SETPOS: return Set(static_cast<int>(wParam));
      case PBM_DELTAPOS: return Set(pos_ + static_cast<int>(wParam));
      case PBM_GETPOS: return pos_;
      case PBM_SETSTEP: {
        int old = step_;
        step_ = static_cast<int>(wParam);
        return old;
      }
      case PBM_STEPIT: {
        int next = pos_ + step_;
        // Past the end the bar starts over, as Win32's does.
        if (next > max_) next = min_ + (next - max_);
        if (next < min_) next = max_ - (min_ - next);
        return Set(next);
      }
      case PBM_SETBARCOLOR: {
        COLORREF old = bar_;
        bar_ = static_cast<COLORREF>(lParam);
        Invalidate();
        return static_cast<LRESULT>(old);
      }
      case PBM_SETBKCOLOR: {
        COLORREF old = bk_;
        bk_ = static_cast<COLORREF>(lParam);
        Invalidate();
        return static_cast<LRESULT>(old);
      }
      default: return Control::Proc(msg, wParam, lParam);
    }
  }

 protected:
  UINT CtlColorMessage() const override { return 0; }

  void Paint(HDC dc, const RECT& client) override {
    RECT r = client;
    HBRUSH bk = CreateSolidBrush(bk_ == CLR_DEFAULT ? GetSysColor(COLOR_BTNFACE) : bk_);
    FillRect(dc, &r, bk);
    DeleteObject(bk);
    InflateRect(&r, -1, -1);
    int range = max_ - min_;
    if (range <= 0) return;
    bool vertical = Style() & PBS_VERTICAL;
    int span = vertical ? r.bottom - r.top : r.right - r.left;
    int filled = static_cast<int>(static_cast<int64_t>(span) * (pos_ - min_) / range);
    RECT bar = r;
    if (vertical) bar.top = r.bottom - filled;
    else bar.right = r.left + filled;
    HBRUSH b = CreateSolidBrush(bar_ == CLR_DEFAULT ? GetSysColor(COLOR_HIGHLIGHT) : bar_);
    FillRect(dc, &bar, b);
    DeleteObject(b);
  }

 private:
  int Set(int pos) {
    int old = pos_;
    pos_ = std::clamp(pos, std::min(min_, max_), std::max(min_, max_));
    if (pos_ != old) Invalidate();
    return old;
  }

  int min_ = 0;
  int max_ = 100;
  int pos_ = 0;
  int step_ = 10;
  COLORREF bar_ = CLR_DEFAULT;
  COLORREF bk_ = CLR_DEFAULT;
};

}  // namespace

void RegisterProgress() { RegisterControlClass(PROGRESS_CLASS, Make<Progress>, 0, COLOR_BTNFACE); }

}  // namespace platform::controls
