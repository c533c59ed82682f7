#include <gtest/gtest.h>

#include "platform/window/focus.h"
#include "platform/window/input.h"
#include "platform/window/monitors.h"
#include "platform/window/scroll_bars.h"
#include "platform/testkit/window_log.h"

using namespace testkit;
using platform::MouseButton;

namespace {

struct ScrollCall {
  int code;
  int pos;
};

std::vector<ScrollCall> ScrollsOf(HWND hwnd, UINT msg) {
  std::vector<ScrollCall> out;
  for (auto& l : Log())
    if (l.hwnd == hwnd && l.msg == msg) out.push_back({LOWORD(l.wParam), static_cast<short>(HIWORD(l.wParam))});
  return out;
}

std::vector<int> Codes(const std::vector<ScrollCall>& calls) {
  std::vector<int> out;
  for (auto& c : calls) out.push_back(c.code);
  return out;
}

SIZE ClientSize(HWND h) {
  RECT r{};
  GetClientRect(h, &r);
  return SIZE{r.right, r.bottom};
}

// Answers WM_NCHITTEST with a fixed code, everything else through the window's own procedure.
struct HitOverride {
  static inline std::map<HWND, std::pair<WNDPROC, LRESULT>> windows;
  static LRESULT Proc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto& [old, code] = windows[h];
    if (msg == WM_NCHITTEST) return code;
    return CallWindowProc(old, h, msg, wParam, lParam);
  }
  static void Install(HWND h, LRESULT code) {
    windows[h] = {reinterpret_cast<WNDPROC>(SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc))),
                  code};
  }
};

class NonClient : public ::testing::Test {
 protected:
  void TearDown() override {
    ResetWindows();
    HitOverride::windows.clear();
  }
  // A frameless popup at (100,100)-(400,300) with a vertical bar of range 0..99, page 10.
  HWND MakeScrolled(DWORD extra = WS_VSCROLL) {
    HWND h = MakeTop("scrolled", WS_POPUP | WS_VISIBLE | extra, RECT{100, 100, 400, 300});
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE;
    si.nMax = 99;
    si.nPage = 10;
    SetScrollInfo(h, SB_VERT, &si, TRUE);
    Pump();
    ClearLog();
    return h;
  }
};

