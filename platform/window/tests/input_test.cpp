#include <gtest/gtest.h>

#include "platform/window/focus.h"
#include "platform/window/input.h"
#include "platform/window/monitor_info.h"
#include "platform/window/monitors.h"
#include "platform/window/paint.h"
#include "platform/window/window_surface.h"
#include "platform/testkit/window_log.h"

using namespace testkit;
using platform::MouseButton;

namespace {

class Input : public ::testing::Test {
 protected:
  void TearDown() override {
    ResetWindows();
    platform::SetVirtualMonitors({});
  }
  // A popup at (100,100)-(400,300) with two children side by side.
  void MakeScene() {
    top = MakeTop("scene", WS_POPUP | WS_VISIBLE, RECT{100, 100, 400, 300});
    left = MakeChild(top, 1, RECT{0, 0, 100, 100});
    right = MakeChild(top, 2, RECT{150, 0, 250, 100});
    Pump();
    ClearLog();
  }
  std::vector<UINT> Mouse(HWND h) {
    return MessagesOf(h,
                      {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_MOUSELEAVE, WM_CAPTURECHANGED});
  }
  HWND top = nullptr, left = nullptr, right = nullptr;
};

TEST_F(Input, ClicksGoToTheDeepestWindowWithClientCoordinates) {
  MakeScene();
  platform::InjectClick(MouseButton::Left, POINT{110, 120});
  Pump();
  EXPECT_EQ(Mouse(left), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
  for (auto& l : Log())
    if (l.hwnd == left && l.msg == WM_LBUTTONDOWN) {
      EXPECT_EQ(LOWORD(static_cast<DWORD_PTR>(l.lParam)), 10);
      EXPECT_EQ(HIWORD(static_cast<DWORD_PTR>(l.lParam)), 20);
      EXPECT_EQ(l.wParam & MK_LBUTTON, MK_LBUTTON);
    }
  platform::InjectClick(MouseButton::Left, POINT{220, 120});  // between the children
  Pump();
  EXPECT_EQ(Mouse(top), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
  EXPECT_EQ(WindowFromPoint(POINT{260, 150}), right);
  EXPECT_EQ(WindowFromPoint(POINT{5, 5}), nullptr);
}

TEST_F(Input, DisabledAndHiddenChildrenAreLookedThroughAndDisabledTopLevelsGetNothing) {
  MakeScene();
  EnableWindow(left, FALSE);
  ShowWindow(right, SW_HIDE);
  ClearLog();
  platform::InjectClick(MouseButton::Left, POINT{110, 120});
  platform::InjectClick(MouseButton::Left, POINT{260, 120});
  Pump();
  EXPECT_TRUE(Mouse(left).empty());
  EXPECT_TRUE(Mouse(right).empty());
  EXPECT_EQ(Mouse(top).size(), 4u);
  ClearLog();
  EnableWindow(top, FALSE);
  platform::InjectClick(MouseButton::Left, POINT{220, 120});
  Pump();
  EXPECT_TRUE(Mouse(top).empty());
}

TEST_F(Input, CaptureTakesAllMouseInputUntilReleased) {
  MakeScene();
  SetCapture(left);
  platform::InjectMouseMove(POINT{350, 250});
  Pump();
  EXPECT_EQ(Mouse(left), (std::vector<UINT>{WM_MOUSEMOVE}));
  EXPECT_EQ(GetCapture(), left);
  SetCapture(right);  // the loser hears about it
  EXPECT_EQ(MessagesOf(left, {WM_CAPTURECHANGED}).size(), 1u);
  ReleaseCapture();
  EXPECT_EQ(MessagesOf(right, {WM_CAPTURECHANGED}).size(), 1u);
  EXPECT_EQ(GetCapture(), nullptr);
  ClearLog();
  platform::InjectMouseMove(POINT{110, 110});
  Pump();
  EXPECT_EQ(Mouse(left), (std::vector<UINT>{WM_MOUSEMOVE}));
  SetCapture(left);
  DestroyWindow(left);  // a destroyed capture window lets go
  EXPECT_EQ(GetCapture(), nullptr);
}

WNDPROC g_heldProc = nullptr;

// A hover button's way: it holds the capture until a move says the pointer has left it.
LRESULT LetsGoWhenLeft(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_MOUSEMOVE) {
    RECT r;
    GetClientRect(h, &r);
    const POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    if (!PtInRect(&r, at)) ReleaseCapture();
  }
  return CallWindowProc(g_heldProc, h, msg, wp, lp);
}

TEST_F(Input, AClickRightAfterAMoveOffAHoverButtonGoesWhereThePointerIs) {
  // The move and the click arrive together, before the button has read the move that makes it
  // let go: the click belongs to the window under the pointer once the move is read.
  MakeScene();
  g_heldProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtr(left, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LetsGoWhenLeft)));
  SetCapture(left);
  ClearLog();
  platform::InjectMouseMove(POINT{300, 150});
  platform::InjectClick(MouseButton::Left, POINT{300, 150});
  Pump();
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(MessagesOf(left, {WM_LBUTTONDOWN, WM_LBUTTONUP}), std::vector<UINT>{});
  EXPECT_EQ(MessagesOf(right, {WM_LBUTTONDOWN, WM_LBUTTONUP}), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
  for (auto& l : Log())
    if (l.hwnd == right && l.msg == WM_LBUTTONDOWN) {
      EXPECT_EQ(LOWORD(static_cast<DWORD_PTR>(l.lParam)), 50);
      EXPECT_EQ(HIWORD(static_cast<DWORD_PTR>(l.lParam)), 50);
    }
  // Off every window, the click reaches no one.
  SetCapture(left);
  ClearLog();
  platform::InjectMouseMove(POINT{600, 600});
  platform::InjectClick(MouseButton::Left, POINT{600, 600});
  Pump();
  EXPECT_EQ(MessagesOf(left, {WM_LBUTTONDOWN, WM_LBUTTONUP}), std::vector<UINT>{});
  EXPECT_EQ(MessagesOf(top, {WM_LBUTTONDOWN, WM_LBUTTONUP}), std::vector<UINT>{});
}

TEST_F(Input, FocusMovesWithKillAndSetFocusAndKeysFollowIt) {
  MakeScene();
  SetFocus(left);
  ClearLog();
  EXPECT_EQ(SetFocus(right), left);
  std::vector<std::pair<HWND, UINT>> order;
  for (auto& l : Log())
    if (l.msg == WM_KILLFOCUS || l.msg == WM_SETFOCUS) order.emplace_back(l.hwnd, l.msg);
  EXPECT_EQ(order, (std::vector<std::pair<HWND, UINT>>{{left, WM_KILLFOCUS}, {right, WM_SETFOCUS}}));
  platform::InjectKey('A');
  platform::InjectChar('a');
  Pump();
  EXPECT_EQ(MessagesOf(right, {WM_KEYDOWN, WM_CHAR, WM_KEYUP}),
            (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_CHAR}));  // translated right after its key
  EnableWindow(right, FALSE);                                              // disabling the focus window leaves no focus
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(SetFocus(right), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(Input, KeysTypeTheCharactersOfTheUsLayoutWithShiftCapsAndCtrl) {
  MakeScene();
  SetFocus(right);
  ClearLog();
  auto shifted = [](int vk) {
    platform::InjectKeyDown(VK_SHIFT);
    platform::InjectKey(vk);
    platform::InjectKeyUp(VK_SHIFT);
  };
  auto with = [](int modifier, int vk) {
    platform::InjectKeyDown(modifier);
    platform::InjectKey(vk);
    platform::InjectKeyUp(modifier);
  };
  for (int vk : std::initializer_list<int>{'A', '1', VK_OEM_MINUS, VK_OEM_1, VK_OEM_7, VK_OEM_2, VK_OEM_3, VK_OEM_4,
                                           VK_OEM_5, VK_SPACE})
    platform::InjectKey(vk);
  for (int vk : std::initializer_list<int>{'A', '1', '9', VK_OEM_MINUS, VK_OEM_PLUS, VK_OEM_COMMA, VK_OEM_PERIOD,
                                           VK_OEM_2, VK_OEM_7, VK_OEM_6})
    shifted(vk);
  platform::InjectKey(VK_CAPITAL);  // caps lock on: letters only
  platform::InjectKey('B');
  shifted('B');
  platform::InjectKey('3');
  platform::InjectKey(VK_CAPITAL);
  platform::InjectKey('B');
  for (int vk : {VK_NUMPAD0 + 7, VK_DECIMAL, VK_DIVIDE, VK_MULTIPLY, VK_LEFT, VK_F1, VK_DELETE})
    platform::InjectKey(vk);
  with(VK_CONTROL, 'C');  // Ctrl makes control codes, and nothing of digits
  with(VK_CONTROL, '1');
  with(VK_MENU, 'F');  // Alt keys are for menus
  Pump();
  std::string typed;
  for (const Logged& l : Log())
    if (l.hwnd == right && l.msg == WM_CHAR) typed += static_cast<char>(l.wParam);
  EXPECT_EQ(typed, std::string("a1-;'/`[\\ A!(_+<>?\"}Bb3b7./*") + '\x03');
}

TEST_F(Input, KeyStateFollowsRetrievedMessages) {
  MakeScene();
  SetFocus(left);
  platform::InjectKeyDown(VK_SHIFT);
  EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000);  // not yet retrieved
  EXPECT_TRUE(GetAsyncKeyState(VK_SHIFT) & 0x8000);
  Pump();
  EXPECT_TRUE(GetKeyState(VK_SHIFT) & 0x8000);
  platform::InjectKeyUp(VK_SHIFT);
  Pump();
  EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000);
  EXPECT_EQ(GetKeyState(VK_SHIFT) & 1, 1);  // toggled once
}

