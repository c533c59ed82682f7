#include "platform/window/afx_wnd.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/base/message_box.h"
#include "platform/window/afx_scroll_bar.h"
#include "platform/window/dialog.h"
#include "platform/window/menu.h"
#include "platform/window/monitors.h"

namespace {

std::recursive_mutex g_mu;
std::map<HWND, CWnd*>& Permanent() {
  static auto* map = new std::map<HWND, CWnd*>;
  return *map;
}
std::map<HWND, std::unique_ptr<CWnd>>& Temporary() {
  static auto* map = new std::map<HWND, std::unique_ptr<CWnd>>;
  return *map;
}

// The message each thread is handling, for Default().
thread_local MSG t_current{};

}  // namespace

void AttachCreated(HWND hwnd, void* context) {
  auto* wnd = static_cast<CWnd*>(context);
  wnd->Attach(hwnd);
  wnd->m_pfnSuper =
      reinterpret_cast<WNDPROC>(::SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AfxWndProc)));
}

LRESULT AfxWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
  if (!wnd) return ::DefWindowProc(hwnd, msg, wParam, lParam);
  MSG saved = t_current;
  t_current.hwnd = hwnd;
  t_current.message = msg;
  t_current.wParam = wParam;
  t_current.lParam = lParam;
  LRESULT r = wnd->WindowProc(msg, wParam, lParam);
  t_current = saved;
  if (msg == WM_NCDESTROY && CWnd::FromHandlePermanent(hwnd) == wnd) {
    if (wnd->m_pfnSuper) ::SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wnd->m_pfnSuper));
    wnd->Detach();
    wnd->PostNcDestroy();
  }
  return r;
}

CWnd::~CWnd() {
  if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
    if (::IsWindow(m_hWnd)) {
      HWND h = m_hWnd;
      // The object is going: the window must not call back into it while it is destroyed.
      if (m_pfnSuper) ::SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
      Detach();
      ::DestroyWindow(h);
    } else {
      Detach();
    }
  }
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  if (!hwnd) return nullptr;
  std::lock_guard lock(g_mu);
  auto it = Permanent().find(hwnd);
  return it == Permanent().end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  if (CWnd* p = FromHandlePermanent(hwnd)) return p;
  std::lock_guard lock(g_mu);
  auto& temp = Temporary();
  for (auto it = temp.begin(); it != temp.end();) {
    if (!::IsWindow(it->first)) it = temp.erase(it);
    else ++it;
  }
  auto& slot = temp[hwnd];
  if (!slot) {
    slot = std::make_unique<CWnd>();
    slot->m_hWnd = hwnd;
  }
  return slot.get();
}

void CWnd::DeleteTempMap() {
  std::lock_guard lock(g_mu);
  for (auto& [h, w] : Temporary()) w->m_hWnd = nullptr;
  Temporary().clear();
}

BOOL CWnd::Attach(HWND hwnd) {
  if (!hwnd || m_hWnd) return FALSE;
  std::lock_guard lock(g_mu);
  if (Permanent().count(hwnd)) return FALSE;
  Permanent()[hwnd] = this;
  m_hWnd = hwnd;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND h = m_hWnd;
  if (h) {
    std::lock_guard lock(g_mu);
    auto it = Permanent().find(h);
    if (it != Permanent().end() && it->second == this) Permanent().erase(it);
  }
  m_hWnd = nullptr;
  return h;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
  if (!::IsWindow(hwnd) || !Attach(hwnd)) return FALSE;
  PreSubclassWindow();
  m_pfnSuper =
      reinterpret_cast<WNDPROC>(::SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AfxWndProc)));
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  if (!parent) return FALSE;
  HWND item = ::GetDlgItem(parent->m_hWnd, static_cast<int>(id));
  return item ? SubclassWindow(item) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
  if (!m_hWnd) return nullptr;
  if (m_pfnSuper) ::SetWindowLongPtr(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  m_pfnSuper = nullptr;
  return Detach();
}

