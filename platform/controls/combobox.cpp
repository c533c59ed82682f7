// Combo boxes (drop-down list): the face, CB_ messages, CBN_ notifications and the drop list
// as a popup window of its own.
#include <algorithm>
#include <cstring>

#include "platform/controls/control_base.h"
#include "platform/controls/item_list.h"

namespace platform::controls {
namespace {

constexpr int kButton = 17;
constexpr UINT ODS_COMBOBOXEDIT = 0x1000;
const char kDropClass[] = "ComboLBox";

class ComboBox;

// The drop list: shows the combo's items and reports the choice back.
class DropList final : public Control {
 public:
  using Control::Control;
  ComboBox* combo_ = nullptr;
  int hot_ = -1;
  int rows_ = 1;  // shown at once
  int top_ = 0;   // first shown
  LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // Makes `index` the hot item, scrolled into view.
  void Hot(int index);
  void ScrollTo(int top);

 protected:
  UINT CtlColorMessage() const override { return 0; }
  int DefaultBackground() const override { return COLOR_WINDOW; }
  void Paint(HDC dc, const RECT& client) override;
  void SyncScrollBars() override;

 private:
  int Count() const;
  int ItemAt(int y) const;
};

class ComboBox final : public Control {
 public:
  using Control::Control;
  ~ComboBox() override { CloseDrop(false); }

  LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case WM_NCCREATE:
        // Scroll bars a template asks for belong to the drop list, never to the one-row face.
        if (const DWORD style = Style(); style & (WS_VSCROLL | WS_HSCROLL))
          SetWindowLong(hwnd_, GWL_STYLE, static_cast<LONG>(style & ~(WS_VSCROLL | WS_HSCROLL)));
        bars_ = 0;
        return Control::Proc(msg, wParam, lParam);
      case WM_CREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
        itemHeight_ = LineHeight();
        if (Style() & CBS_OWNERDRAWFIXED) {
          MEASUREITEMSTRUCT mis;
          mis.CtlType = ODT_COMBOBOX;
          mis.CtlID = static_cast<UINT>(Id());
          mis.itemHeight = static_cast<UINT>(itemHeight_);
          if (HWND parent = GetParent(hwnd_))
            SendMessage(parent, WM_MEASUREITEM, static_cast<WPARAM>(Id()), reinterpret_cast<LPARAM>(&mis));
          itemHeight_ = static_cast<int>(mis.itemHeight);
        }
        // The template height includes the drop list; the window keeps only the face.
        dropHeight_ = cs ? std::max(cs->cy - FaceHeight(), itemHeight_ * 2) : itemHeight_ * 8;
        if (cs) SetWindowPos(hwnd_, nullptr, 0, 0, cs->cx, FaceHeight(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return Control::Proc(msg, wParam, lParam);
      }
      case WM_WINDOWPOSCHANGING: {
        // A height given later is the drop list's too: the face stays one row high.
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        if (pos && !(pos->flags & SWP_NOSIZE) && pos->cy != FaceHeight()) {
          dropHeight_ = std::max(pos->cy - FaceHeight(), itemHeight_ * 2);
          pos->cy = FaceHeight();
        }
        return Control::Proc(msg, wParam, lParam);
      }
      case WM_SETFONT: {
        const LRESULT r = Control::Proc(msg, wParam, lParam);
        if (!OwnerDraw()) {
          itemHeight_ = LineHeight();
          RECT w;
          GetWindowRect(hwnd_, &w);
          SetWindowPos(hwnd_, nullptr, 0, 0, w.right - w.left, FaceHeight(),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return r;
      }
      // A drop-down list has no text of its own: its text is the selected item's.
      case WM_GETTEXTLENGTH:
        return items_.Valid(items_.cur_) ? static_cast<LRESULT>(items_.At(items_.cur_).text.size()) : 0;
      case WM_GETTEXT: {
        if (!lParam || wParam == 0) return 0;
        const std::string text = items_.Valid(items_.cur_) ? items_.At(items_.cur_).text : std::string();
        const std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(wParam) - 1);
        std::memcpy(reinterpret_cast<char*>(lParam), text.data(), n);
        reinterpret_cast<char*>(lParam)[n] = '\0';
        return static_cast<LRESULT>(n);
      }
      case WM_SETTEXT: {
        const int i = items_.Find(-1, lParam ? reinterpret_cast<LPCSTR>(lParam) : "", true);
        if (i < 0) return CB_ERR;
        items_.cur_ = i;
        Invalidate();
        return TRUE;
      }
      case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
      case CB_ADDSTRING:
      case CB_INSERTSTRING: {
        std::string text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        int at = items_.Insert(msg == CB_ADDSTRING ? -1 : static_cast<int>(wParam), text,
                               msg == CB_ADDSTRING && (Style() & CBS_SORT));
        Invalidate();
        return at < 0 ? CB_ERR : at;
      }
      case CB_DELETESTRING:
        if (!items_.Erase(static_cast<int>(wParam))) return CB_ERR;
        Invalidate();
        return items_.Count();
      case CB_RESETCONTENT:
        items_.Clear();
        Invalidate();
        return 0;
      case CB_GETCOUNT: return items_.Count();
      case CB_GETCURSEL: return items_.cur_;
      case CB_SETCURSEL: {
        int i = static_cast<int>(wParam);
        items_.cur_ = items_.Valid(i) ? i : -1;
        Invalidate();
        return items_.Valid(i) ? i : CB_ERR;
      }
      case CB_GETLBTEXT: {
        int i = static_cast<int>(wParam);
        if (!items_.Valid(i) || !lParam) return CB_ERR;
        const std::string& t = items_.At(i).text;
        std::memcpy(reinterpret_cast<char*>(lParam), t.c_str(), t.size() + 1);
        return static_cast<LRESULT>(t.size());
      }
      case CB_GETLBTEXTLEN:
        return items_.Valid(static_cast<int>(wParam))
                   ? static_cast<LRESULT>(items_.At(static_cast<int>(wParam)).text.size())
                   : CB_ERR;
      case CB_GETITEMDATA:
        return items_.Valid(static_cast<int>(wParam)) ? items_.At(static_cast<int>(wParam)).data : CB_ERR;
      case CB_SETITEMDATA:
        if (!items_.Valid(static_cast<int>(wParam))) return CB_ERR;
        items_.At(static_cast<int>(wParam)).data = lParam;
        return TRUE;
      case CB_FINDSTRING:
      case CB_FINDSTRINGEXACT:
        return items_.Find(static_cast<int>(wParam), lParam ? reinterpret_cast<LPCSTR>(lParam) : "",
                           msg == CB_FINDSTRINGEXACT);
      case CB_SELECTSTRING: {
        int i = items_.Find(static_cast<int>(wParam), lParam ? reinterpret_cast<LPCSTR>(lParam) : "", false);
        if (i < 0) return CB_ERR;
        items_.cur_ = i;
        Invalidate();
        return i;
      }
      case CB_SHOWDROPDOWN:
        if (wParam) OpenDrop();
        else CloseDrop(false);
        return TRUE;
      case CB_GETDROPPEDSTATE: return drop_ ? TRUE : FALSE;
      case CB_GETITEMHEIGHT: return itemHeight_;
      case CB_SETITEMHEIGHT:
        if (static_cast<int>(wParam) >= 0) itemHeight_ = std::max(1, static_cast<int>(lParam));
        Invalidate();
        return 0;
      case CB_SETDROPPEDWIDTH: dropWidth_ = static_cast<int>(wParam); return dropWidth_;
      case CB_GETDROPPEDWIDTH: {
        RECT w;
        GetWindowRect(hwnd_, &w);
        return std::max<LRESULT>(dropWidth_, w.right - w.left);
      }
      case CB_GETDROPPEDCONTROLRECT: {
        if (!lParam) return FALSE;
        RECT w;
        GetWindowRect(hwnd_, &w);
        w.bottom = w.top + FaceHeight() + dropHeight_;
        *reinterpret_cast<RECT*>(lParam) = w;
        return TRUE;
      }
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        SetFocus(hwnd_);
        if (drop_) CloseDrop(false);
        else OpenDrop();
        return 0;
      case WM_MOUSEWHEEL:
        if (DropList* list = Dropped()) {
          list->ScrollTo(list->top_ - static_cast<short>(HIWORD(wParam)) / 120 * 3);
          return 0;
        }
        return Control::Proc(msg, wParam, lParam);
      case WM_KEYDOWN: {
        DropList* list = Dropped();
        const int page = list ? std::max(1, list->rows_ - 1) : std::max(1, dropHeight_ / std::max(1, itemHeight_) - 1);
        int i = list ? list->hot_ : items_.cur_;
        if (wParam == VK_DOWN) i = std::min(items_.Count() - 1, i + 1);
        else if (wParam == VK_UP) i = std::max(0, i - 1);
        else if (wParam == VK_NEXT) i = std::min(items_.Count() - 1, std::max(0, i) + page);
        else if (wParam == VK_PRIOR) i = std::max(0, i - page);
        else if (wParam == VK_HOME) i = 0;
        else if (wParam == VK_END) i = items_.Count() - 1;
        else if (wParam == VK_F4) {
          drop_ ? CloseDrop(false) : OpenDrop();
          return 0;
        } else if (wParam == VK_RETURN && drop_) {
          if (list && items_.Valid(list->hot_) && list->hot_ != items_.cur_) Choose(list->hot_);
          CloseDrop(true);
          return 0;
        } else if (wParam == VK_ESCAPE && drop_) {
          CloseDrop(false);
          return 0;
        } else {
          return 0;
        }
        // In an open list the keys move the hot item (Enter takes it); on the face they choose.
        if (list) list->Hot(i);
        else if (items_.Valid(i) && i != items_.cur_) Choose(i);
        return 0;
      }
      case WM_KILLFOCUS:
        if (drop_ && reinterpret_cast<HWND>(wParam) != drop_) CloseDrop(false);
        Command(CBN_KILLFOCUS);
        return Control::Proc(msg, wParam, lParam);
      case WM_SETFOCUS: Command(CBN_SETFOCUS); return Control::Proc(msg, wParam, lParam);
      case WM_DESTROY: CloseDrop(false); return Control::Proc(msg, wParam, lParam);
      default: return Control::Proc(msg, wParam, lParam);
    }
  }

