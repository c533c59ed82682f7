#include "platform/base/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace platform {
namespace {

TEST(Clock, ManualClockDrivesTicksSleepAndCounter) {
  ManualClock manual(1000);
  ScopedClock use(manual);
  EXPECT_EQ(GetTickCount(), 1000u);
  manual.Advance(250);
  EXPECT_EQ(GetTickCount64(), 1250u);
  // Sleep on a manual clock moves time on instead of blocking.
  Sleep(10000);
  EXPECT_EQ(GetTickCount(), 11250u);

  LARGE_INTEGER frequency, before, after;
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  ASSERT_TRUE(QueryPerformanceCounter(&before));
  manual.AdvanceUs(1500);
  ASSERT_TRUE(QueryPerformanceCounter(&after));
  EXPECT_EQ((after.QuadPart - before.QuadPart) * 1000000 / frequency.QuadPart, 1500);
  EXPECT_FALSE(QueryPerformanceCounter(nullptr));
}

TEST(Clock, TickCountWrapsAt32BitsLikeTheOriginal) {
  ManualClock manual(0xFFFFFFFFull - 5);
  ScopedClock use(manual);
  const DWORD start = GetTickCount();
  manual.Advance(10);
  EXPECT_EQ(GetTickCount(), 4u);
  // Differences of unsigned ticks stay right across the wrap.
  EXPECT_EQ(GetTickCount() - start, 10u);
  EXPECT_EQ(GetTickCount64(), 0xFFFFFFFFull + 5);
}

TEST(Clock, ScopedClockRestoresThePreviousClock) {
  Clock* real = &CurrentClock();
  {
    ManualClock outer(5);
    ScopedClock useOuter(outer);
    {
      ManualClock inner(7);
      ScopedClock useInner(inner);
      EXPECT_EQ(GetTickCount(), 7u);
    }
    EXPECT_EQ(GetTickCount(), 5u);
  }
  EXPECT_EQ(&CurrentClock(), real);
  // The real clock never goes back.
  const auto a = GetTickCount64();
  const auto b = GetTickCount64();
  EXPECT_LE(a, b);
}

TEST(Clock, WaitUntilWakesWhenAnotherThreadAdvances) {
  ManualClock manual(0);
  std::thread driver([&] {
    for (int i = 0; i < 10; ++i) manual.Advance(10);
  });
  EXPECT_TRUE(manual.WaitUntil(100, 10000));
  driver.join();
  EXPECT_FALSE(manual.WaitUntil(1000, 1));
}

TEST(Clock, AManualClockGoingAwayEndsTheWaitsOfThreadsStillOnIt) {
  // A streaming thread can still wait on a test's clock when the test's scope ends.
  auto manual = std::make_unique<ManualClock>(0);
  std::atomic<int> waiting{0}, results{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&, clock = manual.get()] {
      ++waiting;
      results += clock->WaitUntil(1000000, 60000) ? 1 : 0;
    });
  while (waiting < 4) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const auto start = std::chrono::steady_clock::now();
  manual.reset();
  for (std::thread& t : threads) t.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(results, 0);
}

}  // namespace
}  // namespace platform