void CWnd::HookNextWindow() { platform::SetThreadCreationHook(AttachCreated, this); }

BOOL CWnd::Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id, void*) {
  return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id, nullptr);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                    UINT id, LPVOID param) {
  if (m_hWnd) return FALSE;
  CREATESTRUCT cs;
  cs.dwExStyle = exStyle;
  cs.lpszClass = className;
  cs.lpszName = windowName;
  cs.style = static_cast<LONG>(style);
  cs.x = rect.left;
  cs.y = rect.top;
  cs.cx = rect.right - rect.left;
  cs.cy = rect.bottom - rect.top;
  cs.hwndParent = parent ? parent->m_hWnd : nullptr;
  cs.hMenu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
  cs.lpCreateParams = param;
  if (!PreCreateWindow(cs)) return FALSE;
  HookNextWindow();
  HWND h = ::CreateWindowEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y, cs.cx,
                            cs.cy, cs.hwndParent, cs.hMenu, nullptr, cs.lpCreateParams);
  platform::SetThreadCreationHook(nullptr, nullptr);
  return h != nullptr;
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) { return TRUE; }
void CWnd::PreSubclassWindow() {}
void CWnd::PostNcDestroy() {}
BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper) return ::CallWindowProc(m_pfnSuper, m_hWnd, msg, wParam, lParam);
  return ::DefWindowProc(m_hWnd, msg, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(t_current.message, t_current.wParam, t_current.lParam); }

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(msg, wParam, lParam, &result)) result = DefWindowProc(msg, wParam, lParam);
  return result;
}

namespace {

CPoint PointOf(LPARAM l) { return CPoint(l); }

// Reflection: the control named by a notification gets the first word.
bool Reflect(HWND control, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  CWnd* child = CWnd::FromHandlePermanent(control);
  return child && child->OnChildNotify(msg, wParam, lParam, result);
}

}  // namespace

