#include <fstream>
#include <sstream>

#include "widgets/skin_check_box.h"
#include "widgets/skin_label.h"
#include "widgets/skin_slider.h"
#include "widgets/tests/widget_harness.h"

namespace widgettest {
namespace {

using Sliders = WidgetTest;

class SliderTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    hwnd_ = Make(WC_STATIC, "", SS_NOTIFY, {20, 100, 40, 120}, 401);
    ASSERT_TRUE(slider_.SubclassWindow(hwnd_));
    ASSERT_TRUE(slider_.SetChannelBitmaps(ui_, IDB_SKIN_SLIDER_CHANNEL, IDB_SKIN_SLIDER_FILLED, TRUE,
                                          SKIN_KEY_FROM_PIXEL, 0, 0));
    ASSERT_TRUE(slider_.SetThumbBitmaps(ui_, IDB_SKIN_SLIDER_THUMB, IDB_SKIN_SLIDER_THUMB_DRAG, TRUE,
                                        SKIN_KEY_FROM_PIXEL, 0, 0));
  }
  void TearDown() override {
    slider_.UnsubclassWindow();
    WidgetTest::TearDown();
  }
  std::vector<int> Positions(UINT msg) const {
    std::vector<int> out;
    for (const Event& e : Of(msg)) out.push_back(e.pos);
    return out;
  }
  CSkinSlider slider_;
  HWND hwnd_ = nullptr;
};

// Channel 160 wide, thumb 12: 148 pixels of travel.
TEST_F(SliderTest, ClickAwayFromTheThumbMovesItThereAndTellsTheParent) {
  RECT r;
  GetClientRect(hwnd_, &r);
  EXPECT_EQ(r.right, 160);
  slider_.SetPos(50);
  EXPECT_EQ(slider_.ThumbCentre(), 80);
  EXPECT_EQ(Pixel(hwnd_, 80, 8), StripPixel(IDB_SKIN_SLIDER_THUMB, 6, 8));
  Click(hwnd_, 150, 8);
  EXPECT_EQ(slider_.GetPos(), 97);
  EXPECT_EQ(Positions(WM_SKINSLIDER_TRACK), std::vector<int>{97});
  ASSERT_EQ(Of(WM_SKINSLIDER_CHANGED).size(), 1u);
  EXPECT_EQ(Of(WM_SKINSLIDER_CHANGED)[0].id, 401);
  EXPECT_EQ(Of(WM_SKINSLIDER_CHANGED)[0].pos, 97);
  // Left of the thumb the filled channel shows, right of it the empty one.
  EXPECT_EQ(Pixel(hwnd_, 20, 8), StripPixel(IDB_SKIN_SLIDER_FILLED, 20, 8));
  EXPECT_EQ(Pixel(hwnd_, 158, 8), StripPixel(IDB_SKIN_SLIDER_CHANNEL, 158, 8));
}

TEST_F(SliderTest, DraggingPastTheEndStopsAtTheLastCentre) {
  slider_.SetPos(0);
  Down(hwnd_, 6, 8);  // on the thumb
  EXPECT_TRUE(slider_.IsDragging());
  Move(hwnd_, 300, 8);
  EXPECT_EQ(slider_.GetPos(), 100);
  const std::size_t tracks = Of(WM_SKINSLIDER_TRACK).size();
  Move(hwnd_, 400, 8);
  EXPECT_EQ(Of(WM_SKINSLIDER_TRACK).size(), tracks);
  // The drag thumb shows while dragging.
  EXPECT_EQ(Pixel(hwnd_, slider_.ThumbCentre(), 8), StripPixel(IDB_SKIN_SLIDER_THUMB_DRAG, 6, 8));
  Up(hwnd_, 400, 8);
  EXPECT_FALSE(slider_.IsDragging());
  EXPECT_EQ(Positions(WM_SKINSLIDER_CHANGED), std::vector<int>{100});
}

