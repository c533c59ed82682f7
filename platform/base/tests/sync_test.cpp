#include "platform/base/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "test_support.h"

namespace platform {
namespace {

TEST(Event, AutoResetReleasesOneWaiterPerSet) {
  Event event(false, false);
  EXPECT_EQ(event.Wait(0), WAIT_TIMEOUT);
  std::atomic<int> released{0};
  std::vector<std::unique_ptr<Thread>> waiters;
  for (int i = 0; i < 3; ++i)
    waiters.push_back(std::make_unique<Thread>([&] {
      if (event.Wait(INFINITE) == WAIT_OBJECT_0) ++released;
    }));
  // Each Set lets exactly one waiter through and is used up by it.
  for (int i = 1; i <= 3; ++i) {
    event.Set();
    ASSERT_TRUE(test::EventuallyTrue([&] { return released.load() >= i; }));
    EXPECT_EQ(released.load(), i);
    EXPECT_FALSE(event.IsSet());
  }
  for (auto& t : waiters) EXPECT_EQ(t->Wait(10000), WAIT_OBJECT_0);

  event.Set();
  EXPECT_EQ(event.Wait(0), WAIT_OBJECT_0);
  EXPECT_EQ(event.Wait(0), WAIT_TIMEOUT);
}

TEST(Event, ManualResetStaysSetForEveryWaiter) {
  Event event(true, false);
  std::atomic<int> released{0};
  std::vector<std::unique_ptr<Thread>> waiters;
  for (int i = 0; i < 4; ++i)
    waiters.push_back(std::make_unique<Thread>([&] {
      if (event.Wait(INFINITE) == WAIT_OBJECT_0) ++released;
    }));
  event.Set();
  for (auto& t : waiters) EXPECT_EQ(t->Wait(10000), WAIT_OBJECT_0);
  EXPECT_EQ(released.load(), 4);
  EXPECT_EQ(event.Wait(0), WAIT_OBJECT_0);
  event.Reset();
  EXPECT_EQ(event.Wait(1), WAIT_TIMEOUT);
  Event initiallySet(true, true);
  EXPECT_TRUE(initiallySet.IsSet());
}

TEST(Event, WaitForAnyAndAll) {
  Event a(false, false), b(true, false), c(false, false);
  EXPECT_EQ(WaitForMultipleEvents({&a, &b, &c}, false, 1), WAIT_TIMEOUT);
  c.Set();
  b.Set();
  EXPECT_EQ(WaitForMultipleEvents({&a, &b, &c}, false, 0), WAIT_OBJECT_0 + 1);  // lowest index wins
  EXPECT_TRUE(c.IsSet());
  EXPECT_EQ(WaitForMultipleEvents({&a, &c}, false, 0), WAIT_OBJECT_0 + 1);
  EXPECT_FALSE(c.IsSet());  // auto-reset consumed

  // Waiting for all consumes nothing until all are set.
  c.Set();
  EXPECT_EQ(WaitForMultipleEvents({&a, &b, &c}, true, 1), WAIT_TIMEOUT);
  EXPECT_TRUE(c.IsSet());
  Thread setter([&] { a.Set(); });
  EXPECT_EQ(WaitForMultipleEvents({&a, &b, &c}, true, 10000), WAIT_OBJECT_0);
  EXPECT_FALSE(a.IsSet());
  EXPECT_FALSE(c.IsSet());
  EXPECT_TRUE(b.IsSet());

  EXPECT_EQ(WaitForMultipleEvents({}, false, 0), WAIT_FAILED);
  EXPECT_EQ(WaitForMultipleEvents({&a, nullptr}, false, 0), WAIT_FAILED);
}

TEST(Event, WaitForAnyWakesOnALaterSet) {
  Event a(false, false), b(false, false);
  Thread setter([&] { b.Set(); });
  EXPECT_EQ(WaitForMultipleEvents({&a, &b}, false, INFINITE), WAIT_OBJECT_0 + 1);
}

TEST(CriticalSection, RecursiveAndExclusive) {
  CriticalSection cs;
  int counter = 0;
  {
    CriticalSectionLock outer(cs);
    CriticalSectionLock inner(cs);  // the owner may enter again
    ++counter;
  }
  std::vector<std::unique_ptr<Thread>> threads;
  for (int t = 0; t < 4; ++t)
    threads.push_back(std::make_unique<Thread>([&] {
      for (int i = 0; i < 10000; ++i) {
        CriticalSectionLock lock(cs);
        ++counter;
      }
    }));
  for (auto& t : threads) t->Join();
  EXPECT_EQ(counter, 40001);

  cs.Lock();
  bool otherGotIt = true;
  Thread([&] { otherGotIt = cs.TryLock(); }).Join();
  cs.Unlock();
  EXPECT_FALSE(otherGotIt);
}

TEST(Thread, StartWaitAndState) {
  Event go(true, false);
  Thread t;
  EXPECT_FALSE(t.IsRunning());
  EXPECT_EQ(t.Wait(0), WAIT_OBJECT_0);  // nothing started: nothing to wait for
  ASSERT_TRUE(t.Start([&] { go.Wait(INFINITE); }));
  EXPECT_FALSE(t.Start([] {}));
  EXPECT_TRUE(t.IsRunning());
  EXPECT_EQ(t.Wait(1), WAIT_TIMEOUT);
  go.Set();
  EXPECT_EQ(t.Wait(10000), WAIT_OBJECT_0);
  EXPECT_FALSE(t.IsRunning());
  EXPECT_TRUE(t.Start([] {}));  // reusable once joined
  t.Join();
  EXPECT_NE(GetCurrentThreadId(), 0u);
  EXPECT_NE(GetCurrentProcessId(), 0u);
}

TEST(Thread, PriorityNeverNeedsARealTimePolicy) {
  Thread t([] {
    // Lowering always works; raising may be refused without privileges but never breaks.
    EXPECT_TRUE(SetCurrentThreadPriority(THREAD_PRIORITY_BELOW_NORMAL));
    SetCurrentThreadPriority(THREAD_PRIORITY_TIME_CRITICAL);
    int policy = -1;
    sched_param param{};
    pthread_getschedparam(pthread_self(), &policy, &param);
    EXPECT_EQ(policy, SCHED_OTHER);
  });
  t.Join();
}

}  // namespace
}  // namespace platform
