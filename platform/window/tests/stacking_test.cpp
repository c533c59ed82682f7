// The order of top-level windows the desktop is told to keep: owned windows over their owner,
// topmost windows over everything, a disabled window's dialog brought to the front with it.
#include <gtest/gtest.h>

#include <vector>

#include "platform/testkit/window_log.h"
#include "platform/window/focus.h"
#include "platform/window/window.h"
#include "platform/window/window_styles.h"

using namespace testkit;

namespace {

class Stacking : public ::testing::Test {
 protected:
  void TearDown() override { ResetWindows(); }
};

std::vector<HWND> TopDown() {
  std::vector<HWND> order;
  for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) order.push_back(h);
  return order;
}

int Place(HWND h) {
  const auto order = TopDown();
  return static_cast<int>(std::find(order.begin(), order.end(), h) - order.begin());
}

HWND MakeOwned(HWND owner, const char* title, DWORD exStyle = 0) {
  return CreateWindowEx(exStyle, TestClass(), title, WS_POPUP | WS_VISIBLE, 120, 120, 100, 60, owner, nullptr, nullptr,
                        nullptr);
}

TEST_F(Stacking, OwnedWindowsStayAboveTheirOwnerWhateverRaisesIt) {
  HWND main = MakeTop("Main");
  HWND dialog = MakeOwned(main, "Settings");
  HWND nested = MakeOwned(dialog, "Question");
  HWND other = MakeTop("Other");
  ASSERT_LT(Place(other), Place(main));

  SetActiveWindow(main);  // as a click on the owner does
  EXPECT_LT(Place(nested), Place(dialog));
  EXPECT_LT(Place(dialog), Place(main));
  EXPECT_LT(Place(main), Place(other)) << "the owner's whole group comes up";

  SetWindowPos(main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetWindowPos(other, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(TopDown().front(), nested);
  EXPECT_EQ(TopDown().back(), other);

  // Raising the other window puts it over the whole group, not between its members.
  SetActiveWindow(other);
  EXPECT_EQ(TopDown(), (std::vector<HWND>{other, nested, dialog, main}));
}

TEST_F(Stacking, TopmostWindowsAndTheirOwnedWindowsStayOverAllOthers) {
  HWND main = MakeTop("Main");
  HWND tip = MakeOwned(main, "Tip", WS_EX_TOOLWINDOW | WS_EX_TOPMOST);  // made before the owner is first active
  HWND other = MakeTop("Other");
  SetActiveWindow(main);
  SetActiveWindow(other);
  EXPECT_EQ(TopDown().front(), tip);

  // A window made topmost by its position takes its owned windows into the band.
  HWND palette = MakeTop("Palette");
  HWND owned = MakeOwned(palette, "Palette help");
  SetWindowPos(palette, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_TRUE(GetWindowLong(palette, GWL_EXSTYLE) & WS_EX_TOPMOST);
  SetActiveWindow(main);
  EXPECT_LT(Place(owned), Place(main));
  EXPECT_LT(Place(palette), Place(main));
  SetWindowPos(palette, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_FALSE(GetWindowLong(palette, GWL_EXSTYLE) & WS_EX_TOPMOST);
  SetActiveWindow(other);
  SetActiveWindow(main);
  EXPECT_LT(Place(main), Place(palette));
  EXPECT_EQ(TopDown().front(), tip);
}

TEST_F(Stacking, BringingADisabledWindowForwardActivatesItsDialog) {
  HWND main = MakeTop("Main");
  HWND tip = MakeOwned(main, "Tip", WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  HWND dialog = MakeOwned(main, "Record Settings");
  HWND field = MakeChild(dialog, 7, RECT{5, 5, 60, 25});
  EnableWindow(main, FALSE);
  HWND other = MakeTop("Other");
  SetActiveWindow(other);
  SetFocus(nullptr);

  EXPECT_TRUE(SetForegroundWindow(main));
  EXPECT_EQ(GetActiveWindow(), dialog);
  EXPECT_TRUE(GetFocus() == dialog || GetFocus() == field);
  EXPECT_LT(Place(tip), Place(dialog));
  EXPECT_LT(Place(dialog), Place(main));
  EXPECT_LT(Place(main), Place(other));

  // A focus the dialog still holds is kept.
  SetFocus(field);
  SetForegroundWindow(main);
  EXPECT_EQ(GetFocus(), field);

  // An enabled window is activated itself.
  EnableWindow(main, TRUE);
  SetActiveWindow(other);
  EXPECT_TRUE(SetForegroundWindow(main));
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_LT(Place(dialog), Place(main));
}

}  // namespace