TEST_F(SliderTest, KeysStepAndJumpAndAlwaysReport) {
  slider_.SetRange(0, 100);
  slider_.SetPos(50);
  Key(hwnd_, VK_RIGHT);
  Key(hwnd_, VK_PRIOR);
  Key(hwnd_, VK_HOME);
  Key(hwnd_, VK_HOME);
  Key(hwnd_, VK_END);
  EXPECT_EQ(Positions(WM_SKINSLIDER_CHANGED), (std::vector<int>{51, 31, 0, 0, 100}));
  EXPECT_EQ(SendMessage(hwnd_, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
}

TEST_F(SliderTest, ATransparentChannelShowsTheDialogBehindItAndNoOldThumb) {
  // The dialog behind paints its own skin, in a colour no control uses.
  const COLORREF behind = RGB(40, 90, 150);
  parent_.background = behind;
  RedrawWindow(parent_.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  slider_.SetPos(0);
  EXPECT_EQ(Pixel(hwnd_, 6, 8), StripPixel(IDB_SKIN_SLIDER_THUMB, 6, 8));
  slider_.SetPos(100);
  // The channel's key colour (its top-left pixel) lets the dialog through, and the thumb is gone
  // from where it stood.
  EXPECT_EQ(Pixel(hwnd_, 0, 0), behind);
  EXPECT_NE(Pixel(hwnd_, 6, 8), StripPixel(IDB_SKIN_SLIDER_THUMB, 6, 8));
}

TEST_F(SliderTest, EmptyRangeAndDisabledTrackingAreHarmless) {
  slider_.SetRange(5, 5);
  slider_.SetPos(9);
  EXPECT_EQ(slider_.GetPos(), 5);
  Click(hwnd_, 120, 8);
  EXPECT_EQ(slider_.GetPos(), 5);
  EXPECT_EQ(slider_.ThumbCentre(), 6);
  Clear();
  slider_.SetRange(0, 100);
  slider_.EnableTracking(FALSE);
  Click(hwnd_, 120, 8);
  Key(hwnd_, VK_END);
  EXPECT_TRUE(Of(WM_SKINSLIDER_TRACK).empty());
  EXPECT_TRUE(Of(WM_SKINSLIDER_CHANGED).empty());
  EXPECT_NE(Pixel(hwnd_, 6, 8), StripPixel(IDB_SKIN_SLIDER_THUMB, 6, 8));
  // A missing bitmap fails and leaves the other parts.
  EXPECT_FALSE(slider_.SetThumbBitmaps(ui_, 4242, 0, FALSE, 0));
}

using CheckBoxes = WidgetTest;

TEST_F(CheckBoxes, ClicksToggleAndShowTheirPictures) {
  CSkinCheckBox box(ui_, IDB_SKIN_CHECKBOX, 13);
  HWND b = Make(WC_BUTTON, "Deinterlace", BS_AUTOCHECKBOX, {10, 10, 160, 30}, 501);
  ASSERT_TRUE(box.SubclassWindow(b));
  EXPECT_EQ(box.GetFrame(), 1);
  // The box is centred in the 20-pixel row: its middle pixel is the picture's.
  EXPECT_EQ(Pixel(b, 6, 9), StripPixel(IDB_SKIN_CHECKBOX, 13 + 6, 6));
  Click(b, 5, 10);
  EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), 1);
  EXPECT_EQ(box.GetFrame(), 0);
  EXPECT_EQ(Pixel(b, 6, 9), StripPixel(IDB_SKIN_CHECKBOX, 6, 6));
  ASSERT_EQ(Of(WM_COMMAND).size(), 1u);
  EXPECT_EQ(Of(WM_COMMAND)[0].code, static_cast<UINT>(BN_CLICKED));
  // Pressed, moved out and released outside: unchanged.
  Down(b, 5, 10);
  EXPECT_EQ(box.GetFrame(), 2);
  Move(b, 300, 100);
  EXPECT_EQ(box.GetFrame(), 0);
  Up(b, 300, 100);
  EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), 1);
  // Space toggles on release.
  Key(b, VK_SPACE);
  EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), 0);
  // Checked while disabled shows picture 4.
  EnableWindow(b, FALSE);
  SendMessage(b, BM_SETCHECK, 1, 0);
  EXPECT_EQ(box.GetFrame(), 4);
  box.UnsubclassWindow();
}

using Labels = WidgetTest;

