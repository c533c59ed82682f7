#include <gtest/gtest.h>

#include "platform/window/afx_scroll_bar.h"
#include "platform/testkit/window_log.h"

using namespace testkit;

namespace {

class ScrollHandlers : public ::testing::Test {
 protected:
  void TearDown() override { ResetWindows(); }
};

class Scrolled : public CWnd {
 public:
  CScrollBar* horizontal = nullptr;
  HWND horizontalHandle = nullptr;
  CScrollBar* vertical = nullptr;
  UINT code = 0;
  UINT pos = 0;
  bool verticalCalled = false;

  void OnHScroll(UINT c, UINT p, CScrollBar* bar) override {
    code = c;
    pos = p;
    horizontal = bar;
    horizontalHandle = bar ? bar->m_hWnd : nullptr;
  }
  void OnVScroll(UINT, UINT, CScrollBar* bar) override {
    verticalCalled = true;
    vertical = bar;
  }
};

TEST_F(ScrollHandlers, TheControlArrivesAsAScrollBarObject) {
  HWND top = MakeTop("scrolled", WS_POPUP | WS_VISIBLE, RECT{0, 0, 200, 200});
  HWND plain = MakeChild(top, 3, RECT{0, 0, 100, 16});
  HWND owned = MakeChild(top, 4, RECT{0, 20, 100, 36});
  Scrolled wnd;
  ASSERT_TRUE(wnd.SubclassWindow(top));
  CScrollBar attached;
  ASSERT_TRUE(attached.SubclassWindow(owned));

  // A control without an object of its own: a wrapper for the call, gone afterwards.
  SendMessage(top, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 42), reinterpret_cast<LPARAM>(plain));
  EXPECT_EQ(wnd.code, static_cast<UINT>(SB_THUMBPOSITION));
  EXPECT_EQ(wnd.pos, 42u);
  ASSERT_NE(wnd.horizontal, nullptr);
  EXPECT_EQ(wnd.horizontalHandle, plain);
  EXPECT_EQ(CWnd::FromHandlePermanent(plain), nullptr);
  EXPECT_TRUE(IsWindow(plain));

  // A control with its object: that object.
  SendMessage(top, WM_HSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), reinterpret_cast<LPARAM>(owned));
  EXPECT_EQ(wnd.horizontal, &attached);

  // The window's own scroll bar: no control.
  SendMessage(top, WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 0), 0);
  EXPECT_TRUE(wnd.verticalCalled);
  EXPECT_EQ(wnd.vertical, nullptr);
  attached.UnsubclassWindow();
  wnd.UnsubclassWindow();
}

}  // namespace