TEST_F(Input, MouseLeaveIsSentOnceWhenTheTrackedWindowIsLeft) {
  MakeScene();
  platform::InjectMouseMove(POINT{110, 110});
  Pump();
  TRACKMOUSEEVENT tme;
  tme.dwFlags = TME_LEAVE;
  tme.hwndTrack = left;
  ASSERT_TRUE(TrackMouseEvent(&tme));
  platform::InjectMouseMove(POINT{120, 110});
  platform::InjectMouseMove(POINT{260, 110});
  platform::InjectMouseMove(POINT{110, 110});
  Pump();
  EXPECT_EQ(MessagesOf(left, {WM_MOUSELEAVE}).size(), 1u);
}

TEST_F(Input, DoubleClicksNeedTheClassStyle) {
  MakeScene();  // TestWindow has CS_DBLCLKS
  platform::InjectDoubleClick(MouseButton::Left, POINT{110, 110});
  Pump();
  EXPECT_EQ(Mouse(left), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}));
  WNDCLASS wc;
  wc.lpszClassName = "NoDoubleClicks";
  wc.lpfnWndProc = GetClassInfo(nullptr, TestClass(), &wc) ? wc.lpfnWndProc : nullptr;
  wc.lpszClassName = "NoDoubleClicks";
  wc.style = 0;
  ASSERT_TRUE(RegisterClass(&wc));
  HWND plain =
      CreateWindowEx(0, "NoDoubleClicks", "", WS_CHILD | WS_VISIBLE, 0, 150, 50, 50, top, nullptr, nullptr, nullptr);
  ClearLog();
  platform::InjectDoubleClick(MouseButton::Left, POINT{110, 260});
  Pump();
  EXPECT_EQ(Mouse(plain), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
  DestroyWindow(plain);
  UnregisterClass("NoDoubleClicks", nullptr);
}

