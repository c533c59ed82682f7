// The window transport against peers that stop, flood, lie about lengths or share their folder.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/paths.h"
#include "platform/window/remote_protocol.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"
#include "remote_peers.h"

namespace {

namespace fs = std::filesystem;
using remote_test::Peer;

constexpr UINT kLink = WM_USER + 205;
constexpr WPARAM kPing = 177;
constexpr WPARAM kCounted = 7;
constexpr WPARAM kHowManyCounted = 8;

// Runs the calls on a thread of their own. Should one hang, the peer is killed, which ends
// every wait on it, and the test fails instead of hanging.
void Bounded(Peer& peer, const std::function<void()>& calls) {
  std::packaged_task<void()> task(calls);
  auto finished = task.get_future();
  std::thread runner(std::move(task));
  if (finished.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
    ADD_FAILURE() << "a call to the peer hung";
    peer.Kill();
  }
  runner.join();
}

// Open connections to the process that send nothing, until its queue of waiting connections
// is full; the caller closes them.
std::vector<int> FillQueue(pid_t pid, int attempts) {
  std::vector<int> fds;
  const std::string path = platform::win::remote::SocketPath(static_cast<std::uint32_t>(pid));
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), std::min(path.size() + 1, sizeof addr.sun_path - 1));
  for (int i = 0; i < attempts; ++i) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
      fds.push_back(fd);
    } else if (fd >= 0) {
      ::close(fd);
    }
  }
  return fds;
}

void CloseAll(const std::vector<int>& fds) {
  for (int fd : fds) ::close(fd);
}

bool Pings(HWND peer) {
  DWORD_PTR result = 0;
  return SendMessageTimeout(peer, kLink, kPing, 0, SMTO_NORMAL, 500, &result) && result == 256;
}

