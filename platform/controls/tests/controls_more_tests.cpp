#include <algorithm>

#include "platform/testkit/control_test.h"
#include "platform/window/focus.h"

namespace ctltest {
using namespace testkit;
namespace {

using MoreControls = ControlTest;

std::string TextOf(HWND h) {
  char buf[256] = {};
  GetWindowText(h, buf, sizeof(buf));
  return buf;
}

TEST_F(MoreControls, EditCaretKeysAndMouseSelection) {
  HWND e = Make(WC_EDIT, "abcdef", ES_AUTOHSCROLL, {10, 10, 200, 34}, 1);
  SetFocus(e);
  SendMessage(e, EM_SETSEL, 6, 6);
  platform::InjectKey(VK_HOME);
  platform::InjectKey(VK_RIGHT);
  platform::InjectKey(VK_DELETE);
  Pump();
  EXPECT_EQ("acdef", TextOf(e));
  platform::InjectKeyDown(VK_SHIFT);
  platform::InjectKey(VK_END);
  platform::InjectKeyUp(VK_SHIFT);
  Pump();
  DWORD s = 0, t = 0;
  SendMessage(e, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&t));
  EXPECT_EQ(1u, s);
  EXPECT_EQ(5u, t);
  EXPECT_TRUE(SendMessage(e, EM_CANUNDO, 0, 0));
  SendMessage(e, EM_UNDO, 0, 0);
  EXPECT_EQ("abcdef", TextOf(e));
  // Dragging with the mouse selects from the press to the release.
  Down(e, 3, 10);
  Move(e, 150, 10);
  Up(e, 150, 10);
  SendMessage(e, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&t));
  EXPECT_EQ(0u, s);
  EXPECT_EQ(6u, t);
  SendMessage(e, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("xyz"));
  EXPECT_EQ("xyz", TextOf(e));
  EXPECT_TRUE(SendMessage(e, EM_GETMODIFY, 0, 0));
  SendMessage(e, EM_SETPASSWORDCHAR, '*', 0);
  EXPECT_EQ("xyz", TextOf(e));  // only the look changes
}

TEST_F(MoreControls, EditColoursComeFromTheParentAndFocusIsReported) {
  HWND e = Make(WC_EDIT, "", 0, {10, 10, 200, 34}, 2);
  Clear();
  SetFocus(e);
  Pump();
  EXPECT_EQ(EN_SETFOCUS, Codes(WM_COMMAND).front());
  HWND other = Make(WC_BUTTON, "x", BS_PUSHBUTTON, {10, 50, 60, 70}, 3);
  SetFocus(other);
  Pump();
  auto codes = Codes(WM_COMMAND);
  EXPECT_NE(codes.end(), std::find(codes.begin(), codes.end(), EN_KILLFOCUS));
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), Pixel(e, 150, 10));
  SendMessage(e, EM_SETREADONLY, TRUE, 0);
  ctlColorBrush_ = CreateSolidBrush(RGB(1, 99, 1));  // read-only edits ask with WM_CTLCOLORSTATIC
  InvalidateRect(e, nullptr, TRUE);
  EXPECT_EQ(RGB(1, 99, 1), Pixel(e, 150, 10));
}

