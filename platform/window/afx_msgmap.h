// Message maps: each window class lists the messages it handles and the member function for each
// in a static table, chained to its base class's table. OnWndMsg (and OnCommand, OnNotify,
// OnChildNotify for commands, notifications and reflected messages) walks the chain from the most
// derived class down and calls the first matching entry, before falling back to DefWindowProc.
//
//   class CMyDlg : public CDialog {
//     ...
//    protected:
//     void OnStart();
//     LRESULT OnGraphEvent(WPARAM, LPARAM);
//     DECLARE_MESSAGE_MAP()
//   };
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//     ON_WM_TIMER()
//     ON_BN_CLICKED(1024, &CMyDlg::OnStart)
//     ON_MESSAGE(WM_USER + 70, &CMyDlg::OnGraphEvent)
//   END_MESSAGE_MAP()
//
// Handlers are named with their class (&CMyDlg::OnStart); the ON_WM_xxx() entries bind the
// class's OnXxx with the argument types of the message. A mismatched handler does not compile.
#pragma once

#include <tuple>
#include <type_traits>

#include "platform/base/win_types.h"
#include "platform/gdi/afx_gdi.h"
#include "platform/window/afx_geometry.h"
#include "platform/window/owner_draw.h"
#include "platform/window/window.h"
#include "platform/window/wm_messages.h"

class CWnd;

// A reflected message is looked up in the control's own table as WM_REFLECT_BASE + the message.
constexpr UINT WM_REFLECT_BASE = 0xBC00;

// Calls one entry's handler; FALSE when the handler declined (the _EX entries) and the search goes on.
using AFX_PMSG_THUNK = BOOL (*)(CWnd* self, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;                      // the message, WM_REFLECT_BASE + message for reflected ones
  UINT nCode;                         // notification code (WM_COMMAND, WM_NOTIFY and their reflections), else 0
  UINT nID;                           // first control or command id, else 0
  UINT nLastID;                       // last id of a range, nID for one id
  AFX_PMSG_THUNK pfn;                 // null ends the table
  const UINT* pRegistered = nullptr;  // a registered message's number, read when it is looked up
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();  // null for the root
  const AFX_MSGMAP_ENTRY* lpEntries;
};

// clang-format off
#define DECLARE_MESSAGE_MAP()                                                         \
 protected:                                                                           \
  static const AFX_MSGMAP* GetThisMessageMap();                                       \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }   \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                   \
    using ThisClass [[maybe_unused]] = theClass;                                      \
    using TheBaseClass = baseClass;                                                   \
    static const AFX_MSGMAP_ENTRY entries[] = {

#define END_MESSAGE_MAP()                                                             \
      {0, 0, 0, 0, nullptr, nullptr}};                                                \
    static const AFX_MSGMAP map = {&TheBaseClass::GetThisMessageMap, &entries[0]};    \
    return &map;                                                                      \
  }
// clang-format on

