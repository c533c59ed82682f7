// Header controls: the column buttons above a report list, with clicks, divider dragging that
// resizes a column (HDN_BEGINTRACK, HDN_TRACK, HDN_ENDTRACK, HDN_ITEMCHANGING/CHANGED) and
// owner-drawn items (HDF_OWNERDRAW, WM_DRAWITEM with ODT_HEADER).
#include <algorithm>
#include <string>
#include <vector>

#include "platform/base/strings.h"
#include "platform/controls/control_base.h"

namespace platform::controls {
namespace {

constexpr int kDividerReach = 4;  // pixels either side of a divider that grab it

struct HeaderItem {
  int cxy = 50;
  std::string text;
  int fmt = HDF_LEFT | HDF_STRING;
  LPARAM param = 0;
};

class Header final : public Control {
 public:
  explicit Header(HWND hwnd) : Control(hwnd) {}

  LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case HDM_GETITEMCOUNT: return static_cast<LRESULT>(items_.size());
      case HDM_INSERTITEM: return Insert(static_cast<int>(wParam), reinterpret_cast<const HDITEM*>(lParam));
      case HDM_DELETEITEM:
        if (wParam >= items_.size()) return FALSE;
        items_.erase(items_.begin() + static_cast<long>(wParam));
        Invalidate();
        return TRUE;
      case HDM_GETITEM: return Get(static_cast<int>(wParam), reinterpret_cast<HDITEM*>(lParam));
      case HDM_SETITEM: return Set(static_cast<int>(wParam), reinterpret_cast<const HDITEM*>(lParam), false);
      case HDM_GETITEMRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r || wParam >= items_.size()) return FALSE;
        *r = ItemRect(static_cast<int>(wParam));
        return TRUE;
      }
      case HDM_HITTEST: {
        auto* hit = reinterpret_cast<HDHITTESTINFO*>(lParam);
        if (!hit) return -1;
        hit->iItem = HitTest(hit->pt, &hit->flags);
        return hit->iItem;
      }
      case HDM_LAYOUT: {
        // The header takes the top of the given rectangle; the rest is left to the caller.
        auto* layout = reinterpret_cast<HDLAYOUT*>(lParam);
        if (!layout || !layout->prc) return FALSE;
        const int h = Height();
        if (layout->pwpos) {
          layout->pwpos->hwnd = hwnd_;
          layout->pwpos->x = layout->prc->left;
          layout->pwpos->y = layout->prc->top;
          layout->pwpos->cx = layout->prc->right - layout->prc->left;
          layout->pwpos->cy = h;
        }
        layout->prc->top += h;
        return TRUE;
      }
      case WM_LBUTTONDOWN: return Down(Point(lParam));
      case WM_MOUSEMOVE:
        if (tracking_ >= 0) Track(Point(lParam).x, HDN_TRACK);
        return 0;
      case WM_LBUTTONUP: return Up(Point(lParam));
      case WM_LBUTTONDBLCLK: {
        UINT flags = 0;
        const int i = HitTest(Point(lParam), &flags);
        if (i >= 0) NotifyItem(flags == HHT_ONDIVIDER ? HDN_DIVIDERDBLCLICK : HDN_ITEMDBLCLICK, i, nullptr);
        return 0;
      }
      case WM_CAPTURECHANGED:
        tracking_ = pressed_ = -1;
        Invalidate();
        return 0;
      default: return Control::Proc(msg, wParam, lParam);
    }
  }

 protected:
  UINT CtlColorMessage() const override { return 0; }

  void Paint(HDC dc, const RECT& client) override {
    FillSys(dc, client, COLOR_BTNFACE);
    int x = 0;
    for (size_t i = 0; i < items_.size(); ++i) {
      const HeaderItem& item = items_[i];
      RECT r{x, 0, x + item.cxy, client.bottom};
      x += item.cxy;
      const bool pushed = static_cast<int>(i) == pressed_ && hotPressed_;
      DrawEdge(dc, &r, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
      if (item.fmt & HDF_OWNERDRAW) {
        DRAWITEMSTRUCT dis;
        dis.CtlType = ODT_HEADER;
        dis.CtlID = static_cast<UINT>(Id());
        dis.itemID = static_cast<UINT>(i);
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = pushed ? ODS_SELECTED : 0;
        dis.hwndItem = hwnd_;
        dis.hDC = dc;
        dis.rcItem = r;
        dis.itemData = static_cast<ULONG_PTR>(item.param);
        SendMessage(GetParent(hwnd_), WM_DRAWITEM, static_cast<WPARAM>(Id()), reinterpret_cast<LPARAM>(&dis));
        continue;
      }
      RECT t{r.left + 4 + (pushed ? 1 : 0), r.top + (pushed ? 1 : 0), r.right - 4, r.bottom};
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      const UINT align = (item.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT    ? DT_RIGHT
                         : (item.fmt & HDF_JUSTIFYMASK) == HDF_CENTER ? DT_CENTER
                                                                      : DT_LEFT;
      DrawText(dc, item.text.c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | align);
    }
    if (x < client.right) {
      RECT rest{x, 0, client.right, client.bottom};
      DrawEdge(dc, &rest, EDGE_RAISED, BF_RECT);
    }
  }

 private:
  static POINT Point(LPARAM lParam) { return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}; }
  int Height() { return LineHeight() + 6; }
  bool Valid(int i) const { return i >= 0 && i < static_cast<int>(items_.size()); }

  RECT ItemRect(int i) const {
    int x = 0;
    for (int k = 0; k < i; ++k) x += items_[static_cast<size_t>(k)].cxy;
    RECT c = Client();
    return {x, 0, x + items_[static_cast<size_t>(i)].cxy, c.bottom};
  }

  // The divider belongs to the item on its left.
  int HitTest(POINT p, UINT* flags) const {
    RECT c = Client();
    if (p.y < 0 || p.y >= c.bottom || p.x < 0) {
      if (flags) *flags = HHT_NOWHERE;
      return -1;
    }
    int x = 0;
    for (size_t i = 0; i < items_.size(); ++i) {
      const int right = x + items_[i].cxy;
      if (std::abs(p.x - right) <= kDividerReach) {
        if (flags) *flags = HHT_ONDIVIDER;
        return static_cast<int>(i);
      }
      if (p.x >= x && p.x < right) {
        if (flags) *flags = HHT_ONHEADER;
        return static_cast<int>(i);
      }
      x = right;
    }
    if (flags) *flags = HHT_NOWHERE;
    return -1;
  }

  LRESULT NotifyItem(UINT code, int i, HDITEM* item) {
    NMHEADER nm;
    nm.iItem = i;
    nm.pitem = item;
    return Notify(&nm.hdr, code);
  }

  LRESULT Insert(int at, const HDITEM* in) {
    if (!in) return -1;
    HeaderItem item;
    if (in->mask & HDI_WIDTH) item.cxy = std::max(0, in->cxy);
    if ((in->mask & HDI_TEXT) && in->pszText) item.text = in->pszText;
    if (in->mask & HDI_FORMAT) item.fmt = in->fmt;
    if (in->mask & HDI_LPARAM) item.param = in->lParam;
    at = std::clamp(at, 0, static_cast<int>(items_.size()));
    items_.insert(items_.begin() + at, std::move(item));
    Invalidate();
    return at;
  }

  LRESULT Get(int i, HDITEM* out) const {
    if (!out || !Valid(i)) return FALSE;
    const HeaderItem& item = items_[static_cast<size_t>(i)];
    if (out->mask & HDI_WIDTH) out->cxy = item.cxy;
    if ((out->mask & HDI_TEXT) && out->pszText && out->cchTextMax > 0)
      CopyToBuffer(item.text, out->pszText, static_cast<size_t>(out->cchTextMax));
    if (out->mask & HDI_FORMAT) out->fmt = item.fmt;
    if (out->mask & HDI_LPARAM) out->lParam = item.param;
    return TRUE;
  }

  // A user's change asks the parent first (HDN_ITEMCHANGING may refuse) and tells it after.
  LRESULT Set(int i, const HDITEM* in, bool byUser) {
    if (!in || !Valid(i)) return FALSE;
    HDITEM asked = *in;
    if (byUser && NotifyItem(HDN_ITEMCHANGING, i, &asked)) return FALSE;
    HeaderItem& item = items_[static_cast<size_t>(i)];
    if (in->mask & HDI_WIDTH) item.cxy = std::max(0, in->cxy);
    if ((in->mask & HDI_TEXT) && in->pszText) item.text = in->pszText;
    if (in->mask & HDI_FORMAT) item.fmt = in->fmt;
    if (in->mask & HDI_LPARAM) item.param = in->lParam;
    Invalidate();
    HDITEM told = *in;
    NotifyItem(HDN_ITEMCHANGED, i, &told);
    return TRUE;
  }

  LRESULT Down(POINT p) {
    UINT flags = 0;
    const int i = HitTest(p, &flags);
    if (i < 0) return 0;
    SetCapture(hwnd_);
    if (flags == HHT_ONDIVIDER) {
      HDITEM item;
      item.mask = HDI_WIDTH;
      item.cxy = items_[static_cast<size_t>(i)].cxy;
      if (NotifyItem(HDN_BEGINTRACK, i, &item)) {
        ReleaseCapture();
        return 0;
      }
      tracking_ = i;
      trackStart_ = p.x - items_[static_cast<size_t>(i)].cxy;
      return 0;
    }
    if (Style() & HDS_BUTTONS) {
      pressed_ = i;
      hotPressed_ = true;
      Invalidate();
    }
    return 0;
  }

  void Track(int x, UINT code) {
    HDITEM item;
    item.mask = HDI_WIDTH;
    item.cxy = std::max(0, x - trackStart_);
    if (code == HDN_TRACK) {
      // Followed live, so the list below resizes as the divider moves.
      if (NotifyItem(HDN_TRACK, tracking_, &item) == 0) Set(tracking_, &item, true);
      return;
    }
    NotifyItem(HDN_ENDTRACK, tracking_, &item);
    Set(tracking_, &item, true);
  }

  LRESULT Up(POINT p) {
    if (tracking_ >= 0) {
      Track(p.x, HDN_ENDTRACK);
      tracking_ = -1;
      ReleaseCapture();
      return 0;
    }
    const int i = pressed_;
    pressed_ = -1;
    if (GetCapture() == hwnd_) ReleaseCapture();
    UINT flags = 0;
    const int over = HitTest(p, &flags);
    Invalidate();
    // A click needs the press and release on the same item; without HDS_BUTTONS it is the press.
    if ((i >= 0 && over == i) || (!(Style() & HDS_BUTTONS) && over >= 0 && flags == HHT_ONHEADER))
      NotifyItem(HDN_ITEMCLICK, over, nullptr);
    return 0;
  }

  std::vector<HeaderItem> items_;
  int tracking_ = -1;
  int trackStart_ = 0;
  int pressed_ = -1;
  bool hotPressed_ = false;
};

}  // namespace

void RegisterHeader() { RegisterControlClass(WC_HEADER, Make<Header>, CS_DBLCLKS, COLOR_BTNFACE); }

}  // namespace platform::controls