TEST_F(MoreControls, ListViewMultipleSelectionColumnsAndKeys) {
  HWND lv = Make(WC_LISTVIEW, "", LVS_REPORT, {10, 10, 400, 300}, 20);
  LVCOLUMN col;
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  col.cx = 100;
  col.pszText = const_cast<LPSTR>("Name");
  SendMessage(lv, LVM_INSERTCOLUMN, 0, reinterpret_cast<LPARAM>(&col));
  col.pszText = const_cast<LPSTR>("Size");
  SendMessage(lv, LVM_INSERTCOLUMN, 1, reinterpret_cast<LPARAM>(&col));
  for (int i = 0; i < 5; ++i) {
    std::string name = "item" + std::to_string(i);
    LVITEM it;
    it.mask = LVIF_TEXT;
    it.iItem = i;
    it.pszText = name.data();
    SendMessage(lv, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&it));
  }
  auto rowY = [&](int i) {
    RECT r;
    r.left = LVIR_LABEL;
    SendMessage(lv, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    return (r.top + r.bottom) / 2;
  };
  Click(lv, 20, rowY(1));
  // Shift-click extends to a range; the injected clicks carry the key state.
  platform::InjectKeyDown(VK_SHIFT);
  Click(lv, 20, rowY(3));
  platform::InjectKeyUp(VK_SHIFT);
  Pump();
  EXPECT_EQ(3, SendMessage(lv, LVM_GETSELECTEDCOUNT, 0, 0));
  platform::InjectKeyDown(VK_CONTROL);
  Click(lv, 20, rowY(2));
  platform::InjectKeyUp(VK_CONTROL);
  Pump();
  EXPECT_EQ(2, SendMessage(lv, LVM_GETSELECTEDCOUNT, 0, 0));
  EXPECT_EQ(0u, SendMessage(lv, LVM_GETITEMSTATE, 2, LVIS_SELECTED));
  Clear();
  Click(lv, 150, 5);  // the header of the second column
  auto notes = Of(WM_NOTIFY);
  ASSERT_FALSE(notes.empty());
  EXPECT_EQ(LVN_COLUMNCLICK, notes.back().code);
  Clear();
  SetFocus(lv);
  platform::InjectKey(VK_END);
  Pump();
  auto codes = Codes(WM_NOTIFY);
  EXPECT_NE(codes.end(), std::find(codes.begin(), codes.end(), LVN_KEYDOWN));
  EXPECT_EQ(4, SendMessage(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
  EXPECT_EQ(100, SendMessage(lv, LVM_GETCOLUMNWIDTH, 1, 0));
  SendMessage(lv, LVM_SETCOLUMNWIDTH, 1, 60);
  EXPECT_EQ(60, SendMessage(lv, LVM_GETCOLUMNWIDTH, 1, 0));
  EXPECT_EQ(1, SendMessage(lv, LVM_GETVIEW, 0, 0));
  SendMessage(lv, LVM_SETVIEW, 0, 0);
  EXPECT_EQ(LVS_ICON, static_cast<DWORD>(GetWindowLong(lv, GWL_STYLE)) & LVS_TYPEMASK);
}

TEST_F(MoreControls, TreeKeysAndRefusedSelections) {
  HWND tv = Make(WC_TREEVIEW, "", TVS_HASBUTTONS | TVS_LINESATROOT, {10, 10, 300, 300}, 30);
  TVINSERTSTRUCT is;
  is.hParent = TVI_ROOT;
  is.hInsertAfter = TVI_SORT;
  is.item.mask = TVIF_TEXT;
  is.item.pszText = const_cast<LPSTR>("Zeta");
  auto zeta = reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is)));
  is.item.pszText = const_cast<LPSTR>("Alpha");
  auto alpha = reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is)));
  is.hParent = alpha;
  is.item.pszText = const_cast<LPSTR>("Child");
  auto child = reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is)));
  EXPECT_EQ(alpha, reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_GETNEXTITEM, TVGN_ROOT, 0)));  // sorted
  onNotify_ = [](NMHDR* h) -> LRESULT { return h->code == TVN_SELCHANGING ? TRUE : 0; };
  EXPECT_FALSE(SendMessage(tv, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(zeta)));
  onNotify_ = nullptr;
  SendMessage(tv, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(alpha));
  SetFocus(tv);
  platform::InjectKey(VK_RIGHT);  // expand
  platform::InjectKey(VK_DOWN);   // into the child
  Pump();
  EXPECT_EQ(child, reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_GETNEXTITEM, TVGN_CARET, 0)));
  platform::InjectKey(VK_LEFT);  // back to the parent
  platform::InjectKey(VK_LEFT);  // and collapse it
  Pump();
  EXPECT_EQ(alpha, reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_GETNEXTITEM, TVGN_CARET, 0)));
  TVITEM item;
  item.mask = TVIF_STATE;
  item.hItem = alpha;
  item.stateMask = TVIS_EXPANDED;
  SendMessage(tv, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_FALSE(item.state & TVIS_EXPANDED);
  TVHITTESTINFO hit;
  hit.pt = {60, 5};
  EXPECT_EQ(alpha, reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit))));
  EXPECT_EQ(TVHT_ONITEM, hit.flags);
}