  // Called by the drop list.
  void DropPicked(int index) {
    if (items_.Valid(index) && index != items_.cur_) Choose(index);
    CloseDrop(true);
  }
  ItemList& Items() { return items_; }
  int ItemHeight() const { return itemHeight_; }
  bool OwnerDraw() const { return Style() & CBS_OWNERDRAWFIXED; }
  void DrawItem(HDC dc, int index, RECT r, UINT state) {
    DRAWITEMSTRUCT dis;
    dis.CtlType = ODT_COMBOBOX;
    dis.CtlID = static_cast<UINT>(Id());
    dis.itemID = static_cast<UINT>(index);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state | (Enabled() ? 0 : ODS_DISABLED);
    dis.hwndItem = hwnd_;
    dis.hDC = dc;
    dis.rcItem = r;
    dis.itemData = items_.Valid(index) ? static_cast<ULONG_PTR>(items_.At(index).data) : 0;
    if (HWND parent = GetParent(hwnd_))
      SendMessage(parent, WM_DRAWITEM, static_cast<WPARAM>(Id()), reinterpret_cast<LPARAM>(&dis));
  }
  void DropGone() { drop_ = nullptr; }
  DropList* Dropped() const { return drop_ ? reinterpret_cast<DropList*>(GetWindowLongPtr(drop_, 0)) : nullptr; }

 protected:
  UINT CtlColorMessage() const override { return WM_CTLCOLOREDIT; }
  int DefaultBackground() const override { return COLOR_WINDOW; }

