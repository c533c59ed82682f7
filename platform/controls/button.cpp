// Buttons: push, default, check box, radio, group box and owner-drawn, with BM_ messages.
#include <vector>

#include "platform/base/strings.h"
#include "platform/controls/control_base.h"

namespace platform::controls {
namespace {

constexpr int kBox = 13;

class Button final : public Control {
 public:
  using Control::Control;

  LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (Type() == BS_GROUPBOX) {
      switch (msg) {
        case WM_NCHITTEST: return HTTRANSPARENT;  // the frame never takes the mouse from what it holds
        case WM_CREATE:
        case WM_SIZE:
        case WM_SETFONT:
        case WM_SETTEXT: {
          LRESULT r = Proc2(msg, wParam, lParam);
          ShapeGroupBox();
          return r;
        }
        default: break;
      }
    }
    return Proc2(msg, wParam, lParam);
  }

  LRESULT Proc2(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
      case WM_GETDLGCODE: {
        DWORD t = Type();
        if (t == BS_GROUPBOX) return DLGC_STATIC;
        if (t == BS_RADIOBUTTON || t == BS_AUTORADIOBUTTON) return DLGC_BUTTON | DLGC_RADIOBUTTON;
        if (t == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        if (t == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        return DLGC_BUTTON;
      }
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        if (Type() == BS_GROUPBOX) return 0;
        SetFocus(hwnd_);
        SetCapture(hwnd_);
        tracking_ = true;
        SetPushed(true);
        return 0;
      case WM_MOUSEMOVE:
        if (tracking_) {
          POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
          RECT c = Client();
          SetPushed(PtInRect(&c, p) != FALSE);
        }
        return 0;
      case WM_LBUTTONUP:
        if (tracking_) {
          tracking_ = false;
          bool inside = pushed_;
          SetPushed(false);
          ReleaseCapture();
          if (inside) Click();
        }
        return 0;
      case WM_CAPTURECHANGED:
        if (tracking_) {
          tracking_ = false;
          SetPushed(false);
        }
        return 0;
      case WM_KEYDOWN:
        if (wParam == VK_SPACE && Type() != BS_GROUPBOX) SetPushed(true);
        return 0;
      case WM_KEYUP:
        if (wParam == VK_SPACE && pushed_) {
          SetPushed(false);
          Click();
        }
        return 0;
      case BM_GETCHECK: return check_;
      case BM_SETCHECK:
        check_ = static_cast<int>(wParam) & 3;
        Invalidate();
        return 0;
      case BM_GETSTATE: return check_ | (pushed_ ? BST_PUSHED : 0) | (Focused() ? BST_FOCUS : 0);
      case BM_SETSTATE: SetPushed(wParam != 0); return 0;
      case BM_CLICK:
        if (Enabled()) Click();
        return 0;
      case BM_SETSTYLE:
        SetWindowLong(hwnd_, GWL_STYLE, static_cast<LONG>((Style() & 0xFFFF0000u) | LOWORD(wParam)));
        if (lParam) Invalidate();
        return 0;
      case BM_SETIMAGE: {
        HANDLE old = image_;
        image_ = reinterpret_cast<HANDLE>(lParam);
        imageType_ = static_cast<UINT>(wParam);
        Invalidate();
        return reinterpret_cast<LRESULT>(old);
      }
      case BM_GETIMAGE: return reinterpret_cast<LRESULT>(image_);
      default: return Control::Proc(msg, wParam, lParam);
    }
  }

 protected:
  UINT CtlColorMessage() const override {
    DWORD t = Type();
    return t == BS_PUSHBUTTON || t == BS_DEFPUSHBUTTON || t == BS_OWNERDRAW ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC;
  }

  void Paint(HDC dc, const RECT& client) override {
    DWORD t = Type();
    if (t == BS_OWNERDRAW) {
      DRAWITEMSTRUCT dis;
      dis.CtlType = ODT_BUTTON;
      dis.CtlID = static_cast<UINT>(Id());
      dis.itemAction = ODA_DRAWENTIRE;
      dis.itemState = (pushed_ ? ODS_SELECTED : 0) | (Focused() ? ODS_FOCUS : 0) | (Enabled() ? 0 : ODS_DISABLED);
      dis.hwndItem = hwnd_;
      dis.hDC = dc;
      dis.rcItem = client;
      HWND parent = GetParent(hwnd_);
      if (parent) SendMessage(parent, WM_DRAWITEM, static_cast<WPARAM>(Id()), reinterpret_cast<LPARAM>(&dis));
      return;
    }
    HBRUSH bg = Background(dc);
    FillRect(dc, &client, bg);
    UINT disabled = Enabled() ? 0 : DSS_DISABLED;
    if (t == BS_GROUPBOX) {
      std::string text = Text();
      SIZE ext{0, 0};
      GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &ext);
      RECT frame{client.left, client.top + ext.cy / 2, client.right, client.bottom};
      DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
      if (!text.empty()) {
        RECT label{8, 0, 8 + ext.cx + 4, ext.cy};
        FillRect(dc, &label, bg);
        DrawState(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(text.c_str()), 0, 10, 0, 0, 0,
                  DST_PREFIXTEXT | disabled);
      }
      return;
    }
    if (t == BS_PUSHBUTTON || t == BS_DEFPUSHBUTTON) {
      RECT face = client;
      if (t == BS_DEFPUSHBUTTON || Focused()) {
        FrameRect(dc, &face, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&face, -1, -1);
      }
      DrawEdge(dc, &face, pushed_ ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
      RECT content = face;
      if (pushed_) OffsetRect(&content, 1, 1);
      DrawContent(dc, content, DT_CENTER | DT_VCENTER | DT_SINGLELINE, disabled);
      if (Focused()) {
        RECT focus = face;
        InflateRect(&focus, -2, -2);
        DrawFocusRect(dc, &focus);
      }
      return;
    }
    // Check boxes and radio buttons: the mark on one side, the text on the other.
    bool leftText = Style() & BS_LEFTTEXT;
    int cy = (client.top + client.bottom) / 2;
    RECT box = leftText ? RECT{client.right - kBox, cy - kBox / 2, client.right, cy - kBox / 2 + kBox}
                        : RECT{client.left, cy - kBox / 2, client.left + kBox, cy - kBox / 2 + kBox};
    bool radio = t == BS_RADIOBUTTON || t == BS_AUTORADIOBUTTON;
    int fill = pushed_ || !Enabled() ? COLOR_BTNFACE : COLOR_WINDOW;
    if (radio) {
      HGDIOBJ ob = SelectObject(dc, GetSysColorBrush(fill));
      HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
      HGDIOBJ op = SelectObject(dc, pen);
      Ellipse(dc, box.left, box.top, box.right - 1, box.bottom - 1);
      if (check_) {
        SelectObject(dc, GetSysColorBrush(Enabled() ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        SelectObject(dc, GetStockObject(NULL_PEN));
        Ellipse(dc, box.left + 3, box.top + 3, box.right - 4, box.bottom - 4);
      }
      SelectObject(dc, op);
      SelectObject(dc, ob);
      DeleteObject(pen);
    } else {
      RECT inner = box;
      DrawEdge(dc, &inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
      FillSys(dc, inner, check_ == BST_INDETERMINATE ? COLOR_BTNFACE : fill);
      if (check_) {
        HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(Enabled() ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        HGDIOBJ op = SelectObject(dc, pen);
        for (int k = 0; k < 3; ++k) {  // a tick three pixels thick
          MoveToEx(dc, inner.left + 1, inner.top + 4 + k, nullptr);
          LineTo(dc, inner.left + 3, inner.top + 6 + k);
          LineTo(dc, inner.left + 8, inner.top + 1 + k);
        }
        SelectObject(dc, op);
        DeleteObject(pen);
      }
    }
    RECT text = client;
    if (leftText) text.right = box.left - 4;
    else text.left = box.right + 4;
    DrawContent(dc, text, DT_LEFT | DT_VCENTER | DT_SINGLELINE, disabled);
    if (Focused()) {
      RECT calc{0, 0, 0, 0};
      std::string s = Text();
      DrawText(dc, s.c_str(), -1, &calc, DT_CALCRECT | DT_SINGLELINE);
      RECT focus{text.left - 1, cy - calc.bottom / 2 - 1, text.left + calc.right + 1, cy + calc.bottom / 2 + 2};
      DrawFocusRect(dc, &focus);
    }
  }

 private:
  // A group box lies above the controls it frames (dialogs list it first), so its window covers
  // only the frame and the caption; the inside shows, and hands clicks to, what lies beneath.
  void ShapeGroupBox() {
    RECT c = Client();
    if (c.right <= 0 || c.bottom <= 0) return;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font());
    std::string text = Text();
    SIZE ext{0, 0};
    GetTextExtentPoint32(dc, text.empty() ? " " : text.c_str(), text.empty() ? 1 : static_cast<int>(text.size()), &ext);
    SelectObject(dc, old);
    DeleteDC(dc);
    const int top = ext.cy / 2;
    HRGN shape = CreateRectRgn(0, top, c.right, c.bottom);
    HRGN inside = CreateRectRgn(2, top + 2, c.right - 2, c.bottom - 2);
    CombineRgn(shape, shape, inside, RGN_DIFF);
    DeleteObject(inside);
    if (!text.empty()) {
      HRGN label = CreateRectRgn(8, 0, 8 + ext.cx + 4, ext.cy);
      CombineRgn(shape, shape, label, RGN_OR);
      DeleteObject(label);
    }
    SetWindowRgn(hwnd_, shape, TRUE);  // the window owns the region from here on
  }

  DWORD Type() const { return Style() & BS_TYPEMASK; }

  void SetPushed(bool pushed) {
    if (pushed == pushed_) return;
    pushed_ = pushed;
    Invalidate();
  }

  void DrawContent(HDC dc, const RECT& r, UINT format, UINT disabled) {
    if (image_ && (imageType_ == IMAGE_BITMAP || imageType_ == IMAGE_ICON)) {
      int w = 0, h = 0;
      if (imageType_ == IMAGE_BITMAP) {
        BITMAP bm;
        if (GetObject(image_, sizeof(bm), &bm)) {
          w = bm.bmWidth;
          h = bm.bmHeight;
        }
      } else {
        w = h = 32;
      }
      DrawState(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(image_), 0, (r.left + r.right - w) / 2,
                (r.top + r.bottom - h) / 2, w, h, (imageType_ == IMAGE_BITMAP ? DST_BITMAP : DST_ICON) | disabled);
      return;
    }
    std::string text = Text();
    if (text.empty()) return;
    if (Style() & BS_MULTILINE) return DrawWrapped(dc, r, text, format & DT_CENTER, disabled);
    RECT calc{0, 0, 0, 0};
    DrawText(dc, text.c_str(), -1, &calc, DT_CALCRECT | DT_SINGLELINE);
    int x = r.left;
    if (format & DT_CENTER) x = (r.left + r.right - calc.right) / 2;
    int y = (r.top + r.bottom - calc.bottom) / 2;
    DrawState(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(text.c_str()), 0, x, y, calc.right, calc.bottom,
              DST_PREFIXTEXT | disabled);
  }

  // BS_MULTILINE: the text wraps at the width it has and the lines are centred as a block.
  static void DrawWrapped(HDC dc, const RECT& r, const std::string& text, UINT align, UINT disabled) {
    const UINT format = DT_WORDBREAK | DT_NOCLIP | align;
    RECT calc{0, 0, r.right - r.left, 0};
    DrawText(dc, text.c_str(), -1, &calc, format | DT_CALCRECT);
    const int top = (r.top + r.bottom - calc.bottom) / 2;
    RECT box{r.left, top, r.right, top + calc.bottom};
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldText = GetTextColor(dc);
    if (disabled) {
      RECT shifted = box;
      OffsetRect(&shifted, 1, 1);
      SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
      DrawText(dc, text.c_str(), -1, &shifted, format);
      SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
    }
    DrawText(dc, text.c_str(), -1, &box, format);
    SetTextColor(dc, oldText);
    SetBkMode(dc, oldMode);
  }

  void Click() {
    DWORD t = Type();
    if (t == BS_AUTOCHECKBOX) check_ = check_ ? 0 : 1;
    else if (t == BS_AUTO3STATE) check_ = (check_ + 1) % 3;
    else if (t == BS_AUTORADIOBUTTON) CheckInGroup();
    Invalidate();
    Command(BN_CLICKED);
  }

  // Checks this radio button and clears the other automatic ones of its group.
  void CheckInGroup() {
    HWND parent = GetParent(hwnd_);
    std::vector<HWND> group;
    bool mine = false;
    for (HWND c = parent ? GetWindow(parent, GW_CHILD) : nullptr; c; c = GetWindow(c, GW_HWNDNEXT)) {
      if ((GetWindowLong(c, GWL_STYLE) & WS_GROUP) && !group.empty()) {
        if (mine) break;
        group.clear();
      }
      group.push_back(c);
      if (c == hwnd_) mine = true;
    }
    for (HWND c : group) {
      if (c == hwnd_) continue;
      char cls[16] = {};
      GetClassName(c, cls, sizeof(cls));
      if (platform::EqualsNoCase(cls, "Button") &&
          (static_cast<DWORD>(GetWindowLong(c, GWL_STYLE)) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
        SendMessage(c, BM_SETCHECK, BST_UNCHECKED, 0);
    }
    check_ = BST_CHECKED;
  }

  int check_ = 0;
  bool pushed_ = false;
  bool tracking_ = false;
  HANDLE image_ = nullptr;
  UINT imageType_ = 0;
};

}  // namespace

void RegisterButton() { RegisterControlClass(WC_BUTTON, Make<Button>, CS_DBLCLKS | CS_PARENTDC, COLOR_BTNFACE); }

}  // namespace platform::controls
