#include <gtest/gtest.h>

#include "platform/base/module.h"
#include "platform/controls/commctrl.h"
#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/region.h"
#include "platform/window/afx_app.h"
#include "platform/window/resources.h"
#include "resources/skin_ids.h"
#include "widgets/balloon_tip.h"
#include "widgets/skin_bitmap.h"

namespace {

class BalloonFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControls();  // the window surfaces the shapes are kept in
    module_ = LoadLibrary("WidgetsTestUI.dll");
    ui_ = LoadLibrary("Vidarro5UI.dll");
    ASSERT_NE(module_, nullptr);
    ASSERT_NE(ui_, nullptr);
    previous_ = AfxGetResourceHandle();
    AfxSetResourceHandle(module_);
  }
  void TearDown() override {
    AfxSetResourceHandle(previous_);
    FreeLibrary(module_);
    FreeLibrary(ui_);
  }
  HMODULE module_ = nullptr, ui_ = nullptr;
  HINSTANCE previous_ = nullptr;
};

class Parent : public CWnd {};

TEST_F(BalloonFrameTest, TipSitsCentredOverItsParentWithItsShapeAndText) {
  static const bool registered = [] {
    WNDCLASS wc;
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "BalloonParent";
    return RegisterClass(&wc) != 0;
  }();
  ASSERT_TRUE(registered);
  Parent parent;
  ASSERT_TRUE(
      parent.CreateEx(0, "BalloonParent", "Capture", WS_POPUP | WS_VISIBLE, RECT{50, 40, 650, 440}, nullptr, 0));
  const std::size_t objects = platform::gdi::LiveObjectCount();
  for (int round = 0; round < 3; ++round) {
    CBalloonTip tip;
    ASSERT_TRUE(tip.Show(&parent));
    EXPECT_EQ(tip.GetOffsetX(), 160);
    EXPECT_EQ(tip.GetOffsetY(), 130);
    RECT r;
    GetWindowRect(tip.m_hWnd, &r);
    EXPECT_EQ(r.left, 50 + 160);
    EXPECT_EQ(r.top, 40 + 130);
    EXPECT_EQ(tip.GetText(), "Recording has started");
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(tip.m_hWnd, shape), ERROR);
    EXPECT_TRUE(PtInRegion(shape, 140, 70));  // inside the ellipse
    EXPECT_TRUE(PtInRegion(shape, 8, 65));    // the pointer
    EXPECT_FALSE(PtInRegion(shape, 12, 2));   // outside both
    DeleteObject(shape);
    EXPECT_EQ(tip.GetTextRect().left, 50);
    // Ending the tip removes its window, not just hides it.
    tip.Close();
    EXPECT_EQ(tip.m_hWnd, nullptr);
  }
  // Recording after recording leaks no drawing objects.
  EXPECT_EQ(platform::gdi::LiveObjectCount(), objects);
  parent.DestroyWindow();
}

TEST_F(BalloonFrameTest, FramePiecesLieAlongTheSidesAroundAFilledInterior) {
  CSkinFrame frame;
  ASSERT_TRUE(frame.m_pieces[CSkinFrame::kTop][0].Load(ui_, IDB_SKIN_FRAME_CORNER_TL));
  ASSERT_TRUE(frame.m_pieces[CSkinFrame::kTop][1].Load(ui_, IDB_SKIN_FRAME_TOP));
  ASSERT_TRUE(frame.m_pieces[CSkinFrame::kTop][2].Load(ui_, IDB_SKIN_FRAME_TOP_MIDDLE));
  ASSERT_TRUE(frame.m_pieces[CSkinFrame::kTop][3].Load(ui_, IDB_SKIN_FRAME_CORNER_TR));
  ASSERT_TRUE(frame.m_pieces[CSkinFrame::kLeft][0].Load(ui_, IDB_SKIN_FRAME_LEFT));
  ASSERT_TRUE(frame.m_pieces[CSkinFrame::kRight][0].Load(ui_, IDB_SKIN_FRAME_RIGHT));
  ASSERT_TRUE(frame.m_pieces[CSkinFrame::kBottom][0].Load(ui_, IDB_SKIN_FRAME_CORNER_BL));
  ASSERT_TRUE(frame.m_pieces[CSkinFrame::kBottom][1].Load(ui_, IDB_SKIN_FRAME_BOTTOM));
  ASSERT_TRUE(frame.m_pieces[CSkinFrame::kBottom][2].Load(ui_, IDB_SKIN_FRAME_CORNER_BR));
  EXPECT_FALSE(frame.m_pieces[CSkinFrame::kBand][0].Load(ui_, 4242));
  frame.SetRect(0, 0, 101, 60);
  frame.SetFillColor(RGB(10, 200, 30));
  // 101 - 8 - 24 - 8 + 1 = 62: two runs of 31.
  EXPECT_EQ(frame.GetTopFillWidth(), 31);

  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP canvas = CreateBitmap(101, 60, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, canvas);
  frame.Draw(CDC::FromHandle(dc), TRUE);
  auto stripPixel = [&](UINT id, int x, int y) {
    HBITMAP b = LoadBitmap(ui_, MAKEINTRESOURCE(id));
    HDC m = CreateCompatibleDC(nullptr);
    HGDIOBJ o = SelectObject(m, b);
    const COLORREF c = GetPixel(m, x, y);
    SelectObject(m, o);
    DeleteDC(m);
    DeleteObject(b);
    return c;
  };
  EXPECT_EQ(GetPixel(dc, 3, 3), stripPixel(IDB_SKIN_FRAME_CORNER_TL, 3, 3));
  // The middle decoration starts after the first run: 8 + 31.
  EXPECT_EQ(GetPixel(dc, 8 + 31 + 12, 3), stripPixel(IDB_SKIN_FRAME_TOP_MIDDLE, 12, 3));
  EXPECT_EQ(GetPixel(dc, 50, 30), RGB(10, 200, 30));
  // A side of one piece draws it once, below the top corner.
  EXPECT_EQ(GetPixel(dc, 1, 9), stripPixel(IDB_SKIN_FRAME_LEFT, 1, 1));
  SelectObject(dc, old);
  DeleteObject(canvas);
  DeleteDC(dc);
}

}  // namespace
