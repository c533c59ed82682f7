#include "platform/window/afx_wnd.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/base/message_box.h"
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

// Reflection: the control named by a notification gets the first word.
bool Reflect(HWND control, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  CWnd* child = CWnd::FromHandlePermanent(control);
  return child && child->OnChildNotify(msg, wParam, lParam, result);
}

// Hands the message being handled to the control it names, for the base handlers of the
// messages a control may answer itself (colours, owner drawing, scrolling).
bool ReflectCurrent(HWND self, HWND control, LRESULT* result) {
  if (!control || control == self || t_current.hwnd != self) return false;
  return Reflect(control, t_current.message, t_current.wParam, t_current.lParam, result);
}

bool IsCtlColor(UINT msg) { return msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC; }

bool Matches(const AFX_MSGMAP_ENTRY& e, UINT key, UINT code, UINT id) {
  if (e.pRegistered) return *e.pRegistered == key && key != 0;
  return e.nMessage == key && e.nCode == code && id >= e.nID && id <= e.nLastID;
}

const AFX_MSGMAP* BaseOf(const AFX_MSGMAP* map) { return map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr; }

}  // namespace

BOOL CWnd::DispatchToMap(UINT key, UINT code, UINT id, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  for (const AFX_MSGMAP* map = GetMessageMap(); map; map = BaseOf(map))
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn; ++e)
      if (Matches(*e, key, code, id) && e->pfn(this, msg, wParam, lParam, result)) return TRUE;
  return FALSE;
}

// The root of every chain: each typed message goes to its virtual handler.
const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }
const AFX_MSGMAP* CWnd::GetThisMessageMap() {
  using ThisClass = CWnd;
  // clang-format off
  static const AFX_MSGMAP_ENTRY entries[] = {
      ON_WM_CREATE()
      ON_WM_DESTROY()
      ON_WM_NCDESTROY()
      ON_WM_PAINT()
      ON_WM_NCPAINT()
      ON_WM_ERASEBKGND()
      ON_WM_TIMER()
      ON_WM_SIZE()
      ON_WM_MOVE()
      ON_WM_LBUTTONDOWN()
      ON_WM_LBUTTONUP()
      ON_WM_LBUTTONDBLCLK()
      ON_WM_RBUTTONDOWN()
      ON_WM_RBUTTONUP()
      ON_WM_RBUTTONDBLCLK()
      ON_WM_MBUTTONDOWN()
      ON_WM_MBUTTONUP()
      ON_WM_MOUSEMOVE()
      ON_WM_MOUSEHOVER()
      ON_WM_MOUSELEAVE()
      ON_WM_MOUSEWHEEL()
      ON_WM_MOUSEACTIVATE()
      ON_WM_NCHITTEST()
      ON_WM_NCLBUTTONDOWN()
      ON_WM_NCLBUTTONUP()
      ON_WM_NCLBUTTONDBLCLK()
      ON_WM_NCMOUSEMOVE()
      ON_WM_NCACTIVATE()
      ON_WM_SETCURSOR()
      ON_WM_KEYDOWN()
      ON_WM_KEYUP()
      ON_WM_SYSKEYDOWN()
      ON_WM_SYSKEYUP()
      ON_WM_CHAR()
      ON_WM_SETFOCUS()
      ON_WM_KILLFOCUS()
      ON_WM_CLOSE()
      ON_WM_SHOWWINDOW()
      ON_WM_ENABLE()
      ON_WM_CAPTURECHANGED()
      ON_WM_HSCROLL()
      ON_WM_VSCROLL()
      ON_WM_CTLCOLOR()
      ON_WM_SYSCOMMAND()
      ON_WM_CONTEXTMENU()
      ON_WM_WINDOWPOSCHANGING()
      ON_WM_WINDOWPOSCHANGED()
      ON_WM_GETDLGCODE()
      ON_WM_DRAWITEM()
      ON_WM_MEASUREITEM()
      ON_WM_ACTIVATE()
      ON_WM_ACTIVATEAPP()
      ON_WM_DROPFILES()
      ON_WM_SYSCOLORCHANGE()
      ON_WM_QUERYDRAGICON()
      ON_WM_DEVICECHANGE()
      ON_WM_POWERBROADCAST()
      {0, 0, 0, 0, nullptr, nullptr}};
  // clang-format on
  static const AFX_MSGMAP map = {nullptr, &entries[0]};
  return &map;
}

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
    default: return DispatchToMap(IsCtlColor(msg) ? WM_CTLCOLOR : msg, 0, 0, msg, wParam, lParam, result);
  }
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT code = HIWORD(wParam);
  // An accelerator's command (code 1, no control) is a command like a menu's.
  if (!lParam && code == 1) code = 0;
  LRESULT ignored = 0;
  return DispatchToMap(WM_COMMAND, code, LOWORD(wParam), WM_COMMAND, wParam, lParam, &ignored);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  auto* hdr = reinterpret_cast<NMHDR*>(lParam);
  if (!hdr) return FALSE;
  return DispatchToMap(WM_NOTIFY, hdr->code, static_cast<UINT>(hdr->idFrom), WM_NOTIFY, wParam, lParam, result);
}