TEST_F(MoreControls, UpDownWrapsAndGroupsThousandsInItsBuddy) {
  HWND buddy = Make(WC_EDIT, "", 0, {10, 10, 80, 34}, 1);
  HWND ud = Make(UPDOWN_CLASS, "", UDS_SETBUDDYINT | UDS_WRAP | UDS_HORZ, {100, 10, 140, 34}, 2);
  SendMessage(ud, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
  SendMessage(ud, UDM_SETRANGE32, 998, 1000);
  SendMessage(ud, UDM_SETPOS32, 0, 1000);
  EXPECT_EQ("1,000", TextOf(buddy));
  Click(ud, 30, 5);  // right half: towards the maximum, wrapping to the minimum
  EXPECT_EQ(998, SendMessage(ud, UDM_GETPOS32, 0, 0));
  ASSERT_FALSE(Codes(WM_HSCROLL).empty());
  EXPECT_EQ(static_cast<UINT>(SB_THUMBPOSITION), Codes(WM_HSCROLL).front());
  SetWindowText(buddy, "999");
  EXPECT_EQ(999, SendMessage(ud, UDM_GETPOS32, 0, 0));
}

TEST_F(MoreControls, ToolTipsOverRectanglesAndDeletedTools) {
  HWND tip = CreateWindowEx(0, TOOLTIPS_CLASS, nullptr, WS_POPUP, 0, 0, 10, 10, parent_, nullptr, nullptr, nullptr);
  TOOLINFO ti;
  ti.hwnd = parent_;
  ti.uId = 7;
  ti.rect = {0, 0, 50, 50};
  char text[] = "Corner";
  ti.lpszText = text;
  SendMessage(tip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&ti));
  SendMessage(tip, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(100, 0));
  EXPECT_EQ(100, SendMessage(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
  MSG m{};
  m.hwnd = parent_;
  m.message = WM_MOUSEMOVE;
  m.lParam = MAKELPARAM(60, 60);  // outside the rectangle
  SendMessage(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
  Advance(200);
  EXPECT_FALSE(IsWindowVisible(tip));
  m.lParam = MAKELPARAM(10, 10);
  SendMessage(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
  Advance(150);
  EXPECT_TRUE(IsWindowVisible(tip));
  auto codes = Codes(WM_NOTIFY);
  EXPECT_NE(codes.end(), std::find(codes.begin(), codes.end(), TTN_SHOW));
  SendMessage(tip, TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&ti));
  EXPECT_FALSE(IsWindowVisible(tip));
  EXPECT_EQ(0, SendMessage(tip, TTM_GETTOOLCOUNT, 0, 0));
  DestroyWindow(tip);
}

TEST_F(MoreControls, OwnerDrawnListsAskForHeightAndItems) {
  HWND lb = Make(WC_LISTBOX, "", LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, {10, 10, 200, 100}, 8);
  SendMessage(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one"));
  SendMessage(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("two"));
  SendMessage(lb, LB_SETCURSEL, 1, 0);
  Clear();
  UpdateWindow(lb);
  Pump();
  auto draws = Of(WM_DRAWITEM);
  ASSERT_EQ(2u, draws.size());
  EXPECT_TRUE(draws[1].state & ODS_SELECTED);
  EXPECT_FALSE(draws[0].state & ODS_SELECTED);
  HWND cb = Make(WC_COMBOBOX, "", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED, {10, 120, 200, 220}, 9);
  SendMessage(cb, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("a"));
  SendMessage(cb, CB_SETCURSEL, 0, 0);
  Clear();
  UpdateWindow(cb);
  Pump();
  ASSERT_FALSE(Of(WM_DRAWITEM).empty());
  EXPECT_EQ(9, Of(WM_DRAWITEM)[0].id);
}

}  // namespace
}  // namespace ctltest
