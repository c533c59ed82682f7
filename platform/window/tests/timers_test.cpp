#include <gtest/gtest.h>

#include "platform/base/clock.h"
#include "platform/window/messages.h"
#include "platform/window/timers.h"
#include "platform/testkit/window_log.h"

using namespace testkit;

namespace {

class Timers : public ::testing::Test {
 protected:
  platform::ManualClock clock{1000};
  platform::ScopedClock scoped{clock};
  void TearDown() override { ResetWindows(); }

  std::vector<WPARAM> FiredIds(HWND h) {
    std::vector<WPARAM> ids;
    for (auto& l : Log())
      if (l.hwnd == h && l.msg == WM_TIMER) ids.push_back(l.wParam);
    return ids;
  }
};

TEST_F(Timers, DueTimersFireInOrderOfDueTime) {
  HWND h = MakeTop("t", WS_POPUP);
  ASSERT_EQ(SetTimer(h, 310, 2000, nullptr), 310u);
  ASSERT_EQ(SetTimer(h, 100, 500, nullptr), 100u);
  ASSERT_EQ(SetTimer(h, 434, 100, nullptr), 434u);
  ClearLog();
  Pump();
  EXPECT_TRUE(FiredIds(h).empty());
  clock.Advance(100);
  Pump();
  EXPECT_EQ(FiredIds(h), (std::vector<WPARAM>{434}));
  KillTimer(h, 434);
  clock.Advance(400);
  Pump();
  EXPECT_EQ(FiredIds(h), (std::vector<WPARAM>{434, 100}));
  ClearLog();
  clock.Advance(1600);  // 100 is due three times over, but a late timer fires once
  Pump();
  EXPECT_EQ(FiredIds(h), (std::vector<WPARAM>{100, 310}));
}

TEST_F(Timers, SettingAgainReschedulesAndKillStops) {
  HWND h = MakeTop("t", WS_POPUP);
  SetTimer(h, 1, 100, nullptr);
  clock.Advance(90);
  SetTimer(h, 1, 100, nullptr);  // restarts the interval
  clock.Advance(20);
  ClearLog();
  Pump();
  EXPECT_TRUE(FiredIds(h).empty());
  clock.Advance(80);
  Pump();
  EXPECT_EQ(FiredIds(h).size(), 1u);
  EXPECT_TRUE(KillTimer(h, 1));
  EXPECT_FALSE(KillTimer(h, 1));
  clock.Advance(1000);
  ClearLog();
  Pump();
  EXPECT_TRUE(FiredIds(h).empty());
}

int g_procCalls = 0;
void CountingProc(HWND, UINT, UINT_PTR, DWORD) { ++g_procCalls; }

TEST_F(Timers, TimerProceduresAndThreadTimers) {
  g_procCalls = 0;
  UINT_PTR id = SetTimer(nullptr, 0, 50, CountingProc);
  EXPECT_NE(id, 0u);
  clock.Advance(50);
  Pump();
  EXPECT_EQ(g_procCalls, 1);
  KillTimer(nullptr, id);
  EXPECT_EQ(SetTimer(DwordToHandle<HWND>(0x7777776), 1, 10, nullptr), 0u);
}

TEST_F(Timers, DestroyingAWindowDropsItsTimers) {
  HWND h = MakeTop("t", WS_POPUP);
  SetTimer(h, 5, 10, nullptr);
  DestroyWindow(h);
  clock.Advance(100);
  ClearLog();
  Pump();
  EXPECT_TRUE(FiredIds(h).empty());
}

TEST_F(Timers, GetMessageWaitsForATimerThatAnotherThreadMakesDue) {
  HWND h = MakeTop("t", WS_POPUP);
  SetTimer(h, 9, 1000, nullptr);
  std::thread driver([&] { clock.Advance(1000); });
  MSG m;
  ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
  driver.join();
  EXPECT_EQ(m.message, WM_TIMER);
  EXPECT_EQ(m.wParam, 9u);
}

}  // namespace
