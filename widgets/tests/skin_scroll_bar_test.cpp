#include "widgets/skin_scroll_bar.h"

#include "widgets/flat_scroll_bar_wrapper.h"
#include "widgets/skin_bitmap.h"
#include "widgets/tests/widget_harness.h"

namespace widgettest {
namespace {

class ScrollBarTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    skin_.Reset(skin::LoadModuleBitmap(ui_, IDB_SKIN_SCROLLBAR));
    ASSERT_NE(skin_.Get(), nullptr);
  }
  void Range(CSkinScrollBar& bar, int min, int max, int page, int pos) {
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = min;
    si.nMax = max;
    si.nPage = static_cast<UINT>(page);
    si.nPos = pos;
    bar.SendMessage(SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si));
  }
  std::vector<std::pair<UINT, int>> Scrolls() const {
    std::vector<std::pair<UINT, int>> out;
    for (const Event& e : Of(WM_VSCROLL)) out.emplace_back(e.code, e.pos);
    return out;
  }
  skin::OwnedBitmap skin_;
};

TEST_F(ScrollBarTest, PiecesAndGeometryFollowTheBitmap) {
  CSkinScrollBar bar;
  ASSERT_TRUE(bar.Create(SBS_VERT | WS_CHILD | WS_VISIBLE, RECT{300, 10, 330, 50}, &parent_, 77));
  bar.SetBitmap(skin_);
  RECT r;
  bar.GetClientRect(&r);
  EXPECT_EQ(r.right, 16);  // 144 / 9
  Range(bar, 0, 9, 10, 0);
  EXPECT_EQ(bar.Geometry().track, 8);
  EXPECT_EQ(bar.Geometry().thumb, 0);  // the page covers the range
  // The up arrow shows its normal piece.
  EXPECT_EQ(Pixel(bar.m_hWnd, 8, 8), StripPixel(IDB_SKIN_SCROLLBAR, 8, 8));
  bar.DestroyWindow();
}

TEST_F(ScrollBarTest, HoldingTheDownArrowStepsThenRepeats) {
  CSkinScrollBar bar;
  ASSERT_TRUE(bar.Create(SBS_VERT | WS_CHILD | WS_VISIBLE, RECT{300, 10, 316, 210}, &parent_, 78));
  bar.SetBitmap(skin_);
  Range(bar, 0, 99, 10, 40);
  Down(bar.m_hWnd, 8, 195);
  EXPECT_EQ(Scrolls(), (std::vector<std::pair<UINT, int>>{{SB_LINEDOWN, 41}}));
  // The pressed arrow is drawn from row 2.
  EXPECT_EQ(Pixel(bar.m_hWnd, 8, 192), StripPixel(IDB_SKIN_SCROLLBAR, 16 + 8, 32 + 8));
  Advance(400);
  EXPECT_EQ(Scrolls().size(), 1u);
  Advance(100);
  EXPECT_EQ(Scrolls().size(), 2u);
  Advance(100);
  Advance(100);
  EXPECT_EQ(Scrolls().size(), 4u);
  // At the end the repeat stops.
  Range(bar, 0, 99, 10, 90);
  Advance(100);
  Advance(100);
  const std::size_t atEnd = Scrolls().size();
  Advance(300);
  EXPECT_EQ(Scrolls().size(), atEnd);
  Up(bar.m_hWnd, 8, 195);
  bar.DestroyWindow();
}

TEST_F(ScrollBarTest, DraggingTheThumbTracksAndEndsWithItsPosition) {
  CSkinScrollBar bar;
  ASSERT_TRUE(bar.Create(SBS_VERT | WS_CHILD | WS_VISIBLE, RECT{300, 10, 316, 210}, &parent_, 79));
  bar.SetBitmap(skin_);
  Range(bar, 10, 109, 10, 10);
  const skin::ScrollGeometry g = bar.Geometry();
  const int thumbMiddle = g.arrow + g.thumbOffset + g.thumb / 2;
  Down(bar.m_hWnd, 8, thumbMiddle);
  EXPECT_TRUE(bar.IsDragging());
  Move(bar.m_hWnd, 8, thumbMiddle + 1000);
  ASSERT_FALSE(Of(WM_SKINSCROLL_TRACK).empty());
  EXPECT_EQ(Of(WM_SKINSCROLL_TRACK).back().pos, 100);  // the last reachable position
  EXPECT_EQ(Scrolls().back(), (std::pair<UINT, int>{SB_THUMBTRACK, 100}));
  Up(bar.m_hWnd, 8, thumbMiddle + 1000);
  EXPECT_EQ(Scrolls().back(), (std::pair<UINT, int>{SB_THUMBPOSITION, 100}));
  EXPECT_FALSE(bar.IsDragging());
  bar.DestroyWindow();
}

