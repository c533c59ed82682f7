#include <gtest/gtest.h>

#include <string>

#include "platform/window/window.h"
#include "platform/testkit/window_log.h"

using namespace testkit;

namespace {

class WindowCore : public ::testing::Test {
 protected:
  void TearDown() override { ResetWindows(); }
};

TEST_F(WindowCore, CreationSendsNcCreateCreateSizeMoveInOrder) {
  ClearLog();
  HWND top = MakeTop("Main", WS_OVERLAPPEDWINDOW, RECT{10, 20, 310, 220});
  ASSERT_TRUE(top);
  auto msgs = MessagesOf(top, {WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE});
  EXPECT_EQ(msgs, (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE}));
  char title[16];
  EXPECT_EQ(GetWindowText(top, title, sizeof title), 4);
  EXPECT_STREQ(title, "Main");
}

TEST_F(WindowCore, DestroySendsDestroyTopDownThenNcDestroyChildrenFirst) {
  HWND top = MakeTop();
  HWND child = MakeChild(top, 5, RECT{0, 0, 50, 50});
  HWND grandchild = MakeChild(child, 6, RECT{0, 0, 10, 10});
  ClearLog();
  ASSERT_TRUE(DestroyWindow(top));
  std::vector<std::pair<HWND, UINT>> seen;
  for (auto& l : Log())
    if (l.msg == WM_DESTROY || l.msg == WM_NCDESTROY) seen.emplace_back(l.hwnd, l.msg);
  std::vector<std::pair<HWND, UINT>> expected{{top, WM_DESTROY},        {child, WM_DESTROY},
                                              {grandchild, WM_DESTROY}, {grandchild, WM_NCDESTROY},
                                              {child, WM_NCDESTROY},    {top, WM_NCDESTROY}};
  EXPECT_EQ(seen, expected);
  EXPECT_FALSE(IsWindow(top));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(IsWindow(grandchild));
}

TEST_F(WindowCore, OwnedWindowsDieWithTheirOwner) {
  HWND owner = MakeTop("Owner");
  HWND owned = CreateWindowEx(0, TestClass(), "Owned", WS_POPUP, 0, 0, 10, 10, owner, nullptr, nullptr, nullptr);
  ASSERT_TRUE(owned);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(owned));
}

