#include <algorithm>
#include <cstring>

#include "platform/testkit/control_test.h"
#include "platform/window/monitors.h"
#include "platform/window/focus.h"

namespace ctltest {
using namespace testkit;
namespace {

using TextControls = ControlTest;

std::string TextOf(HWND h) {
  char buf[256] = {};
  GetWindowText(h, buf, sizeof(buf));
  return buf;
}

void Type(const char* s) {
  for (; *s; ++s) platform::InjectChar(*s);
}

TEST_F(TextControls, EditTakesTypingWithinItsLimitAndReportsChanges) {
  HWND e = Make(WC_EDIT, "", ES_AUTOHSCROLL, {10, 10, 200, 34}, 5, WS_EX_CLIENTEDGE);
  SetFocus(e);
  Pump();
  Clear();
  Type("Clip");
  Pump();
  EXPECT_EQ("Clip", TextOf(e));
  int changes = 0;
  for (UINT c : Codes(WM_COMMAND)) changes += c == EN_CHANGE;
  EXPECT_EQ(4, changes);
  SendMessage(e, EM_LIMITTEXT, 6, 0);
  Clear();
  Type("123");
  Pump();
  EXPECT_EQ("Clip12", TextOf(e));
  bool maxText = false;
  for (UINT c : Codes(WM_COMMAND)) maxText |= c == EN_MAXTEXT;
  EXPECT_TRUE(maxText);
  // Backspace through the key, and a selection replaced by typing.
  platform::InjectKey(VK_BACK);
  Pump();
  EXPECT_EQ("Clip1", TextOf(e));
  SendMessage(e, EM_SETSEL, 0, 4);
  DWORD s = 0, t = 0;
  SendMessage(e, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&t));
  EXPECT_EQ(0u, s);
  EXPECT_EQ(4u, t);
  Type("X");
  Pump();
  EXPECT_EQ("X1", TextOf(e));
  // SetWindowText is not bound by the limit and still tells the parent.
  Clear();
  SetWindowText(e, "a longer name than six");
  EXPECT_EQ("a longer name than six", TextOf(e));
  EXPECT_FALSE(Codes(WM_COMMAND).empty());
}

TEST_F(TextControls, ReadOnlyAndNumberEditsRefuseWhatTheyMust) {
  HWND ro = Make(WC_EDIT, "fixed", ES_READONLY, {10, 10, 200, 34}, 1);
  SetFocus(ro);
  Type("zz");
  Pump();
  EXPECT_EQ("fixed", TextOf(ro));
  SendMessage(ro, EM_SETREADONLY, FALSE, 0);
  SendMessage(ro, EM_SETSEL, 5, 5);
  Type("!");
  Pump();
  EXPECT_EQ("fixed!", TextOf(ro));
  HWND num = Make(WC_EDIT, "", ES_NUMBER, {10, 40, 200, 64}, 2);
  SetFocus(num);
  Type("4a2");
  Pump();
  EXPECT_EQ("42", TextOf(num));
  HWND multi = Make(WC_EDIT, "one\r\ntwo\r\nthree", ES_MULTILINE, {10, 70, 200, 150}, 3);
  EXPECT_EQ(3, SendMessage(multi, EM_GETLINECOUNT, 0, 0));
  EXPECT_EQ(5, SendMessage(multi, EM_LINEINDEX, 1, 0));
  EXPECT_EQ(5, SendMessage(multi, EM_LINELENGTH, 10, 0));
  EXPECT_EQ(1, SendMessage(multi, EM_LINEFROMCHAR, 6, 0));
}

TEST_F(TextControls, ListBoxKeepsSortedItemsDataAndSelection) {
  HWND lb = Make(WC_LISTBOX, "", LBS_NOTIFY | LBS_SORT, {10, 10, 200, 150}, 9, WS_EX_CLIENTEDGE);
  for (const char* s : {"pear", "Apple", "fig"}) SendMessage(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  EXPECT_EQ(3, SendMessage(lb, LB_GETCOUNT, 0, 0));
  char buf[32];
  SendMessage(lb, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(buf));
  EXPECT_STREQ("Apple", buf);
  EXPECT_EQ(2, SendMessage(lb, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("PEAR")));
  EXPECT_EQ(1, SendMessage(lb, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("f")));
  SendMessage(lb, LB_SETITEMDATA, 1, 77);
  EXPECT_EQ(77, SendMessage(lb, LB_GETITEMDATA, 1, 0));
  EXPECT_EQ(LB_ERR, SendMessage(lb, LB_SETCURSEL, 9, 0));
  int h = static_cast<int>(SendMessage(lb, LB_GETITEMHEIGHT, 0, 0));
  Click(lb, 20, h + h / 2);
  EXPECT_EQ(1, SendMessage(lb, LB_GETCURSEL, 0, 0));
  ASSERT_EQ(1u, Of(WM_COMMAND).size());
  EXPECT_EQ(LBN_SELCHANGE, Of(WM_COMMAND)[0].code);
  platform::InjectKey(VK_DOWN);
  Pump();
  EXPECT_EQ(2, SendMessage(lb, LB_GETCURSEL, 0, 0));
  EXPECT_EQ(2, SendMessage(lb, LB_DELETESTRING, 0, 0));
  EXPECT_EQ(1, SendMessage(lb, LB_GETCURSEL, 0, 0));  // the selection follows its item
  EXPECT_EQ(LB_ERR, SendMessage(lb, LB_DELETESTRING, 5, 0));
  EXPECT_EQ(LB_ERR, SendMessage(lb, LB_GETTEXT, 5, reinterpret_cast<LPARAM>(buf)));
}

TEST_F(TextControls, ComboDropListOpensAsAPopupAndReportsTheChoice) {
  HWND cb = Make(WC_COMBOBOX, "", CBS_DROPDOWNLIST, {10, 10, 200, 200}, 12);
  RECT face;
  GetWindowRect(cb, &face);
  EXPECT_LT(face.bottom - face.top, 40);  // the window keeps only its face
  for (const char* s : {"VCD", "SVCD", "DVD"}) SendMessage(cb, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  EXPECT_EQ(CB_ERR, SendMessage(cb, CB_GETCURSEL, 0, 0));
  Click(cb, 50, 5);
  EXPECT_TRUE(SendMessage(cb, CB_GETDROPPEDSTATE, 0, 0));
  auto opened = Codes(WM_COMMAND);
  EXPECT_NE(opened.end(), std::find(opened.begin(), opened.end(), CBN_DROPDOWN));
  int h = static_cast<int>(SendMessage(cb, CB_GETITEMHEIGHT, 0, 0));
  // The third item of the drop list, which lies below the face.
  POINT p{50, face.bottom - face.top + 2 * h + h / 2};
  ClientToScreen(cb, &p);
  ScreenToClient(parent_, &p);
  Click(parent_, p.x, p.y);
  EXPECT_FALSE(SendMessage(cb, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(2, SendMessage(cb, CB_GETCURSEL, 0, 0));
  auto codes = Codes(WM_COMMAND);
  EXPECT_NE(codes.end(), std::find(codes.begin(), codes.end(), CBN_SELCHANGE));
  EXPECT_EQ(CBN_CLOSEUP, codes.back());
  char buf[16];
  EXPECT_EQ(3, SendMessage(cb, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(buf)));
  EXPECT_STREQ("DVD", buf);
  Clear();
  SetFocus(cb);
  platform::InjectKey(VK_UP);
  Pump();
  EXPECT_EQ(1, SendMessage(cb, CB_GETCURSEL, 0, 0));
  EXPECT_EQ(CBN_SELCHANGE, Codes(WM_COMMAND).back());
  EXPECT_EQ(CB_ERR, SendMessage(cb, CB_SETCURSEL, 7, 0));
  EXPECT_EQ(CB_ERR, SendMessage(cb, CB_GETCURSEL, 0, 0));
}

// Eleven inputs in a list of eight rows: the wheel, the bar and the keys reach the last one.
TEST_F(TextControls, ComboListLongerThanItsRowsScrollsToItsLastItem) {
  HWND cb = Make(WC_COMBOBOX, "", CBS_DROPDOWNLIST | WS_VSCROLL, {10, 10, 200, 30}, 14);
  const int h = static_cast<int>(SendMessage(cb, CB_GETITEMHEIGHT, 0, 0));
  MoveWindow(cb, 10, 10, 200, h + 8 + 8 * h, TRUE);  // room for eight rows
  for (int i = 1; i <= 11; ++i) {
    const std::string name = "Line In " + std::to_string(i);
    SendMessage(cb, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  SendMessage(cb, CB_SETCURSEL, 0, 0);
  auto open = [&] {
    Click(cb, 50, 5);
    return FindWindow("ComboLBox", nullptr);
  };
  auto pickLastRow = [&](HWND list) {
    RECT c;
    GetClientRect(list, &c);
    EXPECT_EQ(c.bottom / h, 8);
    Click(list, 20, 7 * h + h / 2);
    return SendMessage(cb, CB_GETCURSEL, 0, 0);
  };

  HWND list = open();
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(GetWindowLong(list, GWL_STYLE) & WS_VSCROLL);
  RECT c, w;
  GetClientRect(list, &c);
  GetWindowRect(list, &w);
  EXPECT_LT(c.right, w.right - w.left - GetSystemMetrics(SM_CXVSCROLL) + 1) << "the bar takes its width";
  platform::InjectMouseWheel(-120, POINT{w.left + 20, w.top + 20});
  Pump();
  EXPECT_EQ(10, pickLastRow(list));

  // The bar's lower arrow, pressed three times.
  SendMessage(cb, CB_SETCURSEL, 0, 0);
  list = open();
  GetWindowRect(list, &w);
  for (int i = 0; i < 3; ++i) {
    Click(list, w.right - w.left - 4, w.bottom - w.top - 4);
    ASSERT_TRUE(SendMessage(cb, CB_GETDROPPEDSTATE, 0, 0)) << "a press on the bar keeps the list open";
  }
  EXPECT_EQ(10, pickLastRow(list));

  // Page Down, then the arrow to the end; Enter takes it. Page Up comes back up.
  SendMessage(cb, CB_SETCURSEL, 0, 0);
  open();
  SetFocus(cb);
  for (int vk : {VK_NEXT, VK_NEXT, VK_PRIOR, VK_NEXT, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN}) platform::InjectKey(vk);
  Pump();
  EXPECT_EQ(0, SendMessage(cb, CB_GETCURSEL, 0, 0)) << "the open list's keys only move its hot item";
  platform::InjectKey(VK_RETURN);
  Pump();
  EXPECT_FALSE(SendMessage(cb, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(10, SendMessage(cb, CB_GETCURSEL, 0, 0));
  // On the closed face Page Up and Page Down choose.
  platform::InjectKey(VK_PRIOR);
  Pump();
  EXPECT_EQ(3, SendMessage(cb, CB_GETCURSEL, 0, 0));
}

// Templates give a drop-down list its dropped height and often a scroll bar: both belong to the
// list, and the face stays one row with no arrows of a bar, however the dialog sizes it later.
TEST_F(TextControls, ComboFaceStaysOneRowWithoutScrollBarsAndShowsItsSelectionAsText) {
  HWND cb = Make(WC_COMBOBOX, "", CBS_DROPDOWNLIST | WS_VSCROLL, {10, 10, 280, 110}, 13);
  RECT face;
  GetWindowRect(cb, &face);
  const int faceHeight = face.bottom - face.top;
  EXPECT_LT(faceHeight, 40);
  EXPECT_EQ(0, GetWindowLong(cb, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL));
  RECT client;
  GetClientRect(cb, &client);
  EXPECT_EQ(face.right - face.left, client.right) << "no bar takes the face's width";
  // Moved with its template size, as dialogs do: the height goes to the list.
  MoveWindow(cb, 49, 192, 270, 100, TRUE);
  GetWindowRect(cb, &face);
  EXPECT_EQ(faceHeight, face.bottom - face.top);
  EXPECT_EQ(270, face.right - face.left);
  RECT dropped;
  SendMessage(cb, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  EXPECT_EQ(100, dropped.bottom - dropped.top);
  // A bigger font makes a taller row, still one.
  LOGFONT big{};
  big.lfHeight = -24;
  HFONT font = CreateFontIndirect(&big);
  SendMessage(cb, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  GetWindowRect(cb, &face);
  EXPECT_GT(face.bottom - face.top, faceHeight);
  EXPECT_EQ(face.bottom - face.top, SendMessage(cb, CB_GETITEMHEIGHT, 0, 0) + 8);

  EXPECT_EQ(0, GetWindowTextLength(cb));
  for (const char* s : {"Writer A", "Writer B"}) SendMessage(cb, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  SendMessage(cb, CB_SETCURSEL, 1, 0);
  char text[32] = {};
  EXPECT_EQ(8, GetWindowText(cb, text, sizeof text));
  EXPECT_STREQ("Writer B", text);
  EXPECT_EQ(8, GetWindowTextLength(cb));
  EXPECT_EQ(3, GetWindowText(cb, text, 4));
  EXPECT_STREQ("Wri", text);
  // Setting the text chooses the item of that text; other text is refused.
  EXPECT_TRUE(SetWindowText(cb, "Writer A"));
  EXPECT_EQ(0, SendMessage(cb, CB_GETCURSEL, 0, 0));
  SetWindowText(cb, "No such writer");
  EXPECT_EQ(0, SendMessage(cb, CB_GETCURSEL, 0, 0));
  SendMessage(cb, WM_SETFONT, 0, FALSE);
  DeleteObject(font);
}

}  // namespace
}  // namespace ctltest

namespace ctltest {
using namespace testkit;
namespace {

TEST_F(TextControls, MultiLineEditsWrapBetweenWordsAtTheirWidth) {
  HWND narrow = Make(WC_EDIT, "one two three four five six", ES_MULTILINE, {10, 10, 70, 200}, 1);
  LRESULT lines = SendMessage(narrow, EM_GETLINECOUNT, 0, 0);
  EXPECT_GE(lines, 3);
  // Each wrapped line starts at a word.
  for (int i = 1; i < lines; ++i) {
    int at = static_cast<int>(SendMessage(narrow, EM_LINEINDEX, static_cast<WPARAM>(i), 0));
    char buf[64] = {};
    GetWindowText(narrow, buf, sizeof(buf));
    EXPECT_EQ(' ', buf[at - 1]) << i;
  }
  HWND scrolling = Make(WC_EDIT, "one two three four five six", ES_MULTILINE | ES_AUTOHSCROLL, {100, 10, 160, 200}, 2);
  EXPECT_EQ(1, SendMessage(scrolling, EM_GETLINECOUNT, 0, 0));
  EXPECT_TRUE(SendMessage(scrolling, EM_SCROLLCARET, 0, 0));
}

}  // namespace
}  // namespace ctltest