BOOL CWnd::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result = 0;
  switch (msg) {
    case WM_COMMAND:
      if (lParam && Reflect(reinterpret_cast<HWND>(lParam), msg, wParam, lParam, result)) return TRUE;
      return OnCommand(wParam, lParam);
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      if (hdr && Reflect(hdr->hwndFrom, msg, wParam, lParam, result)) return TRUE;
      return OnNotify(wParam, lParam, result);
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam);
      if (item && item->CtlType != ODT_MENU && Reflect(item->hwndItem, msg, wParam, lParam, result)) return TRUE;
      OnDrawItem(static_cast<int>(wParam), item);
      *result = TRUE;
      return TRUE;
    }
    case WM_MEASUREITEM:
      OnMeasureItem(static_cast<int>(wParam), reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
      *result = TRUE;
      return TRUE;
    case WM_CREATE: *result = OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam)); return TRUE;
    case WM_DESTROY: OnDestroy(); return TRUE;
    case WM_NCDESTROY: OnNcDestroy(); return TRUE;
    case WM_PAINT: OnPaint(); return TRUE;
    case WM_ERASEBKGND: *result = OnEraseBkgnd(CDC::FromHandle(reinterpret_cast<HDC>(wParam))); return TRUE;
    case WM_TIMER: OnTimer(static_cast<UINT_PTR>(wParam)); return TRUE;
    case WM_DROPFILES: OnDropFiles(reinterpret_cast<HDROP>(wParam)); return TRUE;
    case WM_SIZE:
      OnSize(static_cast<UINT>(wParam), LOWORD(static_cast<DWORD_PTR>(lParam)), HIWORD(static_cast<DWORD_PTR>(lParam)));
      return TRUE;
    case WM_MOVE:
      OnMove(static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))),
             static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam))));
      return TRUE;
    case WM_LBUTTONDOWN: OnLButtonDown(static_cast<UINT>(wParam), PointOf(lParam)); return TRUE;
    case WM_LBUTTONUP: OnLButtonUp(static_cast<UINT>(wParam), PointOf(lParam)); return TRUE;
    case WM_LBUTTONDBLCLK: OnLButtonDblClk(static_cast<UINT>(wParam), PointOf(lParam)); return TRUE;
    case WM_RBUTTONDOWN: OnRButtonDown(static_cast<UINT>(wParam), PointOf(lParam)); return TRUE;
    case WM_RBUTTONUP: OnRButtonUp(static_cast<UINT>(wParam), PointOf(lParam)); return TRUE;
    case WM_MOUSEMOVE: OnMouseMove(static_cast<UINT>(wParam), PointOf(lParam)); return TRUE;
    case WM_MOUSELEAVE: OnMouseLeave(); return TRUE;
    case WM_MOUSEWHEEL:
      *result = OnMouseWheel(LOWORD(wParam), static_cast<short>(HIWORD(wParam)), PointOf(lParam));
      return TRUE;
    case WM_SETCURSOR:
      *result = OnSetCursor(FromHandle(reinterpret_cast<HWND>(wParam)), LOWORD(static_cast<DWORD_PTR>(lParam)),
                            HIWORD(static_cast<DWORD_PTR>(lParam)));
      return TRUE;
    case WM_KEYDOWN:
      OnKeyDown(static_cast<UINT>(wParam), LOWORD(static_cast<DWORD_PTR>(lParam)),
                HIWORD(static_cast<DWORD_PTR>(lParam)));
      return TRUE;
    case WM_KEYUP:
      OnKeyUp(static_cast<UINT>(wParam), LOWORD(static_cast<DWORD_PTR>(lParam)),
              HIWORD(static_cast<DWORD_PTR>(lParam)));
      return TRUE;
    case WM_CHAR:
      OnChar(static_cast<UINT>(wParam), LOWORD(static_cast<DWORD_PTR>(lParam)), HIWORD(static_cast<DWORD_PTR>(lParam)));
      return TRUE;
    case WM_SETFOCUS: OnSetFocus(FromHandle(reinterpret_cast<HWND>(wParam))); return TRUE;
    case WM_KILLFOCUS: OnKillFocus(FromHandle(reinterpret_cast<HWND>(wParam))); return TRUE;
    case WM_CLOSE: OnClose(); return TRUE;
    case WM_SHOWWINDOW: OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam)); return TRUE;
    case WM_ENABLE: OnEnable(static_cast<BOOL>(wParam)); return TRUE;
    case WM_CAPTURECHANGED: OnCaptureChanged(FromHandle(reinterpret_cast<HWND>(lParam))); return TRUE;
    case WM_HSCROLL:
    case WM_VSCROLL: {
      if (lParam && Reflect(reinterpret_cast<HWND>(lParam), msg, wParam, lParam, result)) return TRUE;
      // The control's own object when it has one, else a wrapper for this call only.
      const HWND control = reinterpret_cast<HWND>(lParam);
      CScrollBar wrapper;
      CScrollBar* bar = control ? dynamic_cast<CScrollBar*>(FromHandlePermanent(control)) : nullptr;
      if (control && !bar) {
        wrapper.m_hWnd = control;
        bar = &wrapper;
      }
      if (msg == WM_HSCROLL) OnHScroll(LOWORD(wParam), HIWORD(wParam), bar);
      else OnVScroll(LOWORD(wParam), HIWORD(wParam), bar);
      wrapper.m_hWnd = nullptr;
      return TRUE;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      HWND control = reinterpret_cast<HWND>(lParam);
      if (control != m_hWnd && Reflect(control, msg, wParam, lParam, result)) return TRUE;
      *result = reinterpret_cast<LRESULT>(
          OnCtlColor(CDC::FromHandle(reinterpret_cast<HDC>(wParam)), FromHandle(control), msg - WM_CTLCOLORMSGBOX));
      return TRUE;
    }
    case WM_SYSCOMMAND: OnSysCommand(static_cast<UINT>(wParam), lParam); return TRUE;
    case WM_CONTEXTMENU: OnContextMenu(FromHandle(reinterpret_cast<HWND>(wParam)), PointOf(lParam)); return TRUE;
    case WM_WINDOWPOSCHANGING: OnWindowPosChanging(reinterpret_cast<LPWINDOWPOS>(lParam)); return TRUE;
    case WM_WINDOWPOSCHANGED: OnWindowPosChanged(reinterpret_cast<LPWINDOWPOS>(lParam)); return TRUE;
    case WM_GETDLGCODE: *result = OnGetDlgCode(); return TRUE;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wParam), FromHandle(reinterpret_cast<HWND>(lParam)), HIWORD(wParam));
      return TRUE;
    case WM_SYSCOLORCHANGE: OnSysColorChange(); return TRUE;
    default: return FALSE;
  }
}