TEST_F(WindowCore, CreateFailsCleanlyWhenCreateReturnsMinusOne) {
  WNDCLASS wc;
  wc.lpszClassName = "Refuser";
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    return m == WM_CREATE ? -1 : DefWindowProc(h, m, w, l);
  };
  ASSERT_TRUE(RegisterClass(&wc));
  EXPECT_EQ(CreateWindowEx(0, "Refuser", "x", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(FindWindow("Refuser", nullptr), nullptr);
  EXPECT_TRUE(UnregisterClass("Refuser", nullptr));
}

TEST_F(WindowCore, BadInputGivesWin32FailureResults) {
  HWND bogus = DwordToHandle<HWND>(0x1234568);
  EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "x", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(CreateWindowEx(0, TestClass(), "x", WS_CHILD, 0, 0, 1, 1, bogus, nullptr, nullptr, nullptr), nullptr);
  EXPECT_FALSE(IsWindow(bogus));
  EXPECT_FALSE(DestroyWindow(bogus));
  EXPECT_EQ(GetWindowLong(bogus, GWL_STYLE), 0);
  EXPECT_EQ(SendMessage(bogus, WM_USER, 1, 2), 0);
  EXPECT_FALSE(PostMessage(bogus, WM_USER, 1, 2));
  RECT r{};
  EXPECT_FALSE(GetWindowRect(bogus, &r));
  EXPECT_FALSE(SetWindowText(bogus, "x"));
  char buffer[8] = "keep";
  EXPECT_EQ(GetWindowText(bogus, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  WNDCLASS noName;
  noName.lpfnWndProc = DefWindowProc;
  EXPECT_EQ(RegisterClass(&noName), 0);
  EXPECT_EQ(RegisterClass(nullptr), 0);
  HWND top = MakeTop();
  std::string huge(kMaxWindowText + 1, 'x');
  EXPECT_FALSE(SetWindowText(top, huge.c_str()));
  EXPECT_EQ(CreateWindowEx(0, TestClass(), huge.c_str(), 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
}

LRESULT g_previous = 0;
LRESULT Subclass(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER + 1) return 42 + CallWindowProc(reinterpret_cast<WNDPROC>(g_previous), h, m, w, l);
  return CallWindowProc(reinterpret_cast<WNDPROC>(g_previous), h, m, w, l);
}

TEST_F(WindowCore, WindowLongsAndSubclassing) {
  HWND top = MakeTop();
  HWND child = MakeChild(top, 77, RECT{1, 2, 30, 40});
  EXPECT_EQ(GetWindowLong(child, GWL_ID), 77);
  EXPECT_EQ(GetDlgCtrlID(child), 77);
  EXPECT_EQ(GetDlgItem(top, 77), child);
  EXPECT_EQ(GetParent(child), top);
  EXPECT_TRUE(GetWindowLong(child, GWL_STYLE) & WS_CHILD);
  SetWindowLongPtr(child, GWLP_USERDATA, 0x5555);
  EXPECT_EQ(GetWindowLongPtr(child, GWLP_USERDATA), 0x5555);
  SetWindowLong(top, GWL_EXSTYLE, WS_EX_TOOLWINDOW);
  EXPECT_EQ(GetWindowLong(top, GWL_EXSTYLE), static_cast<LONG>(WS_EX_TOOLWINDOW));
  EXPECT_EQ(GetWindowLongPtr(top, 64), 0);  // beyond the class's extra bytes

  g_previous = SetWindowLongPtr(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Subclass));
  EXPECT_NE(g_previous, 0);
  EXPECT_EQ(SendMessage(child, WM_USER + 1, 0, 0), 42);
  SetWindowText(child, "through the subclass");  // other messages still reach the original procedure
  char text[32];
  GetWindowText(child, text, sizeof text);
  EXPECT_STREQ(text, "through the subclass");
}

TEST_F(WindowCore, RectanglesAndCoordinateMapping) {
  HWND top = MakeTop("T", WS_POPUP | WS_VISIBLE, RECT{100, 50, 400, 350});
  HWND child = MakeChild(top, 1, RECT{10, 20, 110, 70});
  RECT r{};
  GetWindowRect(child, &r);
  EXPECT_EQ(r.left, 110);
  EXPECT_EQ(r.top, 70);
  GetClientRect(child, &r);
  EXPECT_EQ(r.right, 100);
  EXPECT_EQ(r.bottom, 50);
  POINT p{5, 5};
  ClientToScreen(child, &p);
  EXPECT_EQ(p.x, 115);
  EXPECT_EQ(p.y, 75);
  ScreenToClient(top, &p);
  EXPECT_EQ(p.x, 15);
  EXPECT_EQ(p.y, 25);
  MoveWindow(child, 0, 0, 20, 20, TRUE);
  GetWindowRect(child, &r);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.right, 120);

  HWND framed = MakeTop("F", WS_OVERLAPPEDWINDOW, RECT{0, 0, 200, 200});
  RECT client{};
  GetClientRect(framed, &client);
  RECT adjusted = client;
  AdjustWindowRectEx(&adjusted, WS_OVERLAPPEDWINDOW, FALSE, 0);
  EXPECT_EQ(adjusted.right - adjusted.left, 200);
  EXPECT_EQ(adjusted.bottom - adjusted.top, 200);
}

TEST_F(WindowCore, EnableShowAndFindWindow) {
  HWND top = MakeTop("Finder", WS_POPUP);
  EXPECT_FALSE(IsWindowVisible(top));
  EXPECT_FALSE(ShowWindow(top, SW_SHOW));
  EXPECT_TRUE(IsWindowVisible(top));
  EXPECT_TRUE(ShowWindow(top, SW_HIDE));
  ClearLog();
  EXPECT_FALSE(EnableWindow(top, FALSE));
  EXPECT_TRUE(EnableWindow(top, TRUE));
  EXPECT_EQ(MessagesOf(top, {WM_ENABLE}).size(), 2u);
  EXPECT_EQ(FindWindow(TestClass(), "Finder"), top);
  EXPECT_EQ(FindWindow("testwindow", nullptr), top);  // class names ignore case
  EXPECT_EQ(FindWindow(nullptr, "finder"), nullptr);  // titles do not
  DestroyWindow(top);
  EXPECT_EQ(FindWindow(TestClass(), "Finder"), nullptr);
}

TEST_F(WindowCore, ChildrenKeepCreationOrderAsZOrder) {
  HWND top = MakeTop();
  HWND a = MakeChild(top, 1, RECT{0, 0, 5, 5});
  HWND b = MakeChild(top, 2, RECT{0, 0, 5, 5});
  EXPECT_EQ(GetWindow(top, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), nullptr);
  SetWindowPos(b, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(top, GW_CHILD), b);
  EXPECT_TRUE(IsChild(top, a));
  EXPECT_EQ(GetAncestor(a, GA_ROOT), top);
}

}  // namespace
