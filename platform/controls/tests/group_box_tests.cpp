// Group boxes frame the controls inside them without covering them.
#include "platform/testkit/control_test.h"
#include "platform/window/focus.h"

namespace ctltest {
using namespace testkit;
namespace {

using GroupBoxes = ControlTest;

TEST_F(GroupBoxes, ControlsInsideStayVisibleAndTakeTheirClicks) {
  // The frame first, as dialog templates list it, so it lies above what it holds.
  HWND group = Make(WC_BUTTON, "Output", BS_GROUPBOX, {10, 10, 210, 130}, 5);
  HWND edit = Make(WC_EDIT, "", 0, {30, 40, 190, 64}, 6);
  ASSERT_EQ(WindowFromPoint([&] {
              POINT p{100, 90};
              ClientToScreen(group, &p);
              return p;
            }()),
            parent_);  // the empty inside belongs to what lies beneath
  EXPECT_EQ(Pixel(edit, 80, 12), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(Pixel(edit, 2, 2), GetSysColor(COLOR_WINDOW));

  // The frame and the caption are still drawn.
  RECT client{};
  GetClientRect(group, &client);
  Pixel(group, 0, 0);  // paints everything due
  platform::PixelImage img;
  ASSERT_TRUE(platform::ComposeWindow(parent_, &img));
  RECT pr{};
  GetWindowRect(parent_, &pr);
  auto at = [&](int x, int y) {
    POINT p{x, y};
    ClientToScreen(group, &p);
    const uint32_t v = img.pixels[static_cast<size_t>(p.y - pr.top) * img.width + (p.x - pr.left)];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  };
  bool frameSeen = false;
  for (int y = 0; y < 20; ++y) frameSeen |= at(client.right - 2, y) == GetSysColor(COLOR_3DSHADOW);
  EXPECT_TRUE(frameSeen);
  bool textSeen = false;
  for (int x = 10; x < 50; ++x)
    for (int y = 0; y < 14; ++y) textSeen |= at(x, y) == GetSysColor(COLOR_BTNTEXT);
  EXPECT_TRUE(textSeen);

  Click(edit, 20, 10);
  EXPECT_EQ(GetFocus(), edit);
  // Even on its frame the group box lets the click through.
  EXPECT_EQ(SendMessage(group, WM_NCHITTEST, 0, 0), HTTRANSPARENT);

  // A resized box keeps the inside clear.
  SetWindowPos(group, nullptr, 0, 0, 250, 160, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(Pixel(edit, 80, 12), GetSysColor(COLOR_WINDOW));
}

}  // namespace
}  // namespace ctltest