TEST_F(Input, TheWheelTurnsForTheFocusWindowWithItsDeltaAndPoint) {
  MakeScene();
  SetFocus(right);
  Pump();
  ClearLog();
  platform::InjectMouseWheel(-120, POINT{150, 160});
  Pump();
  std::vector<Logged> wheel;
  for (const Logged& l : Log())
    if (l.msg == WM_MOUSEWHEEL) wheel.push_back(l);
  ASSERT_FALSE(wheel.empty());  // then passed up to the parent by the default handling
  EXPECT_EQ(wheel[0].hwnd, right);
  EXPECT_EQ(static_cast<short>(HIWORD(wheel[0].wParam)), -120);
  EXPECT_EQ(static_cast<short>(LOWORD(wheel[0].lParam)), 150);
  EXPECT_EQ(static_cast<short>(HIWORD(wheel[0].lParam)), 160);
}

TEST_F(Input, SetCursorAsksTheParentFirstAndRecordsTheCursor) {
  WNDCLASS wc;
  wc.lpszClassName = "HandWindow";
  wc.lpfnWndProc = DefWindowProc;
  wc.hCursor = LoadCursor(nullptr, IDC_HAND);
  ASSERT_TRUE(RegisterClass(&wc));
  MakeScene();
  HWND hand =
      CreateWindowEx(0, "HandWindow", "", WS_CHILD | WS_VISIBLE, 0, 150, 50, 40, top, nullptr, nullptr, nullptr);
  platform::InjectMouseMove(POINT{110, 260});
  Pump();
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_HAND));
  EXPECT_EQ(MessagesOf(top, {WM_SETCURSOR}).size(), 1u);  // the parent is asked first
  platform::InjectMouseMove(POINT{110, 110});
  Pump();
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
  DestroyWindow(hand);
  UnregisterClass("HandWindow", nullptr);
  EXPECT_EQ(LoadCursor(nullptr, MAKEINTRESOURCE(1)), nullptr);
}