TEST_F(ScrollBarTest, FrameScrollsItsListAndGoesAwayWithItsWindow) {
  HWND list = Make(WC_LISTBOX, "", WS_VSCROLL | WS_BORDER | LBS_NOINTEGRALHEIGHT, {10, 10, 210, 110}, 88);
  for (int i = 0; i < 50; ++i) SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("clip"));
  UpdateWindow(list);
  CSkinScrollBarFrame* frame = CSkinScrollBarFrame::Attach(list, skin_);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(CSkinScrollBarFrame::FromList(list), frame);
  EXPECT_EQ(GetParent(GetParent(list)), frame->m_hWnd);
  EXPECT_TRUE(frame->VerticalBar().IsWindowVisible());
  EXPECT_FALSE(frame->HorizontalBar().IsWindowVisible());
  // A click on the skin bar's down arrow scrolls the list.
  RECT bar;
  frame->VerticalBar().GetClientRect(&bar);
  Click(frame->VerticalBar().m_hWnd, 8, bar.bottom - 4);
  EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 1);
  // The list still takes its own keys, and the bar follows it.
  SendMessage(list, LB_SETTOPINDEX, 20, 0);
  Advance(500);
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_POS;
  frame->VerticalBar().SendMessage(SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&si));
  EXPECT_EQ(si.nPos, 20);
  // Destroying the dialog destroys list and frame together, without the caller deleting it.
  parent_.DestroyWindow();
  Pump();
}

TEST_F(ScrollBarTest, DetachPutsTheListBack) {
  HWND list = Make(WC_LISTBOX, "", WS_VSCROLL | LBS_NOINTEGRALHEIGHT, {10, 10, 210, 110}, 89);
  ASSERT_NE(CSkinScrollBarFrame::Attach(list, skin_), nullptr);
  EXPECT_EQ(CSkinScrollBarFrame::Attach(list, skin_), nullptr);  // once
  CSkinScrollBarFrame::Detach(list);
  Pump();
  EXPECT_EQ(GetParent(list), parent_.m_hWnd);
  EXPECT_EQ(CSkinScrollBarFrame::FromList(list), nullptr);
  SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("still a list"));
  EXPECT_EQ(SendMessage(list, LB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(CSkinScrollBarFrame::Attach(nullptr, skin_), nullptr);
  EXPECT_EQ(CSkinScrollBarFrame::Attach(list, nullptr), nullptr);
}

TEST_F(ScrollBarTest, FlatWrapperReachesItsWindowsBars) {
  HWND list = Make(WC_LISTBOX, "", WS_VSCROLL | LBS_NOINTEGRALHEIGHT, {10, 10, 210, 110}, 90);
  CFlatScrollBarWrapper flat;
  int value = 0;
  EXPECT_FALSE(flat.GetScrollProp(WSB_PROP_VSTYLE, &value));  // no window yet
  ASSERT_TRUE(flat.Initialize(CWnd::FromHandle(list)));
  flat.SetScrollRange(SB_VERT, 0, 40);
  flat.SetScrollPos(SB_VERT, 7);
  EXPECT_EQ(flat.GetScrollPos(SB_VERT), 7);
  int lo = -1, hi = -1;
  EXPECT_TRUE(flat.GetScrollRange(SB_VERT, &lo, &hi));
  EXPECT_EQ(hi, 40);
  flat.Uninitialize();
}

}  // namespace
}  // namespace widgettest
