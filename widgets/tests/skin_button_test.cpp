#include "widgets/skin_button.h"

#include <algorithm>
#include <filesystem>

#include "platform/gdi/region.h"
#include "platform/window/window_surface.h"
#include "widgets/bitmap_progress_bar.h"
#include "widgets/tests/widget_harness.h"

namespace widgettest {
namespace {

using SkinButtons = WidgetTest;

// The painted strip: frames of 80 x 28, frame 4 the mask with red corners.
constexpr int kFrame = 80;

TEST_F(SkinButtons, StripGivesFramesRegionAndClicks) {
  CSkinButton button;
  HWND b = Make(WC_BUTTON, "Record", BS_PUSHBUTTON, {10, 10, 90, 38}, 301);
  ASSERT_TRUE(button.SubclassWindow(b));
  EXPECT_TRUE(GetWindowLong(b, GWL_STYLE) & BS_OWNERDRAW);
  ASSERT_TRUE(button.LoadBitmap(ui_, IDB_SKIN_BUTTON));
  EXPECT_EQ(button.GetFrameWidth(), kFrame);
  EXPECT_EQ(button.GetFrameHeight(), 28);
  // The mask's red corners are cut out of the window.
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(b, region), ERROR);
  EXPECT_FALSE(PtInRegion(region, 0, 0));
  EXPECT_TRUE(PtInRegion(region, 40, 14));
  DeleteObject(region);
  // The normal frame is shown; a click reaches the parent as BN_CLICKED.
  EXPECT_EQ(Pixel(b, 40, 14), StripPixel(IDB_SKIN_BUTTON, 40, 14));
  Click(b, 40, 14);
  ASSERT_EQ(Of(WM_COMMAND).size(), 1u);
  EXPECT_EQ(Of(WM_COMMAND)[0].id, 301);
  EXPECT_EQ(Of(WM_COMMAND)[0].code, static_cast<UINT>(BN_CLICKED));
  // Two fast clicks are two clicks.
  Clear();
  Click(b, 40, 14);
  Click(b, 40, 14);
  EXPECT_EQ(Of(WM_COMMAND).size(), 2u);
  button.UnsubclassWindow();
}

TEST_F(SkinButtons, HoverPressedAndDisabledLooks) {
  CSkinButton button;
  HWND b = Make(WC_BUTTON, "Stop", BS_PUSHBUTTON, {10, 10, 90, 38}, 302);
  ASSERT_TRUE(button.SubclassWindow(b));
  ASSERT_TRUE(button.LoadBitmap(ui_, IDB_SKIN_BUTTON));
  // Hover lights the top edge of frame 1.
  Move(b, 40, 14);
  EXPECT_TRUE(button.IsHovering());
  EXPECT_EQ(Pixel(b, 40, 1), StripPixel(IDB_SKIN_BUTTON, kFrame + 40, 1));
  // Leaving drops the hover and the capture.
  Move(parent_.m_hWnd, 400, 300);
  EXPECT_FALSE(button.IsHovering());
  EXPECT_NE(GetCapture(), b);
  // A press that starts outside does not hover when it moves over the button.
  Down(parent_.m_hWnd, 400, 300);
  Move(b, 40, 14);
  EXPECT_FALSE(button.IsHovering());
  Up(parent_.m_hWnd, 400, 300);
  // Fixed state 3 shows frame 3 away from the mouse; disabled shows the disabled frame.
  button.SetState(3);
  EXPECT_EQ(Pixel(b, 40, 14), StripPixel(IDB_SKIN_BUTTON, 3 * kFrame + 40, 14));
  button.SetState(0);
  EnableWindow(b, FALSE);
  EXPECT_EQ(Pixel(b, 40, 14), StripPixel(IDB_SKIN_BUTTON, 3 * kFrame + 40, 14));
  button.UnsubclassWindow();
}

// The tip is made before its window is first activated, as the programs make theirs; the window
// raised again afterwards still has the tip shown over it.
TEST_F(SkinButtons, AButtonsTipShowsOverItsWindowAfterTheWindowIsRaised) {
  CSkinButton button;
  HWND b = Make(WC_BUTTON, "Burn", BS_PUSHBUTTON, {10, 10, 90, 38}, 303);
  ASSERT_TRUE(button.SubclassWindow(b));
  ASSERT_TRUE(button.LoadBitmap(ui_, IDB_SKIN_BUTTON));
  button.SetToolTipText("Burns the project to a disc");
  HWND other =
      CreateWindowEx(0, "Static", "Other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  SetActiveWindow(other);
  SetActiveWindow(parent_.m_hWnd);
  Move(b, 40, 14);
  Move(b, 42, 15);
  Advance(1000);
  HWND tip = nullptr;
  for (HWND h = GetTopWindow(nullptr); h && !tip; h = GetWindow(h, GW_HWNDNEXT)) {
    char cls[32] = {};
    GetClassName(h, cls, sizeof cls);
    if (std::string(cls) == TOOLTIPS_CLASS && IsWindowVisible(h)) tip = h;
  }
  ASSERT_NE(tip, nullptr) << "no tip shows";
  std::vector<HWND> order;
  for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) order.push_back(h);
  auto place = [&](HWND h) { return std::find(order.begin(), order.end(), h) - order.begin(); };
  EXPECT_LT(place(tip), place(parent_.m_hWnd));
  EXPECT_LT(place(tip), place(other));
  Settle();
  const std::string folder = VIDARRO_PICTURE_DIR;
  std::filesystem::create_directories(folder);
  EXPECT_TRUE(platform::WriteWindowAsSeenPng(parent_.m_hWnd, folder + "/skin_button_tip.png"));
  DestroyWindow(other);
  button.UnsubclassWindow();
}

TEST_F(SkinButtons, NoStateCopiesShowFrameZeroInEveryStateWithAFullRectangle) {
  CSkinButton button;
  HWND b = Make(WC_BUTTON, "", BS_PUSHBUTTON, {10, 10, 90, 38}, 303);
  ASSERT_TRUE(button.SubclassWindow(b));
  ASSERT_TRUE(button.LoadBitmap(ui_, IDB_SKIN_BUTTON, TRUE));
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(b, region), ERROR);
  EXPECT_TRUE(PtInRegion(region, 0, 0));
  EXPECT_TRUE(PtInRegion(region, kFrame - 1, 27));
  DeleteObject(region);
  EnableWindow(b, FALSE);
  EXPECT_EQ(Pixel(b, 40, 14), StripPixel(IDB_SKIN_BUTTON, 40, 14));
  button.UnsubclassWindow();
}