  void Paint(HDC dc, const RECT& client) override {
    SetTextColor(dc, GetSysColor(Enabled() ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    RECT face = client;
    FillRect(dc, &face, Enabled() ? Background(dc) : GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &face, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    RECT button{face.right - kButton, face.top, face.right, face.bottom};
    DrawArrowButton(dc, button, 1, drop_ != nullptr, Enabled());
    RECT text{face.left, face.top, button.left, face.bottom};
    bool focus = Focused() && !drop_;
    if (OwnerDraw()) {
      DrawItem(dc, items_.cur_, text, ODS_COMBOBOXEDIT | (focus ? ODS_SELECTED | ODS_FOCUS : 0));
      return;
    }
    if (focus) {
      RECT hl = text;
      InflateRect(&hl, -1, -1);
      FillSys(dc, hl, COLOR_HIGHLIGHT);
      SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      DrawFocusRect(dc, &hl);
    }
    if (items_.Valid(items_.cur_)) {
      text.left += 3;
      DrawText(dc, items_.At(items_.cur_).text.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
  }

 private:
  int FaceHeight() const { return itemHeight_ + 8; }

  void Choose(int i) {
    items_.cur_ = i;
    Invalidate();
    Command(CBN_SELCHANGE);
  }

  void OpenDrop() {
    if (drop_ || !Enabled()) return;
    Command(CBN_DROPDOWN);
    RECT w;
    GetWindowRect(hwnd_, &w);
    int rows = std::max(1, std::min(items_.Count(), std::max(1, dropHeight_ / std::max(1, itemHeight_))));
    int width = std::max<int>(dropWidth_, w.right - w.left);
    // More items than rows: the list scrolls, with a bar of its own.
    const DWORD bar = items_.Count() > rows ? WS_VSCROLL : 0;
    drop_ = CreateWindowEx(0, kDropClass, "", WS_POPUP | WS_BORDER | bar, w.left, w.bottom, width,
                           rows * itemHeight_ + 2, hwnd_, nullptr, nullptr, nullptr);
    if (!drop_) return;
    if (auto* list = reinterpret_cast<DropList*>(GetWindowLongPtr(drop_, 0))) {
      list->combo_ = this;
      list->rows_ = rows;
      list->Hot(items_.cur_);
    }
    ShowWindow(drop_, SW_SHOWNA);
    SetCapture(drop_);
    Invalidate();
  }

  void CloseDrop(bool ok) {
    if (!drop_) return;
    HWND d = drop_;
    drop_ = nullptr;
    if (auto* list = reinterpret_cast<DropList*>(GetWindowLongPtr(d, 0))) list->combo_ = nullptr;
    if (GetCapture() == d) ReleaseCapture();
    DestroyWindow(d);
    if (IsWindow(hwnd_)) {
      Command(ok ? CBN_SELENDOK : CBN_SELENDCANCEL);
      Command(CBN_CLOSEUP);
      Invalidate();
    }
  }

  ItemList items_;
  int itemHeight_ = 16;
  int dropHeight_ = 100;
  int dropWidth_ = 0;
  HWND drop_ = nullptr;
};

LRESULT DropList::Proc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEMOVE:
      if (combo_) {
        POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        RECT c = Client();
        int i = ItemAt(p.y);
        if (PtInRect(&c, p) && i != hot_ && combo_->Items().Valid(i)) {
          hot_ = i;
          Invalidate();
        }
      }
      return 0;
    case WM_LBUTTONUP: {
      if (!combo_) return 0;
      POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      RECT c = Client();
      ComboBox* combo = combo_;
      if (PtInRect(&c, p)) combo->DropPicked(ItemAt(p.y));
      return 0;
    }
    case WM_LBUTTONDOWN: {
      POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      RECT c = Client();
      if (PtInRect(&c, p) || !combo_) return 0;
      // The captured press may be on the list's own scroll bar, which it then works as usual.
      POINT screen = p;
      ClientToScreen(hwnd_, &screen);
      const LRESULT hit = DefWindowProc(hwnd_, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
      if (hit == HTVSCROLL) {
        DefWindowProc(hwnd_, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(screen.x, screen.y));
        if (IsWindow(hwnd_) && combo_) SetCapture(hwnd_);
        return 0;
      }
      combo_->Proc(CB_SHOWDROPDOWN, FALSE, 0);  // a click elsewhere closes it
      return 0;
    }
    case WM_VSCROLL: {
      const int last = std::max(0, Count() - rows_);
      ScrollTo(ScrolledPos(SB_VERT, wParam, top_, 1, rows_, last));
      return 0;
    }
    case WM_MOUSEWHEEL: ScrollTo(top_ - static_cast<short>(HIWORD(wParam)) / 120 * 3); return 0;
    case WM_CAPTURECHANGED: return 0;
    case WM_DESTROY:
      if (combo_) combo_->DropGone();
      return Control::Proc(msg, wParam, lParam);
    default: return Control::Proc(msg, wParam, lParam);
  }
}

int DropList::Count() const { return combo_ ? combo_->Items().Count() : 0; }

int DropList::ItemAt(int y) const { return y < 0 || !combo_ ? -1 : top_ + y / std::max(1, combo_->ItemHeight()); }

void DropList::ScrollTo(int top) {
  top = std::clamp(top, 0, std::max(0, Count() - rows_));
  if (top == top_) return;
  top_ = top;
  Invalidate();
}

void DropList::Hot(int index) {
  hot_ = index;
  if (index >= 0) {
    if (index < top_) ScrollTo(index);
    else if (index >= top_ + rows_) ScrollTo(index - rows_ + 1);
  }
  Invalidate();
}

void DropList::SyncScrollBars() { SyncBar(SB_VERT, Count() - 1, rows_, top_); }

void DropList::Paint(HDC dc, const RECT& client) {
  FillSys(dc, client, COLOR_WINDOW);
  if (!combo_) return;
  int h = combo_->ItemHeight();
  for (int i = top_; i < combo_->Items().Count(); ++i) {
    RECT r{0, (i - top_) * h, client.right, (i - top_ + 1) * h};
    if (r.top >= client.bottom) break;
    bool sel = i == hot_;
    if (combo_->OwnerDraw()) {
      combo_->DrawItem(dc, i, r, sel ? ODS_SELECTED : 0);
      continue;
    }
    if (sel) FillSys(dc, r, COLOR_HIGHLIGHT);
    SetTextColor(dc, GetSysColor(sel ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT t = r;
    t.left += 3;
    DrawText(dc, combo_->Items().At(i).text.c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
}

}  // namespace

void RegisterComboBox() {
  RegisterControlClass(WC_COMBOBOX, Make<ComboBox>, CS_DBLCLKS | CS_PARENTDC, COLOR_WINDOW);
  RegisterControlClass(kDropClass, Make<DropList>, CS_SAVEBITS, COLOR_WINDOW);
}

}  // namespace platform::controls