BOOL CWnd::OnCommand(WPARAM, LPARAM) { return FALSE; }
BOOL CWnd::OnNotify(WPARAM, LPARAM, LRESULT*) { return FALSE; }
BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

int CWnd::OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnNcDestroy() { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnDropFiles(HDROP) { Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnMouseLeave() { Default(); }
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) { return static_cast<BOOL>(Default()); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnEnable(BOOL) { Default(); }
void CWnd::OnCaptureChanged(CWnd*) { Default(); }
void CWnd::OnHScroll(UINT, UINT, CScrollBar*) { Default(); }
void CWnd::OnVScroll(UINT, UINT, CScrollBar*) { Default(); }
HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) { return reinterpret_cast<HBRUSH>(Default()); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
void CWnd::OnContextMenu(CWnd*, CPoint) { Default(); }
void CWnd::OnWindowPosChanging(LPWINDOWPOS) { Default(); }
void CWnd::OnWindowPosChanged(LPWINDOWPOS) { Default(); }
UINT CWnd::OnGetDlgCode() { return static_cast<UINT>(Default()); }
void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT) { Default(); }
void CWnd::OnMeasureItem(int, LPMEASUREITEMSTRUCT) { Default(); }
void CWnd::OnActivate(UINT, CWnd*, BOOL) { Default(); }
void CWnd::OnSysColorChange() { Default(); }

void CWnd::GetWindowText(std::string& text) const { text = GetWindowText(); }

std::string CWnd::GetWindowText() const {
  const int n = ::GetWindowTextLength(m_hWnd);
  std::string text(static_cast<size_t>(n) + 1, '\0');
  const int got = ::GetWindowText(m_hWnd, text.data(), n + 1);
  text.resize(static_cast<size_t>(got));
  return text;
}

BOOL CWnd::SetWindowPos(const CWnd* after, int x, int y, int cx, int cy, UINT flags) {
  HWND insertAfter = after ? after->m_hWnd : HWND_TOP;
  return ::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy, flags);
}

void CWnd::ClientToScreen(LPRECT r) const { ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(r), 2); }
void CWnd::ScreenToClient(LPRECT r) const { ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(r), 2); }

