// List views: report and icon views, columns, image lists, item states and selection, label
// editing and the LVN_/NM_ notifications, begin-drag included.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/strings.h"
#include "platform/controls/control_base.h"
#include "platform/window/timers.h"

namespace platform::controls {
namespace {

constexpr UINT_PTR kEditTimer = 42;
constexpr UINT kEditDelayMs = 500;
constexpr int kDragDistance = 4;
const char kEditProp[] = "VidarroListViewEditProc";

struct Column {
  int fmt = LVCFMT_LEFT;
  int cx = 60;
  std::string text;
};

struct Item {
  std::vector<std::string> texts{std::string()};
  int image = -1;
  LPARAM param = 0;
  UINT state = 0;
};

class ListView final : public Control {
 public:
  // List views scroll on their own, whatever the style says.
  explicit ListView(HWND hwnd) : Control(hwnd) {
    if (!(Style() & LVS_NOSCROLL)) bars_ |= WS_VSCROLL;
  }

  LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
      case LVM_GETITEMCOUNT: return Count();
      case LVM_INSERTITEM: return Insert(reinterpret_cast<const LVITEM*>(lParam));
      case LVM_SETITEM: return SetItem(reinterpret_cast<const LVITEM*>(lParam)) ? TRUE : FALSE;
      case LVM_GETITEM: return GetItem(reinterpret_cast<LVITEM*>(lParam)) ? TRUE : FALSE;
      case LVM_SETITEMTEXT: {
        auto* it = reinterpret_cast<const LVITEM*>(lParam);
        if (!it || !Valid(static_cast<int>(wParam))) return FALSE;
        LVITEM copy = *it;
        copy.iItem = static_cast<int>(wParam);
        copy.mask = LVIF_TEXT;
        return SetItem(&copy) ? TRUE : FALSE;
      }
      case LVM_GETITEMTEXT: {
        auto* it = reinterpret_cast<LVITEM*>(lParam);
        if (!it || !Valid(static_cast<int>(wParam))) return 0;
        return static_cast<LRESULT>(
            CopyText(Text(static_cast<int>(wParam), it->iSubItem), it->pszText, it->cchTextMax));
      }
      case LVM_DELETEITEM: return Delete(static_cast<int>(wParam)) ? TRUE : FALSE;
      case LVM_DELETEALLITEMS: {
        EndEdit(false);
        NMLISTVIEW nm;
        bool quiet = Notify(&nm.hdr, LVN_DELETEALLITEMS) != 0;
        while (!items_.empty()) {
          if (!quiet) NotifyItem(LVN_DELETEITEM, static_cast<int>(items_.size()) - 1, 0, 0, 0);
          items_.pop_back();
        }
        top_ = 0;
        hot_ = mark_ = -1;
        Invalidate();
        return TRUE;
      }
      case LVM_GETNEXTITEM: return Next(static_cast<int>(wParam), LOWORD(lParam));
      case LVM_FINDITEM: return Find(static_cast<int>(wParam), reinterpret_cast<const LVFINDINFO*>(lParam));
      case LVM_SETITEMSTATE: {
        auto* it = reinterpret_cast<const LVITEM*>(lParam);
        if (!it) return FALSE;
        int i = static_cast<int>(wParam);
        if (i == -1) {
          for (int k = 0; k < Count(); ++k) SetState(k, it->state, it->stateMask);
          return TRUE;
        }
        return Valid(i) && SetState(i, it->state, it->stateMask) ? TRUE : FALSE;
      }
      case LVM_GETITEMSTATE:
        return Valid(static_cast<int>(wParam)) ? items_[wParam].state & static_cast<UINT>(lParam) : 0;
      case LVM_GETSELECTEDCOUNT: {
        int n = 0;
        for (const Item& it : items_) n += (it.state & LVIS_SELECTED) ? 1 : 0;
        return n;
      }
      case LVM_INSERTCOLUMN: {
        auto* c = reinterpret_cast<const LVCOLUMN*>(lParam);
        if (!c) return -1;
        Column col;
        if (c->mask & LVCF_FMT) col.fmt = c->fmt;
        if (c->mask & LVCF_WIDTH) col.cx = c->cx;
        if ((c->mask & LVCF_TEXT) && c->pszText) col.text = c->pszText;
        int at = std::clamp(static_cast<int>(wParam), 0, static_cast<int>(columns_.size()));
        columns_.insert(columns_.begin() + at, col);
        if (header_) HeaderInsert(at);
        Invalidate();
        return at;
      }
      case LVM_DELETECOLUMN:
        if (wParam >= columns_.size()) return FALSE;
        columns_.erase(columns_.begin() + static_cast<long>(wParam));
        if (header_) SendMessage(header_, HDM_DELETEITEM, wParam, 0);
        Invalidate();
        return TRUE;
      case LVM_GETCOLUMN: {
        auto* c = reinterpret_cast<LVCOLUMN*>(lParam);
        if (!c || wParam >= columns_.size()) return FALSE;
        const Column& col = columns_[wParam];
        if (c->mask & LVCF_FMT) c->fmt = col.fmt;
        if (c->mask & LVCF_WIDTH) c->cx = col.cx;
        if (c->mask & LVCF_TEXT) CopyText(col.text, c->pszText, c->cchTextMax);
        return TRUE;
      }
      case LVM_GETCOLUMNWIDTH: return wParam < columns_.size() ? columns_[wParam].cx : 0;
      case LVM_SETCOLUMNWIDTH:
        if (wParam >= columns_.size()) return FALSE;
        columns_[wParam].cx = std::max(0, static_cast<int>(static_cast<short>(LOWORD(lParam))));
        if (header_) HeaderWidth(static_cast<int>(wParam));
        Invalidate();
        return TRUE;
      case LVM_SETIMAGELIST: {
        if (wParam > 2) return 0;
        HIMAGELIST old = lists_[wParam];
        lists_[wParam] = reinterpret_cast<HIMAGELIST>(lParam);
        Invalidate();
        return reinterpret_cast<LRESULT>(old);
      }
      case LVM_GETIMAGELIST: return wParam <= 2 ? reinterpret_cast<LRESULT>(lists_[wParam]) : 0;
      case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        DWORD old = exStyle_;
        DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFFu;
        exStyle_ = (exStyle_ & ~mask) | (static_cast<DWORD>(lParam) & mask);
        Invalidate();
        return old;
      }
      case LVM_GETEXTENDEDLISTVIEWSTYLE: return exStyle_;
      case LVM_SETHOTITEM: {
        int old = hot_;
        hot_ = static_cast<int>(wParam);
        Invalidate();
        return old;
      }
      case LVM_GETHOTITEM: return hot_;
      case LVM_GETSELECTIONMARK: return mark_;
      case LVM_SETSELECTIONMARK: {
        int old = mark_;
        mark_ = static_cast<int>(lParam);
        return old;
      }
      case LVM_GETTOPINDEX: return View() == LVS_ICON ? 0 : top_;
      case LVM_GETCOUNTPERPAGE: return PerPage();
      case LVM_ENSUREVISIBLE:
        if (!Valid(static_cast<int>(wParam))) return FALSE;
        EnsureVisible(static_cast<int>(wParam));
        return TRUE;
      case LVM_REDRAWITEMS:
      case LVM_ARRANGE: Invalidate(); return TRUE;
      case LVM_GETITEMRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r || !Valid(static_cast<int>(wParam))) return FALSE;
        *r = Part(static_cast<int>(wParam), r->left);
        return TRUE;
      }
      case LVM_HITTEST: {
        auto* hit = reinterpret_cast<LVHITTESTINFO*>(lParam);
        if (!hit) return -1;
        UINT flags = LVHT_NOWHERE;
        hit->iItem = HitTest(hit->pt, &flags);
        hit->flags = flags;
        return hit->iItem;
      }
      case LVM_SETBKCOLOR:
        bk_ = static_cast<COLORREF>(lParam);
        Invalidate();
        return TRUE;
      case LVM_GETBKCOLOR: return bk_ == CLR_DEFAULT ? GetSysColor(COLOR_WINDOW) : bk_;
      case LVM_SETTEXTCOLOR:
        text_ = static_cast<COLORREF>(lParam);
        Invalidate();
        return TRUE;
      case LVM_SETTEXTBKCOLOR: return TRUE;
      case LVM_SETVIEW: {
        static const DWORD kStyles[4] = {LVS_ICON, LVS_REPORT, LVS_SMALLICON, LVS_LIST};
        if (wParam > 3) return -1;
        SetWindowLong(hwnd_, GWL_STYLE, static_cast<LONG>((Style() & ~LVS_TYPEMASK) | kStyles[wParam]));
        LayoutHeader();
        Invalidate();
        return 1;
      }
      case LVM_GETVIEW: {
        DWORD v = View();
        return v == LVS_REPORT ? 1 : v == LVS_SMALLICON ? 2 : v == LVS_LIST ? 3 : 0;
      }
      case LVM_EDITLABEL: return reinterpret_cast<LRESULT>(EditLabel(static_cast<int>(wParam)));
      case LVM_GETEDITCONTROL: return reinterpret_cast<LRESULT>(edit_);
      case LVM_GETHEADER: return reinterpret_cast<LRESULT>(EnsureHeader());
      case LVM_SORTITEMS: return Sort(reinterpret_cast<PFNLVCOMPARE>(lParam), static_cast<LPARAM>(wParam));
      case LVM_SETICONSPACING: {
        const SIZE old = Cell();
        // -1 on a side takes the default back.
        const int cx = static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam)));
        const int cy = static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam)));
        spacing_ = {cx > 0 ? cx : 0, cy > 0 ? cy : 0};
        Invalidate();
        return MAKELONG(old.cx, old.cy);
      }
      case LVM_SCROLL: {
        // Pixels; a report list moves by whole rows, at least one when asked to move at all.
        const int dy = static_cast<int>(lParam);
        if (View() == LVS_ICON) {
          scrollY_ = std::clamp(scrollY_ + dy, 0, std::max(0, IconHeight() - static_cast<int>(Client().bottom)));
          Invalidate();
        } else if (dy != 0) {
          const int rows = dy / RowHeight();
          Scroll(rows != 0 ? rows : (dy > 0 ? 1 : -1));
        }
        return TRUE;
      }
      case WM_NOTIFY: {
        auto* h = reinterpret_cast<NMHDR*>(lParam);
        if (h && header_ && h->hwndFrom == header_) return HeaderNotify(h);
        return 0;
      }
      case WM_DRAWITEM:
        // Owner-drawn header items are drawn by whoever owns the list.
        return SendMessage(NotifyTarget(), WM_DRAWITEM, wParam, lParam);
      case WM_SIZE: LayoutHeader(); return Control::Proc(msg, wParam, lParam);
      case WM_SETFONT:
        if (header_) SendMessage(header_, WM_SETFONT, wParam, lParam);
        return Control::Proc(msg, wParam, lParam);
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_LBUTTONDBLCLK: return Mouse(msg, wParam, lParam);
      case WM_MOUSEMOVE:
        if (pressed_ >= 0 && (wParam & MK_LBUTTON)) {
          POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
          if (std::abs(p.x - pressAt_.x) > kDragDistance || std::abs(p.y - pressAt_.y) > kDragDistance) {
            int item = pressed_;
            pressed_ = -1;
            KillTimer(hwnd_, kEditTimer);
            NotifyItem(LVN_BEGINDRAG, item, 0, 0, 0, pressAt_);
          }
        }
        return 0;
      case WM_LBUTTONUP: pressed_ = -1; return 0;
      case WM_TIMER:
        if (wParam == kEditTimer) {
          KillTimer(hwnd_, kEditTimer);
          if (Valid(editCandidate_)) EditLabel(editCandidate_);
          return 0;
        }
        return Control::Proc(msg, wParam, lParam);
      case WM_KEYDOWN: {
        NMLVKEYDOWN kd;
        kd.wVKey = static_cast<WORD>(wParam);
        Notify(&kd.hdr, LVN_KEYDOWN);
        int focus = Next(-1, LVNI_FOCUSED);
        int step = View() == LVS_ICON ? std::max(1, PerRow()) : 1;
        int target = focus;
        if (wParam == VK_DOWN || (wParam == VK_RIGHT && View() == LVS_ICON))
          target = focus + (wParam == VK_DOWN ? step : 1);
        else if (wParam == VK_UP || (wParam == VK_LEFT && View() == LVS_ICON))
          target = focus - (wParam == VK_UP ? step : 1);
        else if (wParam == VK_HOME) target = 0;
        else if (wParam == VK_END) target = Count() - 1;
        else return 0;
        target = std::clamp(target, 0, Count() - 1);
        if (Valid(target)) SelectOnly(target);
        return 0;
      }
      case WM_COMMAND:
        if (edit_ && reinterpret_cast<HWND>(lParam) == edit_ && HIWORD(wParam) == EN_KILLFOCUS) EndEdit(true);
        return 0;
      case WM_VSCROLL:
        if (View() == LVS_ICON) {
          const int page = static_cast<int>(Client().bottom);
          scrollY_ = std::clamp(ScrolledPos(SB_VERT, wParam, scrollY_, Cell().cy / 3, page, IconHeight() - page), 0,
                                std::max(0, IconHeight() - page));
        } else {
          const int page = PerPage();
          top_ =
              std::clamp(ScrolledPos(SB_VERT, wParam, top_, 1, page, Count() - page), 0, std::max(0, Count() - page));
        }
        Invalidate();
        return 0;
      case WM_MOUSEWHEEL: Scroll(-static_cast<short>(HIWORD(wParam)) / 120 * 3); return 0;
      case WM_DESTROY:
        EndEdit(false);
        header_ = nullptr;  // a child: destroyed with the list
        return Control::Proc(msg, wParam, lParam);
      default: return Control::Proc(msg, wParam, lParam);
    }
  }

  // Called by the label editor's key handling.
  void EndEdit(bool commit) {
    if (!edit_) return;
    HWND e = edit_;
    edit_ = nullptr;
    int i = editing_;
    editing_ = -1;
    std::string text;
    int n = GetWindowTextLength(e);
    text.resize(static_cast<size_t>(n) + 1);
    GetWindowText(e, text.data(), n + 1);
    text.resize(static_cast<size_t>(n));
    NMLVDISPINFO di;
    di.item.iItem = i;
    di.item.mask = LVIF_TEXT;
    di.item.pszText = commit ? text.data() : nullptr;
    di.item.lParam = Valid(i) ? items_[static_cast<size_t>(i)].param : 0;
    LRESULT accept = Notify(&di.hdr, LVN_ENDLABELEDIT);
    if (commit && accept && Valid(i)) items_[static_cast<size_t>(i)].texts[0] = text;
    DestroyWindow(e);
    Invalidate();
  }

 protected:
  UINT CtlColorMessage() const override { return 0; }
  int DefaultBackground() const override { return COLOR_WINDOW; }

  void Paint(HDC dc, const RECT& client) override {
    HBRUSH bg = CreateSolidBrush(bk_ == CLR_DEFAULT ? GetSysColor(COLOR_WINDOW) : bk_);
    FillRect(dc, &client, bg);
    DeleteObject(bg);
    LayoutHeader();
    NMLVCUSTOMDRAW cd;
    cd.nmcd.dwDrawStage = CDDS_PREPAINT;
    cd.nmcd.hdc = dc;
    cd.nmcd.rc = client;
    const LRESULT wants = Notify(&cd.nmcd.hdr, NM_CUSTOMDRAW);
    for (int i = 0; i < Count(); ++i) {
      RECT b = Part(i, LVIR_BOUNDS);
      if (b.bottom <= HeaderHeight() || b.top >= client.bottom) continue;
      if (!(wants & CDRF_NOTIFYITEMDRAW)) {
        PaintItem(dc, i);
        continue;
      }
      const Item& it = items_[static_cast<size_t>(i)];
      NMLVCUSTOMDRAW item;
      item.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
      item.nmcd.hdc = dc;
      item.nmcd.rc = b;
      item.nmcd.dwItemSpec = static_cast<DWORD_PTR>(i);
      item.nmcd.uItemState =
          ((it.state & LVIS_SELECTED) ? CDIS_SELECTED : 0) | ((it.state & LVIS_FOCUSED) ? CDIS_FOCUS : 0);
      item.nmcd.lItemlParam = it.param;
      item.clrText = CLR_DEFAULT;
      item.clrTextBk = CLR_DEFAULT;
      const LRESULT answer = Notify(&item.nmcd.hdr, NM_CUSTOMDRAW);
      if (!(answer & CDRF_SKIPDEFAULT)) PaintItem(dc, i, item.clrText, item.clrTextBk);
      if (answer & CDRF_NOTIFYPOSTPAINT) {
        item.nmcd.dwDrawStage = CDDS_ITEMPOSTPAINT;
        Notify(&item.nmcd.hdr, NM_CUSTOMDRAW);
      }
    }
    if (wants & CDRF_NOTIFYPOSTPAINT) {
      cd.nmcd.dwDrawStage = CDDS_POSTPAINT;
      Notify(&cd.nmcd.hdr, NM_CUSTOMDRAW);
    }
  }

 private:
  DWORD View() const { return Style() & LVS_TYPEMASK; }
  int Count() const { return static_cast<int>(items_.size()); }
  bool Valid(int i) const { return i >= 0 && i < Count(); }
  std::string Text(int i, int sub) const {
    const Item& it = items_[static_cast<size_t>(i)];
    return sub >= 0 && sub < static_cast<int>(it.texts.size()) ? it.texts[static_cast<size_t>(sub)] : std::string();
  }
  static size_t CopyText(const std::string& s, LPSTR out, int cap) {
    return static_cast<size_t>(platform::CopyToBuffer(s, out, cap));
  }

  int HeaderHeight() const { return View() == LVS_REPORT && !(Style() & LVS_NOCOLUMNHEADER) ? lineHeight() + 6 : 0; }
  int lineHeight() const { return const_cast<ListView*>(this)->LineHeight(); }
  SIZE ImageSize(int which) const {
    int cx = 0, cy = 0;
    if (lists_[which]) ImageList_GetIconSize(lists_[which], &cx, &cy);
    return {cx, cy};
  }
  int RowHeight() const { return std::max<int>(lineHeight() + 2, ImageSize(LVSIL_SMALL).cy); }
  SIZE Cell() const {
    SIZE img = ImageSize(LVSIL_NORMAL);
    int w = spacing_.cx > 0 ? spacing_.cx : std::max<int>(76, img.cx + 20);
    int h = spacing_.cy > 0 ? spacing_.cy : std::max<int>(32, img.cy) + 2 * lineHeight() + 10;
    return {w, h};
  }

  // A stable sort of the items by the caller's order of their lParam values; the hot item, the
  // selection mark and the item states stay with their items.
  BOOL Sort(PFNLVCOMPARE compare, LPARAM sortParam) {
    if (!compare || editing_ >= 0) return FALSE;
    std::vector<int> order(items_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      return compare(items_[static_cast<size_t>(a)].param, items_[static_cast<size_t>(b)].param, sortParam) < 0;
    });
    std::vector<Item> sorted;
    sorted.reserve(items_.size());
    int hot = -1, mark = -1;
    for (size_t i = 0; i < order.size(); ++i) {
      if (order[i] == hot_) hot = static_cast<int>(i);
      if (order[i] == mark_) mark = static_cast<int>(i);
      sorted.push_back(std::move(items_[static_cast<size_t>(order[i])]));
    }
    items_ = std::move(sorted);
    hot_ = hot;
    mark_ = mark;
    Invalidate();
    return TRUE;
  }
  int PerRow() const { return std::max(1, static_cast<int>(Client().right / std::max<LONG>(1, Cell().cx))); }
  int PerPage() const {
    RECT c = Client();
    if (View() == LVS_ICON) return PerRow() * std::max(1, static_cast<int>(c.bottom / std::max<LONG>(1, Cell().cy)));
    return std::max(1, (static_cast<int>(c.bottom) - HeaderHeight()) / RowHeight());
  }

  // Rectangles of an item's parts in client coordinates.
  RECT Part(int i, int part) const {
    if (View() == LVS_ICON) {
      SIZE cell = Cell();
      int row = i / PerRow(), col = i % PerRow();
      RECT b{col * cell.cx, row * cell.cy - scrollY_, (col + 1) * cell.cx, (row + 1) * cell.cy - scrollY_};
      SIZE img = ImageSize(LVSIL_NORMAL);
      int iw = std::max<int>(img.cx, 32), ih = std::max<int>(img.cy, 32);
      RECT icon{b.left + (cell.cx - iw) / 2, b.top + 2, b.left + (cell.cx - iw) / 2 + iw, b.top + 2 + ih};
      RECT label{b.left + 2, icon.bottom + 2, b.right - 2, b.bottom - 2};
      return part == LVIR_ICON ? icon : part == LVIR_LABEL ? label : b;
    }
    int y = HeaderHeight() + (i - top_) * RowHeight();
    int width = 0;
    for (const Column& c : columns_) width += c.cx;
    if (columns_.empty()) width = Client().right;
    int first = columns_.empty() ? width : columns_[0].cx;
    SIZE img = ImageSize(LVSIL_SMALL);
    RECT icon{0, y, img.cx, y + RowHeight()};
    RECT label{img.cx + 2, y, first, y + RowHeight()};
    RECT bounds{0, y, width, y + RowHeight()};
    return part == LVIR_ICON ? icon : part == LVIR_LABEL ? label : bounds;
  }

  int HitTest(POINT p, UINT* flags) const {
    *flags = LVHT_NOWHERE;
    for (int i = 0; i < Count(); ++i) {
      RECT icon = Part(i, LVIR_ICON), label = Part(i, LVIR_LABEL), b = Part(i, LVIR_BOUNDS);
      if (View() == LVS_REPORT && b.top < HeaderHeight()) continue;
      if (PtInRect(&icon, p)) {
        *flags = LVHT_ONITEMICON;
        return i;
      }
      if (PtInRect(&label, p) || ((exStyle_ & LVS_EX_FULLROWSELECT) && View() == LVS_REPORT && PtInRect(&b, p))) {
        *flags = LVHT_ONITEMLABEL;
        return i;
      }
    }
    return -1;
  }

  LRESULT Notify(NMHDR* hdr, UINT code) { return Control::Notify(hdr, code); }
  LRESULT NotifyItem(UINT code, int i, UINT newState, UINT oldState, UINT changed, POINT at = POINT{}) {
    NMLISTVIEW nm;
    nm.iItem = i;
    nm.uNewState = newState;
    nm.uOldState = oldState;
    nm.uChanged = changed;
    nm.ptAction = at;
    nm.lParam = Valid(i) ? items_[static_cast<size_t>(i)].param : 0;
    return Notify(&nm.hdr, code);
  }

  int Insert(const LVITEM* it) {
    if (!it) return -1;
    int at = std::clamp(it->iItem, 0, Count());
    Item item;
    if ((it->mask & LVIF_TEXT) && it->pszText && reinterpret_cast<intptr_t>(it->pszText) != -1)
      item.texts[0] = it->pszText;
    if (it->mask & LVIF_IMAGE) item.image = it->iImage;
    if (it->mask & LVIF_PARAM) item.param = it->lParam;
    if (it->mask & LVIF_STATE) item.state = it->state & it->stateMask;
    items_.insert(items_.begin() + at, item);
    if (mark_ >= at) ++mark_;
    if (editing_ >= at) ++editing_;
    NotifyItem(LVN_INSERTITEM, at, 0, 0, 0);
    Invalidate();
    return at;
  }

  bool SetItem(const LVITEM* it) {
    if (!it || !Valid(it->iItem) || it->iSubItem < 0) return false;
    Item& item = items_[static_cast<size_t>(it->iItem)];
    if (it->mask & LVIF_TEXT) {
      if (item.texts.size() <= static_cast<size_t>(it->iSubItem))
        item.texts.resize(static_cast<size_t>(it->iSubItem) + 1);
      item.texts[static_cast<size_t>(it->iSubItem)] = it->pszText ? it->pszText : "";
    }
    if (it->iSubItem == 0) {
      if (it->mask & LVIF_IMAGE) item.image = it->iImage;
      if (it->mask & LVIF_PARAM) item.param = it->lParam;
      if (it->mask & LVIF_STATE) SetState(it->iItem, it->state, it->stateMask);
    }
    Invalidate();
    return true;
  }

  bool GetItem(LVITEM* it) const {
    if (!it || !Valid(it->iItem)) return false;
    const Item& item = items_[static_cast<size_t>(it->iItem)];
    if (it->mask & LVIF_TEXT) CopyText(Text(it->iItem, it->iSubItem), it->pszText, it->cchTextMax);
    if (it->mask & LVIF_IMAGE) it->iImage = item.image;
    if (it->mask & LVIF_PARAM) it->lParam = item.param;
    if (it->mask & LVIF_STATE) it->state = item.state & it->stateMask;
    return true;
  }

  bool Delete(int i) {
    if (!Valid(i)) return false;
    if (i == editing_) EndEdit(false);
    NotifyItem(LVN_DELETEITEM, i, 0, 0, 0);
    items_.erase(items_.begin() + i);
    if (mark_ == i) mark_ = -1;
    else if (mark_ > i) --mark_;
    if (hot_ == i) hot_ = -1;
    else if (hot_ > i) --hot_;
    if (editing_ > i) --editing_;
    top_ = std::max(0, std::min(top_, Count() - 1));
    Invalidate();
    return true;
  }

  int Next(int start, UINT flags) const {
    for (int i = start + 1; i < Count(); ++i) {
      UINT s = items_[static_cast<size_t>(i)].state;
      if ((flags & LVNI_SELECTED) && !(s & LVIS_SELECTED)) continue;
      if ((flags & LVNI_FOCUSED) && !(s & LVIS_FOCUSED)) continue;
      return i;
    }
    return -1;
  }

  int Find(int start, const LVFINDINFO* f) const {
    if (!f) return -1;
    for (int i = start + 1; i < Count(); ++i) {
      const Item& it = items_[static_cast<size_t>(i)];
      if ((f->flags & LVFI_PARAM) && it.param == f->lParam) return i;
      if ((f->flags & LVFI_STRING) && f->psz) {
        bool partial = f->flags & LVFI_PARTIAL;
        const std::string& t = it.texts[0];
        std::string want = f->psz;
        if (partial ? (t.size() >= want.size() && platform::EqualsNoCase(t.substr(0, want.size()), want))
                    : platform::EqualsNoCase(t, want))
          return i;
      }
    }
    return -1;
  }

  // Changes the state bits under mask, asking first (LVN_ITEMCHANGING) and telling after.
  bool SetState(int i, UINT state, UINT mask) {
    Item& item = items_[static_cast<size_t>(i)];
    UINT next = (item.state & ~mask) | (state & mask);
    if (next == item.state) return true;
    UINT old = item.state;
    if (NotifyItem(LVN_ITEMCHANGING, i, next, old, LVIF_STATE)) return false;
    if (!Valid(i)) return false;
    if ((next & LVIS_FOCUSED) && !(old & LVIS_FOCUSED))
      for (int k = 0; k < Count(); ++k)
        if (k != i && (items_[static_cast<size_t>(k)].state & LVIS_FOCUSED)) SetState(k, 0, LVIS_FOCUSED);
    items_[static_cast<size_t>(i)].state = next;
    NotifyItem(LVN_ITEMCHANGED, i, next, old, LVIF_STATE);
    Invalidate();
    return true;
  }

  void SelectOnly(int i) {
    for (int k = 0; k < Count(); ++k)
      if (k != i && (items_[static_cast<size_t>(k)].state & LVIS_SELECTED)) SetState(k, 0, LVIS_SELECTED);
    if (Valid(i)) {
      SetState(i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      mark_ = i;
      EnsureVisible(i);
    }
  }

  void EnsureVisible(int i) {
    RECT c = Client();
    if (View() == LVS_ICON) {
      RECT b = Part(i, LVIR_BOUNDS);
      if (b.top < 0) scrollY_ += b.top;
      else if (b.bottom > c.bottom) scrollY_ += b.bottom - c.bottom;
    } else {
      int page = PerPage();
      if (i < top_) top_ = i;
      if (i >= top_ + page) top_ = i - page + 1;
    }
    Invalidate();
  }

  int IconHeight() const { return ((Count() + PerRow() - 1) / PerRow()) * Cell().cy; }
  void SyncScrollBars() override {
    if (Style() & LVS_NOSCROLL) return;
    // A view that grew keeps no scrolled-away rows it can no longer scroll back to.
    if (View() == LVS_ICON) {
      scrollY_ = std::clamp(scrollY_, 0, std::max(0, IconHeight() - static_cast<int>(Client().bottom)));
      SyncBar(SB_VERT, IconHeight() - 1, static_cast<int>(Client().bottom), scrollY_);
    } else {
      top_ = std::clamp(top_, 0, std::max(0, Count() - PerPage()));
      SyncBar(SB_VERT, Count() - 1, PerPage(), top_);
    }
  }

  void Scroll(int rows) {
    if (View() == LVS_ICON) {
      int total = IconHeight();
      scrollY_ = std::clamp(scrollY_ + rows * Cell().cy / 3, 0, std::max(0, total - static_cast<int>(Client().bottom)));
    } else {
      top_ = std::clamp(top_ + rows, 0, std::max(0, Count() - PerPage()));
    }
    Invalidate();
  }

  LRESULT Mouse(UINT msg, WPARAM wParam, LPARAM lParam) {
    SetFocus(hwnd_);
    POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (View() == LVS_REPORT && p.y < HeaderHeight()) return 0;  // the header's own
    UINT flags = 0;
    int i = HitTest(p, &flags);
    bool wasSelectedFocused = Valid(i) && (items_[static_cast<size_t>(i)].state & (LVIS_SELECTED | LVIS_FOCUSED)) ==
                                              (LVIS_SELECTED | LVIS_FOCUSED);
    KillTimer(hwnd_, kEditTimer);
    if (msg == WM_LBUTTONDBLCLK) {
      NotifyItem(NM_DBLCLK, i, 0, 0, 0, p);
      return 0;
    }
    bool ctrl = wParam & MK_CONTROL;
    bool shift = wParam & MK_SHIFT;
    if (!Valid(i)) {
      if (!ctrl && !shift) SelectOnly(-1);
    } else if (ctrl && !(Style() & LVS_SINGLESEL)) {
      UINT s = items_[static_cast<size_t>(i)].state;
      SetState(i, (s & LVIS_SELECTED) ? LVIS_FOCUSED : LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      mark_ = i;
    } else if (shift && !(Style() & LVS_SINGLESEL) && Valid(mark_)) {
      int a = std::min(mark_, i), b = std::max(mark_, i);
      for (int k = 0; k < Count(); ++k) SetState(k, (k >= a && k <= b) ? LVIS_SELECTED : 0, LVIS_SELECTED);
      SetState(i, LVIS_FOCUSED, LVIS_FOCUSED);
    } else {
      SelectOnly(i);
    }
    if (msg == WM_RBUTTONDOWN) {
      NotifyItem(NM_RCLICK, i, 0, 0, 0, p);
      return 0;
    }
    NotifyItem(NM_CLICK, i, 0, 0, 0, p);
    if (Valid(i)) {
      pressed_ = i;
      pressAt_ = p;
      // A click on the label of the item that was already chosen edits it, once no double
      // click has come within the double-click time.
      if (wasSelectedFocused && (flags & LVHT_ONITEMLABEL) && (Style() & LVS_EDITLABELS)) {
        editCandidate_ = i;
        SetTimer(hwnd_, kEditTimer, kEditDelayMs, nullptr);
      }
    }
    return 0;
  }

  static LRESULT EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto original = reinterpret_cast<WNDPROC>(GetProp(hwnd, kEditProp));
    if (msg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
      HWND list = GetParent(hwnd);
      if (auto* lv = reinterpret_cast<ListView*>(GetWindowLongPtr(list, 0))) lv->EndEdit(wParam == VK_RETURN);
      return 0;
    }
    if (msg == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
    if (msg == WM_NCDESTROY) RemoveProp(hwnd, kEditProp);
    return original ? CallWindowProc(original, hwnd, msg, wParam, lParam) : DefWindowProc(hwnd, msg, wParam, lParam);
  }

  HWND EditLabel(int i) {
    if (!Valid(i)) {
      EndEdit(true);
      return nullptr;
    }
    EndEdit(true);
    std::string text = items_[static_cast<size_t>(i)].texts[0];
    EnsureVisible(i);
    RECT r = Part(i, LVIR_LABEL);
    if (View() == LVS_ICON) r.bottom = r.top + lineHeight() + 6;
    // The edit exists, hidden, while the parent decides: it may take it over (LVM_GETEDITCONTROL).
    edit_ = CreateWindowEx(0, WC_EDIT, text.c_str(), WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, r.left, r.top,
                           std::max<int>(r.right - r.left, 40), r.bottom - r.top, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<intptr_t>(1)), nullptr, nullptr);
    if (!edit_) return nullptr;
    SendMessage(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), 0);
    SetProp(edit_, kEditProp, reinterpret_cast<HANDLE>(GetWindowLongPtr(edit_, GWLP_WNDPROC)));
    SetWindowLongPtr(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListView::EditProc));
    NMLVDISPINFO di;
    di.item.iItem = i;
    di.item.mask = LVIF_TEXT;
    di.item.pszText = text.data();
    di.item.lParam = items_[static_cast<size_t>(i)].param;
    if (Notify(&di.hdr, LVN_BEGINLABELEDIT)) {  // the parent said no
      HWND refused = edit_;
      edit_ = nullptr;
      DestroyWindow(refused);
      return nullptr;
    }
    if (!edit_ || !IsWindow(edit_)) return nullptr;
    editing_ = i;
    ShowWindow(edit_, SW_SHOW);
    SendMessage(edit_, EM_SETSEL, 0, -1);
    SetFocus(edit_);
    return edit_;
  }

  bool WantsHeader() const { return View() == LVS_REPORT && !(Style() & LVS_NOCOLUMNHEADER); }

  // The column header is a header control of its own, made on first need and kept in step
  // with the columns.
  HWND EnsureHeader() {
    if (header_) return header_;
    header_ = CreateWindowEx(0, WC_HEADER, "", WS_CHILD | HDS_BUTTONS, 0, 0, 0, 0, hwnd_, nullptr, nullptr, nullptr);
    if (!header_) return nullptr;
    SendMessage(header_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
    for (size_t c = 0; c < columns_.size(); ++c) HeaderInsert(static_cast<int>(c));
    LayoutHeader();
    return header_;
  }

  void LayoutHeader() {
    if (!header_ && !WantsHeader()) return;
    HWND h = EnsureHeader();
    if (!h) return;
    const bool shown = WantsHeader();
    RECT want{0, 0, Client().right, HeaderHeight()};
    RECT now{};
    GetWindowRect(h, &now);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&now), 2);
    if (shown && (now.left != want.left || now.top != want.top || now.right != want.right || now.bottom != want.bottom))
      SetWindowPos(h, nullptr, 0, 0, want.right, want.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    if (shown != (IsWindowVisible(h) != FALSE)) ShowWindow(h, shown ? SW_SHOWNA : SW_HIDE);
  }

  static int HeaderFormat(int fmt) {
    return HDF_STRING | ((fmt & 3) == LVCFMT_RIGHT ? HDF_RIGHT : (fmt & 3) == LVCFMT_CENTER ? HDF_CENTER : HDF_LEFT);
  }

  void HeaderInsert(int at) {
    const Column& col = columns_[static_cast<size_t>(at)];
    HDITEM item;
    item.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT;
    item.cxy = col.cx;
    item.pszText = const_cast<LPSTR>(col.text.c_str());
    item.fmt = HeaderFormat(col.fmt);
    SendMessage(header_, HDM_INSERTITEM, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&item));
  }

  void HeaderWidth(int at) {
    HDITEM item;
    item.mask = HDI_WIDTH;
    item.cxy = columns_[static_cast<size_t>(at)].cx;
    syncing_ = true;
    SendMessage(header_, HDM_SETITEM, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&item));
    syncing_ = false;
  }

  // The header's news: widths follow it, clicks become LVN_COLUMNCLICK, and the parent hears
  // everything (its answer can refuse a change or a drag).
  LRESULT HeaderNotify(NMHDR* h) {
    auto* nm = reinterpret_cast<NMHEADER*>(h);
    if (h->code == HDN_ITEMCHANGED && nm->pitem && (nm->pitem->mask & HDI_WIDTH) && nm->iItem >= 0 &&
        nm->iItem < static_cast<int>(columns_.size())) {
      columns_[static_cast<size_t>(nm->iItem)].cx = nm->pitem->cxy;
      Invalidate();
    }
    if (syncing_) return 0;
    const LRESULT answer = SendMessage(NotifyTarget(), WM_NOTIFY, h->idFrom, reinterpret_cast<LPARAM>(h));
    if (h->code == HDN_ITEMCLICK) {
      NMLISTVIEW lv;
      lv.iItem = -1;
      lv.iSubItem = nm->iItem;
      Notify(&lv.hdr, LVN_COLUMNCLICK);
    }
    return answer;
  }

  static UINT Align(int fmt) {
    return (fmt & 3) == LVCFMT_RIGHT ? DT_RIGHT : (fmt & 3) == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
  }

  // Custom drawing may give the text and its background colours (CLR_DEFAULT keeps the list's).
  void PaintItem(HDC dc, int i, COLORREF textColor = CLR_DEFAULT, COLORREF textBk = CLR_DEFAULT) {
    const Item& it = items_[static_cast<size_t>(i)];
    bool sel = (it.state & LVIS_SELECTED) && (Focused() || (Style() & LVS_SHOWSELALWAYS) || editing_ == i);
    bool hiFocus = sel && Focused();
    COLORREF normalText = textColor != CLR_DEFAULT ? textColor
                          : text_ == CLR_DEFAULT   ? GetSysColor(COLOR_WINDOWTEXT)
                                                   : text_;
    // A selection out of the focus reads as the system's face colours, or as the owner's own pair
    // when it draws the item's colours itself; the list's text colour alone may not show on it.
    const bool ownPair = textColor != CLR_DEFAULT && textBk != CLR_DEFAULT;
    const COLORREF selFill = hiFocus ? GetSysColor(COLOR_HIGHLIGHT) : ownPair ? textBk : GetSysColor(COLOR_BTNFACE);
    const COLORREF selText = hiFocus   ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                             : ownPair ? textColor
                                       : GetSysColor(COLOR_BTNTEXT);
    auto fillSelection = [&](const RECT& r) {
      HBRUSH brush = CreateSolidBrush(selFill);
      FillRect(dc, &r, brush);
      DeleteObject(brush);
    };
    if (textBk != CLR_DEFAULT && !sel) {
      HBRUSH bk = CreateSolidBrush(textBk);
      RECT row = Part(i, View() == LVS_ICON ? LVIR_LABEL : LVIR_BOUNDS);
      FillRect(dc, &row, bk);
      DeleteObject(bk);
    }
    RECT label = Part(i, LVIR_LABEL), icon = Part(i, LVIR_ICON);
    int which = View() == LVS_ICON ? LVSIL_NORMAL : LVSIL_SMALL;
    if (lists_[which] && it.image >= 0) {
      SIZE img = ImageSize(which);
      ImageList_Draw(lists_[which], it.image, dc, icon.left + (icon.right - icon.left - img.cx) / 2,
                     icon.top + (icon.bottom - icon.top - img.cy) / 2, ILD_TRANSPARENT | (sel ? ILD_SELECTED : 0));
    }
    if (View() == LVS_ICON) {
      RECT calc{0, 0, label.right - label.left, 0};
      DrawText(dc, it.texts[0].c_str(), -1, &calc,
               DT_CALCRECT | DT_WORDBREAK | DT_CENTER | DT_NOPREFIX | DT_EDITCONTROL);
      int w = std::min<int>(calc.right, label.right - label.left);
      RECT box{label.left + (label.right - label.left - w) / 2 - 1, label.top,
               label.left + (label.right - label.left + w) / 2 + 1,
               std::min<LONG>(label.bottom, label.top + calc.bottom)};
      if (sel) fillSelection(box);
      SetTextColor(dc, sel ? selText : normalText);
      if (editing_ != i)
        DrawText(dc, it.texts[0].c_str(), -1, &label,
                 DT_WORDBREAK | DT_CENTER | DT_NOPREFIX | DT_EDITCONTROL | DT_END_ELLIPSIS);
      if ((it.state & LVIS_FOCUSED) && Focused()) DrawFocusRect(dc, &box);
      return;
    }
    RECT row = Part(i, LVIR_BOUNDS);
    RECT hl = (exStyle_ & LVS_EX_FULLROWSELECT) ? row : label;
    if (sel) fillSelection(hl);
    int x = 0;
    size_t cols = std::max<size_t>(1, columns_.size());
    for (size_t c = 0; c < cols; ++c) {
      int cx = columns_.empty() ? static_cast<int>(row.right) : columns_[c].cx;
      RECT cell{c == 0 ? label.left + 2 : x + 4, row.top, x + cx - 4, row.bottom};
      bool inHighlight = sel && (c == 0 || (exStyle_ & LVS_EX_FULLROWSELECT));
      SetTextColor(dc, inHighlight ? selText : normalText);
      if (!(c == 0 && editing_ == i))
        DrawText(dc, Text(i, static_cast<int>(c)).c_str(), -1, &cell,
                 DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS |
                     (columns_.empty() ? 0 : Align(columns_[c].fmt)));
      x += cx;
    }
    if (exStyle_ & LVS_EX_GRIDLINES) {
      RECT line{row.left, row.bottom - 1, row.right, row.bottom};
      FillSys(dc, line, COLOR_3DLIGHT);
    }
    if ((it.state & LVIS_FOCUSED) && Focused()) DrawFocusRect(dc, &hl);
  }

  std::vector<Column> columns_;
  std::vector<Item> items_;
  HIMAGELIST lists_[3] = {nullptr, nullptr, nullptr};
  DWORD exStyle_ = 0;
  int top_ = 0;
  int scrollY_ = 0;
  SIZE spacing_{0, 0};  // the icon view's cell when set
  int hot_ = -1;
  int mark_ = -1;
  int pressed_ = -1;
  POINT pressAt_{};
  int editCandidate_ = -1;
  int editing_ = -1;
  HWND edit_ = nullptr;
  HWND header_ = nullptr;
  bool syncing_ = false;  // a width set through the list, not by the user
  COLORREF bk_ = CLR_DEFAULT;
  COLORREF text_ = CLR_DEFAULT;
};

}  // namespace

void RegisterListView() { RegisterControlClass(WC_LISTVIEW, Make<ListView>, CS_DBLCLKS, COLOR_WINDOW); }

}  // namespace platform::controls