BOOL CWnd::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  UINT code = 0;
  if (msg == WM_COMMAND) {
    code = HIWORD(wParam);
  } else if (msg == WM_NOTIFY) {
    if (!lParam) return FALSE;
    code = reinterpret_cast<NMHDR*>(lParam)->code;
  }
  const UINT key = WM_REFLECT_BASE + (IsCtlColor(msg) ? WM_CTLCOLOR : msg);
  LRESULT own = 0;
  if (!DispatchToMap(key, code, 0, msg, wParam, lParam, &own)) return FALSE;
  *result = own;
  return TRUE;
}

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

void CWnd::OnHScroll(UINT, UINT, CScrollBar*) {
  LRESULT ignored = 0;
  if (!ReflectCurrent(m_hWnd, reinterpret_cast<HWND>(t_current.lParam), &ignored)) Default();
}

void CWnd::OnVScroll(UINT, UINT, CScrollBar*) {
  LRESULT ignored = 0;
  if (!ReflectCurrent(m_hWnd, reinterpret_cast<HWND>(t_current.lParam), &ignored)) Default();
}

HBRUSH CWnd::OnCtlColor(CDC*, CWnd* wnd, UINT) {
  LRESULT brush = 0;
  if (wnd && IsCtlColor(t_current.message) && ReflectCurrent(m_hWnd, wnd->m_hWnd, &brush))
    return reinterpret_cast<HBRUSH>(brush);
  return reinterpret_cast<HBRUSH>(Default());
}

void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
void CWnd::OnContextMenu(CWnd*, CPoint) { Default(); }
void CWnd::OnWindowPosChanging(LPWINDOWPOS) { Default(); }
void CWnd::OnWindowPosChanged(LPWINDOWPOS) { Default(); }
UINT CWnd::OnGetDlgCode() { return static_cast<UINT>(Default()); }

void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT item) {
  LRESULT ignored = 0;
  if (item && item->CtlType != ODT_MENU && ReflectCurrent(m_hWnd, item->hwndItem, &ignored)) return;
  Default();
}

void CWnd::OnMeasureItem(int id, LPMEASUREITEMSTRUCT item) {
  LRESULT ignored = 0;
  if (item && item->CtlType != ODT_MENU && ReflectCurrent(m_hWnd, ::GetDlgItem(m_hWnd, id), &ignored)) return;
  Default();
}

void CWnd::OnActivate(UINT, CWnd*, BOOL) { Default(); }
void CWnd::OnSysColorChange() { Default(); }
void CWnd::OnNcPaint() { Default(); }
void CWnd::OnRButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnMButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnMButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMouseHover(UINT, CPoint) { Default(); }
int CWnd::OnMouseActivate(CWnd*, UINT, UINT) { return static_cast<int>(Default()); }
LRESULT CWnd::OnNcHitTest(CPoint) { return Default(); }
void CWnd::OnNcLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnNcLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnNcLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnNcMouseMove(UINT, CPoint) { Default(); }
BOOL CWnd::OnNcActivate(BOOL) { return static_cast<BOOL>(Default()); }
void CWnd::OnSysKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnActivateApp(BOOL, DWORD) { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
BOOL CWnd::OnDeviceChange(UINT, DWORD_PTR) { return static_cast<BOOL>(Default()); }
UINT CWnd::OnPowerBroadcast(UINT, LPARAM) { return static_cast<UINT>(Default()); }

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