TEST_F(SkinButtons, MissingOrTooSmallBitmapsDrawNothingAndFail) {
  CSkinButton button;
  HWND b = Make(WC_BUTTON, "", BS_PUSHBUTTON, {10, 10, 90, 38}, 304);
  ASSERT_TRUE(button.SubclassWindow(b));
  EXPECT_FALSE(button.LoadBitmap(ui_, 4242));
  EXPECT_FALSE(button.IsLoaded());
  // The check box strip is 78 wide: five frames of 80 do not fit.
  EXPECT_FALSE(button.LoadBitmap(IDB_SKIN_CHECKBOX, 80, 13));
  Click(b, 10, 10);  // still a working button
  EXPECT_EQ(Of(WM_COMMAND).size(), 1u);
  button.UnsubclassWindow();
}

using ProgressBars = WidgetTest;

TEST_F(ProgressBars, FillFollowsThePositionWithinAnyRange) {
  CBitmapProgressBar bar;
  HWND p = Make(WC_BUTTON, "", BS_PUSHBUTTON, {10, 60, 210, 72}, 310);
  ASSERT_TRUE(bar.SubclassWindow(p));
  bar.LoadBitmap(ui_, IDB_SKIN_PROGRESS);
  ASSERT_TRUE(bar.IsLoaded());
  const COLORREF empty = StripPixel(IDB_SKIN_PROGRESS, 100, 6);
  const COLORREF full = StripPixel(IDB_SKIN_PROGRESS, 100, 18);
  ASSERT_NE(empty, full);
  bar.SetPos(0);
  EXPECT_EQ(Pixel(p, 100, 6), empty);
  bar.SetPos(100);
  EXPECT_EQ(Pixel(p, 100, 6), full);
  // A range that starts at 50 and spans 200: position 150 fills half.
  bar.SetRange(50, 250);
  bar.SetPos(150);
  EXPECT_EQ(Pixel(p, 90, 6), full);
  EXPECT_EQ(Pixel(p, 110, 6), empty);
  // Beyond the maximum: full, not past the bar.
  bar.SetPos(1000);
  EXPECT_EQ(Pixel(p, 195, 6), full);
  bar.SetPos(-1000);
  EXPECT_EQ(Pixel(p, 5, 6), empty);
  // An empty range draws nothing instead of dividing by zero.
  bar.SetRange(5, 5);
  bar.SetPos(5);
  Pump();
  bar.UnsubclassWindow();
}

}  // namespace
}  // namespace widgettest
