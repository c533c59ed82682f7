#include "platform/testkit/control_test.h"
#include "platform/window/focus.h"
#include "platform/window/window_surface.h"

namespace ctltest {
using namespace testkit;
namespace {

using Buttons = ControlTest;

TEST_F(Buttons, ClickSendsClickedOnlyWhenReleasedInside) {
  HWND b = Make(WC_BUTTON, "Record", BS_PUSHBUTTON, {10, 10, 110, 40}, 101);
  Click(b, 50, 15);
  ASSERT_EQ(1u, Of(WM_COMMAND).size());
  EXPECT_EQ(101, Of(WM_COMMAND)[0].id);
  EXPECT_EQ(BN_CLICKED, Of(WM_COMMAND)[0].code);
  Clear();
  // Pressed, dragged out and released outside: no click, and the button is up again.
  Down(b, 50, 15);
  EXPECT_TRUE(SendMessage(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
  Move(b, 300, 200);
  EXPECT_FALSE(SendMessage(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
  Up(b, 300, 200);
  EXPECT_TRUE(Of(WM_COMMAND).empty());
  // Space bar on the focused button clicks it; a disabled button ignores the mouse.
  SetFocus(b);
  platform::InjectKey(VK_SPACE);
  Pump();
  EXPECT_EQ(1u, Of(WM_COMMAND).size());
  EnableWindow(b, FALSE);
  Clear();
  Click(b, 50, 15);
  EXPECT_TRUE(Of(WM_COMMAND).empty());
  SendMessage(b, BM_CLICK, 0, 0);
  EXPECT_TRUE(Of(WM_COMMAND).empty());
}

TEST_F(Buttons, CheckBoxesAndRadioGroupsKeepTheirState) {
  HWND check = Make(WC_BUTTON, "Deinterlace", BS_AUTOCHECKBOX, {10, 10, 200, 30}, 1);
  HWND tri = Make(WC_BUTTON, "Three", BS_AUTO3STATE, {10, 40, 200, 60}, 2);
  HWND r1 = Make(WC_BUTTON, "DVD", BS_AUTORADIOBUTTON | WS_GROUP, {10, 70, 200, 90}, 3);
  HWND r2 = Make(WC_BUTTON, "Blu-ray", BS_AUTORADIOBUTTON, {10, 100, 200, 120}, 4);
  HWND r3 = Make(WC_BUTTON, "Other group", BS_AUTORADIOBUTTON | WS_GROUP, {10, 130, 200, 150}, 5);
  Click(check, 5, 10);
  EXPECT_EQ(BST_CHECKED, SendMessage(check, BM_GETCHECK, 0, 0));
  Click(check, 5, 10);
  EXPECT_EQ(BST_UNCHECKED, SendMessage(check, BM_GETCHECK, 0, 0));
  Click(tri, 5, 10);
  Click(tri, 5, 10);
  EXPECT_EQ(BST_INDETERMINATE, SendMessage(tri, BM_GETCHECK, 0, 0));
  SendMessage(r3, BM_SETCHECK, BST_CHECKED, 0);
  Click(r1, 5, 10);
  EXPECT_EQ(BST_CHECKED, SendMessage(r1, BM_GETCHECK, 0, 0));
  Click(r2, 5, 10);
  EXPECT_EQ(BST_UNCHECKED, SendMessage(r1, BM_GETCHECK, 0, 0));
  EXPECT_EQ(BST_CHECKED, SendMessage(r2, BM_GETCHECK, 0, 0));
  EXPECT_EQ(BST_CHECKED, SendMessage(r3, BM_GETCHECK, 0, 0));  // another group
  EXPECT_EQ(6u, Of(WM_COMMAND).size());
}

TEST_F(Buttons, OwnerDrawnButtonsAskTheParentWithTheirState) {
  HWND b = Make(WC_BUTTON, "", BS_PUSHBUTTON, {10, 10, 60, 40}, 7);
  SendMessage(b, BM_SETSTYLE, BS_OWNERDRAW, TRUE);
  Pump();
  Clear();
  Down(b, 5, 5);
  auto draws = Of(WM_DRAWITEM);
  ASSERT_FALSE(draws.empty());
  EXPECT_TRUE(draws.back().state & ODS_SELECTED);
  EXPECT_EQ(RGB(0, 0, 0), Pixel(b, 10, 10));  // what the parent drew shows
  Up(b, 5, 5);
  Clear();
  EnableWindow(b, FALSE);
  Pump();
  ASSERT_FALSE(Of(WM_DRAWITEM).empty());
  EXPECT_TRUE(Of(WM_DRAWITEM).back().state & ODS_DISABLED);
}

TEST_F(Buttons, PushButtonsPaintTheirFaceAndParentColoursReachStatics) {
  HWND b = Make(WC_BUTTON, "OK", BS_DEFPUSHBUTTON, {10, 10, 110, 40}, 1);
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), Pixel(b, 5, 25));
  EXPECT_EQ(GetSysColor(COLOR_WINDOWFRAME), Pixel(b, 0, 0));  // default button frame
  ctlColorBrush_ = CreateSolidBrush(RGB(10, 200, 90));
  HWND s = Make(WC_STATIC, "", SS_LEFT, {10, 50, 110, 80}, 2);
  EXPECT_EQ(RGB(10, 200, 90), Pixel(s, 50, 15));
}

// Rows of a window that hold text-coloured pixels, top to bottom, from one picture of its
// top-level window.
std::vector<int> TextRows(HWND w) {
  Pixel(w, 0, 0);  // paints what is pending
  platform::PixelImage picture;
  EXPECT_TRUE(platform::ComposeWindow(GetAncestor(w, GA_ROOT), &picture));
  RECT top, c;
  GetWindowRect(GetAncestor(w, GA_ROOT), &top);
  GetClientRect(w, &c);
  POINT origin{0, 0};
  ClientToScreen(w, &origin);
  const COLORREF text = GetSysColor(COLOR_BTNTEXT);
  std::vector<int> rows;
  for (int y = 0; y < c.bottom; ++y)
    for (int x = 20; x < c.right; ++x) {
      const std::uint32_t v =
          picture.pixels[static_cast<std::size_t>(origin.y - top.top + y) * picture.width + (origin.x - top.left + x)];
      if (RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF) == text) {
        rows.push_back(y);
        break;
      }
    }
  return rows;
}

TEST_F(Buttons, MultilineRadiosWrapTheirTextAndOthersKeepOneLine) {
  const char* text = "Composite video input";
  HWND single = Make(WC_BUTTON, text, BS_AUTORADIOBUTTON, {10, 10, 100, 50}, 1);
  HWND wrapped = Make(WC_BUTTON, text, BS_AUTORADIOBUTTON | BS_MULTILINE, {10, 60, 100, 100}, 2);
  const std::vector<int> one = TextRows(single), two = TextRows(wrapped);
  ASSERT_FALSE(one.empty());
  ASSERT_FALSE(two.empty());
  // Two lines stand taller than one, and stay centred on the button.
  EXPECT_GT(two.back() - two.front(), (one.back() - one.front()) * 3 / 2);
  EXPECT_NEAR((two.front() + two.back()) / 2, 20, 3);
}

TEST_F(Buttons, StaticsNotifyOnlyWithSsNotifyAndShowBitmaps) {
  HWND plain = Make(WC_STATIC, "Label", SS_LEFT, {10, 10, 100, 30}, 1);
  HWND notify = Make(WC_STATIC, "Link", SS_LEFT | SS_NOTIFY, {10, 40, 100, 60}, 2);
  SendMessage(plain, WM_LBUTTONDOWN, 0, 0);
  Click(notify, 5, 5);
  ASSERT_EQ(1u, Of(WM_COMMAND).size());
  EXPECT_EQ(2, Of(WM_COMMAND)[0].id);
  EXPECT_EQ(STN_CLICKED, Of(WM_COMMAND)[0].code);
  HWND pic = Make(WC_STATIC, "", SS_BITMAP, {200, 10, 240, 50}, 3);
  HBITMAP bmp = CreateBitmap(8, 8, 1, 32, nullptr);
  HDC m = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(m, bmp);
  RECT all{0, 0, 8, 8};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(m, &all, red);
  SelectObject(m, old);
  DeleteDC(m);
  DeleteObject(red);
  EXPECT_EQ(nullptr,
            reinterpret_cast<HBITMAP>(SendMessage(pic, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bmp))));
  EXPECT_EQ(RGB(255, 0, 0), Pixel(pic, 3, 3));
  EXPECT_EQ(bmp, reinterpret_cast<HBITMAP>(SendMessage(pic, STM_GETIMAGE, IMAGE_BITMAP, 0)));
  DestroyWindow(pic);
  DeleteObject(bmp);
}

}  // namespace
}  // namespace ctltest
