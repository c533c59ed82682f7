#include <algorithm>
#include <cstring>
#include <string>

#include "platform/testkit/control_test.h"
#include "platform/testkit/label_contrast.h"
#include "platform/window/focus.h"

namespace ctltest {
using namespace testkit;
namespace {

using ListAndTree = ControlTest;

int AddItem(HWND lv, int at, const char* text, LPARAM param) {
  LVITEM it;
  it.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
  it.iItem = at;
  it.pszText = const_cast<LPSTR>(text);
  it.lParam = param;
  it.iImage = 0;
  return static_cast<int>(SendMessage(lv, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&it)));
}

const LVITEM& Selected() {
  static LVITEM it = [] {
    LVITEM s;
    s.stateMask = LVIS_SELECTED;
    s.state = LVIS_SELECTED;
    return s;
  }();
  return it;
}

std::string ItemText(HWND lv, int i, int sub = 0) {
  char buf[64] = {};
  LVITEM it;
  it.iSubItem = sub;
  it.pszText = buf;
  it.cchTextMax = sizeof(buf);
  SendMessage(lv, LVM_GETITEMTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&it));
  return buf;
}

TEST_F(ListAndTree, ReportViewKeepsItemsColumnsAndSelection) {
  HWND lv = Make(WC_LISTVIEW, "", LVS_REPORT | LVS_SHOWSELALWAYS, {10, 10, 400, 300}, 20);
  LVCOLUMN col;
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  col.cx = 150;
  col.pszText = const_cast<LPSTR>("File");
  EXPECT_EQ(0, SendMessage(lv, LVM_INSERTCOLUMN, 0, reinterpret_cast<LPARAM>(&col)));
  col.pszText = const_cast<LPSTR>("Size");
  EXPECT_EQ(1, SendMessage(lv, LVM_INSERTCOLUMN, 1, reinterpret_cast<LPARAM>(&col)));
  EXPECT_EQ(0, AddItem(lv, 0, "b.mpg", 2));
  EXPECT_EQ(0, AddItem(lv, 0, "a.mpg", 1));
  EXPECT_EQ(2, AddItem(lv, 99, "c.mpg", 3));
  LVITEM sub;
  sub.iSubItem = 1;
  sub.pszText = const_cast<LPSTR>("12 MB");
  SendMessage(lv, LVM_SETITEMTEXT, 1, reinterpret_cast<LPARAM>(&sub));
  EXPECT_EQ("b.mpg", ItemText(lv, 1));
  EXPECT_EQ("12 MB", ItemText(lv, 1, 1));
  LVFINDINFO find;
  find.flags = LVFI_PARAM;
  find.lParam = 3;
  EXPECT_EQ(2, SendMessage(lv, LVM_FINDITEM, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
  // A click on the second row selects and focuses it, with the changes notified.
  RECT r;
  r.left = LVIR_LABEL;
  SendMessage(lv, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
  Clear();
  Click(lv, r.left + 5, (r.top + r.bottom) / 2);
  EXPECT_EQ(1, SendMessage(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  EXPECT_EQ(1, SendMessage(lv, LVM_GETSELECTEDCOUNT, 0, 0));
  bool changed = false, clicked = false;
  for (const Event& e : Of(WM_NOTIFY)) {
    changed |= e.code == LVN_ITEMCHANGED && e.pos == 1 && (e.state & LVIS_SELECTED);
    clicked |= e.code == NM_CLICK && e.pos == 1;
  }
  EXPECT_TRUE(changed);
  EXPECT_TRUE(clicked);
  // The parent can veto a change of state.
  onNotify_ = [](NMHDR* h) -> LRESULT { return h->code == LVN_ITEMCHANGING ? TRUE : 0; };
  LVITEM st;
  st.state = LVIS_SELECTED;
  st.stateMask = LVIS_SELECTED;
  EXPECT_FALSE(SendMessage(lv, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&st)));
  onNotify_ = nullptr;
  EXPECT_EQ(0u, SendMessage(lv, LVM_GETITEMSTATE, 2, LVIS_SELECTED));
  platform::InjectKey(VK_DOWN);
  Pump();
  EXPECT_EQ(2, SendMessage(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  Clear();
  EXPECT_TRUE(SendMessage(lv, LVM_DELETEITEM, 0, 0));
  EXPECT_EQ(LVN_DELETEITEM, Of(WM_NOTIFY).back().code);
  EXPECT_EQ(1, SendMessage(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  EXPECT_FALSE(SendMessage(lv, LVM_DELETEITEM, 7, 0));
}

TEST_F(ListAndTree, IconViewDragsAndEditsLabels) {
  HWND lv = Make(WC_LISTVIEW, "", LVS_ICON | LVS_EDITLABELS | LVS_AUTOARRANGE, {10, 10, 400, 300}, 21);
  HIMAGELIST images = ImageList_Create(80, 60, ILC_COLORDDB, 0, 10);
  SendMessage(lv, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
  AddItem(lv, 0, "Clip one", 10);
  AddItem(lv, 1, "Clip two", 11);
  RECT icon;
  icon.left = LVIR_ICON;
  SendMessage(lv, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&icon));
  EXPECT_EQ(80, icon.right - icon.left);
  LVHITTESTINFO hit;
  hit.pt = {(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
  EXPECT_EQ(1, SendMessage(lv, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  EXPECT_EQ(LVHT_ONITEMICON, hit.flags);
  // Pressing on an item and moving far enough begins a drag.
  Clear();
  Down(lv, hit.pt.x, hit.pt.y);
  Move(lv, hit.pt.x + 20, hit.pt.y + 20);
  Up(lv, hit.pt.x + 20, hit.pt.y + 20);
  bool drag = false;
  for (const Event& e : Of(WM_NOTIFY)) drag |= e.code == LVN_BEGINDRAG && e.pos == 1;
  EXPECT_TRUE(drag);
  // Editing through the message: Enter commits, the parent accepts by returning TRUE.
  onNotify_ = [](NMHDR* h) -> LRESULT { return h->code == LVN_ENDLABELEDIT ? TRUE : 0; };
  HWND edit = reinterpret_cast<HWND>(SendMessage(lv, LVM_EDITLABEL, 0, 0));
  ASSERT_NE(nullptr, edit);
  EXPECT_EQ(edit, reinterpret_cast<HWND>(SendMessage(lv, LVM_GETEDITCONTROL, 0, 0)));
  SetWindowText(edit, "Renamed");
  platform::InjectKey(VK_RETURN);
  Pump();
  EXPECT_FALSE(IsWindow(edit));
  EXPECT_EQ("Renamed", ItemText(lv, 0));
  EXPECT_EQ("Renamed", Of(WM_NOTIFY).back().text);
  // A second click on the chosen item's label starts editing after the double-click time.
  RECT label;
  label.left = LVIR_LABEL;
  SendMessage(lv, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&label));
  Click(lv, (label.left + label.right) / 2, label.top + 3);
  Click(lv, (label.left + label.right) / 2, label.top + 3);
  EXPECT_EQ(nullptr, reinterpret_cast<HWND>(SendMessage(lv, LVM_GETEDITCONTROL, 0, 0)));
  Advance(600);
  edit = reinterpret_cast<HWND>(SendMessage(lv, LVM_GETEDITCONTROL, 0, 0));
  ASSERT_NE(nullptr, edit);
  platform::InjectKey(VK_ESCAPE);
  Pump();
  EXPECT_EQ("<cancel>", Of(WM_NOTIFY).back().text);
  EXPECT_EQ("Clip two", ItemText(lv, 1));
  // Refused by the parent at the start.
  onNotify_ = [](NMHDR* h) -> LRESULT { return h->code == LVN_BEGINLABELEDIT ? TRUE : 0; };
  EXPECT_EQ(nullptr, reinterpret_cast<HWND>(SendMessage(lv, LVM_EDITLABEL, 0, 0)));
  onNotify_ = nullptr;
  Clear();
  SendMessage(lv, LVM_DELETEALLITEMS, 0, 0);
  EXPECT_EQ(0, SendMessage(lv, LVM_GETITEMCOUNT, 0, 0));
  EXPECT_EQ(2u, Codes(WM_NOTIFY).size() - 1);  // one for all, then one per item
  ImageList_Destroy(images);
}

TEST_F(ListAndTree, IconViewSortsByTheCallersRuleAndTakesItsSpacing) {
  HWND lv = Make(WC_LISTVIEW, "", LVS_ICON, {10, 10, 300, 400}, 21);
  // Tens first, then ascending within a ten: the sort keeps equal keys in their order.
  for (LPARAM p : {3, 12, 1, 11, 2}) AddItem(lv, 99, std::to_string(p).c_str(), p);
  SendMessage(lv, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&Selected()));  // "12"
  const PFNLVCOMPARE tensFirst = [](LPARAM a, LPARAM b, LPARAM) -> int {
    if (a / 10 != b / 10) return a / 10 > b / 10 ? -1 : 1;
    return 0;
  };
  EXPECT_TRUE(SendMessage(lv, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(tensFirst)));
  const char* want[] = {"12", "11", "3", "1", "2"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(want[i], ItemText(lv, i));
  EXPECT_EQ(0, SendMessage(lv, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));  // the state moved along
  EXPECT_FALSE(SendMessage(lv, LVM_SORTITEMS, 0, 0));

  RECT first{}, second{};
  SendMessage(lv, LVM_SETICONSPACING, 0, MAKELONG(110, 100));
  first.left = LVIR_BOUNDS;
  SendMessage(lv, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
  second.left = LVIR_BOUNDS;
  SendMessage(lv, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
  EXPECT_EQ(110, second.left - first.left);
  EXPECT_EQ(MAKELONG(110, 100), SendMessage(lv, LVM_SETICONSPACING, 0, MAKELONG(-1, -1)));
}

TEST_F(ListAndTree, TreeViewExpandsSelectsAndWalks) {
  HWND tv = Make(WC_TREEVIEW, "", TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS, {10, 10, 300, 300}, 30);
  auto insert = [&](HTREEITEM parent, const char* text) {
    TVINSERTSTRUCT is;
    is.hParent = parent;
    is.hInsertAfter = TVI_LAST;
    is.item.mask = TVIF_TEXT | TVIF_CHILDREN;
    is.item.pszText = const_cast<LPSTR>(text);
    is.item.cChildren = 1;
    return reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&is)));
  };
  HTREEITEM docs = insert(TVI_ROOT, "Documents");
  HTREEITEM videos = insert(docs, "Videos");
  HTREEITEM music = insert(TVI_ROOT, "Music");
  ASSERT_NE(nullptr, videos);
  EXPECT_EQ(3, SendMessage(tv, TVM_GETCOUNT, 0, 0));
  EXPECT_EQ(docs, reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_GETNEXTITEM, TVGN_ROOT, 0)));
  EXPECT_EQ(music,
            reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(docs))));
  EXPECT_EQ(videos,
            reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(docs))));
  EXPECT_EQ(docs, reinterpret_cast<HTREEITEM>(
                      SendMessage(tv, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(videos))));
  // A refused expansion stays closed; an accepted one opens.
  onNotify_ = [](NMHDR* h) -> LRESULT { return h->code == TVN_ITEMEXPANDING ? TRUE : 0; };
  EXPECT_FALSE(SendMessage(tv, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(docs)));
  onNotify_ = nullptr;
  EXPECT_TRUE(SendMessage(tv, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(docs)));
  TVITEM item;
  item.mask = TVIF_STATE;
  item.hItem = docs;
  item.stateMask = TVIS_EXPANDED;
  SendMessage(tv, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_TRUE(item.state & TVIS_EXPANDED);
  // Clicking the second row (now "Videos") selects it.
  RECT row;
  std::memcpy(static_cast<void*>(&row), &videos, sizeof(videos));
  ASSERT_TRUE(SendMessage(tv, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&row)));
  Clear();
  Click(tv, row.left + 3, (row.top + row.bottom) / 2);
  EXPECT_EQ(videos, reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_GETNEXTITEM, TVGN_CARET, 0)));
  auto codes = Codes(WM_NOTIFY);
  EXPECT_NE(codes.end(), std::find(codes.begin(), codes.end(), TVN_SELCHANGED));
  platform::InjectKey(VK_DOWN);
  Pump();
  EXPECT_EQ(music, reinterpret_cast<HTREEITEM>(SendMessage(tv, TVM_GETNEXTITEM, TVGN_CARET, 0)));
  // Collapsing over the selection is fine; deleting removes the subtree.
  EXPECT_TRUE(SendMessage(tv, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(docs)));
  EXPECT_EQ(1, SendMessage(tv, TVM_GETCOUNT, 0, 0));
  EXPECT_FALSE(SendMessage(tv, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(videos)));
}

TEST_F(ListAndTree, ASelectedLabelReadsWithAndWithoutTheFocus) {
  // As the clip list is set up: near-white names on a dark list.
  for (DWORD view : {DWORD{LVS_ICON}, DWORD{LVS_REPORT}}) {
    HWND lv = Make(WC_LISTVIEW, "", view | LVS_SHOWSELALWAYS, {10, 10, 400, 300}, 24);
    HWND other = Make("Button", "Other", BS_PUSHBUTTON, {420, 10, 500, 40}, 25);
    if (view == LVS_REPORT) {
      LVCOLUMN col;
      col.mask = LVCF_TEXT | LVCF_WIDTH;
      col.cx = 150;
      col.pszText = const_cast<LPSTR>("Clip");
      SendMessage(lv, LVM_INSERTCOLUMN, 0, reinterpret_cast<LPARAM>(&col));
    }
    SendMessage(lv, LVM_SETBKCOLOR, 0, RGB(40, 40, 48));
    SendMessage(lv, LVM_SETTEXTBKCOLOR, 0, RGB(40, 40, 48));
    SendMessage(lv, LVM_SETTEXTCOLOR, 0, RGB(245, 245, 245));
    AddItem(lv, 0, "DVD_101530", 1);
    AddItem(lv, 1, "Holiday", 2);
    SendMessage(lv, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&Selected()));
    SetFocus(lv);
    Pump();
    EXPECT_GE(testkit::LabelContrast(lv, 0, RGB(40, 40, 48)), 4.5) << "focused, view " << view;
    SetFocus(other);
    Pump();
    EXPECT_GE(testkit::LabelContrast(lv, 0, RGB(40, 40, 48)), 4.5) << "out of focus, view " << view;
    EXPECT_GE(testkit::LabelContrast(lv, 1), 4.5) << "not selected, view " << view;
    DestroyWindow(lv);
    DestroyWindow(other);
  }
}

}  // namespace
}  // namespace ctltest