void CWnd::CenterWindow(CWnd* alternateOwner) {
  RECT area{};
  HWND owner = alternateOwner ? alternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
  const bool child = (GetStyle() & WS_CHILD) != 0;
  if (child) {
    ::GetClientRect(::GetParent(m_hWnd), &area);
  } else if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
    ::GetWindowRect(owner, &area);
  } else {
    MONITORINFO mi;
    ::GetMonitorInfo(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &mi);
    area = mi.rcWork;
  }
  RECT r{};
  ::GetWindowRect(m_hWnd, &r);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  ::SetWindowPos(m_hWnd, nullptr, area.left + (area.right - area.left - w) / 2,
                 area.top + (area.bottom - area.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CWnd::RedrawWindow(LPCRECT r, CRgn* region, UINT flags) {
  return ::RedrawWindow(m_hWnd, r, region ? static_cast<HRGN>(*region) : nullptr, flags);
}

CWnd* CWnd::GetNextDlgTabItem(CWnd* control, BOOL previous) const {
  return FromHandle(::GetNextDlgTabItem(m_hWnd, control ? control->m_hWnd : nullptr, previous));
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags) {
  const DWORD style = GetStyle();
  const DWORD changed = (style & ~remove) | add;
  if (changed == style) return FALSE;
  ::SetWindowLong(m_hWnd, GWL_STYLE, static_cast<LONG>(changed));
  if (flags)
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
  return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT flags) {
  const DWORD style = GetExStyle();
  const DWORD changed = (style & ~remove) | add;
  if (changed == style) return FALSE;
  ::SetWindowLong(m_hWnd, GWL_EXSTYLE, static_cast<LONG>(changed));
  if (flags)
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
  return TRUE;
}

void CWnd::SetFont(CFont* font, BOOL redraw) {
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font ? static_cast<HFONT>(*font) : nullptr), redraw);
}

CFont* CWnd::GetFont() const {
  HFONT f = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
  return f ? CFont::FromHandle(f) : nullptr;
}

void CWnd::GetDlgItemText(int id, std::string& text) const {
  CWnd* item = GetDlgItem(id);
  text = item ? item->GetWindowText() : std::string();
}

UINT CWnd::GetDlgItemInt(int id, BOOL* translated, BOOL isSigned) const {
  return ::GetDlgItemInt(m_hWnd, id, translated, isSigned);
}
void CWnd::SetDlgItemInt(int id, UINT value, BOOL isSigned) { ::SetDlgItemInt(m_hWnd, id, value, isSigned); }
void CWnd::CheckDlgButton(int id, UINT check) { ::CheckDlgButton(m_hWnd, id, check); }
UINT CWnd::IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
LRESULT CWnd::SendDlgItemMessage(int id, UINT msg, WPARAM wParam, LPARAM lParam) const {
  return ::SendDlgItemMessage(m_hWnd, id, msg, wParam, lParam);
}
HMENU CWnd::GetMenu() const { return ::GetMenu(m_hWnd); }

CDC* CWnd::GetDC() {
  HDC dc = ::GetDC(m_hWnd);
  return dc ? CDC::FromHandle(dc) : nullptr;
}

int CWnd::ReleaseDC(CDC* dc) { return dc ? ::ReleaseDC(m_hWnd, dc->m_hDC) : 0; }

int CWnd::MessageBox(const std::string& text, const std::string& caption, UINT type) {
  return ::MessageBox(m_hWnd, text, caption, type);
}

BOOL AfxWalkPreTranslateTree(HWND top, MSG* msg) {
  for (HWND h = msg->hwnd; h; h = ::GetParent(h)) {
    if (CWnd* wnd = CWnd::FromHandlePermanent(h))
      if (wnd->PreTranslateMessage(msg)) return TRUE;
    if (h == top || !(::GetWindowLong(h, GWL_STYLE) & WS_CHILD)) break;
  }
  return FALSE;
}

CPaintDC::CPaintDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr) { Attach(::BeginPaint(m_hWnd, &m_ps)); }
CPaintDC::~CPaintDC() {
  Detach();
  ::EndPaint(m_hWnd, &m_ps);
}

CClientDC::CClientDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr) { Attach(::GetDC(m_hWnd)); }
CClientDC::~CClientDC() { ::ReleaseDC(m_hWnd, Detach()); }

CWindowDC::CWindowDC(CWnd* wnd) : m_hWnd(wnd ? wnd->m_hWnd : nullptr) { Attach(::GetWindowDC(m_hWnd)); }
CWindowDC::~CWindowDC() { ::ReleaseDC(m_hWnd, Detach()); }
