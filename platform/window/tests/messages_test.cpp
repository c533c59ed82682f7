#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "platform/window/messages.h"
#include "platform/window/window.h"
#include "platform/testkit/window_log.h"

using namespace testkit;

namespace {

class Messages : public ::testing::Test {
 protected:
  void TearDown() override { ResetWindows(); }
};

std::atomic<int> g_echoes{0};

LRESULT EchoProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_USER + 105) {
    ++g_echoes;
    return static_cast<LRESULT>(w * 2 + l);
  }
  if (m == WM_USER + 1) {  // asks back the window given in lParam while being answered
    return SendMessage(reinterpret_cast<HWND>(l), WM_USER + 105, 10, 1) + 1;
  }
  return DefWindowProc(h, m, w, l);
}

const char* EchoClass() {
  static bool once = [] {
    WNDCLASS wc;
    wc.lpszClassName = "Echo";
    wc.lpfnWndProc = EchoProc;
    return RegisterClass(&wc) != 0;
  }();
  (void)once;
  return "Echo";
}

// A window on its own thread, running a message loop until WM_QUIT.
struct LoopThread {
  std::promise<HWND> ready;
  std::thread thread;
  HWND hwnd = nullptr;
  std::atomic<int> dispatched{0};

  LoopThread() {
    thread = std::thread([this] {
      HWND h = CreateWindowEx(0, EchoClass(), "worker", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
      ready.set_value(h);
      MSG m;
      while (GetMessage(&m, nullptr, 0, 0) > 0) {
        DispatchMessage(&m);
        ++dispatched;
      }
      DestroyWindow(h);
    });
    hwnd = ready.get_future().get();
  }
  void Quit() {
    DWORD tid = GetWindowThreadProcessId(hwnd, nullptr);
    PostThreadMessage(tid, WM_QUIT, 0, 0);
    thread.join();
  }
};

TEST_F(Messages, SendWithinOneThreadCallsTheProcedureDirectly) {
  HWND h = CreateWindowEx(0, EchoClass(), "e", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(SendMessage(h, WM_USER + 105, 20, 3), 43);
  DestroyWindow(h);
}

TEST_F(Messages, SendAcrossThreadsWaitsForTheOwnerThreadsAnswer) {
  LoopThread worker;
  EXPECT_EQ(SendMessage(worker.hwnd, WM_USER + 105, 100, 56), 256);
  DWORD_PTR result = 0;
  EXPECT_TRUE(SendMessageTimeout(worker.hwnd, WM_USER + 105, 1, 1, SMTO_NORMAL, 5000, &result));
  EXPECT_EQ(result, 3u);
  worker.Quit();
  // The thread is gone and its window with it: sends give 0 at once instead of hanging.
  EXPECT_FALSE(IsWindow(worker.hwnd));
  EXPECT_EQ(SendMessage(worker.hwnd, WM_USER + 105, 1, 1), 0);
}

TEST_F(Messages, NestedSendsBetweenTwoThreadsDoNotDeadlock) {
  LoopThread worker;
  HWND mine = CreateWindowEx(0, EchoClass(), "main", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  // The worker, while answering, sends back to this thread, which answers while it waits.
  EXPECT_EQ(SendMessage(worker.hwnd, WM_USER + 1, 0, reinterpret_cast<LPARAM>(mine)), 22);
  worker.Quit();
}

TEST_F(Messages, PostedMessagesFromManyThreadsAllArriveInPerThreadOrder) {
  HWND h = MakeTop("sink", WS_POPUP);
  ClearLog();
  constexpr int kThreads = 4;
  constexpr int kEach = 200;
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t)
    posters.emplace_back([=] {
      for (int i = 0; i < kEach; ++i) ASSERT_TRUE(PostMessage(h, WM_USER + 70, static_cast<WPARAM>(t), i));
    });
  for (auto& p : posters) p.join();
  Pump();
  std::vector<int> next(kThreads, 0);
  int total = 0;
  for (auto& l : Log()) {
    if (l.msg != WM_USER + 70) continue;
    EXPECT_EQ(l.lParam, next[l.wParam]++);
    ++total;
  }
  EXPECT_EQ(total, kThreads * kEach);
}

TEST_F(Messages, AFullQueueDropsTheOldestDroppablePostsAndNothingElse) {
  HWND h = MakeTop("sink", WS_POPUP);
  ClearLog();
  constexpr UINT kOrder = WM_USER + 1;
  constexpr UINT kProgress = WM_USER + 2;
  constexpr int kOrders = 100;
  const int progresses = static_cast<int>(kMaxPostedMessages) - 10;
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(PostMessage(h, kOrder, 0, i));
  for (int i = 0; i < progresses; ++i) ASSERT_TRUE(PostDroppableMessage(h, kProgress, 0, i));
  // Full: each further post pushes out the oldest progress post.
  for (int i = 10; i < kOrders; ++i) ASSERT_TRUE(PostMessage(h, kOrder, 0, i));
  ASSERT_TRUE(PostDroppableMessage(h, kProgress, 0, progresses));
  Pump();
  std::vector<LPARAM> orders;
  std::vector<LPARAM> kept;
  for (const Logged& l : Log()) {
    if (l.hwnd != h) continue;
    if (l.msg == kOrder) orders.push_back(l.lParam);
    if (l.msg == kProgress) kept.push_back(l.lParam);
  }
  ASSERT_EQ(orders.size(), static_cast<size_t>(kOrders));
  for (int i = 0; i < kOrders; ++i) EXPECT_EQ(orders[i], i);
  ASSERT_EQ(kept.size(), static_cast<size_t>(progresses - (kOrders - 10)));
  EXPECT_EQ(kept.front(), kOrders - 10 + 1) << "the oldest went first";
  EXPECT_EQ(kept.back(), progresses);

  // Full of posts that may not be dropped: a further post fails, as it does on Windows.
  for (size_t i = 0; i < kMaxPostedMessages; ++i) ASSERT_TRUE(PostMessage(h, kOrder, 0, 0));
  EXPECT_FALSE(PostMessage(h, kOrder, 0, 0));
  EXPECT_FALSE(PostDroppableMessage(h, kProgress, 0, 0));
  ClearLog();
  EXPECT_EQ(Pump(), static_cast<int>(kMaxPostedMessages));
}

TEST_F(Messages, GetMessageWakesForAPostFromAnotherThreadAndQuitEndsTheLoop) {
  HWND h = MakeTop("loop", WS_POPUP);
  ClearLog();
  std::thread poster([h] {
    PostMessage(h, WM_USER + 105, 7, 0);
    PostMessage(h, WM_CLOSE, 0, 0);
  });
  MSG m;
  int loops = 0;
  while (IsWindow(h) && GetMessage(&m, nullptr, 0, 0) > 0) {
    DispatchMessage(&m);
    ++loops;
  }
  poster.join();
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(MessagesOf(h, {WM_USER + 105}).size(), 1u);
  PostQuitMessage(3);
  EXPECT_FALSE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 3u);
}

TEST_F(Messages, PeekFiltersByWindowAndRange) {
  HWND a = MakeTop("a", WS_POPUP);
  HWND b = MakeTop("b", WS_POPUP);
  PostMessage(a, WM_USER + 1, 0, 0);
  PostMessage(b, WM_USER + 2, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, b, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.message, WM_USER + 2u);
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE));
  EXPECT_EQ(m.hwnd, b);
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.hwnd, a);
  EXPECT_FALSE(PeekMessage(&m, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
}

TEST_F(Messages, SendTimeoutGivesUpOnABusyThread) {
  std::promise<HWND> made;
  std::promise<void> release;
  std::thread busy([&] {
    HWND h = CreateWindowEx(0, EchoClass(), "busy", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    made.set_value(h);
    release.get_future().wait();  // never looks at its queue until released
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
    DestroyWindow(h);
  });
  HWND h = made.get_future().get();
  DWORD_PTR result = 99;
  g_echoes = 0;
  for (int i = 0; i < 5; ++i) EXPECT_EQ(SendMessageTimeout(h, WM_USER + 105, 1, 1, SMTO_ABORTIFHUNG, 20, &result), 0);
  EXPECT_EQ(result, 99u);
  release.set_value();
  busy.join();
  // Sends given up on are not answered late, once the thread looks at its queue again.
  EXPECT_EQ(g_echoes, 0);
}

TEST_F(Messages, TranslateMessageMakesCharactersFromKeys) {
  HWND h = MakeTop("keys", WS_POPUP);
  MSG key;
  key.hwnd = h;
  key.message = WM_KEYDOWN;
  key.wParam = 'Q';
  EXPECT_TRUE(TranslateMessage(&key));
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE));
  EXPECT_EQ(m.wParam, static_cast<WPARAM>('q'));
  key.wParam = VK_F1;
  EXPECT_FALSE(TranslateMessage(&key));
}

TEST_F(Messages, RegisteredMessagesAgreeByNameAndIgnoreCase) {
  UINT a = RegisterWindowMessage("NarvellControl");
  EXPECT_GE(a, 0xC000u);
  EXPECT_EQ(a, RegisterWindowMessage("narvellcontrol"));
  EXPECT_NE(a, RegisterWindowMessage("NarvellFiles"));
  EXPECT_EQ(RegisterWindowMessage(""), 0u);
  EXPECT_EQ(RegisterClipboardFormat("NarvellFiles"), RegisterWindowMessage("NarvellFiles"));
}

}  // namespace