std::string LaunchRecord() {
  std::ifstream in(getenv("VIDARRO_LAUNCH_RECORD"));
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST_F(Labels, OnlyLinkModeOpensAndOnlyWebAddresses) {
  CSkinLabel label;
  HWND l = Make(WC_STATIC, "https://example.org/about", SS_NOTIFY, {10, 10, 200, 30}, 601);
  ASSERT_TRUE(label.SubclassWindow(l));
  // Without an address the label opens its own text when that is wholly an address...
  Click(l, 20, 10);
  EXPECT_NE(LaunchRecord().find("https://example.org/about"), std::string::npos);
  // ...and nothing when the text is a command, a file or a path, with or without an address in it.
  for (const char* text : {"rm -rf ~; https://example.org", "file:///etc/passwd", "/usr/bin/xterm"}) {
    const std::string before = LaunchRecord();
    label.SetText(text);
    Click(l, 20, 10);
    EXPECT_EQ(LaunchRecord(), before) << text;
  }
  const std::string before = LaunchRecord();
  label.SetLinkURL("https://example.org/vidarro");
  label.SetLink(FALSE);
  Click(l, 20, 10);
  EXPECT_EQ(LaunchRecord(), before);
  label.SetLink(TRUE);
  Click(l, 20, 10);
  EXPECT_NE(LaunchRecord().find("https://example.org/vidarro"), std::string::npos);
  EXPECT_TRUE(CSkinLabel::IsOpenableLink("mailto:help@example.org"));
  EXPECT_FALSE(CSkinLabel::IsOpenableLink("file:///etc/passwd"));
  EXPECT_FALSE(CSkinLabel::IsOpenableLink("/usr/bin/xterm"));
  EXPECT_FALSE(CSkinLabel::IsOpenableLink("https://a b"));
  EXPECT_FALSE(CSkinLabel::IsOpenableLink("https://"));
  label.UnsubclassWindow();
}

TEST_F(Labels, TextFlashStoppedInItsOnPhasePutsTheTextBack) {
  CSkinLabel label;
  HWND l = Make(WC_STATIC, "REC", 0, {10, 10, 200, 30}, 602);
  ASSERT_TRUE(label.SubclassWindow(l));
  label.SetFontBold(TRUE).SetFontSize(18).SetTextColor(RGB(200, 0, 0));
  EXPECT_EQ(label.GetLogFont().lfWeight, 700);
  EXPECT_EQ(label.GetLogFont().lfHeight, -18);
  label.FlashText(TRUE);
  Advance(500);
  EXPECT_EQ(label.GetWindowText(), "");
  label.FlashText(FALSE);
  EXPECT_EQ(label.GetWindowText(), "REC");
  label.UnsubclassWindow();
}

using FileNameEdits = WidgetTest;

TEST_F(FileNameEdits, RefusesReservedCharactersAndKeepsItsColumn) {
  CFileNameEdit edit;
  HWND e = Make(WC_EDIT, "", ES_AUTOHSCROLL, {10, 10, 200, 30}, 701);
  ASSERT_TRUE(edit.SubclassWindow(e));
  SetFocus(e);
  for (char c : std::string("a?b:c*d.mpg")) {
    platform::InjectChar(c);
    Pump();
  }
  EXPECT_EQ(edit.GetWindowText(), "abcd.mpg");
  edit.ReplaceSel("<x|y>");
  EXPECT_EQ(edit.GetWindowText(), "abcd.mpgxy");
  EXPECT_TRUE(CFileNameEdit::IsFileNameChar('A'));
  EXPECT_TRUE(CFileNameEdit::IsFileNameChar(':') == FALSE);
  edit.m_nLeft = 40;
  edit.m_nWidth = 120;
  edit.MoveWindow(0, 50, 300, 20);
  RECT r;
  GetWindowRect(e, &r);
  POINT p{r.left, r.top};
  ScreenToClient(parent_.m_hWnd, &p);
  EXPECT_EQ(p.x, 40);
  EXPECT_EQ(p.y, 50);
  EXPECT_EQ(r.right - r.left, 120);
  edit.UnsubclassWindow();
}

}  // namespace
}  // namespace widgettest
