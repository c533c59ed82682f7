// CWnd: the class library's window object. Windows created or subclassed through it send their
// messages to WindowProc, which looks them up in the class's message map (afx_msgmap.h); CWnd's
// own map ends every chain with the virtual handlers named after the messages, and a handler left
// alone calls Default(), the window's original procedure.
#pragma once

#include <string>

#include "platform/base/win_types.h"
#include "platform/gdi/afx_gdi.h"
#include "platform/window/afx_geometry.h"
#include "platform/window/afx_msgmap.h"
#include "platform/window/focus.h"
#include "platform/window/messages.h"
#include "platform/window/owner_draw.h"
#include "platform/window/paint.h"
#include "platform/window/timers.h"
#include "platform/window/window.h"

class CScrollBar;  // the controls layer's class

using LPCREATESTRUCT = CREATESTRUCT*;
using LPWINDOWPOS = WINDOWPOS*;

constexpr UINT CTLCOLOR_MSGBOX = 0;
constexpr UINT CTLCOLOR_EDIT = 1;
constexpr UINT CTLCOLOR_LISTBOX = 2;
constexpr UINT CTLCOLOR_BTN = 3;
constexpr UINT CTLCOLOR_DLG = 4;
constexpr UINT CTLCOLOR_SCROLLBAR = 5;
constexpr UINT CTLCOLOR_STATIC = 6;

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;
  operator HWND() const { return m_hWnd; }
  HWND GetSafeHwnd() const { return m_hWnd; }

  // The object attached to a window, or a temporary wrapper for windows without one.
  static CWnd* FromHandle(HWND hwnd);
  static CWnd* FromHandlePermanent(HWND hwnd);
  static void DeleteTempMap();

  BOOL Attach(HWND hwnd);
  HWND Detach();
  BOOL SubclassWindow(HWND hwnd);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  HWND UnsubclassWindow();

  virtual BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                      void* context = nullptr);
  virtual BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                        UINT id, LPVOID param = nullptr);
  virtual BOOL DestroyWindow();

  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual BOOL PreTranslateMessage(MSG* msg);
  virtual void PreSubclassWindow();
  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
  virtual void PostNcDestroy();
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
  // A control's chance to handle what its parent was told about it (reflection); the default
  // looks the message up among the ON_..._REFLECT entries of the control's map.
  virtual BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // The current message handed to the original procedure.
  LRESULT Default();

  // Message handlers.
  virtual int OnCreate(LPCREATESTRUCT cs);
  virtual void OnDestroy();
  virtual void OnNcDestroy();
  virtual void OnPaint();
  virtual BOOL OnEraseBkgnd(CDC* dc);
  virtual void OnTimer(UINT_PTR id);
  virtual void OnSize(UINT type, int cx, int cy);
  virtual void OnMove(int x, int y);
  virtual void OnLButtonDown(UINT flags, CPoint point);
  virtual void OnLButtonUp(UINT flags, CPoint point);
  virtual void OnLButtonDblClk(UINT flags, CPoint point);
  virtual void OnRButtonDown(UINT flags, CPoint point);
  virtual void OnRButtonUp(UINT flags, CPoint point);
  virtual void OnMouseMove(UINT flags, CPoint point);
  virtual void OnMouseLeave();
  virtual BOOL OnMouseWheel(UINT flags, short delta, CPoint point);
  virtual BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
  virtual void OnKeyDown(UINT ch, UINT repeat, UINT flags);
  virtual void OnKeyUp(UINT ch, UINT repeat, UINT flags);
  virtual void OnChar(UINT ch, UINT repeat, UINT flags);
  virtual void OnSetFocus(CWnd* oldWnd);
  virtual void OnKillFocus(CWnd* newWnd);
  virtual void OnClose();
  virtual void OnShowWindow(BOOL show, UINT status);
  virtual void OnEnable(BOOL enable);
  virtual void OnCaptureChanged(CWnd* wnd);
  virtual void OnHScroll(UINT code, UINT pos, CScrollBar* bar);
  virtual void OnVScroll(UINT code, UINT pos, CScrollBar* bar);
  virtual HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor);
  virtual void OnSysCommand(UINT id, LPARAM lParam);
  virtual void OnContextMenu(CWnd* wnd, CPoint point);
  virtual void OnWindowPosChanging(LPWINDOWPOS pos);
  virtual void OnWindowPosChanged(LPWINDOWPOS pos);
  virtual UINT OnGetDlgCode();
  virtual void OnDrawItem(int id, LPDRAWITEMSTRUCT item);
  virtual void OnMeasureItem(int id, LPMEASUREITEMSTRUCT item);
  virtual void OnActivate(UINT state, CWnd* other, BOOL minimized);
  // The receiver frees the list with DragFinish (platform/ole/drop_files.h).
  virtual void OnDropFiles(HDROP drop);
  virtual void OnSysColorChange();
  virtual void OnNcPaint();
  virtual void OnRButtonDblClk(UINT flags, CPoint point);
  virtual void OnMButtonDown(UINT flags, CPoint point);
  virtual void OnMButtonUp(UINT flags, CPoint point);
  virtual void OnMouseHover(UINT flags, CPoint point);
  virtual int OnMouseActivate(CWnd* topParent, UINT hitTest, UINT message);
  // The point is in screen coordinates, as for the other non-client mouse handlers.
  virtual LRESULT OnNcHitTest(CPoint point);
  virtual void OnNcLButtonDown(UINT hitTest, CPoint point);
  virtual void OnNcLButtonUp(UINT hitTest, CPoint point);
  virtual void OnNcLButtonDblClk(UINT hitTest, CPoint point);
  virtual void OnNcMouseMove(UINT hitTest, CPoint point);
  virtual BOOL OnNcActivate(BOOL active);
  virtual void OnSysKeyDown(UINT ch, UINT repeat, UINT flags);
  virtual void OnSysKeyUp(UINT ch, UINT repeat, UINT flags);
  virtual void OnActivateApp(BOOL active, DWORD threadId);
  virtual HCURSOR OnQueryDragIcon();
  virtual BOOL OnDeviceChange(UINT eventType, DWORD_PTR data);
  virtual UINT OnPowerBroadcast(UINT powerEvent, LPARAM data);

  // Window operations.
  BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
  BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  BOOL IsZoomed() const { return ::IsZoomed(m_hWnd); }
  BOOL IsChild(const CWnd* wnd) const { return wnd && ::IsChild(m_hWnd, wnd->m_hWnd); }
  void SetWindowText(const std::string& text) { ::SetWindowText(m_hWnd, text.c_str()); }
  void GetWindowText(std::string& text) const;
  std::string GetWindowText() const;
  int GetWindowTextLength() const { return ::GetWindowTextLength(m_hWnd); }
  void MoveWindow(int x, int y, int w, int h, BOOL repaint = TRUE) { ::MoveWindow(m_hWnd, x, y, w, h, repaint); }
  void MoveWindow(LPCRECT r, BOOL repaint = TRUE) {
    MoveWindow(r->left, r->top, r->right - r->left, r->bottom - r->top, repaint);
  }
  BOOL SetWindowPos(const CWnd* after, int x, int y, int cx, int cy, UINT flags);
  void GetClientRect(LPRECT r) const { ::GetClientRect(m_hWnd, r); }
  void GetWindowRect(LPRECT r) const { ::GetWindowRect(m_hWnd, r); }
  void ClientToScreen(LPPOINT p) const { ::ClientToScreen(m_hWnd, p); }
  void ClientToScreen(LPRECT r) const;
  void ScreenToClient(LPPOINT p) const { ::ScreenToClient(m_hWnd, p); }
  void ScreenToClient(LPRECT r) const;
  void MapWindowPoints(CWnd* to, LPPOINT points, UINT count) const {
    ::MapWindowPoints(m_hWnd, to ? to->m_hWnd : nullptr, points, count);
  }
  void MapWindowPoints(CWnd* to, LPRECT r) const {
    ::MapWindowPoints(m_hWnd, to ? to->m_hWnd : nullptr, reinterpret_cast<POINT*>(r), 2);
  }
  void CenterWindow(CWnd* alternateOwner = nullptr);
  void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
  void InvalidateRect(LPCRECT r, BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, r, erase); }
  void ValidateRect(LPCRECT r) { ::ValidateRect(m_hWnd, r); }
  void UpdateWindow() { ::UpdateWindow(m_hWnd); }
  BOOL RedrawWindow(LPCRECT r = nullptr, CRgn* region = nullptr,
                    UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  int SetWindowRgn(HRGN region, BOOL redraw) { return ::SetWindowRgn(m_hWnd, region, redraw); }
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr) { return ::SetTimer(m_hWnd, id, elapse, proc); }
  BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessage(m_hWnd, msg, wParam, lParam);
  }
  BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::PostMessage(m_hWnd, msg, wParam, lParam);
  }
  CWnd* SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
  static CWnd* GetFocus() { return FromHandle(::GetFocus()); }
  CWnd* SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
  static CWnd* GetCapture() { return FromHandle(::GetCapture()); }
  static CWnd* GetActiveWindow() { return FromHandle(::GetActiveWindow()); }
  static CWnd* WindowFromPoint(POINT p) { return FromHandle(::WindowFromPoint(p)); }
  BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
  void BringWindowToTop() { ::BringWindowToTop(m_hWnd); }
  CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
  CWnd* GetOwner() const { return FromHandle(::GetWindow(m_hWnd, GW_OWNER)); }
  void SetOwner(CWnd* owner) {
    ::SetWindowLongPtr(m_hWnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner ? owner->m_hWnd : nullptr));
  }
  CWnd* GetTopLevelParent() const { return FromHandle(::GetAncestor(m_hWnd, GA_ROOT)); }
  CWnd* GetWindow(UINT cmd) const { return FromHandle(::GetWindow(m_hWnd, cmd)); }
  CWnd* GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
  CWnd* GetNextDlgTabItem(CWnd* control, BOOL previous = FALSE) const;
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  int SetDlgCtrlID(int id) { return static_cast<int>(::SetWindowLongPtr(m_hWnd, GWLP_ID, id)); }
  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_STYLE)); }
  DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_EXSTYLE)); }
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
  BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
  void SetFont(CFont* font, BOOL redraw = TRUE);
  CFont* GetFont() const;
  HICON SetIcon(HICON icon, BOOL big) {
    return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big, reinterpret_cast<LPARAM>(icon)));
  }
  void GetDlgItemText(int id, std::string& text) const;
  void SetDlgItemText(int id, const std::string& text) { ::SetWindowText(::GetDlgItem(m_hWnd, id), text.c_str()); }
  UINT GetDlgItemInt(int id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const;
  void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE);
  void CheckDlgButton(int id, UINT check);
  UINT IsDlgButtonChecked(int id) const;
  LRESULT SendDlgItemMessage(int id, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
  HMENU GetMenu() const;
  CDC* GetDC();
  int ReleaseDC(CDC* dc);
  void DragAcceptFiles(BOOL accept = TRUE) {
    ModifyStyleEx(accept ? 0 : WS_EX_ACCEPTFILES, accept ? WS_EX_ACCEPTFILES : 0);
  }
  int MessageBox(const std::string& text, const std::string& caption = std::string(), UINT type = 0);

 protected:
  // Dispatches through the message map; false when no entry took the message.
  virtual BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
  // Calls the matching entries of this object's map chain, most derived first, until one takes
  // the message. key is the message the entries are filed under (WM_CTLCOLOR for every colour
  // message, WM_REFLECT_BASE + message for reflections); msg is the one that arrived.
  BOOL DispatchToMap(UINT key, UINT code, UINT id, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // Hooks this object to the next window the thread creates.
  void HookNextWindow();

  WNDPROC m_pfnSuper = nullptr;

  friend LRESULT AfxWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  friend void AttachCreated(HWND hwnd, void* context);
};

// The procedure every class-library window runs.
LRESULT AfxWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// A paint DC for one WM_PAINT: BeginPaint on construction, EndPaint on destruction.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* wnd);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps{};

 protected:
  HWND m_hWnd;
};

class CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* wnd);
  ~CClientDC() override;

 protected:
  HWND m_hWnd;
};

class CWindowDC : public CDC {
 public:
  explicit CWindowDC(CWnd* wnd);
  ~CWindowDC() override;

 protected:
  HWND m_hWnd;
};

// Walks from the message's window up to (and including) top, giving each attached object's
// PreTranslateMessage a turn; true when one took the message.
BOOL AfxWalkPreTranslateTree(HWND top, MSG* msg);
