// Tab controls: one row of tabs sized to their texts over a raised display area. A click or the
// arrow keys move the selection, asking the parent first (TCN_SELCHANGING, which may refuse) and
// telling it after (TCN_SELCHANGE); TCM_SETCURSEL moves it without asking, as Win32's does.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/base/strings.h"
#include "platform/controls/control_base.h"
#include "platform/controls/tab.h"

namespace platform::controls {
namespace {

constexpr int kTabPadding = 6;  // each side of a tab's text
constexpr int kRaise = 2;       // how far the chosen tab stands out of the row

struct TabItem {
  std::string text;
  int image = -1;
  LPARAM param = 0;
  DWORD state = 0;
};

class Tab final : public Control {
 public:
  using Control::Control;

  LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case TCM_GETITEMCOUNT: return static_cast<LRESULT>(items_.size());
      case TCM_INSERTITEM: return Insert(static_cast<int>(wParam), reinterpret_cast<const TCITEM*>(lParam));
      case TCM_SETITEM: return Set(static_cast<int>(wParam), reinterpret_cast<const TCITEM*>(lParam));
      case TCM_GETITEM: return Get(static_cast<int>(wParam), reinterpret_cast<TCITEM*>(lParam));
      case TCM_DELETEITEM: return Delete(static_cast<int>(wParam));
      case TCM_DELETEALLITEMS:
        items_.clear();
        current_ = -1;
        Invalidate();
        return TRUE;
      case TCM_GETITEMRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r || wParam >= items_.size()) return FALSE;
        *r = TabRect(static_cast<int>(wParam));
        return TRUE;
      }
      case TCM_GETCURSEL:
      case TCM_GETCURFOCUS: return current_;
      case TCM_SETCURSEL:
      case TCM_SETCURFOCUS: {
        const int old = current_;
        if (wParam >= items_.size()) return -1;
        current_ = static_cast<int>(wParam);
        Invalidate();
        return old;
      }
      case TCM_HITTEST: {
        auto* hit = reinterpret_cast<TCHITTESTINFO*>(lParam);
        if (!hit) return -1;
        const int i = HitTest(hit->pt);
        hit->flags = i < 0 ? TCHT_NOWHERE : TCHT_ONITEMLABEL;
        return i;
      }
      case TCM_ADJUSTRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r) return 0;
        const int row = RowHeight() + kRaise;
        // TRUE: from a display area to the window that holds it; FALSE: the reverse.
        const int sign = wParam ? -1 : 1;
        r->left += sign * 4;
        r->right -= sign * 4;
        r->top += sign * (row + 2);
        r->bottom -= sign * 4;
        return 0;
      }
      case WM_LBUTTONDOWN: {
        if (!(Style() & WS_TABSTOP) || GetFocus() != hwnd_) SetFocus(hwnd_);
        const POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const int i = HitTest(pt);
        Notify(NM_CLICK);
        if (i >= 0) Choose(i);
        return 0;
      }
      case WM_GETDLGCODE: return DLGC_WANTARROWS;
      case WM_KEYDOWN: {
        NMTCKEYDOWN key{};
        key.wVKey = static_cast<WORD>(wParam);
        key.flags = static_cast<UINT>(lParam);
        Notify(&key.hdr, TCN_KEYDOWN);
        if (items_.empty()) return 0;
        if (wParam == VK_LEFT && current_ > 0) Choose(current_ - 1);
        if (wParam == VK_RIGHT && current_ + 1 < static_cast<int>(items_.size())) Choose(current_ + 1);
        return 0;
      }
      case WM_SETFOCUS:
      case WM_KILLFOCUS: Invalidate(); return Control::Proc(msg, wParam, lParam);
      default: return Control::Proc(msg, wParam, lParam);
    }
  }

 protected:
  UINT CtlColorMessage() const override { return 0; }

  void Paint(HDC dc, const RECT& client) override {
    FillSys(dc, client, COLOR_BTNFACE);
    RECT body = client;
    body.top += RowHeight() + kRaise;
    DrawEdge(dc, &body, EDGE_RAISED, BF_RECT);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(Enabled() ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
      RECT r = TabRect(i);
      if (i == current_) {
        InflateRect(&r, kRaise, 0);
        r.top -= kRaise;
        r.bottom += 1;  // joins the display area: no line under the chosen tab
      }
      FillSys(dc, r, COLOR_BTNFACE);
      DrawEdge(dc, &r, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT);
      RECT text = r;
      DrawText(dc, items_[i].text.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
      if (i == current_ && Focused()) {
        InflateRect(&text, -3, -3);
        DrawFocusRect(dc, &text);
      }
    }
  }

 private:
  int RowHeight() { return LineHeight() + 6; }

  int TextWidth(const std::string& text) {
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, Font());
    SIZE size{};
    GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &size);
    DeleteDC(dc);
    return size.cx;
  }

  RECT TabRect(int index) {
    int left = kRaise;
    for (int i = 0; i < index; ++i) left += TextWidth(items_[i].text) + 2 * kTabPadding;
    const int width = TextWidth(items_[index].text) + 2 * kTabPadding;
    return RECT{left, kRaise, left + width, kRaise + RowHeight()};
  }

  int HitTest(POINT pt) {
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
      const RECT r = TabRect(i);
      if (PtInRect(&r, pt)) return i;
    }
    return -1;
  }

  void Choose(int index) {
    if (index == current_) return;
    if (Notify(TCN_SELCHANGING)) return;  // the parent keeps the page it shows
    current_ = index;
    Invalidate();
    Notify(TCN_SELCHANGE);
  }

  LRESULT Insert(int index, const TCITEM* in) {
    if (!in) return -1;
    TabItem item;
    Apply(item, *in);
    index = std::clamp(index, 0, static_cast<int>(items_.size()));
    items_.insert(items_.begin() + index, item);
    if (current_ < 0) current_ = 0;
    else if (index <= current_) ++current_;
    Invalidate();
    return index;
  }

  LRESULT Set(int index, const TCITEM* in) {
    if (!in || index < 0 || index >= static_cast<int>(items_.size())) return FALSE;
    Apply(items_[index], *in);
    Invalidate();
    return TRUE;
  }

  LRESULT Get(int index, TCITEM* out) {
    if (!out || index < 0 || index >= static_cast<int>(items_.size())) return FALSE;
    const TabItem& item = items_[index];
    if ((out->mask & TCIF_TEXT) && out->pszText && out->cchTextMax > 0)
      CopyToBuffer(item.text, out->pszText, out->cchTextMax);
    if (out->mask & TCIF_IMAGE) out->iImage = item.image;
    if (out->mask & TCIF_PARAM) out->lParam = item.param;
    if (out->mask & TCIF_STATE) out->dwState = item.state & out->dwStateMask;
    return TRUE;
  }

  LRESULT Delete(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size())) return FALSE;
    items_.erase(items_.begin() + index);
    if (items_.empty()) current_ = -1;
    else if (index < current_ || current_ >= static_cast<int>(items_.size())) --current_;
    Invalidate();
    return TRUE;
  }

  static void Apply(TabItem& item, const TCITEM& in) {
    if ((in.mask & TCIF_TEXT) && in.pszText) item.text = in.pszText;
    if (in.mask & TCIF_IMAGE) item.image = in.iImage;
    if (in.mask & TCIF_PARAM) item.param = in.lParam;
    if (in.mask & TCIF_STATE) item.state = (item.state & ~in.dwStateMask) | (in.dwState & in.dwStateMask);
  }

  std::vector<TabItem> items_;
  int current_ = -1;
};

}  // namespace

void RegisterTab() { RegisterControlClass(WC_TABCONTROL, Make<Tab>, CS_DBLCLKS, COLOR_BTNFACE); }

}  // namespace platform::controls
