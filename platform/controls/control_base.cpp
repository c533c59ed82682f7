#include "platform/controls/control_base.h"

#include <map>
#include <mutex>

#include <cstring>

#include "platform/base/strings.h"
#include "platform/controls/tab.h"

namespace platform::controls {
namespace {

std::mutex& FactoriesMutex() {
  static std::mutex m;
  return m;
}
std::map<std::string, ControlFactory>& Factories() {
  static std::map<std::string, ControlFactory> f;
  return f;
}

Control* ObjectOf(HWND hwnd) { return reinterpret_cast<Control*>(GetWindowLongPtr(hwnd, 0)); }

LRESULT ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    char cls[64] = {};
    GetClassName(hwnd, cls, sizeof(cls));
    ControlFactory factory = nullptr;
    {
      std::lock_guard lock(FactoriesMutex());
      auto it = Factories().find(platform::ToLowerAscii(cls));
      if (it != Factories().end()) factory = it->second;
    }
    if (factory) SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(factory(hwnd)));
  }
  Control* c = ObjectOf(hwnd);
  if (!c) return DefWindowProc(hwnd, msg, wParam, lParam);
  LRESULT r = c->Proc(msg, wParam, lParam);
  if (msg == WM_CREATE && r != -1) c->AfterCreate();
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtr(hwnd, 0, 0);
    delete c;
  }
  return r;
}

}  // namespace

void RegisterControlClass(const char* name, ControlFactory factory, UINT classStyle, int background) {
  {
    std::lock_guard lock(FactoriesMutex());
    Factories()[platform::ToLowerAscii(name)] = factory;
  }
  WNDCLASS wc;
  if (GetClassInfo(nullptr, name, &wc) && wc.lpfnWndProc == ControlProc) return;
  wc = WNDCLASS{};
  wc.style = classStyle | CS_GLOBALCLASS;
  wc.lpfnWndProc = ControlProc;
  wc.cbWndExtra = sizeof(void*);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(background + 1));
  wc.lpszClassName = name;
  RegisterClass(&wc);
}

RECT Control::Client() const {
  RECT r{};
  GetClientRect(hwnd_, &r);
  return r;
}

std::string Control::Text() const {
  int n = GetWindowTextLength(hwnd_);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  GetWindowText(hwnd_, s.data(), n + 1);
  s.resize(std::strlen(s.c_str()));
  return s;
}

void Control::Command(WORD code) {
  HWND parent = GetParent(hwnd_);
  if (parent)
    SendMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(Id()), code), reinterpret_cast<LPARAM>(hwnd_));
}

LRESULT Control::Notify(NMHDR* hdr, UINT code) {
  hdr->hwndFrom = hwnd_;
  hdr->idFrom = static_cast<UINT_PTR>(Id());
  hdr->code = code;
  HWND parent = NotifyTarget();
  return parent ? SendMessage(parent, WM_NOTIFY, static_cast<WPARAM>(hdr->idFrom), reinterpret_cast<LPARAM>(hdr)) : 0;
}

HWND Control::NotifyTarget() const { return IsWindow(creationParent_) ? creationParent_ : GetParent(hwnd_); }

HBRUSH Control::Background(HDC dc) {
  UINT msg = CtlColorMessage();
  HWND parent = GetParent(hwnd_);
  if (msg && parent) {
    LRESULT r = SendMessage(parent, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd_));
    if (r && GetObjectType(reinterpret_cast<HGDIOBJ>(r)) == OBJ_BRUSH) return reinterpret_cast<HBRUSH>(r);
  }
  return GetSysColorBrush(DefaultBackground());
}

int Control::LineHeight() {
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, Font());
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  DeleteDC(dc);
  return tm.tmHeight;
}

LRESULT Control::Proc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      SyncScrollBars();
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      RECT client = Client();
      if (dc && client.right > 0 && client.bottom > 0) {
        // Into a memory bitmap first, so that a repaint never shows half a control.
        HDC mem = CreateCompatibleDC(dc);
        HBITMAP bmp = CreateCompatibleBitmap(dc, client.right, client.bottom);
        HGDIOBJ oldBmp = SelectObject(mem, bmp);
        BitBlt(mem, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);  // what lies below
        HGDIOBJ oldFont = SelectObject(mem, Font());
        SetTextColor(mem, GetSysColor(COLOR_BTNTEXT));
        SetBkMode(mem, TRANSPARENT);
        Paint(mem, client);
        BitBlt(dc, 0, 0, client.right, client.bottom, mem, 0, 0, SRCCOPY);
        SelectObject(mem, oldFont);
        SelectObject(mem, oldBmp);
        DeleteObject(bmp);
        DeleteDC(mem);
      }
      EndPaint(hwnd_, &ps);
      SyncScrollBars();  // painting may have moved the view (an edit following its caret)
      return 0;
    }
    case WM_ERASEBKGND: return 1;  // the paint covers every pixel
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) Invalidate();
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
    case WM_ENABLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Invalidate(); break;
    case WM_SETTEXT: {
      LRESULT r = DefWindowProc(hwnd_, msg, wParam, lParam);
      Invalidate();
      return r;
    }
    default: break;
  }
  return DefWindowProc(hwnd_, msg, wParam, lParam);
}

void Control::SyncBar(int bar, int last, int page, int pos, bool keepShown) {
  if (!(bars_ & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL))) return;
  SCROLLINFO now;
  now.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  GetScrollInfo(hwnd_, bar, &now);
  SCROLLINFO want;
  want.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | (keepShown ? SIF_DISABLENOSCROLL : 0);
  want.nMax = std::max(0, last);
  want.nPage = static_cast<UINT>(std::max(0, page));
  want.nPos = pos;
  const bool shown = (GetWindowLong(hwnd_, GWL_STYLE) & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL)) != 0;
  const bool scrollable = want.nMax > 0 && static_cast<int>(want.nPage) <= want.nMax;
  if (now.nMin == 0 && now.nMax == want.nMax && now.nPage == want.nPage && now.nPos == want.nPos &&
      shown == (scrollable || keepShown))
    return;
  SetScrollInfo(hwnd_, bar, &want, TRUE);
}

int Control::ScrolledPos(int bar, WPARAM wParam, int current, int line, int page, int last) const {
  switch (LOWORD(wParam)) {
    case SB_LINEUP: return current - line;
    case SB_LINEDOWN: return current + line;
    case SB_PAGEUP: return current - page;
    case SB_PAGEDOWN: return current + page;
    case SB_TOP: return 0;
    case SB_BOTTOM: return last;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      // The 32-bit track position, not the 16 bits of wParam.
      SCROLLINFO si;
      si.fMask = SIF_TRACKPOS;
      return GetScrollInfo(hwnd_, bar, &si) ? si.nTrackPos : HIWORD(wParam);
    }
    default: return current;
  }
}

void FillSys(HDC dc, const RECT& r, int colorIndex) { FillRect(dc, &r, GetSysColorBrush(colorIndex)); }

}  // namespace platform::controls

void InitCommonControls() {
  using namespace platform::controls;
  // Registering looks classes up, and a lookup runs the pending registrar: this function again.
  thread_local bool registering = false;
  if (registering) return;
  registering = true;
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterButton();
    RegisterStatic();
    RegisterEdit();
    RegisterListBox();
    RegisterComboBox();
    RegisterScrollBar();
    RegisterUpDown();
    RegisterProgress();
    RegisterTrackbar();
    RegisterToolTip();
    RegisterListView();
    RegisterTreeView();
    RegisterHeader();
    RegisterTab();
  });
  registering = false;
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc) {
  if (!icc || icc->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
  InitCommonControls();
  return TRUE;
}
