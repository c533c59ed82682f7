// Tool tips that watch their tools' windows by subclassing, next to MFC-style subclassing.
#include "platform/testkit/control_test.h"
#include "platform/window/afx_wnd.h"

namespace ctltest {
using namespace testkit;
namespace {

using ToolTipSubclass = ControlTest;

class CountingWnd : public CWnd {
 public:
  void OnMouseMove(UINT flags, CPoint point) override {
    ++moves;
    CWnd::OnMouseMove(flags, point);
  }
  int moves = 0;
};

HWND MakeTip(HWND parent) {
  return CreateWindowEx(0, TOOLTIPS_CLASS, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 10, 10, parent, nullptr, nullptr,
                        nullptr);
}

TOOLINFO ToolFor(HWND parent, HWND target, char* text) {
  TOOLINFO ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = parent;
  ti.uId = reinterpret_cast<UINT_PTR>(target);
  ti.lpszText = text;
  return ti;
}

TEST_F(ToolTipSubclass, ToolWindowsRelayTheirMouseWithoutTheCallerAndCWndStillHearsIt) {
  HWND before = Make(WC_STATIC, "Burn", SS_NOTIFY, {10, 10, 110, 40}, 6);
  HWND after = Make(WC_STATIC, "Stop", SS_NOTIFY, {10, 60, 110, 90}, 7);
  CountingWnd early;
  ASSERT_TRUE(early.SubclassWindow(before));  // CWnd first, tool second
  const LONG_PTR earlyProc = GetWindowLongPtr(before, GWLP_WNDPROC);
  HWND tip = MakeTip(parent_);
  char burn[] = "Burn the disc";
  char stop[] = "Stop burning";
  TOOLINFO one = ToolFor(parent_, before, burn);
  TOOLINFO two = ToolFor(parent_, after, stop);
  ASSERT_TRUE(SendMessage(tip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&one)));
  ASSERT_TRUE(SendMessage(tip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&two)));
  CountingWnd late;
  ASSERT_TRUE(late.SubclassWindow(after));  // tool first, CWnd second

  Move(before, 20, 10);
  EXPECT_EQ(early.moves, 1);
  Advance(600);
  EXPECT_TRUE(IsWindowVisible(tip));
  Click(before, 20, 10);  // a relayed press hides it
  EXPECT_FALSE(IsWindowVisible(tip));

  Move(after, 30, 10);
  EXPECT_EQ(late.moves, 1);
  Advance(600);
  EXPECT_TRUE(IsWindowVisible(tip));
  char got[64] = {};
  TOOLINFO ask = two;
  ask.lpszText = got;
  SendMessage(tip, TTM_GETTEXT, sizeof(got), reinterpret_cast<LPARAM>(&ask));
  EXPECT_STREQ(got, "Stop burning");
  Move(before, 25, 12);  // over the other tool: this one goes
  EXPECT_FALSE(IsWindowVisible(tip));

  // Deleted tools stop relaying; the CWnds keep their windows.
  SendMessage(tip, TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&one));
  SendMessage(tip, TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&two));
  EXPECT_EQ(GetWindowLongPtr(before, GWLP_WNDPROC), earlyProc);
  Move(before, 40, 10);
  Move(after, 40, 10);
  Advance(600);
  EXPECT_FALSE(IsWindowVisible(tip));
  EXPECT_EQ(early.moves, 3);
  EXPECT_EQ(late.moves, 2);
  DestroyWindow(tip);
  Move(after, 50, 10);  // the tip is gone; nothing relays to it
  EXPECT_EQ(late.moves, 3);
}

TEST_F(ToolTipSubclass, DestroyingTheTipReleasesItsHooks) {
  HWND target = Make(WC_STATIC, "Burn", SS_NOTIFY, {10, 10, 110, 40}, 6);
  const LONG_PTR own = GetWindowLongPtr(target, GWLP_WNDPROC);
  HWND tip = MakeTip(parent_);
  char text[] = "Burn";
  TOOLINFO ti = ToolFor(parent_, target, text);
  SendMessage(tip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&ti));
  EXPECT_NE(GetWindowLongPtr(target, GWLP_WNDPROC), own);
  DestroyWindow(tip);
  EXPECT_EQ(GetWindowLongPtr(target, GWLP_WNDPROC), own);
  Move(target, 20, 10);  // still answers
  EXPECT_TRUE(IsWindow(target));
}

TEST_F(ToolTipSubclass, DeletingTheToolUnderTheMouseLetsTheNextOneShow) {
  HWND tip = MakeTip(parent_);
  char first[] = "First";
  char second[] = "Second";
  TOOLINFO a;
  a.hwnd = parent_;
  a.uId = 1;
  a.rect = {0, 0, 50, 50};
  a.lpszText = first;
  TOOLINFO b = a;
  b.uId = 2;
  b.rect = {0, 0, 100, 100};  // under the first
  b.lpszText = second;
  SendMessage(tip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&a));
  SendMessage(tip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&b));
  MSG m{};
  m.hwnd = parent_;
  m.message = WM_MOUSEMOVE;
  m.lParam = MAKELPARAM(10, 10);
  SendMessage(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
  Advance(600);
  ASSERT_TRUE(IsWindowVisible(tip));
  SendMessage(tip, TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&a));
  EXPECT_FALSE(IsWindowVisible(tip));
  // The same spot now lies over the second tool, which takes its turn.
  SendMessage(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
  Advance(600);
  EXPECT_TRUE(IsWindowVisible(tip));
  DestroyWindow(tip);
}

}  // namespace
}  // namespace ctltest