// A region provider with one circular-ish shape: only the left half of the window.
struct HalfRegion : platform::WindowSurfaceProvider {
  HDC AcquireDC(HWND, bool, const RECT&) override { return nullptr; }
  void ReleaseDC(HWND, HDC) override {}
  bool RegionContains(HRGN, int x, int) override { return x < 50; }
  bool RegionBox(HRGN, RECT* box) override { return *box = RECT{0, 0, 50, 100}, true; }
  bool CopyRegion(HRGN, HRGN) override { return true; }
  void DeleteRegion(HRGN region) override { deleted.push_back(region); }
  bool WindowPixels(HWND, platform::PixelImage*) override { return false; }
  bool WritePng(const platform::PixelImage&, const std::string&) override { return false; }
  std::vector<HRGN> deleted;
};

TEST_F(Input, WindowRegionsShapeHitTesting) {
  HalfRegion provider;
  platform::SetWindowSurfaceProvider(&provider);
  MakeScene();
  HRGN region = DwordToHandle<HRGN>(0x777);
  SetWindowRgn(left, region, TRUE);
  EXPECT_EQ(WindowFromPoint(POINT{110, 110}), left);
  EXPECT_EQ(WindowFromPoint(POINT{170, 110}), top);  // outside the shape: the parent below
  DestroyWindow(left);
  EXPECT_EQ(provider.deleted, std::vector<HRGN>{region});  // the window owned its region
  platform::SetWindowSurfaceProvider(nullptr);
}

TEST_F(Input, ActivationFollowsClicksAndDestroyedDialogsReturnItToTheirOwner) {
  HWND main = MakeTop("main", WS_POPUP | WS_VISIBLE, RECT{0, 0, 300, 300});
  HWND other = MakeTop("other", WS_POPUP | WS_VISIBLE, RECT{400, 0, 600, 200});
  EXPECT_EQ(GetActiveWindow(), other);
  platform::InjectClick(MouseButton::Left, POINT{10, 10});
  Pump();
  EXPECT_EQ(GetActiveWindow(), main);
  HWND owned =
      CreateWindowEx(0, TestClass(), "owned", WS_POPUP | WS_VISIBLE, 50, 50, 10, 10, main, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetActiveWindow(), owned);
  DestroyWindow(owned);
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_EQ(GetFocus(), main);
}

LRESULT DragByBody(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_LBUTTONDOWN) {  // the skinned windows' way of moving by their body
    POINT p{static_cast<short>(LOWORD(static_cast<DWORD_PTR>(l))),
            static_cast<short>(HIWORD(static_cast<DWORD_PTR>(l)))};
    ClientToScreen(h, &p);
    PostMessage(h, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
    return 0;
  }
  return DefWindowProc(h, m, w, l);
}

TEST_F(Input, ACaptionPressDragsTheWindowUntilTheButtonComesUp) {
  WNDCLASS wc;
  wc.lpszClassName = "Draggable";
  wc.lpfnWndProc = DragByBody;
  ASSERT_TRUE(RegisterClass(&wc));
  HWND w =
      CreateWindowEx(0, "Draggable", "", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100, nullptr, nullptr, nullptr, nullptr);
  platform::InjectMouseDown(MouseButton::Left, POINT{150, 150});
  platform::InjectMouseMove(POINT{170, 160});
  platform::InjectMouseMove(POINT{190, 170});
  platform::InjectMouseUp(MouseButton::Left, POINT{190, 170});
  Pump();
  RECT r{};
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 140);
  EXPECT_EQ(r.top, 120);
  EXPECT_EQ(GetCapture(), nullptr);
  // Esc puts the window back where the drag started.
  platform::PushInputStep([] { platform::InjectKey(VK_ESCAPE); });  // comes once the loop waits
  platform::InjectMouseDown(MouseButton::Left, POINT{150, 130});
  platform::InjectMouseMove(POINT{400, 400});
  Pump();
  platform::ClearInputScript();
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 140);
  DestroyWindow(w);
  UnregisterClass("Draggable", nullptr);
}

