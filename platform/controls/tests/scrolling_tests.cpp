// Controls that scroll through their own non-client bars.
#include <string>

#include "platform/testkit/control_test.h"
#include "platform/window/focus.h"
#include "platform/window/monitors.h"

namespace ctltest {
using namespace testkit;
namespace {

using Scrolling = ControlTest;

bool HasBar(HWND h) { return (GetWindowLong(h, GWL_STYLE) & WS_VSCROLL) != 0; }

SIZE ClientOf(HWND h) {
  RECT r{};
  GetClientRect(h, &r);
  return SIZE{r.right, r.bottom};
}

// A point on the vertical bar, in the window's client coordinates.
POINT OnBar(HWND h, int y) { return POINT{ClientOf(h).cx + GetSystemMetrics(SM_CXVSCROLL) / 2, y}; }

POINT ToScreen(HWND h, POINT p) {
  ClientToScreen(h, &p);
  return p;
}

TEST_F(Scrolling, ListBoxShowsItsBarOnlyWhileItemsOverflowAndScrollsWithIt) {
  HWND lb = Make(WC_LISTBOX, "", WS_VSCROLL | LBS_NOTIFY, {10, 10, 160, 110}, 7, WS_EX_CLIENTEDGE);
  Pump();
  const LONG fullWidth = ClientOf(lb).cx;
  EXPECT_FALSE(HasBar(lb));  // nothing to scroll yet
  for (int i = 0; i < 30; ++i)
    SendMessage(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(("clip " + std::to_string(i)).c_str()));
  Pump();
  ASSERT_TRUE(HasBar(lb));
  EXPECT_EQ(ClientOf(lb).cx, fullWidth - GetSystemMetrics(SM_CXVSCROLL));
  const int page = ClientOf(lb).cy / static_cast<int>(SendMessage(lb, LB_GETITEMHEIGHT, 0, 0));
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(lb, SB_VERT, &si));
  EXPECT_EQ(si.nMax, 29);
  EXPECT_EQ(static_cast<int>(si.nPage), page);

