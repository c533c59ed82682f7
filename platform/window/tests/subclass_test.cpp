#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/window/subclass.h"
#include "platform/testkit/window_log.h"

using namespace testkit;

namespace {

std::string g_trace;

// Appends its id to the trace, then passes on; id 9 answers by itself.
LRESULT Tracing(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR data) {
  if (m == WM_USER) {
    g_trace += std::to_string(id) + ":" + std::to_string(data) + " ";
    if (id == 9) return 99;
  }
  return DefSubclassProc(h, m, w, l);
}

LRESULT Replacement(HWND h, UINT m, WPARAM w, LPARAM l);
WNDPROC g_replaced = nullptr;
LRESULT Replacement(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER) g_trace += "direct ";
  return CallWindowProc(g_replaced, h, m, w, l);
}

class Subclass : public ::testing::Test {
 protected:
  void SetUp() override { g_trace.clear(); }
  void TearDown() override { ResetWindows(); }
};

TEST_F(Subclass, HooksRunNewestFirstAndEndAtTheWindowProcedure) {
  HWND h = MakeTop();
  const LONG_PTR own = GetWindowLongPtr(h, GWLP_WNDPROC);
  ASSERT_TRUE(SetWindowSubclass(h, Tracing, 1, 10));
  ASSERT_TRUE(SetWindowSubclass(h, Tracing, 2, 20));
  ASSERT_TRUE(SetWindowSubclass(h, Tracing, 1, 11));  // same pair: new data, same place
  ClearLog();
  SendMessage(h, WM_USER, 0, 0);
  EXPECT_EQ(g_trace, "2:20 1:11 ");
  EXPECT_EQ(MessagesOf(h, {WM_USER}).size(), 1u);  // the window's own procedure still heard it
  DWORD_PTR data = 0;
  EXPECT_TRUE(GetWindowSubclass(h, Tracing, 2, &data));
  EXPECT_EQ(data, 20u);
  EXPECT_FALSE(GetWindowSubclass(h, Tracing, 3, &data));

  // A hook may answer without passing on.
  SetWindowSubclass(h, Tracing, 9, 0);
  g_trace.clear();
  ClearLog();
  EXPECT_EQ(SendMessage(h, WM_USER, 0, 0), 99);
  EXPECT_EQ(g_trace, "9:0 ");
  EXPECT_TRUE(MessagesOf(h, {WM_USER}).empty());

  for (UINT_PTR id : {9, 2, 1}) EXPECT_TRUE(RemoveWindowSubclass(h, Tracing, id));
  EXPECT_FALSE(RemoveWindowSubclass(h, Tracing, 1));
  EXPECT_EQ(GetWindowLongPtr(h, GWLP_WNDPROC), own);  // nothing left: the procedure is back
}

TEST_F(Subclass, DirectReplacementsOnTopKeepWorkingWhenHooksGo) {
  HWND h = MakeTop();
  SetWindowSubclass(h, Tracing, 1, 0);
  g_replaced = reinterpret_cast<WNDPROC>(SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Replacement)));
  SendMessage(h, WM_USER, 0, 0);
  EXPECT_EQ(g_trace, "direct 1:0 ");
  // The chain stays under the replacement, empty, so the replacement's saved procedure still works.
  EXPECT_TRUE(RemoveWindowSubclass(h, Tracing, 1));
  EXPECT_EQ(GetWindowLongPtr(h, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&Replacement));
  g_trace.clear();
  ClearLog();
  SendMessage(h, WM_USER, 0, 0);
  EXPECT_EQ(g_trace, "direct ");
  EXPECT_EQ(MessagesOf(h, {WM_USER}).size(), 1u);
  DestroyWindow(h);
  EXPECT_FALSE(GetWindowSubclass(h, Tracing, 1, nullptr));
}

TEST_F(Subclass, BadCallsAreRefused) {
  HWND h = MakeTop();
  EXPECT_FALSE(SetWindowSubclass(nullptr, Tracing, 1, 0));
  EXPECT_FALSE(SetWindowSubclass(h, nullptr, 1, 0));
  EXPECT_FALSE(RemoveWindowSubclass(h, Tracing, 1));
  BOOL fromOther = TRUE;
  std::thread([&] { fromOther = SetWindowSubclass(h, Tracing, 1, 0); }).join();
  EXPECT_FALSE(fromOther);
  // Outside any hook DefSubclassProc is the default procedure.
  EXPECT_EQ(DefSubclassProc(h, WM_USER, 0, 0), 0);
}

}  // namespace