TEST_F(NonClient, BarsTakeTheirMetricFromTheClientAreaAndShowWithTheRange) {
  const int cx = GetSystemMetrics(SM_CXVSCROLL);
  const int cy = GetSystemMetrics(SM_CYHSCROLL);
  ASSERT_GT(cx, 0);
  HWND h = MakeTop("plain", WS_POPUP | WS_VISIBLE, RECT{100, 100, 400, 300});
  Pump();
  ClearLog();
  EXPECT_EQ(ClientSize(h).cx, 300);

  SCROLLINFO si;
  si.fMask = SIF_POS;
  si.nPos = 5;
  SetScrollInfo(h, SB_VERT, &si, TRUE);  // a position alone shows nothing
  EXPECT_FALSE(GetWindowLong(h, GWL_STYLE) & WS_VSCROLL);

  si.fMask = SIF_RANGE | SIF_PAGE;
  si.nMin = 0;
  si.nMax = 99;
  si.nPage = 10;
  SetScrollInfo(h, SB_VERT, &si, TRUE);
  EXPECT_TRUE(GetWindowLong(h, GWL_STYLE) & WS_VSCROLL);
  EXPECT_EQ(ClientSize(h).cx, 300 - cx);
  EXPECT_EQ(ClientSize(h).cy, 200);
  EXPECT_EQ(MessagesOf(h, {WM_NCCALCSIZE, WM_SIZE}), (std::vector<UINT>{WM_NCCALCSIZE, WM_SIZE}));
  for (auto& l : Log()) {
    if (l.hwnd == h && l.msg == WM_SIZE) {
      EXPECT_EQ(LOWORD(static_cast<DWORD_PTR>(l.lParam)), 300 - cx);
    }
  }

  si.nPage = 100;  // the whole range fits: the bar goes away
  SetScrollInfo(h, SB_VERT, &si, TRUE);
  EXPECT_FALSE(GetWindowLong(h, GWL_STYLE) & WS_VSCROLL);
  EXPECT_EQ(ClientSize(h).cx, 300);

  si.fMask = SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL;  // kept, though there is nothing to scroll
  SetScrollInfo(h, SB_VERT, &si, TRUE);
  EXPECT_TRUE(GetWindowLong(h, GWL_STYLE) & WS_VSCROLL);

  EXPECT_TRUE(ShowScrollBar(h, SB_BOTH, TRUE));
  EXPECT_EQ(ClientSize(h).cx, 300 - cx);
  EXPECT_EQ(ClientSize(h).cy, 200 - cy);
  EXPECT_TRUE(SetScrollRange(h, SB_HORZ, 0, 0, TRUE));  // an empty range hides
  EXPECT_FALSE(GetWindowLong(h, GWL_STYLE) & WS_HSCROLL);
  EXPECT_TRUE(ShowScrollBar(h, SB_VERT, FALSE));
  EXPECT_EQ(ClientSize(h).cx, 300);
  EXPECT_FALSE(ShowScrollBar(nullptr, SB_VERT, TRUE));

  // The client rectangle WM_NCCALCSIZE gives back matches the one the window keeps.
  ShowScrollBar(h, SB_BOTH, TRUE);
  RECT proposed{0, 0, 300, 200};
  SendMessage(h, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&proposed));
  EXPECT_EQ(proposed.right, 300 - cx);
  EXPECT_EQ(proposed.bottom, 200 - cy);
  // A client size asked of AdjustWindowRectEx does not count the bars.
  RECT want{0, 0, 100, 100};
  AdjustWindowRectEx(&want, WS_POPUP | WS_VSCROLL, FALSE, 0);
  EXPECT_EQ(want.right, 100);
}

