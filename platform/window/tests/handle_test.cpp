#include <gtest/gtest.h>

#include <vector>

#include "platform/testkit/window_log.h"

namespace {

using namespace testkit;

// Run first in a process of its own, so the handles come from the start of the first block,
// where the desktop's handle lies.
TEST(WindowHandles, NoWindowIsGivenTheDesktopsHandle) {
  std::vector<HWND> made;
  for (int i = 0; i < 40; ++i) {
    HWND h = MakeTop("t", WS_POPUP);
    ASSERT_NE(nullptr, h);
    EXPECT_NE(GetDesktopWindow(), h);
    made.push_back(h);
  }
  for (HWND h : made) DestroyWindow(h);
  ResetWindows();
}

}  // namespace
