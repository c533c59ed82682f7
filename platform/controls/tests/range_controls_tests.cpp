#include "platform/testkit/control_test.h"
#include "platform/window/focus.h"

namespace ctltest {
using namespace testkit;
namespace {

using RangeControls = ControlTest;

TEST_F(RangeControls, ScrollInfoIsNormalisedForControlsAndWindowBars) {
  HWND sb = Make(WC_SCROLLBAR, "", SBS_VERT, {10, 10, 27, 210}, 3);
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  si.nMin = 0;
  si.nMax = 99;
  si.nPage = 10;
  si.nPos = 500;
  EXPECT_EQ(90, SetScrollInfo(sb, SB_CTL, &si, TRUE));  // clamped to max - page + 1
  SCROLLINFO out;
  out.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(sb, SB_CTL, &out));
  EXPECT_EQ(10u, out.nPage);
  EXPECT_EQ(90, out.nPos);
  // The window's own bars keep their information too.
  EXPECT_EQ(0, SetScrollRange(parent_, SB_VERT, 0, 50, FALSE) ? 0 : 1);
  SetScrollPos(parent_, SB_VERT, 20, FALSE);
  EXPECT_EQ(20, GetScrollPos(parent_, SB_VERT));
  int lo = 1, hi = 1;
  EXPECT_TRUE(GetScrollRange(parent_, SB_VERT, &lo, &hi));
  EXPECT_EQ(50, hi);
  EXPECT_FALSE(GetScrollInfo(nullptr, SB_VERT, &out));
}

TEST_F(RangeControls, ScrollBarArrowsPagesAndThumbReportToTheParent) {
  HWND sb = Make(WC_SCROLLBAR, "", SBS_VERT, {10, 10, 27, 210}, 3);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMax = 99;
  si.nPage = 10;
  si.nPos = 0;
  SetScrollInfo(sb, SB_CTL, &si, TRUE);
  Click(sb, 8, 195);  // down arrow
  auto codes = Codes(WM_VSCROLL);
  ASSERT_EQ(2u, codes.size());
  EXPECT_EQ(static_cast<UINT>(SB_LINEDOWN), codes[0]);
  EXPECT_EQ(static_cast<UINT>(SB_ENDSCROLL), codes[1]);
  Clear();
  Click(sb, 8, 150);  // below the thumb
  EXPECT_EQ(static_cast<UINT>(SB_PAGEDOWN), Codes(WM_VSCROLL)[0]);
  Clear();
  Down(sb, 8, 20);  // the thumb sits just below the up arrow
  Move(sb, 8, 120);
  Up(sb, 8, 120);
  auto ev = Of(WM_VSCROLL);
  ASSERT_GE(ev.size(), 3u);
  EXPECT_EQ(static_cast<UINT>(SB_THUMBTRACK), ev[0].code);
  EXPECT_EQ(static_cast<UINT>(SB_THUMBPOSITION), ev[ev.size() - 2].code);
  EXPECT_GT(ev[ev.size() - 2].pos, 30);
  EXPECT_LT(ev[ev.size() - 2].pos, 70);
  EXPECT_EQ(0, SendMessage(sb, SBM_GETPOS, 0, 0));  // the parent moves the bar, not the bar itself
}

TEST_F(RangeControls, UpDownStepsTowardsTheMaximumAndFillsItsBuddy) {
  HWND buddy = Make(WC_EDIT, "", 0, {10, 10, 80, 34}, 1);
  HWND ud = Make(UPDOWN_CLASS, "", UDS_SETBUDDYINT | UDS_ALIGNRIGHT, {0, 0, 16, 24}, 2);
  SendMessage(ud, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
  EXPECT_EQ(MAKELONG(0, 100), SendMessage(ud, UDM_GETRANGE, 0, 0));  // Win32's default range runs backwards
  SendMessage(ud, UDM_SETRANGE32, 0, 10);
  SendMessage(ud, UDM_SETPOS32, 0, 9);
  char buf[16];
  GetWindowText(buddy, buf, sizeof(buf));
  EXPECT_STREQ("9", buf);
  RECT r;
  GetClientRect(ud, &r);
  Click(ud, 4, 2);  // up
  ASSERT_FALSE(Of(WM_NOTIFY).empty());
  EXPECT_EQ(UDN_DELTAPOS, Of(WM_NOTIFY)[0].code);
  EXPECT_EQ(9, Of(WM_NOTIFY)[0].pos);
  EXPECT_EQ(1u, Of(WM_NOTIFY)[0].state);
  EXPECT_EQ(10, SendMessage(ud, UDM_GETPOS32, 0, 0));
  EXPECT_EQ(static_cast<UINT>(SB_THUMBPOSITION), Codes(WM_VSCROLL)[0]);
  EXPECT_EQ(10, Of(WM_VSCROLL)[0].pos);
  Click(ud, 4, 2);  // already at the top and no wrap
  EXPECT_EQ(10, SendMessage(ud, UDM_GETPOS32, 0, 0));
  // The parent may refuse a change.
  onNotify_ = [](NMHDR* h) -> LRESULT { return h->code == UDN_DELTAPOS ? 1 : 0; };
  Click(ud, 4, r.bottom - 2);
  EXPECT_EQ(10, SendMessage(ud, UDM_GETPOS32, 0, 0));
  onNotify_ = nullptr;
  Click(ud, 4, r.bottom - 2);
  EXPECT_EQ(9, SendMessage(ud, UDM_GETPOS32, 0, 0));
  // A buddy that holds no number is reported as an error.
  SetWindowText(buddy, "abc");
  BOOL failed = FALSE;
  SendMessage(ud, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed));
  EXPECT_TRUE(failed);
}

RECT InParent(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(RangeControls, AlignedArrowsNarrowEachBuddyOnceHoweverOftenTheyMove) {
  for (DWORD align : {DWORD{UDS_ALIGNLEFT}, DWORD{UDS_ALIGNRIGHT}}) {
    HWND fields[3];
    for (int i = 0; i < 3; ++i) fields[i] = Make(WC_EDIT, "00", 0, {10 + 40 * i, 10, 46 + 40 * i, 30}, 10 + i);
    HWND ud = Make(UPDOWN_CLASS, "", UDS_SETBUDDYINT | align, {140, 10, 152, 30}, 20);
    RECT narrowed[3];
    for (int i = 0; i < 3; ++i) {
      SendMessage(ud, UDM_SETBUDDY, reinterpret_cast<WPARAM>(fields[i]), 0);
      narrowed[i] = InParent(fields[i]);
      EXPECT_EQ(narrowed[i].right - narrowed[i].left, 24) << "field " << i;
    }
    // As a dialog moves the arrows to the focused field, ten times round.
    for (int round = 0; round < 10; ++round) {
      const int i = round % 3;
      SendMessage(ud, UDM_SETBUDDY, reinterpret_cast<WPARAM>(fields[i]), 0);
      const RECT arrows = InParent(ud);
      if (align == UDS_ALIGNLEFT) EXPECT_EQ(arrows.right, narrowed[i].left);
      else EXPECT_EQ(arrows.left, narrowed[i].right);
      EXPECT_EQ(arrows.right - arrows.left, 12);
      for (int f = 0; f < 3; ++f) {
        const RECT now = InParent(fields[f]);
        EXPECT_TRUE(EqualRect(&narrowed[f], &now)) << "field " << f << " after round " << round;
      }
    }
    for (HWND f : fields) DestroyWindow(f);
    DestroyWindow(ud);
  }
}

TEST_F(RangeControls, ProgressBarFillsItsShareAndStepsRoundAgain) {
  HWND pb = Make(PROGRESS_CLASS, "", PBS_SMOOTH, {10, 10, 210, 30}, 4);
  EXPECT_EQ(MAKELONG(0, 100), SendMessage(pb, PBM_SETRANGE32, 0, 200));
  EXPECT_EQ(0, SendMessage(pb, PBM_SETPOS, 100, 0));
  EXPECT_EQ(100, SendMessage(pb, PBM_GETPOS, 0, 0));
  SendMessage(pb, PBM_SETBARCOLOR, 0, RGB(0, 0, 255));
  EXPECT_EQ(RGB(0, 0, 255), Pixel(pb, 50, 10));
  EXPECT_NE(RGB(0, 0, 255), Pixel(pb, 150, 10));
  SendMessage(pb, PBM_SETPOS, 500, 0);
  EXPECT_EQ(200, SendMessage(pb, PBM_GETPOS, 0, 0));
  SendMessage(pb, PBM_SETSTEP, 30, 0);
  SendMessage(pb, PBM_STEPIT, 0, 0);
  EXPECT_EQ(30, SendMessage(pb, PBM_GETPOS, 0, 0));
  PBRANGE range;
  EXPECT_EQ(200, SendMessage(pb, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range)));
  EXPECT_EQ(0, range.iLow);
}

TEST_F(RangeControls, TrackbarPagesDragsAndStepsWithTheKeys) {
  HWND tb = Make(TRACKBAR_CLASS, "", TBS_AUTOTICKS, {10, 10, 226, 40}, 5);
  SendMessage(tb, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
  SendMessage(tb, TBM_SETPOS, TRUE, 500);
  EXPECT_EQ(100, SendMessage(tb, TBM_GETPOS, 0, 0));
  SendMessage(tb, TBM_SETPOS, TRUE, 0);
  Click(tb, 150, 15);  // right of the thumb: one page
  EXPECT_EQ(20, SendMessage(tb, TBM_GETPOS, 0, 0));
  auto codes = Codes(WM_HSCROLL);
  ASSERT_EQ(2u, codes.size());
  EXPECT_EQ(TB_PAGEDOWN, codes[0]);
  EXPECT_EQ(TB_ENDTRACK, codes[1]);
  Clear();
  RECT thumb;
  SendMessage(tb, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  int cy = (thumb.top + thumb.bottom) / 2;
  Down(tb, (thumb.left + thumb.right) / 2, cy);
  Move(tb, 8 + 200 / 2, cy);
  Up(tb, 8 + 200 / 2, cy);
  EXPECT_EQ(50, SendMessage(tb, TBM_GETPOS, 0, 0));
  auto ev = Of(WM_HSCROLL);
  ASSERT_GE(ev.size(), 3u);
  EXPECT_EQ(TB_THUMBTRACK, ev[0].code);
  EXPECT_EQ(TB_THUMBPOSITION, ev[ev.size() - 2].code);
  EXPECT_EQ(50, ev[ev.size() - 2].pos);
  SetFocus(tb);
  platform::InjectKey(VK_RIGHT);
  Pump();
  EXPECT_EQ(51, SendMessage(tb, TBM_GETPOS, 0, 0));
}

TEST_F(RangeControls, ToolTipShowsAfterItsDelayOnTheClockAndHidesOnClick) {
  HWND target = Make(WC_STATIC, "Burn", SS_NOTIFY, {10, 10, 110, 40}, 6);
  HWND tip = CreateWindowEx(0, TOOLTIPS_CLASS, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 10, 10, parent_, nullptr,
                            nullptr, nullptr);
  ASSERT_NE(nullptr, tip);
  EXPECT_EQ(0, SendMessage(tip, TTM_GETTOOLCOUNT, 0, 0));
  TOOLINFO ti;
  ti.uFlags = TTF_IDISHWND;
  ti.hwnd = parent_;
  ti.uId = reinterpret_cast<UINT_PTR>(target);
  char text[] = "Burn the disc";
  ti.lpszText = text;
  EXPECT_TRUE(SendMessage(tip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&ti)));
  EXPECT_EQ(1, SendMessage(tip, TTM_GETTOOLCOUNT, 0, 0));
  char changed[] = "Burn now";
  ti.lpszText = changed;
  SendMessage(tip, TTM_UPDATETIPTEXT, 0, reinterpret_cast<LPARAM>(&ti));
  MSG m{};
  m.hwnd = target;
  m.message = WM_MOUSEMOVE;
  m.lParam = MAKELPARAM(20, 10);
  SendMessage(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
  Advance(400);
  EXPECT_FALSE(IsWindowVisible(tip));
  Advance(200);
  EXPECT_TRUE(IsWindowVisible(tip));
  char got[32] = {};
  TOOLINFO q;
  q.hwnd = parent_;
  q.uId = reinterpret_cast<UINT_PTR>(target);
  q.lpszText = got;
  SendMessage(tip, TTM_GETTEXT, sizeof(got), reinterpret_cast<LPARAM>(&q));
  EXPECT_STREQ("Burn now", got);
  m.message = WM_LBUTTONDOWN;
  SendMessage(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
  EXPECT_FALSE(IsWindowVisible(tip));
  // Inactive tips never show; active ones pop down after the autopop time.
  SendMessage(tip, TTM_ACTIVATE, FALSE, 0);
  m.message = WM_MOUSEMOVE;
  SendMessage(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
  Advance(1000);
  EXPECT_FALSE(IsWindowVisible(tip));
  SendMessage(tip, TTM_ACTIVATE, TRUE, 0);
  m.lParam = MAKELPARAM(500, 500);  // off every tool
  SendMessage(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
  m.lParam = MAKELPARAM(20, 10);
  SendMessage(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
  Advance(600);
  EXPECT_TRUE(IsWindowVisible(tip));
  Advance(5000);
  EXPECT_FALSE(IsWindowVisible(tip));
  DestroyWindow(tip);
}

}  // namespace
}  // namespace ctltest

namespace ctltest {
using namespace testkit;
namespace {

TEST_F(RangeControls, FlatScrollBarsKeepPropertiesOnlyForInitialisedWindows) {
  int value = 0;
  EXPECT_FALSE(FlatSB_GetScrollProp(parent_, WSB_PROP_VSTYLE, &value));
  EXPECT_FALSE(FlatSB_SetScrollProp(parent_, WSB_PROP_VSTYLE, FSB_FLAT_MODE, TRUE));
  ASSERT_TRUE(InitializeFlatSB(parent_));
  EXPECT_TRUE(FlatSB_GetScrollProp(parent_, WSB_PROP_VSTYLE, &value));
  EXPECT_EQ(FSB_REGULAR_MODE, value);
  EXPECT_TRUE(FlatSB_SetScrollProp(parent_, WSB_PROP_VSTYLE, FSB_FLAT_MODE, TRUE));
  FlatSB_GetScrollProp(parent_, WSB_PROP_VSTYLE, &value);
  EXPECT_EQ(FSB_FLAT_MODE, value);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_POS;
  si.nMax = 10;
  si.nPos = 4;
  FlatSB_SetScrollInfo(parent_, SB_VERT, &si, TRUE);
  EXPECT_EQ(4, FlatSB_GetScrollPos(parent_, SB_VERT));
  EXPECT_EQ(4, GetScrollPos(parent_, SB_VERT));  // the same information as the plain bars
  EXPECT_EQ(S_OK, UninitializeFlatSB(parent_));
  EXPECT_EQ(E_FAIL, UninitializeFlatSB(parent_));
  EXPECT_FALSE(FlatSB_GetScrollProp(parent_, WSB_PROP_VSTYLE, &value));
}

}  // namespace
}  // namespace ctltest
