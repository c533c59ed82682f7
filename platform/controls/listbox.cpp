// List boxes: strings with data, single selection, LBN_ notifications, owner drawing.
#include <algorithm>
#include <cstring>

#include "platform/controls/control_base.h"
#include "platform/controls/item_list.h"

namespace platform::controls {
namespace {

class ListBox final : public Control {
 public:
  using Control::Control;

  LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case WM_CREATE:
        itemHeight_ = LineHeight();
        if (Style() & LBS_OWNERDRAWFIXED) {
          MEASUREITEMSTRUCT mis;
          mis.CtlType = ODT_LISTBOX;
          mis.CtlID = static_cast<UINT>(Id());
          mis.itemHeight = static_cast<UINT>(itemHeight_);
          if (HWND parent = GetParent(hwnd_))
            SendMessage(parent, WM_MEASUREITEM, static_cast<WPARAM>(Id()), reinterpret_cast<LPARAM>(&mis));
          itemHeight_ = static_cast<int>(mis.itemHeight);
        }
        return Control::Proc(msg, wParam, lParam);
      case WM_SETFONT:
        if (!(Style() & LBS_OWNERDRAWFIXED)) {
          font_ = reinterpret_cast<HFONT>(wParam);
          itemHeight_ = LineHeight();
        }
        return Control::Proc(msg, wParam, lParam);
      case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
      case LB_ADDSTRING:
      case LB_INSERTSTRING: {
        std::string text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        int at = items_.Insert(msg == LB_ADDSTRING ? -1 : static_cast<int>(wParam), text,
                               msg == LB_ADDSTRING && (Style() & LBS_SORT));
        Invalidate();
        return at < 0 ? LB_ERR : at;
      }
      case LB_DELETESTRING:
        if (!items_.Erase(static_cast<int>(wParam))) return LB_ERR;
        ClampTop();
        Invalidate();
        return items_.Count();
      case LB_RESETCONTENT:
        items_.Clear();
        top_ = 0;
        Invalidate();
        return 0;
      case LB_GETCOUNT: return items_.Count();
      case LB_GETCURSEL: return items_.cur_;
      case LB_SETCURSEL: {
        int i = static_cast<int>(wParam);
        if (!items_.Valid(i)) {
          items_.cur_ = -1;
          Invalidate();
          return LB_ERR;
        }
        items_.cur_ = i;
        EnsureVisible(i);
        Invalidate();
        return i;
      }
      case LB_GETSEL:
        return items_.Valid(static_cast<int>(wParam)) ? (items_.cur_ == static_cast<int>(wParam)) : LB_ERR;
      case LB_GETSELCOUNT: return LB_ERR;  // single selection
      case LB_GETTEXT: {
        int i = static_cast<int>(wParam);
        if (!items_.Valid(i) || !lParam) return LB_ERR;
        const std::string& t = items_.At(i).text;
        std::memcpy(reinterpret_cast<char*>(lParam), t.c_str(), t.size() + 1);
        return static_cast<LRESULT>(t.size());
      }
      case LB_GETTEXTLEN:
        return items_.Valid(static_cast<int>(wParam))
                   ? static_cast<LRESULT>(items_.At(static_cast<int>(wParam)).text.size())
                   : LB_ERR;
      case LB_GETITEMDATA:
        return items_.Valid(static_cast<int>(wParam)) ? items_.At(static_cast<int>(wParam)).data : LB_ERR;
      case LB_SETITEMDATA:
        if (!items_.Valid(static_cast<int>(wParam))) return LB_ERR;
        items_.At(static_cast<int>(wParam)).data = lParam;
        return TRUE;
      case LB_FINDSTRING:
      case LB_FINDSTRINGEXACT:
        return items_.Find(static_cast<int>(wParam), lParam ? reinterpret_cast<LPCSTR>(lParam) : "",
                           msg == LB_FINDSTRINGEXACT);
      case LB_SELECTSTRING: {
        int i = items_.Find(static_cast<int>(wParam), lParam ? reinterpret_cast<LPCSTR>(lParam) : "", false);
        if (i < 0) return LB_ERR;
        items_.cur_ = i;
        EnsureVisible(i);
        Invalidate();
        return i;
      }
      case WM_VSCROLL: {
        const int page = PageItems();
        top_ = ScrolledPos(SB_VERT, wParam, top_, 1, page, items_.Count() - page);
        ClampTop();
        Invalidate();
        return 0;
      }
      case WM_SIZE:
        ClampTop();
        Invalidate();
        return Control::Proc(msg, wParam, lParam);
      case LB_GETTOPINDEX: return top_;
      case LB_SETTOPINDEX:
        if (!items_.Valid(static_cast<int>(wParam))) return LB_ERR;
        top_ = static_cast<int>(wParam);
        ClampTop();
        Invalidate();
        return 0;
      case LB_GETITEMHEIGHT: return itemHeight_;
      case LB_SETITEMHEIGHT:
        if (LOWORD(lParam) == 0 || LOWORD(lParam) > 255) return LB_ERR;
        itemHeight_ = LOWORD(lParam);
        Invalidate();
        return 0;
      case LB_GETITEMRECT: {
        int i = static_cast<int>(wParam);
        if (!items_.Valid(i) || !lParam) return LB_ERR;
        *reinterpret_cast<RECT*>(lParam) = ItemRect(i);
        return 0;
      }
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        SetFocus(hwnd_);
        int i = top_ + static_cast<short>(HIWORD(lParam)) / std::max(1, itemHeight_);
        if (!items_.Valid(i)) return 0;
        Select(i);
        if (msg == WM_LBUTTONDBLCLK && (Style() & LBS_NOTIFY)) Command(LBN_DBLCLK);
        return 0;
      }
      case WM_MOUSEWHEEL: {
        int steps = -static_cast<short>(HIWORD(wParam)) / 120 * 3;
        top_ += steps;
        ClampTop();
        Invalidate();
        return 0;
      }
      case WM_KEYDOWN: {
        int i = items_.cur_;
        int page = std::max(1, Client().bottom / std::max(1, itemHeight_));
        switch (wParam) {
          case VK_UP: i = std::max(0, i - 1); break;
          case VK_DOWN: i = std::min(items_.Count() - 1, i + 1); break;
          case VK_HOME: i = 0; break;
          case VK_END: i = items_.Count() - 1; break;
          case VK_PRIOR: i = std::max(0, i - page); break;
          case VK_NEXT: i = std::min(items_.Count() - 1, i + page); break;
          default: return 0;
        }
        if (items_.Valid(i)) Select(i);
        return 0;
      }
      default: return Control::Proc(msg, wParam, lParam);
    }
  }

 protected:
  UINT CtlColorMessage() const override { return WM_CTLCOLORLISTBOX; }
  int DefaultBackground() const override { return COLOR_WINDOW; }

  void Paint(HDC dc, const RECT& client) override {
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    FillRect(dc, &client, Background(dc));
    bool owner = Style() & LBS_OWNERDRAWFIXED;
    for (int i = top_; i < items_.Count(); ++i) {
      RECT r = ItemRect(i);
      if (r.top >= client.bottom) break;
      bool sel = i == items_.cur_;
      if (owner) {
        DRAWITEMSTRUCT dis;
        dis.CtlType = ODT_LISTBOX;
        dis.CtlID = static_cast<UINT>(Id());
        dis.itemID = static_cast<UINT>(i);
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = (sel ? ODS_SELECTED : 0) | (sel && Focused() ? ODS_FOCUS : 0) | (Enabled() ? 0 : ODS_DISABLED);
        dis.hwndItem = hwnd_;
        dis.hDC = dc;
        dis.rcItem = r;
        dis.itemData = static_cast<ULONG_PTR>(items_.At(i).data);
        if (HWND parent = GetParent(hwnd_))
          SendMessage(parent, WM_DRAWITEM, static_cast<WPARAM>(Id()), reinterpret_cast<LPARAM>(&dis));
        continue;
      }
      if (sel) FillSys(dc, r, COLOR_HIGHLIGHT);
      COLORREF old = SetTextColor(dc, GetSysColor(sel         ? COLOR_HIGHLIGHTTEXT
                                                  : Enabled() ? COLOR_WINDOWTEXT
                                                              : COLOR_GRAYTEXT));
      RECT text = r;
      text.left += 2;
      DrawText(dc, items_.At(i).text.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      SetTextColor(dc, old);
      if (sel && Focused()) DrawFocusRect(dc, &r);
    }
  }

 private:
  RECT ItemRect(int i) const {
    RECT c = Client();
    int y = (i - top_) * itemHeight_;
    return {0, y, c.right, y + itemHeight_};
  }
  int PageItems() const { return std::max(1, static_cast<int>(Client().bottom) / std::max(1, itemHeight_)); }
  void ClampTop() { top_ = std::max(0, std::min(top_, items_.Count() - PageItems())); }
  void SyncScrollBars() override {
    // Range and page count whole items; the last item fits when the thumb is at the bottom.
    SyncBar(SB_VERT, items_.Count() - 1, PageItems(), top_);
  }
  void EnsureVisible(int i) {
    int page = std::max(1, Client().bottom / std::max(1, itemHeight_));
    if (i < top_) top_ = i;
    if (i >= top_ + page) top_ = i - page + 1;
    ClampTop();
  }
  void Select(int i) {
    bool changed = i != items_.cur_;
    items_.cur_ = i;
    EnsureVisible(i);
    Invalidate();
    if (changed && (Style() & LBS_NOTIFY)) Command(LBN_SELCHANGE);
  }

  ItemList items_;
  int top_ = 0;
  int itemHeight_ = 16;
};

}  // namespace

void RegisterListBox() { RegisterControlClass(WC_LISTBOX, Make<ListBox>, CS_DBLCLKS | CS_PARENTDC, COLOR_WINDOW); }

}  // namespace platform::controls
