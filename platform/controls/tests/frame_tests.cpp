// Borders belong to the window system's non-client frame: drawn once, outside the client area.
#include "platform/testkit/control_test.h"

namespace ctltest {
using namespace testkit;
namespace {

using Frames = ControlTest;

TEST_F(Frames, BorderAndSunkenEdgeAreDrawnOnceAroundTheClient) {
  HWND e = Make(WC_EDIT, "", 0, {10, 10, 210, 40}, 5, WS_EX_CLIENTEDGE);
  SetWindowLong(e, GWL_STYLE, GetWindowLong(e, GWL_STYLE) | WS_BORDER);
  SetWindowPos(e, nullptr, 10, 10, 200, 30, SWP_NOZORDER);
  InvalidateRect(e, nullptr, TRUE);
  RECT client{};
  GetClientRect(e, &client);
  EXPECT_EQ(client.right, 200 - 2 * 3);
  const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
  const COLORREF field = GetSysColor(COLOR_WINDOW);
  // Window column 0 is the border, 1 and 2 the sunken edge, the client starts white at 3.
  EXPECT_EQ(Pixel(e, -3, 10), frame);
  EXPECT_EQ(Pixel(e, -2, 10), GetSysColor(COLOR_3DSHADOW));
  EXPECT_EQ(Pixel(e, -1, 10), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(Pixel(e, 0, 10), field);
  EXPECT_EQ(Pixel(e, 1, 10), field);
  EXPECT_EQ(Pixel(e, client.right - 1, 10), field);
  EXPECT_EQ(Pixel(e, client.right + 2, 10), frame);
}

TEST_F(Frames, ProgressBarsTakeOneEdgeNotTwo) {
  HWND bordered = Make(PROGRESS_CLASS, "", WS_BORDER, {10, 10, 210, 30}, 6);
  HWND plain = Make(PROGRESS_CLASS, "", 0, {10, 50, 210, 70}, 7);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  // With a border from its style it draws no edge of its own inside it.
  EXPECT_EQ(Pixel(bordered, -1, 8), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(Pixel(bordered, 0, 8), face);
  EXPECT_EQ(Pixel(bordered, 0, 0), face);
  // Without one it gets a static edge in its frame; the client is plain face.
  EXPECT_TRUE(GetWindowLong(plain, GWL_EXSTYLE) & WS_EX_STATICEDGE);
  EXPECT_FALSE(GetWindowLong(bordered, GWL_EXSTYLE) & WS_EX_STATICEDGE);
  EXPECT_EQ(Pixel(plain, -1, 8), GetSysColor(COLOR_3DSHADOW));
  EXPECT_EQ(Pixel(plain, 0, 8), face);
  // Its bar still fills from the left of the client.
  SendMessage(plain, PBM_SETPOS, 100, 0);
  EXPECT_NE(Pixel(plain, 3, 8), face);
}

}  // namespace
}  // namespace ctltest