TEST_F(NonClient, HitTestingFindsTheBarsInsideTheFrame) {
  HWND h = MakeTop("framed", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL, RECT{100, 100, 500, 400});
  RECT wr{};
  GetWindowRect(h, &wr);
  POINT origin{0, 0};
  ClientToScreen(h, &origin);
  const SIZE client = ClientSize(h);
  auto hit = [&](int x, int y) {
    return SendMessage(h, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
  };
  EXPECT_EQ(hit(origin.x + 5, origin.y + 5), HTCLIENT);
  EXPECT_EQ(hit(origin.x + client.cx + 3, origin.y + 40), HTVSCROLL);
  EXPECT_EQ(hit(origin.x + 40, origin.y + client.cy + 3), HTHSCROLL);
  EXPECT_EQ(hit(origin.x + 40, wr.top + 5), HTCAPTION);
  EXPECT_EQ(hit(wr.left, wr.top + 100), HTBORDER);
  EXPECT_EQ(hit(wr.left - 10, wr.top), HTNOWHERE);
  EXPECT_LE(origin.x + client.cx + GetSystemMetrics(SM_CXVSCROLL), wr.right);
}

TEST_F(NonClient, ArrowAndTrackClicksScrollByLinesAndPages) {
  HWND h = MakeScrolled();
  const int arrow = GetSystemMetrics(SM_CXVSCROLL);
  platform::InjectClick(MouseButton::Left, POINT{390, 100 + arrow / 2});  // up arrow
  Pump();
  platform::InjectClick(MouseButton::Left, POINT{390, 300 - arrow / 2});  // down arrow
  Pump();
  platform::InjectClick(MouseButton::Left, POINT{390, 250});  // track below the thumb
  Pump();
  EXPECT_EQ(Codes(ScrollsOf(h, WM_VSCROLL)),
            (std::vector<int>{SB_LINEUP, SB_ENDSCROLL, SB_LINEDOWN, SB_ENDSCROLL, SB_PAGEDOWN, SB_ENDSCROLL}));
  // The press arrives as a non-client message; nothing reaches the client.
  EXPECT_TRUE(MessagesOf(h, {WM_LBUTTONDOWN}).empty());
  EXPECT_EQ(MessagesOf(h, {WM_NCLBUTTONDOWN}).size(), 3u);

  SetScrollPos(h, SB_VERT, 90, TRUE);
  ClearLog();
  platform::InjectClick(MouseButton::Left, POINT{390, 150});  // track above the thumb, now at the bottom
  Pump();
  EXPECT_EQ(Codes(ScrollsOf(h, WM_VSCROLL)), (std::vector<int>{SB_PAGEUP, SB_ENDSCROLL}));
  EXPECT_EQ(GetCapture(), nullptr);
  // The window decides what a scroll does: the bar itself has not moved.
  EXPECT_EQ(GetScrollPos(h, SB_VERT), 90);
}

TEST_F(NonClient, DraggingTheThumbTracksThenSetsThePosition) {
  HWND h = MakeScrolled();
  const int arrow = GetSystemMetrics(SM_CXVSCROLL);
  // Track 200 - 2 arrows; the thumb is a tenth of it (page 10 of 100) and travels the rest for
  // positions 0..90.
  const int track = 200 - 2 * arrow;
  const int thumb = std::max(8, track / 10);
  const int travel = track - thumb;
  const int grabY = 100 + arrow + thumb / 2;
  // Once the press holds the capture, the moves come to the bar wherever the mouse goes.
  platform::PushInputStep([&] { platform::InjectMouseMove(POINT{390, grabY + travel / 2}); });
  platform::PushInputStep([&] { platform::InjectMouseMove(POINT{390, grabY + travel * 2}); });  // past the end: clamped
  platform::PushInputStep([&] { platform::InjectMouseUp(MouseButton::Left, POINT{390, grabY + travel * 2}); });
  platform::InjectMouseDown(MouseButton::Left, POINT{390, grabY});
  Pump();
  platform::ClearInputScript();
  auto calls = ScrollsOf(h, WM_VSCROLL);
  ASSERT_EQ(Codes(calls), (std::vector<int>{SB_THUMBTRACK, SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}));
  EXPECT_EQ(calls[0].pos, 45);
  EXPECT_EQ(calls[1].pos, 90);
  EXPECT_EQ(calls[2].pos, 90);
  EXPECT_EQ(GetCapture(), nullptr);
  SCROLLINFO si;
  si.fMask = SIF_TRACKPOS | SIF_POS;
  ASSERT_TRUE(GetScrollInfo(h, SB_VERT, &si));
  EXPECT_EQ(si.nTrackPos, 90);
  EXPECT_EQ(si.nPos, 0);
}

TEST_F(NonClient, HorizontalBarsSendHorizontalScrolls) {
  HWND h = MakeTop("wide", WS_POPUP | WS_VISIBLE, RECT{100, 100, 400, 300});
  SetScrollRange(h, SB_HORZ, 0, 50, TRUE);
  Pump();
  ClearLog();
  const int cy = GetSystemMetrics(SM_CYHSCROLL);
  platform::InjectClick(MouseButton::Left, POINT{100 + cy / 2, 300 - cy / 2});  // left arrow
  platform::InjectClick(MouseButton::Left, POINT{400 - cy / 2, 300 - cy / 2});  // right arrow
  Pump();
  EXPECT_EQ(Codes(ScrollsOf(h, WM_HSCROLL)), (std::vector<int>{SB_LINELEFT, SB_ENDSCROLL, SB_LINERIGHT, SB_ENDSCROLL}));
  EXPECT_TRUE(ScrollsOf(h, WM_VSCROLL).empty());
}

TEST_F(NonClient, TransparentWindowsPassTheClickToWhatLiesBeneath) {
  HWND top = MakeTop("scene", WS_POPUP | WS_VISIBLE, RECT{100, 100, 400, 300});
  HWND a = MakeChild(top, 1, RECT{0, 0, 100, 100});
  HWND b = MakeChild(top, 2, RECT{50, 0, 150, 100});  // overlaps a on x 50..100
  HWND upper = WindowFromPoint(POINT{175, 150});
  ASSERT_TRUE(upper == a || upper == b);
  HWND lower = upper == a ? b : a;
  HitOverride::Install(upper, HTTRANSPARENT);
  Pump();
  ClearLog();
  platform::InjectClick(MouseButton::Left, POINT{175, 150});
  Pump();
  EXPECT_EQ(MessagesOf(lower, {WM_LBUTTONDOWN, WM_LBUTTONUP}), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
  EXPECT_TRUE(MessagesOf(upper, {WM_LBUTTONDOWN, WM_LBUTTONUP}).empty());
  for (auto& l : Log()) {  // client coordinates of the window that took it
    if (l.hwnd == lower && l.msg == WM_LBUTTONDOWN) {
      EXPECT_EQ(LOWORD(static_cast<DWORD_PTR>(l.lParam)), lower == a ? 75 : 25);
    }
  }

  // With nothing else beneath, the parent takes it.
  HitOverride::Install(lower, HTTRANSPARENT);
  ClearLog();
  platform::InjectClick(MouseButton::Left, POINT{175, 150});
  Pump();
  EXPECT_EQ(MessagesOf(top, {WM_LBUTTONDOWN, WM_LBUTTONUP}), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));

  // A transparent top-level window hands it to the top-level window below; none below, no one.
  HWND cover = MakeTop("cover", WS_POPUP | WS_VISIBLE, RECT{300, 250, 500, 450});
  HitOverride::Install(cover, HTTRANSPARENT);
  ClearLog();
  platform::InjectClick(MouseButton::Left, POINT{350, 280});
  platform::InjectClick(MouseButton::Left, POINT{450, 400});
  Pump();
  EXPECT_EQ(MessagesOf(top, {WM_LBUTTONDOWN}).size(), 1u);
  EXPECT_TRUE(MessagesOf(cover, {WM_LBUTTONDOWN, WM_NCLBUTTONDOWN}).empty());
}

TEST_F(NonClient, CaptionPressesDragTheWindow) {
  // A skinned, captionless window says its whole area is caption.
  HWND h = MakeTop("skinned", WS_POPUP | WS_VISIBLE, RECT{100, 100, 300, 200});
  HitOverride::Install(h, HTCAPTION);
  Pump();
  ClearLog();
  platform::PushInputStep([] { platform::InjectMouseMove(POINT{180, 170}); });
  platform::PushInputStep([] { platform::InjectMouseUp(MouseButton::Left, POINT{210, 190}); });
  platform::InjectMouseDown(MouseButton::Left, POINT{150, 150});
  Pump();
  RECT r{};
  GetWindowRect(h, &r);
  EXPECT_EQ(r.left, 160);
  EXPECT_EQ(r.top, 140);
  EXPECT_EQ(r.right - r.left, 200);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(MessagesOf(h, {WM_NCLBUTTONDOWN}).size(), 1u);
  platform::ClearInputScript();

  // A real caption does the same; the border does not.
  HWND framed = MakeTop("framed", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{500, 100, 800, 300});
  RECT before{};
  GetWindowRect(framed, &before);
  platform::PushInputStep([] { platform::InjectMouseUp(MouseButton::Left, POINT{620, 130}); });
  platform::InjectMouseDown(MouseButton::Left, POINT{600, 110});
  Pump();
  platform::ClearInputScript();
  RECT after{};
  GetWindowRect(framed, &after);
  EXPECT_EQ(after.left, before.left + 20);
  EXPECT_EQ(after.top, before.top + 20);
  ClearLog();
  platform::InjectClick(MouseButton::Left, POINT{after.left, after.top + 100});
  Pump();
  GetWindowRect(framed, &before);
  EXPECT_TRUE(EqualRect(&before, &after));
  ASSERT_EQ(MessagesOf(framed, {WM_NCLBUTTONDOWN, WM_LBUTTONDOWN}), (std::vector<UINT>{WM_NCLBUTTONDOWN}));
  for (auto& l : Log()) {
    if (l.hwnd == framed && l.msg == WM_NCLBUTTONDOWN) {
      EXPECT_EQ(static_cast<LRESULT>(l.wParam), HTBORDER);
    }
  }
}

}  // namespace
