#include "widgets/skin_icon_button.h"

#include "platform/gdi/bitmap.h"
#include "platform/gdi/icon.h"
#include "platform/gdi/objects.h"
#include "widgets/tests/widget_harness.h"

namespace widgettest {
namespace {

using IconButtons = WidgetTest;

HICON SquareIcon(int size) {
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = CreateBitmap(size, size, 1, 32, nullptr);
  info.hbmMask = CreateBitmap(size, size, 1, 1, nullptr);
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return icon;
}

TEST_F(IconButtons, FlatButtonShowsItsEdgeOnlyUnderTheMouseAndLosesItWithTheCapture) {
  CSkinIconButton button;
  HWND b = Make(WC_BUTTON, "Settings", BS_PUSHBUTTON, {10, 10, 130, 50}, 1001);
  ASSERT_TRUE(button.SubclassWindow(b));
  button.SetIcon(SquareIcon(16));
  button.SetInactiveBgColor(RGB(40, 50, 60));
  button.SetActiveBgColor(RGB(90, 120, 160));
  EXPECT_EQ(Pixel(b, 0, 0), RGB(40, 50, 60));
  EXPECT_EQ(Pixel(b, 60, 3), RGB(40, 50, 60));
  Move(b, 60, 20);
  EXPECT_TRUE(button.IsMouseOver());
  EXPECT_EQ(Pixel(b, 0, 0), GetSysColor(COLOR_3DHILIGHT));
  EXPECT_EQ(Pixel(b, 60, 3), RGB(90, 120, 160));
  // Another window taking the mouse ends the hot look.
  SetCapture(parent_.m_hWnd);
  Pump();
  EXPECT_FALSE(button.IsMouseOver());
  EXPECT_EQ(Pixel(b, 60, 3), RGB(40, 50, 60));
  ReleaseCapture();
  Click(b, 60, 20);
  ASSERT_FALSE(Of(WM_COMMAND).empty());
  EXPECT_EQ(Of(WM_COMMAND).back().code, static_cast<UINT>(BN_CLICKED));
  button.UnsubclassWindow();
}

TEST_F(IconButtons, LargeIconsKeepTheirSizeAndBadValuesAreIgnored) {
  CSkinIconButton button;
  HWND b = Make(WC_BUTTON, "", BS_PUSHBUTTON, {10, 10, 330, 330}, 1002);
  ASSERT_TRUE(button.SubclassWindow(b));
  button.SetIcon(SquareIcon(300));
  EXPECT_EQ(button.GetIconWidth(), 300);
  EXPECT_EQ(button.GetIconHeight(), 300);
  button.SetAlign(7);
  EXPECT_EQ(button.GetAlign(), CSkinIconButton::kIconLeft);
  button.SetAlign(CSkinIconButton::kIconAbove);
  EXPECT_EQ(button.GetAlign(), CSkinIconButton::kIconAbove);
  EXPECT_TRUE(button.SetBtnCursor(-1));
  EXPECT_FALSE(button.SetBtnCursor(4242));
  button.SetIcon(nullptr);
  Pump();
  button.UnsubclassWindow();
}

}  // namespace
}  // namespace widgettest
