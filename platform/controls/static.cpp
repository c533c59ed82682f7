// Static controls: text, bitmaps, icons, rectangles and frames; SS_NOTIFY clicks.
#include "platform/controls/control_base.h"

namespace platform::controls {
namespace {

class Static final : public Control {
 public:
  using Control::Control;

  LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case WM_NCHITTEST: return (Style() & SS_NOTIFY) ? Control::Proc(msg, wParam, lParam) : -1;  // HTTRANSPARENT
      case WM_LBUTTONDOWN:
        if (Style() & SS_NOTIFY) Command(STN_CLICKED);
        return 0;
      case WM_LBUTTONDBLCLK:
        if (Style() & SS_NOTIFY) Command(STN_DBLCLK);
        return 0;
      case STM_SETIMAGE:
      case STM_SETICON: {
        HANDLE old = image_;
        image_ = msg == STM_SETICON ? reinterpret_cast<HANDLE>(wParam) : reinterpret_cast<HANDLE>(lParam);
        Invalidate();
        return reinterpret_cast<LRESULT>(old);
      }
      case STM_GETIMAGE:
      case STM_GETICON: return reinterpret_cast<LRESULT>(image_);
      default: return Control::Proc(msg, wParam, lParam);
    }
  }

 protected:
  void Paint(HDC dc, const RECT& client) override {
    DWORD type = Style() & SS_TYPEMASK;
    HBRUSH bg = Background(dc);
    switch (type) {
      case SS_BLACKRECT: FillSys(dc, client, COLOR_WINDOWFRAME); return;
      case SS_GRAYRECT: FillSys(dc, client, COLOR_BTNSHADOW); return;
      case SS_WHITERECT: FillSys(dc, client, COLOR_WINDOW); return;
      case SS_ETCHEDFRAME: {
        RECT r = client;
        FillRect(dc, &r, bg);
        DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
        return;
      }
      case SS_OWNERDRAW: {
        DRAWITEMSTRUCT dis;
        dis.CtlType = ODT_STATIC;
        dis.CtlID = static_cast<UINT>(Id());
        dis.itemAction = ODA_DRAWENTIRE;
        dis.hwndItem = hwnd_;
        dis.hDC = dc;
        dis.rcItem = client;
        if (HWND parent = GetParent(hwnd_))
          SendMessage(parent, WM_DRAWITEM, static_cast<WPARAM>(Id()), reinterpret_cast<LPARAM>(&dis));
        return;
      }
      default: break;
    }
    FillRect(dc, &client, bg);
    if (type == SS_BITMAP || type == SS_ICON) {
      if (!image_) return;
      int w = 32, h = 32;
      BITMAP bm;
      if (type == SS_BITMAP && GetObject(image_, sizeof(bm), &bm)) {
        w = bm.bmWidth;
        h = bm.bmHeight;
      }
      int x = 0, y = 0;
      if (Style() & SS_CENTERIMAGE) {
        x = (client.right - w) / 2;
        y = (client.bottom - h) / 2;
      }
      DrawState(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(image_), 0, x, y, w, h,
                type == SS_BITMAP ? DST_BITMAP : DST_ICON);
      return;
    }
    UINT format = DT_WORDBREAK;
    if (type == SS_CENTER) format = DT_CENTER | DT_WORDBREAK;
    else if (type == SS_RIGHT) format = DT_RIGHT | DT_WORDBREAK;
    else if (type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP) format = DT_SINGLELINE;
    if (Style() & SS_CENTERIMAGE) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
    if (Style() & SS_NOPREFIX) format |= DT_NOPREFIX;
    if ((Style() & SS_EDITCONTROL) && (format & DT_WORDBREAK)) format |= DT_EDITCONTROL;
    if (Style() & SS_ENDELLIPSIS) format |= DT_END_ELLIPSIS | DT_SINGLELINE;
    std::string text = Text();
    RECT r = client;
    if (!Enabled()) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawText(dc, text.c_str(), -1, &r, format);
  }

 private:
  HANDLE image_ = nullptr;
};

}  // namespace

void RegisterStatic() { RegisterControlClass(WC_STATIC, Make<Static>, CS_DBLCLKS | CS_PARENTDC, COLOR_BTNFACE); }

}  // namespace platform::controls