LRESULT DragByBodyInClientPoints(HWND h, UINT m, WPARAM w, LPARAM l) {
  // The skinned programs' own idiom: the press's client point goes along, and the system's
  // move loop starts from where the press was on the screen whatever the point says.
  if (m == WM_LBUTTONDOWN) {
    PostMessage(h, WM_NCLBUTTONDOWN, HTCAPTION, l);
    return 0;
  }
  return DefWindowProc(h, m, w, l);
}

TEST_F(Input, ABodyDragMovesTheWindowOnlyByThePointersWayWhateverPointThePressPasses) {
  WNDCLASS wc;
  wc.lpszClassName = "DraggableByClientPoint";
  wc.lpfnWndProc = DragByBodyInClientPoints;
  ASSERT_TRUE(RegisterClass(&wc));
  HWND w = CreateWindowEx(0, "DraggableByClientPoint", "", WS_POPUP | WS_VISIBLE, 300, 200, 200, 100, nullptr, nullptr,
                          nullptr, nullptr);
  for (POINT press : {POINT{350, 250}, POINT{480, 290}}) {
    RECT before{}, after{};
    GetWindowRect(w, &before);
    platform::InjectMouseDown(MouseButton::Left, press);
    platform::InjectMouseMove(POINT{press.x + 10, press.y + 15});
    platform::InjectMouseUp(MouseButton::Left, POINT{press.x + 10, press.y + 15});
    Pump();
    GetWindowRect(w, &after);
    EXPECT_EQ(after.left - before.left, 10) << press.x;
    EXPECT_EQ(after.top - before.top, 15) << press.x;
  }
  DestroyWindow(w);
  UnregisterClass("DraggableByClientPoint", nullptr);
}

TEST_F(Input, MonitorsDefaultAndConfigured) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);
  HWND w = MakeTop("w", WS_POPUP, RECT{10, 10, 100, 100});
  RECT r{};
  CMonitorInfo(w).GetMonitorRect(&r, TRUE);
  EXPECT_EQ(r.right, 1920);
  EXPECT_LT(r.bottom, 1080);  // the work area leaves room for the task bar
  platform::SetVirtualMonitors(
      {{RECT{0, 0, 1024, 768}, RECT{0, 0, 1024, 738}}, {RECT{1024, 0, 2048, 768}, RECT{1024, 0, 2048, 768}}});
  MoveWindow(w, 1500, 100, 100, 100, FALSE);
  CMonitorInfo(w).GetMonitorRect(&r, FALSE);
  EXPECT_EQ(r.left, 1024);
  MoveWindow(w, 5000, 100, 100, 100, FALSE);  // off every screen: the nearest one
  CMonitorInfo(w).GetMonitorRect(&r, FALSE);
  EXPECT_EQ(r.left, 1024);
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  EXPECT_EQ(MonitorFromPoint(POINT{-50, -50}, MONITOR_DEFAULTTONULL), nullptr);
  MONITORINFO bad;
  bad.cbSize = 4;
  EXPECT_FALSE(GetMonitorInfo(MonitorFromWindow(w, MONITOR_DEFAULTTOPRIMARY), &bad));
}

TEST_F(Input, InvalidationProducesOnePaintPerWindowAfterOtherMessages) {
  MakeScene();
  InvalidateRect(left, nullptr, TRUE);
  InvalidateRect(left, nullptr, TRUE);
  PostMessage(left, WM_USER, 0, 0);
  Pump();
  EXPECT_EQ(MessagesOf(left, {WM_USER, WM_PAINT, WM_ERASEBKGND}),
            (std::vector<UINT>{WM_USER, WM_PAINT, WM_ERASEBKGND}));
  RECT update{};
  EXPECT_FALSE(GetUpdateRect(left, &update, FALSE));
  ClearLog();
  InvalidateRect(top, nullptr, FALSE);  // no WS_CLIPCHILDREN: the children are repainted too
  UpdateWindow(top);
  EXPECT_EQ(MessagesOf(top, {WM_PAINT}).size(), 1u);
  EXPECT_EQ(MessagesOf(left, {WM_PAINT}).size(), 1u);
  EXPECT_EQ(Pump(), 0);
}

}  // namespace
