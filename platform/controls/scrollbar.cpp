// Scroll bar controls: SBM_ messages, WM_HSCROLL/WM_VSCROLL to the parent.
#include <algorithm>

#include "platform/controls/control_base.h"

namespace platform::controls {
namespace {

SCROLLINFO Normalised(SCROLLINFO s) {
  SCROLLINFO none;
  platform::win::MergeScrollInfo(s, none);
  return s;
}

void Apply(SCROLLINFO& into, const SCROLLINFO& from) { platform::win::MergeScrollInfo(into, from); }
void CopyOut(const SCROLLINFO& from, SCROLLINFO* to) { platform::win::CopyScrollInfo(from, to); }

class ScrollBar final : public Control {
 public:
  using Control::Control;

  LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case SBM_SETSCROLLINFO: {
        auto* si = reinterpret_cast<const SCROLLINFO*>(lParam);
        if (!si) return info_.nPos;
        Apply(info_, *si);
        if (wParam) Invalidate();
        return info_.nPos;
      }
      case SBM_GETSCROLLINFO: {
        auto* si = reinterpret_cast<SCROLLINFO*>(lParam);
        if (!si) return FALSE;
        CopyOut(info_, si);
        return TRUE;
      }
      case SBM_SETPOS: {
        int old = info_.nPos;
        info_.nPos = static_cast<int>(wParam);
        info_ = Normalised(info_);
        if (lParam) Invalidate();
        return old;
      }
      case SBM_GETPOS: return info_.nPos;
      case SBM_SETRANGE:
      case SBM_SETRANGEREDRAW: {
        int old = info_.nPos;
        info_.nMin = static_cast<int>(wParam);
        info_.nMax = static_cast<int>(lParam);
        info_ = Normalised(info_);
        if (msg == SBM_SETRANGEREDRAW) Invalidate();
        return old;
      }
      case SBM_GETRANGE:
        if (wParam) *reinterpret_cast<int*>(wParam) = info_.nMin;
        if (lParam) *reinterpret_cast<int*>(lParam) = info_.nMax;
        return 0;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        if (!Enabled()) return 0;
        int at = Along(lParam);
        Geometry g = Measure();
        SetCapture(hwnd_);
        if (at < g.arrow) part_ = 1, Send(SB_LINEUP);
        else if (at >= g.length - g.arrow) part_ = 2, Send(SB_LINEDOWN);
        else if (at < g.thumbStart) part_ = 3, Send(SB_PAGEUP);
        else if (at >= g.thumbStart + g.thumbSize) part_ = 4, Send(SB_PAGEDOWN);
        else {
          part_ = 5;
          grab_ = at - g.thumbStart;
          info_.nTrackPos = info_.nPos;
        }
        Invalidate();
        return 0;
      }
      case WM_MOUSEMOVE:
        if (part_ == 5) {
          Geometry g = Measure();
          int travel = g.length - 2 * g.arrow - g.thumbSize;
          int maxPos = info_.nMax - std::max(0, static_cast<int>(info_.nPage) - 1);
          int start = Along(lParam) - grab_ - g.arrow;
          int pos = travel > 0
                        ? info_.nMin + static_cast<int>(
                                           (static_cast<int64_t>(start) * (maxPos - info_.nMin) + travel / 2) / travel)
                        : info_.nMin;
          pos = std::clamp(pos, info_.nMin, std::max(info_.nMin, maxPos));
          if (pos != info_.nTrackPos) {
            info_.nTrackPos = pos;
            Send(SB_THUMBTRACK, pos);
            Invalidate();
          }
        }
        return 0;
      case WM_LBUTTONUP:
        if (part_) {
          if (part_ == 5) Send(SB_THUMBPOSITION, info_.nTrackPos);
          part_ = 0;
          ReleaseCapture();
          Send(SB_ENDSCROLL);
          Invalidate();
        }
        return 0;
      case WM_KEYDOWN:
        if (wParam == VK_UP || wParam == VK_LEFT) Send(SB_LINEUP);
        else if (wParam == VK_DOWN || wParam == VK_RIGHT) Send(SB_LINEDOWN);
        else if (wParam == VK_PRIOR) Send(SB_PAGEUP);
        else if (wParam == VK_NEXT) Send(SB_PAGEDOWN);
        else if (wParam == VK_HOME) Send(SB_TOP);
        else if (wParam == VK_END) Send(SB_BOTTOM);
        return 0;
      default: return Control::Proc(msg, wParam, lParam);
    }
  }

 protected:
  UINT CtlColorMessage() const override { return WM_CTLCOLORSCROLLBAR; }
  int DefaultBackground() const override { return COLOR_SCROLLBAR; }

  void Paint(HDC dc, const RECT& client) override {
    FillRect(dc, &client, Background(dc));
    Geometry g = Measure();
    bool vert = Vertical();
    auto span = [&](int a, int b) { return vert ? RECT{0, a, client.right, b} : RECT{a, 0, b, client.bottom}; };
    DrawArrowButton(dc, span(0, g.arrow), vert ? 0 : 2, part_ == 1, Enabled());
    DrawArrowButton(dc, span(g.length - g.arrow, g.length), vert ? 1 : 3, part_ == 2, Enabled());
    if (part_ == 3) FillSys(dc, span(g.arrow, g.thumbStart), COLOR_3DDKSHADOW);
    if (part_ == 4) FillSys(dc, span(g.thumbStart + g.thumbSize, g.length - g.arrow), COLOR_3DDKSHADOW);
    if (Enabled() && g.thumbSize > 0) {
      RECT thumb = span(g.thumbStart, g.thumbStart + g.thumbSize);
      FillSys(dc, thumb, COLOR_BTNFACE);
      DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT);
    }
  }

 private:
  struct Geometry {
    int length, arrow, thumbStart, thumbSize;
  };

  bool Vertical() const { return Style() & SBS_VERT; }
  int Along(LPARAM lParam) const {
    return Vertical() ? static_cast<short>(HIWORD(lParam)) : static_cast<short>(LOWORD(lParam));
  }

  Geometry Measure() const {
    RECT c = Client();
    Geometry g;
    g.length = Vertical() ? c.bottom : c.right;
    int thickness = Vertical() ? c.right : c.bottom;
    g.arrow = std::min(thickness, g.length / 2);
    int track = g.length - 2 * g.arrow;
    int range = info_.nMax - info_.nMin + 1;
    int pos = part_ == 5 ? info_.nTrackPos : info_.nPos;
    if (track < 8 || range <= static_cast<int>(info_.nPage) || range <= 1) {
      g.thumbStart = g.arrow;
      g.thumbSize = 0;
      return g;
    }
    g.thumbSize = info_.nPage ? std::max(8, static_cast<int>(static_cast<int64_t>(track) * info_.nPage / range))
                              : std::min(track, std::max(8, thickness));
    int maxPos = info_.nMax - std::max(0, static_cast<int>(info_.nPage) - 1);
    int travel = track - g.thumbSize;
    g.thumbStart =
        g.arrow + (maxPos > info_.nMin
                       ? static_cast<int>(static_cast<int64_t>(travel) * (pos - info_.nMin) / (maxPos - info_.nMin))
                       : 0);
    return g;
  }

  void Send(int code, int pos = 0) {
    HWND parent = GetParent(hwnd_);
    if (parent)
      SendMessage(parent, Vertical() ? WM_VSCROLL : WM_HSCROLL,
                  MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(pos)), reinterpret_cast<LPARAM>(hwnd_));
  }

  SCROLLINFO info_ = [] {
    SCROLLINFO s;
    s.nMax = 100;
    return s;
  }();
  int part_ = 0;  // 1 up arrow, 2 down arrow, 3 page up, 4 page down, 5 thumb
  int grab_ = 0;
};

}  // namespace

void RegisterScrollBar() {
  RegisterControlClass(WC_SCROLLBAR, Make<ScrollBar>, CS_DBLCLKS | CS_PARENTDC, COLOR_SCROLLBAR);
}

}  // namespace platform::controls