namespace afx_msgmap {

template <class T>
struct Member;
template <class C, class R, class... A>
struct Member<R (C::*)(A...)> {
  using Class = C;
  template <size_t N>
  using Arg = std::tuple_element_t<N, std::tuple<A...>>;
};
template <auto F>
using ClassOf = typename Member<decltype(F)>::Class;

template <auto F>
ClassOf<F>& Self(CWnd* w) {
  return *static_cast<ClassOf<F>*>(w);
}
template <auto F>
CWnd* Wnd(UINT_PTR handle) {
  return ClassOf<F>::FromHandle(reinterpret_cast<HWND>(handle));
}

inline CPoint PointOf(LPARAM l) { return CPoint(l); }
inline CDC* DcOf(WPARAM w) { return CDC::FromHandle(reinterpret_cast<HDC>(w)); }

// WM_COMMAND and WM_NOTIFY, by id, id range and code.
template <auto F>
BOOL Command(CWnd* w, UINT, WPARAM, LPARAM, LRESULT*) {
  (Self<F>(w).*F)();
  return TRUE;
}
template <auto F>
BOOL CommandRange(CWnd* w, UINT, WPARAM wParam, LPARAM, LRESULT*) {
  (Self<F>(w).*F)(LOWORD(wParam));
  return TRUE;
}
template <auto F>
BOOL Notify(CWnd* w, UINT, WPARAM, LPARAM lParam, LRESULT* result) {
  (Self<F>(w).*F)(reinterpret_cast<NMHDR*>(lParam), result);
  return TRUE;
}
template <auto F>
BOOL NotifyRange(CWnd* w, UINT, WPARAM, LPARAM lParam, LRESULT* result) {
  auto* hdr = reinterpret_cast<NMHDR*>(lParam);
  (Self<F>(w).*F)(static_cast<UINT>(hdr->idFrom), hdr, result);
  return TRUE;
}
template <auto F>
BOOL NotifyEx(CWnd* w, UINT, WPARAM, LPARAM lParam, LRESULT* result) {
  auto* hdr = reinterpret_cast<NMHDR*>(lParam);
  return (Self<F>(w).*F)(static_cast<UINT>(hdr->idFrom), hdr, result);
}
template <auto F>
BOOL CommandEx(CWnd* w, UINT, WPARAM, LPARAM, LRESULT*) {
  return (Self<F>(w).*F)();
}
template <auto F>
BOOL NotifyReflectEx(CWnd* w, UINT, WPARAM, LPARAM lParam, LRESULT* result) {
  return (Self<F>(w).*F)(reinterpret_cast<NMHDR*>(lParam), result);
}
template <auto F>
BOOL Message(CWnd* w, UINT, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result = (Self<F>(w).*F)(wParam, lParam);
  return TRUE;
}

// Typed window messages, cracked as the handlers' names promise.
template <auto F>
BOOL Void(CWnd* w, UINT, WPARAM, LPARAM, LRESULT*) {
  (Self<F>(w).*F)();
  return TRUE;
}
template <class T>
LRESULT AsResult(T value) {
  if constexpr (std::is_pointer_v<T>) return reinterpret_cast<LRESULT>(value);
  else return static_cast<LRESULT>(value);
}
template <auto F>
BOOL ReturnsResult(CWnd* w, UINT, WPARAM, LPARAM, LRESULT* result) {
  *result = AsResult((Self<F>(w).*F)());
  return TRUE;
}
template <auto F>
BOOL Create(CWnd* w, UINT, WPARAM, LPARAM lParam, LRESULT* result) {
  *result = (Self<F>(w).*F)(reinterpret_cast<CREATESTRUCT*>(lParam));
  return TRUE;
}
template <auto F>
BOOL EraseBkgnd(CWnd* w, UINT, WPARAM wParam, LPARAM, LRESULT* result) {
  *result = (Self<F>(w).*F)(DcOf(wParam));
  return TRUE;
}
template <auto F>
BOOL FlagsPoint(CWnd* w, UINT, WPARAM wParam, LPARAM lParam, LRESULT*) {
  (Self<F>(w).*F)(static_cast<UINT>(wParam), PointOf(lParam));
  return TRUE;
}
template <auto F>
BOOL Timer(CWnd* w, UINT, WPARAM wParam, LPARAM, LRESULT*) {
  (Self<F>(w).*F)(static_cast<UINT_PTR>(wParam));
  return TRUE;
}
template <auto F>
BOOL Size(CWnd* w, UINT, WPARAM wParam, LPARAM lParam, LRESULT*) {
  (Self<F>(w).*F)(static_cast<UINT>(wParam), LOWORD(static_cast<DWORD_PTR>(lParam)),
                  HIWORD(static_cast<DWORD_PTR>(lParam)));
  return TRUE;
}
template <auto F>
BOOL Move(CWnd* w, UINT, WPARAM, LPARAM lParam, LRESULT*) {
  (Self<F>(w).*F)(static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))),
                  static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam))));
  return TRUE;
}
template <auto F>
BOOL Key(CWnd* w, UINT, WPARAM wParam, LPARAM lParam, LRESULT*) {
  (Self<F>(w).*F)(static_cast<UINT>(wParam), LOWORD(static_cast<DWORD_PTR>(lParam)),
                  HIWORD(static_cast<DWORD_PTR>(lParam)));
  return TRUE;
}
template <auto F>
BOOL WndInW(CWnd* w, UINT, WPARAM wParam, LPARAM, LRESULT*) {
  (Self<F>(w).*F)(Wnd<F>(wParam));
  return TRUE;
}
template <auto F>
BOOL WndInL(CWnd* w, UINT, WPARAM, LPARAM lParam, LRESULT*) {
  (Self<F>(w).*F)(Wnd<F>(static_cast<UINT_PTR>(lParam)));
  return TRUE;
}
template <auto F>
BOOL SetCursor(CWnd* w, UINT, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result =
      (Self<F>(w).*F)(Wnd<F>(wParam), LOWORD(static_cast<DWORD_PTR>(lParam)), HIWORD(static_cast<DWORD_PTR>(lParam)));
  return TRUE;
}
template <auto F>
BOOL MouseWheel(CWnd* w, UINT, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result = (Self<F>(w).*F)(LOWORD(wParam), static_cast<short>(HIWORD(wParam)), PointOf(lParam));
  return TRUE;
}
template <auto F>
BOOL ShowWindow(CWnd* w, UINT, WPARAM wParam, LPARAM lParam, LRESULT*) {
  (Self<F>(w).*F)(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
  return TRUE;
}
template <auto F>
BOOL Bool(CWnd* w, UINT, WPARAM wParam, LPARAM, LRESULT*) {
  (Self<F>(w).*F)(static_cast<BOOL>(wParam));
  return TRUE;
}
template <auto F>
BOOL Scroll(CWnd* w, UINT, WPARAM wParam, LPARAM lParam, LRESULT*) {
  using Bar = typename Member<decltype(F)>::template Arg<2>;
  (Self<F>(w).*F)(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<Bar>(Wnd<F>(static_cast<UINT_PTR>(lParam))));
  return TRUE;
}
template <auto F>
BOOL CtlColor(CWnd* w, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result = reinterpret_cast<LRESULT>(
      (Self<F>(w).*F)(DcOf(wParam), Wnd<F>(static_cast<UINT_PTR>(lParam)), msg - WM_CTLCOLORMSGBOX));
  return TRUE;
}
template <auto F>
BOOL SysCommand(CWnd* w, UINT, WPARAM wParam, LPARAM lParam, LRESULT*) {
  (Self<F>(w).*F)(static_cast<UINT>(wParam), lParam);
  return TRUE;
}
template <auto F>
BOOL ContextMenu(CWnd* w, UINT, WPARAM wParam, LPARAM lParam, LRESULT*) {
  (Self<F>(w).*F)(Wnd<F>(wParam), PointOf(lParam));
  return TRUE;
}
template <auto F>
BOOL WindowPos(CWnd* w, UINT, WPARAM, LPARAM lParam, LRESULT*) {
  (Self<F>(w).*F)(reinterpret_cast<WINDOWPOS*>(lParam));
  return TRUE;
}
template <auto F>
BOOL DrawItem(CWnd* w, UINT, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  (Self<F>(w).*F)(static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
  *result = TRUE;
  return TRUE;
}
template <auto F>
BOOL MeasureItem(CWnd* w, UINT, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  (Self<F>(w).*F)(static_cast<int>(wParam), reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
  *result = TRUE;
  return TRUE;
}
template <auto F>
BOOL Activate(CWnd* w, UINT, WPARAM wParam, LPARAM lParam, LRESULT*) {
  (Self<F>(w).*F)(LOWORD(wParam), Wnd<F>(static_cast<UINT_PTR>(lParam)), HIWORD(wParam));
  return TRUE;
}
template <auto F>
BOOL ActivateApp(CWnd* w, UINT, WPARAM wParam, LPARAM lParam, LRESULT*) {
  (Self<F>(w).*F)(static_cast<BOOL>(wParam), static_cast<DWORD>(lParam));
  return TRUE;
}
template <auto F>
BOOL DropFiles(CWnd* w, UINT, WPARAM wParam, LPARAM, LRESULT*) {
  (Self<F>(w).*F)(reinterpret_cast<HDROP>(wParam));
  return TRUE;
}
template <auto F>
BOOL DeviceChange(CWnd* w, UINT, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result = (Self<F>(w).*F)(static_cast<UINT>(wParam), static_cast<DWORD_PTR>(lParam));
  return TRUE;
}
template <auto F>
BOOL PowerBroadcast(CWnd* w, UINT, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result = (Self<F>(w).*F)(static_cast<UINT>(wParam), lParam);
  return TRUE;
}
template <auto F>
BOOL NcHitTest(CWnd* w, UINT, WPARAM, LPARAM lParam, LRESULT* result) {
  *result = (Self<F>(w).*F)(PointOf(lParam));
  return TRUE;
}
template <auto F>
BOOL NcActivate(CWnd* w, UINT, WPARAM wParam, LPARAM, LRESULT* result) {
  *result = (Self<F>(w).*F)(static_cast<BOOL>(wParam));
  return TRUE;
}
template <auto F>
BOOL MouseActivate(CWnd* w, UINT, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result =
      (Self<F>(w).*F)(Wnd<F>(wParam), LOWORD(static_cast<DWORD_PTR>(lParam)), HIWORD(static_cast<DWORD_PTR>(lParam)));
  return TRUE;
}
template <auto F>
BOOL InitDialog(CWnd* w, UINT, WPARAM, LPARAM, LRESULT* result) {
  *result = (Self<F>(w).*F)();
  return TRUE;
}

// Reflected to the control's own class.
template <auto F>
BOOL ReflectCtlColor(CWnd* w, UINT msg, WPARAM wParam, LPARAM, LRESULT* result) {
  HBRUSH brush = (Self<F>(w).*F)(DcOf(wParam), msg - WM_CTLCOLORMSGBOX);
  // A control that gives no brush leaves the colours to its parent.
  if (!brush) return FALSE;
  *result = reinterpret_cast<LRESULT>(brush);
  return TRUE;
}
template <auto F>
BOOL ReflectDrawItem(CWnd* w, UINT, WPARAM, LPARAM lParam, LRESULT* result) {
  (Self<F>(w).*F)(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
  *result = TRUE;
  return TRUE;
}
template <auto F>
BOOL ReflectMeasureItem(CWnd* w, UINT, WPARAM, LPARAM lParam, LRESULT* result) {
  (Self<F>(w).*F)(reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
  *result = TRUE;
  return TRUE;
}
template <auto F>
BOOL ReflectScroll(CWnd* w, UINT, WPARAM wParam, LPARAM, LRESULT*) {
  (Self<F>(w).*F)(LOWORD(wParam), HIWORD(wParam));
  return TRUE;
}

}  // namespace afx_msgmap

#define AFX_MSG_ENTRY(msg, code, first, last, thunk, fn) \
  {(msg), static_cast<UINT>(code), static_cast<UINT>(first), static_cast<UINT>(last), &afx_msgmap::thunk<fn>, nullptr},

// WM_COMMAND from menus, accelerators and buttons (code 0): void fn(), or void fn(UINT id) for a range.
#define ON_COMMAND(id, fn) AFX_MSG_ENTRY(WM_COMMAND, 0, id, id, Command, fn)
#define ON_COMMAND_RANGE(first, last, fn) AFX_MSG_ENTRY(WM_COMMAND, 0, first, last, CommandRange, fn)
// A control's notification through WM_COMMAND: void fn(), or void fn(UINT id) for a range.
#define ON_CONTROL(code, id, fn) AFX_MSG_ENTRY(WM_COMMAND, code, id, id, Command, fn)
#define ON_CONTROL_RANGE(code, first, last, fn) AFX_MSG_ENTRY(WM_COMMAND, code, first, last, CommandRange, fn)
// WM_NOTIFY: void fn(NMHDR*, LRESULT*); a range: void fn(UINT id, NMHDR*, LRESULT*);
// the _EX form: BOOL fn(UINT id, NMHDR*, LRESULT*), FALSE passes the notification on.
#define ON_NOTIFY(code, id, fn) AFX_MSG_ENTRY(WM_NOTIFY, code, id, id, Notify, fn)
#define ON_NOTIFY_RANGE(code, first, last, fn) AFX_MSG_ENTRY(WM_NOTIFY, code, first, last, NotifyRange, fn)
#define ON_NOTIFY_EX(code, id, fn) AFX_MSG_ENTRY(WM_NOTIFY, code, id, id, NotifyEx, fn)
// Any message, WM_USER + n and WM_APP + n among them: LRESULT fn(WPARAM, LPARAM).
#define ON_MESSAGE(msg, fn) AFX_MSG_ENTRY(msg, 0, 0, 0, Message, fn)
// A message numbered by RegisterWindowMessage, kept in a UINT variable: LRESULT fn(WPARAM, LPARAM).
#define ON_REGISTERED_MESSAGE(variable, fn) {0, 0, 0, 0, &afx_msgmap::Message<fn>, &(variable)},

#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_BN_DOUBLECLICKED(id, fn) ON_CONTROL(BN_DOUBLECLICKED, id, fn)
#define ON_BN_SETFOCUS(id, fn) ON_CONTROL(BN_SETFOCUS, id, fn)
#define ON_BN_KILLFOCUS(id, fn) ON_CONTROL(BN_KILLFOCUS, id, fn)
#define ON_STN_CLICKED(id, fn) ON_CONTROL(STN_CLICKED, id, fn)
#define ON_EN_CHANGE(id, fn) ON_CONTROL(EN_CHANGE, id, fn)
#define ON_EN_UPDATE(id, fn) ON_CONTROL(EN_UPDATE, id, fn)
#define ON_EN_SETFOCUS(id, fn) ON_CONTROL(EN_SETFOCUS, id, fn)
#define ON_EN_KILLFOCUS(id, fn) ON_CONTROL(EN_KILLFOCUS, id, fn)
#define ON_CBN_SELCHANGE(id, fn) ON_CONTROL(CBN_SELCHANGE, id, fn)
#define ON_CBN_DBLCLK(id, fn) ON_CONTROL(CBN_DBLCLK, id, fn)
#define ON_CBN_SETFOCUS(id, fn) ON_CONTROL(CBN_SETFOCUS, id, fn)
#define ON_CBN_KILLFOCUS(id, fn) ON_CONTROL(CBN_KILLFOCUS, id, fn)
#define ON_CBN_DROPDOWN(id, fn) ON_CONTROL(CBN_DROPDOWN, id, fn)
#define ON_CBN_CLOSEUP(id, fn) ON_CONTROL(CBN_CLOSEUP, id, fn)
#define ON_CBN_SELENDOK(id, fn) ON_CONTROL(CBN_SELENDOK, id, fn)
#define ON_LBN_SELCHANGE(id, fn) ON_CONTROL(LBN_SELCHANGE, id, fn)
#define ON_LBN_DBLCLK(id, fn) ON_CONTROL(LBN_DBLCLK, id, fn)
// These codes come with the controls' header (platform/controls/commctrl.h).
#define ON_STN_DBLCLK(id, fn) ON_CONTROL(STN_DBLCLK, id, fn)
#define ON_EN_MAXTEXT(id, fn) ON_CONTROL(EN_MAXTEXT, id, fn)
#define ON_CBN_SELENDCANCEL(id, fn) ON_CONTROL(CBN_SELENDCANCEL, id, fn)
#define ON_LBN_SELCANCEL(id, fn) ON_CONTROL(LBN_SELCANCEL, id, fn)
#define ON_LBN_SETFOCUS(id, fn) ON_CONTROL(LBN_SETFOCUS, id, fn)
#define ON_LBN_KILLFOCUS(id, fn) ON_CONTROL(LBN_KILLFOCUS, id, fn)

// Reflected to the control's own class. Commands and notifications go to the control before the
// parent's map; colours, owner drawing and scrolling reach it from CWnd's handler of the parent
// (OnCtlColor, OnDrawItem, OnMeasureItem, OnHScroll, OnVScroll), which a parent's handler may call first.
// void fn(), or BOOL fn() where FALSE lets the parent handle it too.
#define ON_CONTROL_REFLECT(code, fn) AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_COMMAND, code, 0, 0, Command, fn)
#define ON_CONTROL_REFLECT_EX(code, fn) AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_COMMAND, code, 0, 0, CommandEx, fn)
// void fn(NMHDR*, LRESULT*), or BOOL fn(NMHDR*, LRESULT*).
#define ON_NOTIFY_REFLECT(code, fn) AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_NOTIFY, code, 0, 0, Notify, fn)
#define ON_NOTIFY_REFLECT_EX(code, fn) AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_NOTIFY, code, 0, 0, NotifyReflectEx, fn)
// HBRUSH CtlColor(CDC*, UINT ctlColor); a null brush leaves the colours to the parent.
#define ON_WM_CTLCOLOR_REFLECT() \
  AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0, 0, ReflectCtlColor, &ThisClass::CtlColor)
// void DrawItem(LPDRAWITEMSTRUCT), void MeasureItem(LPMEASUREITEMSTRUCT).
#define ON_WM_DRAWITEM_REFLECT() \
  AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_DRAWITEM, 0, 0, 0, ReflectDrawItem, &ThisClass::DrawItem)
#define ON_WM_MEASUREITEM_REFLECT() \
  AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_MEASUREITEM, 0, 0, 0, ReflectMeasureItem, &ThisClass::MeasureItem)
// void HScroll(UINT code, UINT pos), void VScroll(UINT code, UINT pos).
#define ON_WM_HSCROLL_REFLECT() AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_HSCROLL, 0, 0, 0, ReflectScroll, &ThisClass::HScroll)
#define ON_WM_VSCROLL_REFLECT() AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_VSCROLL, 0, 0, 0, ReflectScroll, &ThisClass::VScroll)

// Window messages with typed handlers; the handler is the class's OnXxx, with the signature of
// CWnd's handler of the same name.
#define AFX_ON_WM(msg, thunk, fn) AFX_MSG_ENTRY(msg, 0, 0, 0, thunk, &ThisClass::fn)
#define ON_WM_CREATE() AFX_ON_WM(WM_CREATE, Create, OnCreate)
#define ON_WM_DESTROY() AFX_ON_WM(WM_DESTROY, Void, OnDestroy)
#define ON_WM_NCDESTROY() AFX_ON_WM(WM_NCDESTROY, Void, OnNcDestroy)
#define ON_WM_PAINT() AFX_ON_WM(WM_PAINT, Void, OnPaint)
#define ON_WM_NCPAINT() AFX_ON_WM(WM_NCPAINT, Void, OnNcPaint)
#define ON_WM_ERASEBKGND() AFX_ON_WM(WM_ERASEBKGND, EraseBkgnd, OnEraseBkgnd)
#define ON_WM_TIMER() AFX_ON_WM(WM_TIMER, Timer, OnTimer)
#define ON_WM_SIZE() AFX_ON_WM(WM_SIZE, Size, OnSize)
#define ON_WM_MOVE() AFX_ON_WM(WM_MOVE, Move, OnMove)
#define ON_WM_LBUTTONDOWN() AFX_ON_WM(WM_LBUTTONDOWN, FlagsPoint, OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_ON_WM(WM_LBUTTONUP, FlagsPoint, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_ON_WM(WM_LBUTTONDBLCLK, FlagsPoint, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_ON_WM(WM_RBUTTONDOWN, FlagsPoint, OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_ON_WM(WM_RBUTTONUP, FlagsPoint, OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK() AFX_ON_WM(WM_RBUTTONDBLCLK, FlagsPoint, OnRButtonDblClk)
#define ON_WM_MBUTTONDOWN() AFX_ON_WM(WM_MBUTTONDOWN, FlagsPoint, OnMButtonDown)
#define ON_WM_MBUTTONUP() AFX_ON_WM(WM_MBUTTONUP, FlagsPoint, OnMButtonUp)
#define ON_WM_MOUSEMOVE() AFX_ON_WM(WM_MOUSEMOVE, FlagsPoint, OnMouseMove)
#define ON_WM_MOUSEHOVER() AFX_ON_WM(WM_MOUSEHOVER, FlagsPoint, OnMouseHover)
#define ON_WM_MOUSELEAVE() AFX_ON_WM(WM_MOUSELEAVE, Void, OnMouseLeave)
#define ON_WM_MOUSEWHEEL() AFX_ON_WM(WM_MOUSEWHEEL, MouseWheel, OnMouseWheel)
#define ON_WM_MOUSEACTIVATE() AFX_ON_WM(WM_MOUSEACTIVATE, MouseActivate, OnMouseActivate)
#define ON_WM_NCHITTEST() AFX_ON_WM(WM_NCHITTEST, NcHitTest, OnNcHitTest)
#define ON_WM_NCLBUTTONDOWN() AFX_ON_WM(WM_NCLBUTTONDOWN, FlagsPoint, OnNcLButtonDown)
#define ON_WM_NCLBUTTONUP() AFX_ON_WM(WM_NCLBUTTONUP, FlagsPoint, OnNcLButtonUp)
#define ON_WM_NCLBUTTONDBLCLK() AFX_ON_WM(WM_NCLBUTTONDBLCLK, FlagsPoint, OnNcLButtonDblClk)
#define ON_WM_NCMOUSEMOVE() AFX_ON_WM(WM_NCMOUSEMOVE, FlagsPoint, OnNcMouseMove)
#define ON_WM_NCACTIVATE() AFX_ON_WM(WM_NCACTIVATE, NcActivate, OnNcActivate)
#define ON_WM_SETCURSOR() AFX_ON_WM(WM_SETCURSOR, SetCursor, OnSetCursor)
#define ON_WM_KEYDOWN() AFX_ON_WM(WM_KEYDOWN, Key, OnKeyDown)
#define ON_WM_KEYUP() AFX_ON_WM(WM_KEYUP, Key, OnKeyUp)
#define ON_WM_SYSKEYDOWN() AFX_ON_WM(WM_SYSKEYDOWN, Key, OnSysKeyDown)
#define ON_WM_SYSKEYUP() AFX_ON_WM(WM_SYSKEYUP, Key, OnSysKeyUp)
#define ON_WM_CHAR() AFX_ON_WM(WM_CHAR, Key, OnChar)
#define ON_WM_SETFOCUS() AFX_ON_WM(WM_SETFOCUS, WndInW, OnSetFocus)
#define ON_WM_KILLFOCUS() AFX_ON_WM(WM_KILLFOCUS, WndInW, OnKillFocus)
#define ON_WM_CLOSE() AFX_ON_WM(WM_CLOSE, Void, OnClose)
#define ON_WM_SHOWWINDOW() AFX_ON_WM(WM_SHOWWINDOW, ShowWindow, OnShowWindow)
#define ON_WM_ENABLE() AFX_ON_WM(WM_ENABLE, Bool, OnEnable)
#define ON_WM_CAPTURECHANGED() AFX_ON_WM(WM_CAPTURECHANGED, WndInL, OnCaptureChanged)
#define ON_WM_HSCROLL() AFX_ON_WM(WM_HSCROLL, Scroll, OnHScroll)
#define ON_WM_VSCROLL() AFX_ON_WM(WM_VSCROLL, Scroll, OnVScroll)
// Every WM_CTLCOLOR... message; the handler gets CTLCOLOR_BTN, CTLCOLOR_STATIC...
#define ON_WM_CTLCOLOR() AFX_ON_WM(WM_CTLCOLOR, CtlColor, OnCtlColor)
#define ON_WM_SYSCOMMAND() AFX_ON_WM(WM_SYSCOMMAND, SysCommand, OnSysCommand)
#define ON_WM_CONTEXTMENU() AFX_ON_WM(WM_CONTEXTMENU, ContextMenu, OnContextMenu)
#define ON_WM_WINDOWPOSCHANGING() AFX_ON_WM(WM_WINDOWPOSCHANGING, WindowPos, OnWindowPosChanging)
#define ON_WM_WINDOWPOSCHANGED() AFX_ON_WM(WM_WINDOWPOSCHANGED, WindowPos, OnWindowPosChanged)
#define ON_WM_GETDLGCODE() AFX_ON_WM(WM_GETDLGCODE, ReturnsResult, OnGetDlgCode)
#define ON_WM_DRAWITEM() AFX_ON_WM(WM_DRAWITEM, DrawItem, OnDrawItem)
#define ON_WM_MEASUREITEM() AFX_ON_WM(WM_MEASUREITEM, MeasureItem, OnMeasureItem)
#define ON_WM_ACTIVATE() AFX_ON_WM(WM_ACTIVATE, Activate, OnActivate)
#define ON_WM_ACTIVATEAPP() AFX_ON_WM(WM_ACTIVATEAPP, ActivateApp, OnActivateApp)
#define ON_WM_DROPFILES() AFX_ON_WM(WM_DROPFILES, DropFiles, OnDropFiles)
#define ON_WM_SYSCOLORCHANGE() AFX_ON_WM(WM_SYSCOLORCHANGE, Void, OnSysColorChange)
#define ON_WM_QUERYDRAGICON() AFX_ON_WM(WM_QUERYDRAGICON, ReturnsResult, OnQueryDragIcon)
#define ON_WM_DEVICECHANGE() AFX_ON_WM(WM_DEVICECHANGE, DeviceChange, OnDeviceChange)
#define ON_WM_POWERBROADCAST() AFX_ON_WM(WM_POWERBROADCAST, PowerBroadcast, OnPowerBroadcast)
