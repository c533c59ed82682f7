#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/window/focus.h"
#include "platform/window/message_payload.h"
#include "platform/window/messages.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"
#include "remote_peers.h"

namespace {

using remote_test::Peer;

constexpr UINT kLink = WM_USER + 205;
constexpr UINT kReply = WM_USER + 206;

constexpr UINT kEcho = WM_USER + 207;
constexpr UINT kEchoed = WM_USER + 208;

int g_replies = 0;
LPARAM g_lastReply = 0;
std::vector<std::vector<std::uint8_t>> g_echoes;  // an empty one for an echo without payload

LRESULT HostProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == kEchoed) {
    auto payload = platform::TakeMessagePayload(l);
    g_echoes.push_back(payload ? *payload : std::vector<std::uint8_t>{});
    return 0;
  }
  if (m == kReply) {
    ++g_replies;
    g_lastReply = l;
    return w == 4 ? 100 : 0;
  }
  return DefWindowProc(h, m, w, l);
}

HWND MakeHost() {
  static bool once = [] {
    WNDCLASS wc;
    wc.lpszClassName = "Host";
    wc.lpfnWndProc = HostProc;
    return RegisterClass(&wc) != 0;
  }();
  (void)once;
  return CreateWindowEx(0, "Host", "Narvell Vidarro 5.0", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

// Pumps this thread's queue until the condition holds (or a generous real-time limit passes).
template <typename F>
bool PumpUntil(F condition) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition() && std::chrono::steady_clock::now() < limit) {
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return condition();
}

class CrossProcess : public ::testing::Test {
 protected:
  void TearDown() override { platform::SetRemoteSendTimeoutMs(0); }
};

TEST_F(CrossProcess, TwoProcessesFindEachOtherAndExchangeMessages) {
  HWND host = MakeHost();
  Peer peer("Parvel Peer");
  ASSERT_NE(peer.hwnd, nullptr);
  EXPECT_TRUE(IsWindow(peer.hwnd));
  EXPECT_EQ(FindWindow("#32770", "Parvel Peer"), peer.hwnd);
  EXPECT_EQ(FindWindow(nullptr, "Parvel Peer"), peer.hwnd);
  EXPECT_EQ(FindWindow("#32770", "Another Title"), nullptr);
  DWORD pid = 0;
  GetWindowThreadProcessId(peer.hwnd, &pid);
  EXPECT_EQ(pid, static_cast<DWORD>(peer.pid));
  char title[32];
  EXPECT_EQ(GetWindowText(peer.hwnd, title, sizeof title), 11);
  EXPECT_STREQ(title, "Parvel Peer");

  // A sent ping comes back exactly.
  EXPECT_EQ(SendMessage(peer.hwnd, kLink, 177, 0), 256);
  // A posted request is answered by a post back to this process's window.
  g_replies = 0;
  ASSERT_TRUE(PostMessage(peer.hwnd, kLink, 1, static_cast<LPARAM>(HandleToDword(host))));
  EXPECT_TRUE(PumpUntil([] { return g_replies == 1; }));
  EXPECT_EQ(g_lastReply, 12345);
  // The peer sends back to this thread while it is waiting: answered, no deadlock.
  EXPECT_EQ(SendMessage(peer.hwnd, kLink, 3, static_cast<LPARAM>(HandleToDword(host))), 101);
  EXPECT_TRUE(SetForegroundWindow(peer.hwnd));
  DestroyWindow(host);
}

TEST_F(CrossProcess, PointersAreRefusedAcrossProcesses) {
  Peer peer("Pointer Peer");
  ASSERT_NE(peer.hwnd, nullptr);
  EXPECT_EQ(SendMessage(peer.hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("changed")), 0);
  EXPECT_FALSE(PostMessage(peer.hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("changed")));
  char title[32];
  GetWindowText(peer.hwnd, title, sizeof title);
  EXPECT_STREQ(title, "Pointer Peer");
}

TEST_F(CrossProcess, PayloadsCrossWholeAndOnlyOnce) {
  HWND host = MakeHost();
  Peer peer("Payload Peer");
  ASSERT_NE(peer.hwnd, nullptr);
  const auto caller = static_cast<WPARAM>(HandleToDword(host));
  std::vector<std::uint8_t> largest(platform::kMaxMessagePayload);
  for (std::size_t i = 0; i < largest.size(); ++i) largest[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  const std::vector<std::uint8_t> withZeros = {0, 'a', 0, 0, 'b', 0};
  g_echoes.clear();
  ASSERT_TRUE(platform::PostPayloadMessage(peer.hwnd, kEcho, caller, withZeros.data(), withZeros.size()));
  ASSERT_TRUE(platform::PostPayloadMessage(peer.hwnd, kEcho, caller, largest.data(), largest.size()));
  ASSERT_TRUE(PumpUntil([] { return g_echoes.size() == 2; }));
  EXPECT_EQ(g_echoes[0], withZeros);
  EXPECT_EQ(g_echoes[1], largest);

  // Too large, a system message that would read the number as an address, a plain value
  // posted by anyone: refused, or nothing to take.
  largest.push_back(0);
  EXPECT_FALSE(platform::PostPayloadMessage(peer.hwnd, kEcho, caller, largest.data(), largest.size()));
  EXPECT_FALSE(platform::PostPayloadMessage(peer.hwnd, WM_SETTEXT, 0, "x", 2));
  EXPECT_FALSE(platform::PostPayloadMessage(peer.hwnd, WM_COMMAND, 0, "x", 2));
  ASSERT_TRUE(PostMessage(peer.hwnd, kEcho, caller, 0x40000001));
  ASSERT_TRUE(PumpUntil([] { return g_echoes.size() == 3; }));
  EXPECT_TRUE(g_echoes[2].empty());
  DestroyWindow(host);
}

TEST(Payloads, AreTakenOnceAndBoundedInNumber) {
  HWND host = MakeHost();
  g_echoes.clear();
  ASSERT_TRUE(platform::PostPayloadMessage(host, kEchoed, 0, "abc", 3));
  ASSERT_TRUE(PumpUntil([] { return g_echoes.size() == 1; }));
  EXPECT_EQ(g_echoes[0], (std::vector<std::uint8_t>{'a', 'b', 'c'}));
  EXPECT_FALSE(platform::TakeMessagePayload(0));
  // Payloads nobody takes are dropped oldest first once too many wait.
  EXPECT_TRUE(platform::PostPayloadMessage(host, WM_USER + 300, 0, "old", 3));
  MSG first{};
  ASSERT_TRUE(PeekMessage(&first, host, WM_USER + 300, WM_USER + 300, PM_REMOVE));
  for (std::size_t i = 0; i < platform::kMaxWaitingPayloads; ++i)
    EXPECT_TRUE(platform::PostPayloadMessage(host, WM_USER + 301, 0, "new", 3));
  EXPECT_FALSE(platform::TakeMessagePayload(first.lParam));
  MSG m{};
  int kept = 0;
  while (PeekMessage(&m, host, WM_USER + 301, WM_USER + 301, PM_REMOVE))
    kept += platform::TakeMessagePayload(m.lParam) ? 1 : 0;
  EXPECT_EQ(kept, static_cast<int>(platform::kMaxWaitingPayloads));
  DestroyWindow(host);
}

TEST_F(CrossProcess, AHungPeerCostsOnlyTheTimeoutAndAKilledOneVanishes) {
  Peer peer("Hung Peer");
  ASSERT_NE(peer.hwnd, nullptr);
  platform::SetRemoteSendTimeoutMs(300);
  // The peer's UI thread stops answering inside this very send, which gives up with 0.
  EXPECT_EQ(SendMessage(peer.hwnd, kLink, 5, 0), 0);
  EXPECT_EQ(SendMessage(peer.hwnd, kLink, 177, 0), 0);
  DWORD_PTR result = 7;
  EXPECT_EQ(SendMessageTimeout(peer.hwnd, kLink, 177, 0, SMTO_ABORTIFHUNG, 200, &result), 0);
  EXPECT_EQ(result, 7u);
  EXPECT_TRUE(IsWindow(peer.hwnd));  // hung is not gone

  const pid_t pid = peer.pid;
  peer.Kill();
  EXPECT_FALSE(IsWindow(peer.hwnd));
  EXPECT_EQ(FindWindow("#32770", "Hung Peer"), nullptr);
  EXPECT_EQ(SendMessage(peer.hwnd, kLink, 177, 0), 0);
  EXPECT_FALSE(PostMessage(peer.hwnd, kLink, 177, 0));
  DWORD owner = 1;
  GetWindowThreadProcessId(peer.hwnd, &owner);
  EXPECT_EQ(owner, 0u);
  (void)pid;
}

// Waits until the killed process is a zombie: dead, but not yet reaped by its parent.
bool WaitForZombie(pid_t pid) {
  for (int i = 0; i < 20000; ++i) {
    FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (!f) return false;
    int ignored = 0;
    char state = 0;
    char name[256];
    const bool read = std::fscanf(f, "%d %255s %c", &ignored, name, &state) == 3;
    std::fclose(f);
    if (read && state == 'Z') return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

TEST_F(CrossProcess, AnUnreapedDeadProgramHasNoWindows) {
  Peer peer("Zombie Peer");
  ASSERT_NE(peer.hwnd, nullptr);
  ASSERT_EQ(FindWindow(nullptr, "Zombie Peer"), peer.hwnd);
  ::kill(peer.pid, SIGKILL);
  ASSERT_TRUE(WaitForZombie(peer.pid));
  EXPECT_FALSE(IsWindow(peer.hwnd));
  EXPECT_EQ(FindWindow(nullptr, "Zombie Peer"), nullptr);
  EXPECT_EQ(SendMessage(peer.hwnd, kLink, 177, 0), 0);
  DWORD owner = 1;
  EXPECT_EQ(GetWindowThreadProcessId(peer.hwnd, &owner), 0u);
  EXPECT_EQ(owner, 0u);
}

TEST_F(CrossProcess, HandlesStayUniqueAcrossProcesses) {
  Peer a("Peer A");
  Peer b("Peer B");
  HWND mine = MakeHost();
  ASSERT_NE(a.hwnd, nullptr);
  ASSERT_NE(b.hwnd, nullptr);
  EXPECT_NE(a.hwnd, b.hwnd);
  EXPECT_NE(a.hwnd, mine);
  EXPECT_NE(b.hwnd, mine);
  EXPECT_LE(reinterpret_cast<ULONG_PTR>(a.hwnd), 0xFFFFFFFFu);
  EXPECT_EQ(FindWindow(nullptr, "Peer B"), b.hwnd);
  DestroyWindow(mine);
}

}  // namespace
