#include "platform/controls/tab.h"
#include "platform/testkit/control_test.h"
#include "platform/testkit/pictures.h"
#include "platform/window/focus.h"

namespace ctltest {
using namespace testkit;
namespace {

void AddTab(HWND tab, int at, const char* text, LPARAM param = 0) {
  TCITEM item;
  item.mask = TCIF_TEXT | TCIF_PARAM;
  item.pszText = const_cast<LPSTR>(text);
  item.lParam = param;
  SendMessage(tab, TCM_INSERTITEM, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&item));
}

POINT Middle(HWND tab, int index) {
  RECT r{};
  SendMessage(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST_F(ControlTest, TabClicksAskTheParentThenTellIt) {
  HWND tab = Make(WC_TABCONTROL, "", WS_TABSTOP, {10, 10, 330, 210}, 12);
  AddTab(tab, 0, "Video Proc Amp", 7);
  AddTab(tab, 1, "Video Format");
  AddTab(tab, 1, "Decoder");  // between the two
  EXPECT_EQ(3, SendMessage(tab, TCM_GETITEMCOUNT, 0, 0));
  EXPECT_EQ(0, SendMessage(tab, TCM_GETCURSEL, 0, 0));  // the first tab comes chosen
  char text[32] = {};
  TCITEM got;
  got.mask = TCIF_TEXT | TCIF_PARAM;
  got.pszText = text;
  got.cchTextMax = sizeof text;
  ASSERT_TRUE(SendMessage(tab, TCM_GETITEM, 1, reinterpret_cast<LPARAM>(&got)));
  EXPECT_STREQ("Decoder", text);
  // Tabs stand side by side, each as wide as its text needs.
  RECT first{}, second{};
  SendMessage(tab, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
  SendMessage(tab, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
  EXPECT_EQ(first.right, second.left);
  EXPECT_GT(first.right - first.left, second.right - second.left);

  Clear();
  POINT at = Middle(tab, 2);
  Click(tab, at.x, at.y);
  EXPECT_EQ(2, SendMessage(tab, TCM_GETCURSEL, 0, 0));
  EXPECT_EQ((std::vector<UINT>{NM_CLICK, TCN_SELCHANGING, TCN_SELCHANGE}), Codes(WM_NOTIFY));
  EXPECT_FALSE(WritePicture(parent_, "tab_control.png").empty());

  // A parent that answers TRUE to TCN_SELCHANGING keeps the tab where it is.
  onNotify_ = [](NMHDR* h) -> LRESULT { return h->code == TCN_SELCHANGING ? TRUE : 0; };
  Clear();
  at = Middle(tab, 0);
  Click(tab, at.x, at.y);
  EXPECT_EQ(2, SendMessage(tab, TCM_GETCURSEL, 0, 0));
  EXPECT_EQ((std::vector<UINT>{NM_CLICK, TCN_SELCHANGING}), Codes(WM_NOTIFY));
  onNotify_ = nullptr;

  // The arrow keys move the choice with the same notifications; TCM_SETCURSEL sends none.
  SetFocus(tab);
  Clear();
  PressKey(VK_LEFT);
  EXPECT_EQ(1, SendMessage(tab, TCM_GETCURSEL, 0, 0));
  EXPECT_EQ((std::vector<UINT>{TCN_KEYDOWN, TCN_SELCHANGING, TCN_SELCHANGE}), Codes(WM_NOTIFY));
  Clear();
  EXPECT_EQ(1, SendMessage(tab, TCM_SETCURSEL, 0, 0));
  EXPECT_TRUE(Codes(WM_NOTIFY).empty());
  EXPECT_EQ(-1, SendMessage(tab, TCM_SETCURSEL, 5, 0));
  // A click beside the tabs chooses nothing.
  TCHITTESTINFO hit;
  hit.pt = {300, 5};
  EXPECT_EQ(-1, SendMessage(tab, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  EXPECT_EQ(TCHT_NOWHERE, hit.flags);
}

TEST_F(ControlTest, TabDisplayAreaAndDeletionKeepTheChoice) {
  HWND tab = Make(WC_TABCONTROL, "", 0, {0, 0, 300, 200}, 3);
  for (const char* t : {"One", "Two", "Three"}) AddTab(tab, 99, t);  // past the end: appended
  SendMessage(tab, TCM_SETCURSEL, 2, 0);
  // The display area lies inside the window below the row, and converts back exactly.
  RECT r{0, 0, 300, 200};
  SendMessage(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  RECT tabRect{};
  SendMessage(tab, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tabRect));
  EXPECT_GE(r.top, tabRect.bottom);
  EXPECT_GT(r.left, 0);
  EXPECT_LT(r.right, 300);
  SendMessage(tab, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(0, r.left);
  EXPECT_EQ(0, r.top);
  EXPECT_EQ(300, r.right);
  EXPECT_EQ(200, r.bottom);
  // Deleting a tab before the chosen one keeps the same tab chosen.
  EXPECT_TRUE(SendMessage(tab, TCM_DELETEITEM, 0, 0));
  EXPECT_EQ(1, SendMessage(tab, TCM_GETCURSEL, 0, 0));
  EXPECT_FALSE(SendMessage(tab, TCM_DELETEITEM, 7, 0));
  EXPECT_TRUE(SendMessage(tab, TCM_DELETEITEM, 1, 0));
  EXPECT_EQ(0, SendMessage(tab, TCM_GETCURSEL, 0, 0));
  EXPECT_TRUE(SendMessage(tab, TCM_DELETEALLITEMS, 0, 0));
  EXPECT_EQ(-1, SendMessage(tab, TCM_GETCURSEL, 0, 0));
  EXPECT_EQ(0, SendMessage(tab, TCM_GETITEMCOUNT, 0, 0));
}

}  // namespace
}  // namespace ctltest
