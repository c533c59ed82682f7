// Tree views: items under items, expansion, selection and the TVN_ notifications the folder
// chooser relies on.
#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/strings.h"
#include "platform/controls/control_base.h"

namespace platform::controls {
namespace {

constexpr int kIndent = 19;

struct Node {
  uintptr_t id = 0;
  Node* parent = nullptr;
  std::vector<std::unique_ptr<Node>> children;
  std::string text;
  int image = 0;
  int selImage = 0;
  int cChildren = 0;
  LPARAM param = 0;
  UINT state = 0;
};

class TreeView final : public Control {
 public:
  using Control::Control;

  LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
      case TVM_INSERTITEM: return reinterpret_cast<LRESULT>(Insert(reinterpret_cast<const TVINSERTSTRUCT*>(lParam)));
      case TVM_DELETEITEM: {
        HTREEITEM h = reinterpret_cast<HTREEITEM>(lParam);
        if (h == TVI_ROOT || !h) {
          while (!root_.children.empty()) Remove(root_.children.back().get());
          return TRUE;
        }
        Node* n = Get(h);
        if (!n) return FALSE;
        Remove(n);
        return TRUE;
      }
      case TVM_EXPAND:
        return Expand(Get(reinterpret_cast<HTREEITEM>(lParam)), static_cast<UINT>(wParam) & 3, TVC_UNKNOWN);
      case TVM_GETNEXTITEM:
        return reinterpret_cast<LRESULT>(
            Handle(NextOf(static_cast<UINT>(wParam), Get(reinterpret_cast<HTREEITEM>(lParam)))));
      case TVM_SELECTITEM:
        if (wParam != TVGN_CARET) return FALSE;
        return Select(lParam ? Get(reinterpret_cast<HTREEITEM>(lParam)) : nullptr, TVC_UNKNOWN, lParam == 0);
      case TVM_GETITEM: {
        auto* it = reinterpret_cast<TVITEM*>(lParam);
        Node* n = it ? Get(it->hItem) : nullptr;
        if (!n) return FALSE;
        Fill(*n, it);
        return TRUE;
      }
      case TVM_SETITEM: {
        auto* it = reinterpret_cast<const TVITEM*>(lParam);
        Node* n = it ? Get(it->hItem) : nullptr;
        if (!n) return FALSE;
        Apply(*n, *it);
        Invalidate();
        return TRUE;
      }
      case TVM_GETCOUNT: return static_cast<LRESULT>(nodes_.size());
      case TVM_SETIMAGELIST: {
        HIMAGELIST old = images_;
        images_ = reinterpret_cast<HIMAGELIST>(lParam);
        Invalidate();
        return reinterpret_cast<LRESULT>(old);
      }
      case TVM_ENSUREVISIBLE: {
        Node* n = Get(reinterpret_cast<HTREEITEM>(lParam));
        if (!n) return FALSE;
        for (Node* p = n->parent; p && p != &root_; p = p->parent)
          if (!(p->state & TVIS_EXPANDED)) Expand(p, TVE_EXPAND, TVC_UNKNOWN);
        ScrollTo(n);
        return TRUE;
      }
      case TVM_GETITEMRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r) return FALSE;
        HTREEITEM h;
        std::memcpy(&h, r, sizeof(h));
        Node* n = Get(h);
        int row = n ? RowOf(n) : -1;
        if (row < 0) return FALSE;
        *r = RowRect(row, n, wParam != 0);
        return TRUE;
      }
      case TVM_HITTEST: {
        auto* hit = reinterpret_cast<TVHITTESTINFO*>(lParam);
        if (!hit) return 0;
        bool button = false;
        Node* n = At(hit->pt, &button);
        hit->hItem = Handle(n);
        hit->flags = !n ? TVHT_NOWHERE : button ? TVHT_ONITEMBUTTON : TVHT_ONITEM;
        return reinterpret_cast<LRESULT>(hit->hItem);
      }
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        SetFocus(hwnd_);
        POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        bool button = false;
        Node* n = At(p, &button);
        if (!n) return 0;
        if (button || msg == WM_LBUTTONDBLCLK) Expand(n, TVE_TOGGLE, TVC_BYMOUSE);
        if (!button) Select(n, TVC_BYMOUSE, false);
        Control::Notify(msg == WM_LBUTTONDBLCLK ? NM_DBLCLK : NM_CLICK);
        return 0;
      }
      case WM_KEYDOWN: {
        std::vector<Node*> rows = Rows();
        auto it = std::find(rows.begin(), rows.end(), selected_);
        int at = it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
        if (wParam == VK_DOWN && at + 1 < static_cast<int>(rows.size()))
          Select(rows[static_cast<size_t>(at + 1)], TVC_BYKEYBOARD, false);
        else if (wParam == VK_UP && at > 0) Select(rows[static_cast<size_t>(at - 1)], TVC_BYKEYBOARD, false);
        else if (wParam == VK_RIGHT && selected_) Expand(selected_, TVE_EXPAND, TVC_BYKEYBOARD);
        else if (wParam == VK_LEFT && selected_) {
          if (selected_->state & TVIS_EXPANDED) Expand(selected_, TVE_COLLAPSE, TVC_BYKEYBOARD);
          else if (selected_->parent != &root_) Select(selected_->parent, TVC_BYKEYBOARD, false);
        }
        return 0;
      }
      case WM_MOUSEWHEEL: {
        int rows = static_cast<int>(Rows().size());
        top_ = std::clamp(top_ - static_cast<short>(HIWORD(wParam)) / 120 * 3, 0, std::max(0, rows - 1));
        Invalidate();
        return 0;
      }
      default: return Control::Proc(msg, wParam, lParam);
    }
  }

 protected:
  UINT CtlColorMessage() const override { return 0; }
  int DefaultBackground() const override { return COLOR_WINDOW; }

  void Paint(HDC dc, const RECT& client) override {
    FillSys(dc, client, COLOR_WINDOW);
    std::vector<Node*> rows = Rows();
    int rh = RowHeight();
    for (size_t i = static_cast<size_t>(top_); i < rows.size(); ++i) {
      int row = static_cast<int>(i) - top_;
      if (row * rh >= client.bottom) break;
      Node* n = rows[i];
      int depth = Depth(n);
      int x = depth * kIndent + (Style() & TVS_LINESATROOT ? kIndent : 0);
      int cy = row * rh + rh / 2;
      if ((Style() & TVS_HASBUTTONS) && HasChildren(*n) && (depth > 0 || (Style() & TVS_LINESATROOT))) {
        RECT box{x - kIndent / 2 - 4, cy - 4, x - kIndent / 2 + 5, cy + 5};
        FrameRect(dc, &box, GetSysColorBrush(COLOR_BTNSHADOW));
        RECT minus{box.left + 2, cy, box.right - 2, cy + 1};
        FillSys(dc, minus, COLOR_WINDOWTEXT);
        if (!(n->state & TVIS_EXPANDED)) {
          RECT plus{x - kIndent / 2, box.top + 2, x - kIndent / 2 + 1, box.bottom - 2};
          FillSys(dc, plus, COLOR_WINDOWTEXT);
        }
      }
      if (images_) {
        int cx = 0, cyi = 0;
        ImageList_GetIconSize(images_, &cx, &cyi);
        ImageList_Draw(images_, n == selected_ ? n->selImage : n->image, dc, x, cy - cyi / 2, ILD_TRANSPARENT);
        x += cx + 2;
      }
      RECT text = RowRect(static_cast<int>(i), n, true);
      bool sel = n == selected_ && (Focused() || (Style() & TVS_SHOWSELALWAYS));
      if (sel) FillSys(dc, text, Focused() ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
      SetTextColor(dc, GetSysColor(sel && Focused() ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
      RECT t = text;
      t.left += 2;
      DrawText(dc, n->text.c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      if (sel && Focused()) DrawFocusRect(dc, &text);
    }
  }

 private:
  int RowHeight() {
    int h = LineHeight() + 2;
    if (images_) {
      int cx = 0, cy = 0;
      ImageList_GetIconSize(images_, &cx, &cy);
      h = std::max(h, cy + 1);
    }
    return h;
  }

  HTREEITEM Handle(Node* n) const { return n ? reinterpret_cast<HTREEITEM>(n->id) : nullptr; }
  Node* Get(HTREEITEM h) {
    if (h == TVI_ROOT) return &root_;
    auto it = nodes_.find(reinterpret_cast<uintptr_t>(h));
    return it == nodes_.end() ? nullptr : it->second;
  }

  static bool HasChildren(const Node& n) { return !n.children.empty() || n.cChildren > 0; }
  int Depth(const Node* n) const {
    int d = 0;
    for (const Node* p = n->parent; p && p != &root_; p = p->parent) ++d;
    return d;
  }

  void Fill(const Node& n, TVITEM* it) const {
    if (it->mask & TVIF_TEXT) {
      platform::CopyToBuffer(n.text, it->pszText, it->cchTextMax);
    }
    if (it->mask & TVIF_IMAGE) it->iImage = n.image;
    if (it->mask & TVIF_SELECTEDIMAGE) it->iSelectedImage = n.selImage;
    if (it->mask & TVIF_PARAM) it->lParam = n.param;
    if (it->mask & TVIF_STATE) it->state = n.state & (it->stateMask ? it->stateMask : 0xFFFFFFFFu);
    if (it->mask & TVIF_CHILDREN) it->cChildren = HasChildren(n) ? 1 : 0;
  }

  void Apply(Node& n, const TVITEM& it) {
    if ((it.mask & TVIF_TEXT) && it.pszText && reinterpret_cast<intptr_t>(it.pszText) != -1) n.text = it.pszText;
    if (it.mask & TVIF_IMAGE) n.image = it.iImage;
    if (it.mask & TVIF_SELECTEDIMAGE) n.selImage = it.iSelectedImage;
    if (it.mask & TVIF_PARAM) n.param = it.lParam;
    if (it.mask & TVIF_CHILDREN) n.cChildren = it.cChildren;
    if (it.mask & TVIF_STATE) n.state = (n.state & ~it.stateMask) | (it.state & it.stateMask);
  }

  HTREEITEM Insert(const TVINSERTSTRUCT* is) {
    if (!is) return nullptr;
    Node* parent = is->hParent ? Get(is->hParent) : &root_;
    if (!parent) return nullptr;
    auto node = std::make_unique<Node>();
    node->id = next_++;
    node->parent = parent;
    Apply(*node, is->item);
    Node* raw = node.get();
    auto& kids = parent->children;
    auto pos = kids.end();
    if (is->hInsertAfter == TVI_FIRST) {
      pos = kids.begin();
    } else if (is->hInsertAfter == TVI_SORT) {
      pos = std::find_if(kids.begin(), kids.end(),
                         [&](const auto& k) { return platform::CompareNoCase(k->text, raw->text) > 0; });
    } else if (is->hInsertAfter && is->hInsertAfter != TVI_LAST) {
      Node* after = Get(is->hInsertAfter);
      auto it = std::find_if(kids.begin(), kids.end(), [&](const auto& k) { return k.get() == after; });
      if (it != kids.end()) pos = it + 1;
    }
    kids.insert(pos, std::move(node));
    nodes_[raw->id] = raw;
    Invalidate();
    return Handle(raw);
  }

  void Remove(Node* n) {
    while (!n->children.empty()) Remove(n->children.back().get());
    NMTREEVIEW nm;
    nm.itemOld.hItem = Handle(n);
    nm.itemOld.lParam = n->param;
    nm.itemOld.mask = TVIF_HANDLE | TVIF_PARAM;
    Control::Notify(&nm.hdr, TVN_DELETEITEM);
    if (selected_ == n) selected_ = nullptr;
    nodes_.erase(n->id);
    auto& kids = n->parent->children;
    kids.erase(std::find_if(kids.begin(), kids.end(), [&](const auto& k) { return k.get() == n; }));
    Invalidate();
  }

  LRESULT Expand(Node* n, UINT code, UINT action) {
    if (!n || n == &root_ || !code) return FALSE;
    bool open = n->state & TVIS_EXPANDED;
    bool want = code == TVE_TOGGLE ? !open : code == TVE_EXPAND;
    if (want == open) return TRUE;
    NMTREEVIEW nm;
    nm.action = want ? TVE_EXPAND : TVE_COLLAPSE;
    nm.itemNew.hItem = Handle(n);
    nm.itemNew.state = n->state;
    nm.itemNew.lParam = n->param;
    nm.itemNew.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM;
    (void)action;
    if (Control::Notify(&nm.hdr, TVN_ITEMEXPANDING)) return FALSE;
    if (!Get(Handle(n))) return FALSE;  // deleted by the parent meanwhile
    n->state = want ? n->state | TVIS_EXPANDED : n->state & ~TVIS_EXPANDED;
    // Collapsing over the selection moves it up to the collapsed item.
    if (!want)
      for (Node* p = selected_ ? selected_->parent : nullptr; p; p = p->parent)
        if (p == n) {
          Select(n, TVC_UNKNOWN, false);
          break;
        }
    nm.itemNew.state = n->state;
    Control::Notify(&nm.hdr, TVN_ITEMEXPANDED);
    Invalidate();
    return TRUE;
  }

  LRESULT Select(Node* n, UINT action, bool clear) {
    if (!n && !clear) return FALSE;
    if (n == &root_) return FALSE;
    if (n == selected_) return TRUE;
    NMTREEVIEW nm;
    nm.action = action;
    nm.itemOld.hItem = Handle(selected_);
    nm.itemOld.lParam = selected_ ? selected_->param : 0;
    nm.itemOld.mask = TVIF_HANDLE | TVIF_PARAM;
    nm.itemNew.hItem = Handle(n);
    nm.itemNew.lParam = n ? n->param : 0;
    nm.itemNew.mask = TVIF_HANDLE | TVIF_PARAM;
    if (Control::Notify(&nm.hdr, TVN_SELCHANGING)) return FALSE;
    if (selected_) selected_->state &= ~TVIS_SELECTED;
    selected_ = n;
    if (n) {
      n->state |= TVIS_SELECTED;
      for (Node* p = n->parent; p && p != &root_; p = p->parent) p->state |= TVIS_EXPANDED;
      ScrollTo(n);
    }
    Control::Notify(&nm.hdr, TVN_SELCHANGED);
    Invalidate();
    return TRUE;
  }

  Node* NextOf(UINT code, Node* n) {
    switch (code) {
      case TVGN_ROOT: return root_.children.empty() ? nullptr : root_.children.front().get();
      case TVGN_CARET: return selected_;
      case TVGN_CHILD: {
        Node* p = n ? n : &root_;
        return p->children.empty() ? nullptr : p->children.front().get();
      }
      case TVGN_PARENT: return n && n->parent != &root_ ? n->parent : nullptr;
      case TVGN_NEXT:
      case TVGN_PREVIOUS: {
        if (!n || !n->parent) return nullptr;
        auto& kids = n->parent->children;
        auto it = std::find_if(kids.begin(), kids.end(), [&](const auto& k) { return k.get() == n; });
        if (code == TVGN_NEXT) return it + 1 < kids.end() ? (it + 1)->get() : nullptr;
        return it != kids.begin() ? (it - 1)->get() : nullptr;
      }
      case TVGN_FIRSTVISIBLE: {
        auto rows = Rows();
        return top_ < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(top_)] : nullptr;
      }
      case TVGN_NEXTVISIBLE: {
        auto rows = Rows();
        auto it = std::find(rows.begin(), rows.end(), n);
        return it != rows.end() && it + 1 != rows.end() ? *(it + 1) : nullptr;
      }
      default: return nullptr;
    }
  }

  std::vector<Node*> Rows() const {
    std::vector<Node*> out;
    // Depth-first, children of expanded items only.
    std::function<void(const Node&)> walk = [&](const Node& p) {
      for (const auto& k : p.children) {
        out.push_back(k.get());
        if (k->state & TVIS_EXPANDED) walk(*k);
      }
    };
    walk(root_);
    return out;
  }

  int RowOf(Node* n) const {
    auto rows = Rows();
    auto it = std::find(rows.begin(), rows.end(), n);
    return it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
  }

  RECT RowRect(int row, Node* n, bool textOnly) {
    int rh = RowHeight();
    int y = (row - top_) * rh;
    RECT c = Client();
    if (!textOnly) return {0, y, c.right, y + rh};
    int x = Depth(n) * kIndent + (Style() & TVS_LINESATROOT ? kIndent : 0);
    if (images_) {
      int cx = 0, cy = 0;
      ImageList_GetIconSize(images_, &cx, &cy);
      x += cx + 2;
    }
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, Font());
    SIZE ext{};
    GetTextExtentPoint32(dc, n->text.c_str(), static_cast<int>(n->text.size()), &ext);
    DeleteDC(dc);
    return {x, y, x + ext.cx + 4, y + rh};
  }

  Node* At(POINT p, bool* onButton) {
    auto rows = Rows();
    int rh = RowHeight();
    int row = top_ + (p.y >= 0 ? p.y / rh : -1);
    if (p.y < 0 || row >= static_cast<int>(rows.size())) return nullptr;
    Node* n = rows[static_cast<size_t>(row)];
    int x = Depth(n) * kIndent + (Style() & TVS_LINESATROOT ? kIndent : 0);
    *onButton = HasChildren(*n) && p.x >= x - kIndent && p.x < x;
    return n;
  }

  void ScrollTo(Node* n) {
    int row = RowOf(n);
    if (row < 0) return;
    int page = std::max(1, static_cast<int>(Client().bottom) / std::max(1, RowHeight()));
    if (row < top_) top_ = row;
    if (row >= top_ + page) top_ = row - page + 1;
    Invalidate();
  }

  Node root_;
  std::map<uintptr_t, Node*> nodes_;
  uintptr_t next_ = 0x1000;
  Node* selected_ = nullptr;
  HIMAGELIST images_ = nullptr;
  int top_ = 0;
};

}  // namespace

void RegisterTreeView() { RegisterControlClass(WC_TREEVIEW, Make<TreeView>, CS_DBLCLKS, COLOR_WINDOW); }

}  // namespace platform::controls
