#include "platform/window/remote_protocol.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/window/handle_space.h"
#include "platform/window/window_internal.h"

namespace platform::win::remote {
namespace {

int PollMs(std::uint64_t deadline) {
  const std::uint64_t now = SteadyMs();
  return now >= deadline ? 0 : static_cast<int>(std::min<std::uint64_t>(deadline - now, 60000));
}

bool IsZombie(std::uint32_t pid) {
  FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
  if (!f) return false;
  char buffer[512] = {};
  const size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
  std::fclose(f);
  // "pid (name) S ...": the name may hold blanks and parentheses, the state follows the last ')'.
  const char* close = std::strrchr(buffer, ')');
  return n > 0 && close && close[1] == ' ' && close[2] == 'Z';
}

// Only a socket of this user that nobody else may connect to speaks for one of its processes.
bool IsPrivateSocket(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return false;
  return S_ISSOCK(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

}  // namespace

std::string SocketPath(std::uint32_t pid) { return WindowDirectory() + "proc-" + std::to_string(pid) + ".sock"; }
std::string ListPath(std::uint32_t pid) { return WindowDirectory() + "proc-" + std::to_string(pid) + ".windows"; }

bool ProcessAlive(std::uint32_t pid) {
  if (pid == 0) return false;
  if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;
  return !IsZombie(pid);
}

Dial Connect(std::uint32_t pid, std::uint64_t deadline, int* out) {
  *out = -1;
  const std::string path = SocketPath(pid);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path || !IsPrivateSocket(path)) return Dial::kGone;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return Dial::kUnresponsive;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
      *out = fd;
      return Dial::kConnected;
    }
    const int error = errno;
    ::close(fd);
    if (error != EAGAIN && error != EINTR) return Dial::kGone;
    // A full queue of waiting connections: the process is stopped, hung or flooded.
    const std::uint64_t now = SteadyMs();
    if (now >= deadline) return Dial::kUnresponsive;
    std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(pause, std::chrono::milliseconds(deadline - now)));
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
}

bool WriteAll(int fd, const void* data, std::size_t size, std::uint64_t deadline) {
  const char* p = static_cast<const char*>(data);
  while (size) {
    const ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd pfd{fd, POLLOUT, 0};
      const int r = ::poll(&pfd, 1, PollMs(deadline));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) return false;
      continue;
    }
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, void* data, std::size_t size, std::uint64_t deadline) {
  char* p = static_cast<char*>(data);
  while (size) {
    if (SteadyMs() >= deadline) return false;
    pollfd pfd{fd, POLLIN, 0};
    const int r = ::poll(&pfd, 1, PollMs(deadline));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    const ssize_t n = ::recv(fd, p, size, MSG_DONTWAIT);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool PeerHungUp(int fd) {
  char c;
  ssize_t n;
  do {
    n = ::recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT);
  } while (n < 0 && errno == EINTR);
  return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

}  // namespace platform::win::remote