  // The bar is drawn: the down arrow's face, where the list would otherwise be white.
  const SIZE c = ClientOf(lb);
  EXPECT_EQ(Pixel(lb, c.cx + 3, c.cy - 14), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(Pixel(lb, c.cx - 3, c.cy - 14), GetSysColor(COLOR_WINDOW));

  POINT down = OnBar(lb, c.cy - 4);
  Click(lb, down.x, down.y);
  EXPECT_EQ(SendMessage(lb, LB_GETTOPINDEX, 0, 0), 1);
  EXPECT_EQ(GetScrollPos(lb, SB_VERT), 1);
  POINT track = OnBar(lb, c.cy - 24);  // below the thumb
  Click(lb, track.x, track.y);
  EXPECT_EQ(SendMessage(lb, LB_GETTOPINDEX, 0, 0), 1 + page);

  // Dragging the thumb past the end shows the last page, and the selection did not move.
  const int arrow = GetSystemMetrics(SM_CXVSCROLL);
  si.fMask = SIF_ALL;
  GetScrollInfo(lb, SB_VERT, &si);
  const int track_ = c.cy - 2 * arrow;
  const int thumb = std::max(8, track_ * static_cast<int>(si.nPage) / 30);
  const int travel = track_ - thumb;
  const int thumbTop = arrow + travel * si.nPos / (30 - page);
  POINT grab = ToScreen(lb, OnBar(lb, thumbTop + thumb / 2));
  platform::PushInputStep([&] { platform::InjectMouseMove(POINT{grab.x, grab.y + 400}); });
  platform::PushInputStep([&] { platform::InjectMouseUp(platform::MouseButton::Left, POINT{grab.x, grab.y + 400}); });
  platform::InjectMouseDown(platform::MouseButton::Left, grab);
  Pump();
  platform::ClearInputScript();
  EXPECT_EQ(SendMessage(lb, LB_GETTOPINDEX, 0, 0), 30 - page);
  EXPECT_EQ(SendMessage(lb, LB_GETCURSEL, 0, 0), LB_ERR);
  EXPECT_EQ(GetCapture(), nullptr);

  SendMessage(lb, LB_RESETCONTENT, 0, 0);
  Pump();
  EXPECT_FALSE(HasBar(lb));
  EXPECT_EQ(ClientOf(lb).cx, fullWidth);
}

TEST_F(Scrolling, ListBoxWithoutTheBarStyleNeverGrowsOne) {
  HWND lb = Make(WC_LISTBOX, "", LBS_NOTIFY, {10, 10, 160, 60}, 7);
  for (int i = 0; i < 30; ++i) SendMessage(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("x"));
  Pump();
  EXPECT_FALSE(HasBar(lb));
  EXPECT_EQ(ClientOf(lb).cx, 150);
}

TEST_F(Scrolling, ReportListViewScrollsRowsThroughItsBar) {
  HWND lv = Make(WC_LISTVIEW, "", LVS_REPORT, {10, 10, 210, 130}, 8, WS_EX_CLIENTEDGE);
  LVCOLUMN col;
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  col.cx = 120;
  col.pszText = const_cast<LPSTR>("Name");
  SendMessage(lv, LVM_INSERTCOLUMN, 0, reinterpret_cast<LPARAM>(&col));
  Pump();
  EXPECT_FALSE(HasBar(lv));
  for (int i = 0; i < 40; ++i) {
    LVITEM it;
    it.mask = LVIF_TEXT;
    it.iItem = i;
    std::string text = "row " + std::to_string(i);
    it.pszText = text.data();
    SendMessage(lv, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&it));
  }
  Pump();
  ASSERT_TRUE(HasBar(lv));
  const int page = static_cast<int>(SendMessage(lv, LVM_GETCOUNTPERPAGE, 0, 0));
  POINT down = OnBar(lv, ClientOf(lv).cy - 4);
  Click(lv, down.x, down.y);
  EXPECT_EQ(SendMessage(lv, LVM_GETTOPINDEX, 0, 0), 1);
  SendMessage(lv, WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(SendMessage(lv, LVM_GETTOPINDEX, 0, 0), 40 - page);
  SendMessage(lv, WM_VSCROLL, SB_PAGEUP, 0);
  Pump();
  EXPECT_EQ(SendMessage(lv, LVM_GETTOPINDEX, 0, 0), 40 - 2 * page);
  EXPECT_EQ(GetScrollPos(lv, SB_VERT), 40 - 2 * page);
}

TEST_F(Scrolling, IconViewsScrollByPixelsThroughTheirBar) {
  HWND lv = Make(WC_LISTVIEW, "", LVS_ICON, {10, 10, 130, 170}, 8);
  for (int i = 0; i < 6; ++i) {
    LVITEM it;
    it.mask = LVIF_TEXT;
    it.iItem = i;
    char text[] = "clip";
    it.pszText = text;
    SendMessage(lv, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&it));
  }
  Pump();
  ASSERT_TRUE(HasBar(lv));  // one icon a row: six rows do not fit
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  GetScrollInfo(lv, SB_VERT, &si);
  EXPECT_EQ(static_cast<int>(si.nPage), ClientOf(lv).cy);
  SendMessage(lv, WM_VSCROLL, SB_PAGEDOWN, 0);
  Pump();
  EXPECT_EQ(GetScrollPos(lv, SB_VERT), ClientOf(lv).cy);
  SendMessage(lv, WM_VSCROLL, SB_BOTTOM, 0);
  Pump();
  EXPECT_EQ(GetScrollPos(lv, SB_VERT), si.nMax - ClientOf(lv).cy + 1);
  // Wide enough for every icon in one row: no bar.
  SetWindowPos(lv, nullptr, 0, 0, 900, 160, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  UpdateWindow(lv);
  Pump();
  EXPECT_FALSE(HasBar(lv));
  RECT first{};
  first.left = LVIR_BOUNDS;
  SendMessage(lv, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
  EXPECT_GE(first.top, 0);  // the rows scrolled away came back
}

TEST_F(Scrolling, MultiLineEditKeepsItsBarAndLetsTheViewLeaveTheCaret) {
  HWND e = Make(WC_EDIT, "", ES_MULTILINE | WS_VSCROLL, {10, 10, 210, 90}, 9, WS_EX_CLIENTEDGE);
  Pump();
  EXPECT_TRUE(HasBar(e));  // shown, with nothing to scroll
  std::string text;
  for (int i = 0; i < 20; ++i) text += "line " + std::to_string(i) + "\r\n";
  SetWindowText(e, text.c_str());
  SetFocus(e);
  SendMessage(e, EM_SETSEL, 0, 0);
  Pump();
  EXPECT_EQ(GetScrollPos(e, SB_VERT), 0);
  POINT down = OnBar(e, ClientOf(e).cy - 4);
  Click(e, down.x, down.y);
  Click(e, down.x, down.y);
  Pump();
  const int pos = GetScrollPos(e, SB_VERT);
  EXPECT_GT(pos, 0);  // two lines down, the caret on line 0 out of sight
  Pump();
  EXPECT_EQ(GetScrollPos(e, SB_VERT), pos);
  platform::InjectChar('x');  // typing brings the caret back into view
  Pump();
  EXPECT_EQ(GetScrollPos(e, SB_VERT), 0);
}

}  // namespace
}  // namespace ctltest