// Tries again for a generous while: the peer may still be working through what came before.
bool Eventually(const std::function<bool()>& condition) {
  for (int i = 0; i < 40; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

bool WaitForState(pid_t pid, char wanted) {
  for (int i = 0; i < 5000; ++i) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = all.rfind(')');
    if (close != std::string::npos && close + 2 < all.size() && all[close + 2] == wanted) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

TEST(HostilePeers, AStoppedPeerIsSkippedAndGetsNothingStaleWhenItResumes) {
  Peer live("Live Peer");
  Peer stopped("Stopped Peer");
  ASSERT_NE(live.hwnd, nullptr);
  ASSERT_NE(stopped.hwnd, nullptr);
  ASSERT_TRUE(Pings(stopped.hwnd));
  ::kill(stopped.pid, SIGSTOP);
  ASSERT_TRUE(WaitForState(stopped.pid, 'T'));

  Bounded(stopped, [&] {
    DWORD_PTR result = 0;
    for (int i = 0; i < 20; ++i)
      EXPECT_EQ(SendMessageTimeout(stopped.hwnd, kLink, kCounted, 0, SMTO_NORMAL, 20, &result), 0);
    // Its queue of waiting connections full, as after many calls.
    const std::vector<int> flood = FillQueue(stopped.pid, 100);
    EXPECT_EQ(SendMessageTimeout(stopped.hwnd, kLink, kPing, 0, SMTO_NORMAL, 100, &result), 0);
    EXPECT_FALSE(PostMessage(stopped.hwnd, kLink, kCounted, 0));
    EXPECT_TRUE(IsWindow(stopped.hwnd));  // stopped is not gone
    char title[32] = "";
    EXPECT_EQ(GetWindowText(stopped.hwnd, title, sizeof title), 0);
    EXPECT_EQ(FindWindow(nullptr, "Stopped Peer"), nullptr);
    EXPECT_EQ(FindWindow(nullptr, "Live Peer"), live.hwnd);
    DWORD owner = 0;
    GetWindowThreadProcessId(stopped.hwnd, &owner);
    EXPECT_EQ(owner, static_cast<DWORD>(stopped.pid));
    CloseAll(flood);
  });
  if (stopped.pid <= 0) return;

  ::kill(stopped.pid, SIGCONT);
  EXPECT_TRUE(Eventually([&] { return Pings(stopped.hwnd); }));
  // Every call above gave up, so none of them may reach the window late.
  EXPECT_EQ(SendMessage(stopped.hwnd, kLink, kHowManyCounted, 0), 0);
  EXPECT_EQ(FindWindow(nullptr, "Stopped Peer"), stopped.hwnd);
}

TEST(HostilePeers, AFloodOfConnectionsLeavesThePeerListening) {
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizers' own memory checks open pipes: in a peer out of descriptors they fail and end
  // it as if its objects were bad. The plain build runs this test.
  GTEST_SKIP() << "needs a peer without sanitizers";
#endif
  Peer peer("Flooded Peer");
  ASSERT_NE(peer.hwnd, nullptr);
  // Few descriptors, so the flood runs the peer out of them.
  const rlimit few{48, 48};
  ASSERT_EQ(::prlimit(peer.pid, RLIMIT_NOFILE, &few, nullptr), 0);

  Bounded(peer, [&] {
    std::vector<int> flood;
    for (int round = 0; round < 8; ++round) {
      const std::vector<int> more = FillQueue(peer.pid, 100);
      flood.insert(flood.end(), more.begin(), more.end());
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_GT(flood.size(), 48u);
    CloseAll(flood);
    EXPECT_TRUE(Eventually([&] { return Pings(peer.hwnd); }));
  });
  if (peer.pid > 0) {
    EXPECT_EQ(::waitpid(peer.pid, nullptr, WNOHANG), 0) << "the peer ended";
  }
}

// Keeps this process's address space small enough that a 4 GiB allocation fails, so that
// allocating what a peer announces shows as an exception (sanitizer builds reserve too much).
class AddressSpaceCap {
 public:
  AddressSpaceCap() {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("VmSize:", 0) != 0) continue;
      const rlim_t used = std::stoull(line.substr(7)) * 1024;
      if (::getrlimit(RLIMIT_AS, &previous_) == 0) {
        rlimit capped = previous_;
        capped.rlim_cur = used + (1ull << 30);
        capped_ = ::setrlimit(RLIMIT_AS, &capped) == 0;
      }
    }
#endif
  }
  ~AddressSpaceCap() {
    if (capped_) ::setrlimit(RLIMIT_AS, &previous_);
  }

 private:
  rlimit previous_{};
  bool capped_ = false;
};

TEST(HostilePeers, AReplyAnnouncingAHugeTextIsRefusedBeforeAnythingIsAllocated) {
  Peer liar("", "hostile_peer");
  ASSERT_NE(liar.hwnd, nullptr);
  char title[32] = "";
  {
    AddressSpaceCap cap;
    EXPECT_EQ(GetWindowText(liar.hwnd, title, sizeof title), 0);
  }
  EXPECT_STREQ(title, "");
}

// A connection to the process's socket that gives up reading after five seconds.
int Dial(pid_t pid) {
  const std::string path = platform::win::remote::SocketPath(static_cast<std::uint32_t>(pid));
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), std::min(path.size() + 1, sizeof addr.sun_path - 1));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  timeval limit{5, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

TEST(HostilePeers, APayloadOverTheBoundIsRefusedAndOneCutShortStallsNobody) {
  Peer peer("Payload Target");
  ASSERT_NE(peer.hwnd, nullptr);
  auto announce = [&](std::uint32_t length, std::size_t sent) {
    const int fd = Dial(peer.pid);
    platform::win::remote::Request r;
    r.op = platform::win::remote::kPostPayload;
    r.hwnd = HandleToDword(peer.hwnd);
    r.msg = WM_USER + 207;
    r.payloadLength = length;
    const std::vector<char> some(sent, 'p');
    EXPECT_EQ(::send(fd, &r, sizeof r, MSG_NOSIGNAL), static_cast<ssize_t>(sizeof r));
    if (sent) {
      EXPECT_EQ(::send(fd, some.data(), sent, MSG_NOSIGNAL), static_cast<ssize_t>(sent));
    }
    return fd;
  };
  const int huge = announce(0xFFFFFFFF, 0);
  ASSERT_GE(huge, 0);
  platform::win::remote::Reply reply;
  EXPECT_EQ(::recv(huge, &reply, sizeof reply, 0), 0);  // closed unanswered
  const int cut = announce(1000, 10);
  ASSERT_GE(cut, 0);
  EXPECT_TRUE(Pings(peer.hwnd));
  ::close(huge);
  ::close(cut);
}

TEST(HostilePeers, ASocketOthersMayConnectToDoesNotSpeakForAProcess) {
  Peer open("open", "hostile_peer");
  ASSERT_NE(open.hwnd, nullptr);
  EXPECT_FALSE(IsWindow(open.hwnd));
  EXPECT_FALSE(PostMessage(open.hwnd, kLink, kPing, 0));
}

// A peer started with its runtime folder in `runtime` leaves nothing in the window directory.
void ExpectDirectoryUnused(const std::string& runtime, const std::string& dir) {
  const std::string saved = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  Peer peer("Private Peer");
  ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
  ASSERT_NE(peer.hwnd, nullptr) << "the program still runs, its windows its own";
  EXPECT_TRUE(fs::is_empty(dir)) << fs::begin(fs::directory_iterator(dir))->path();
}

std::string SharedRuntime(const std::string& name) {
  const std::string runtime = platform::TempFolder() + name;
  fs::remove_all(runtime);
  fs::create_directories(runtime);
  ::chmod(runtime.c_str(), 01777);
  return runtime;
}

TEST(HostilePeers, AWindowDirectoryOpenToOthersIsNotUsed) {
  const std::string runtime = SharedRuntime("open-runtime");
  const std::string dir = runtime + "/vidarro-windows";
  ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
  ASSERT_EQ(::chmod(dir.c_str(), 0777), 0);
  ExpectDirectoryUnused(runtime, dir);
}

TEST(HostilePeers, AWindowDirectoryOfAnotherUserIsNotUsed) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs a second user to own the folder";
  const std::string runtime = SharedRuntime("foreign-runtime");
  const std::string dir = runtime + "/vidarro-windows";
  ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
  ASSERT_EQ(::chown(dir.c_str(), 65534, 65534), 0);
  ExpectDirectoryUnused(runtime, dir);
}

}  // namespace
