#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/base/strings.h"
#include "platform/window/focus.h"
#include "platform/window/handle_space.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window_internal.h"

using namespace platform::win;

namespace {

constexpr std::uint32_t kMagic = 0x56574D31;  // "VWM1"
constexpr UINT kQueryTimeoutMs = 2000;

enum Op : std::uint32_t { kPost = 1, kSend = 2, kIsWindow = 3, kForeground = 4, kGetText = 5 };

struct Request {
  std::uint32_t magic = kMagic;
  std::uint32_t op = 0;
  std::uint32_t hwnd = 0;
  std::uint32_t msg = 0;
  std::uint64_t wParam = 0;
  std::int64_t lParam = 0;
  std::uint32_t timeoutMs = 0;
  std::uint32_t senderPid = 0;
};

struct Reply {
  std::uint32_t magic = kMagic;
  std::int32_t ok = 0;
  std::int64_t result = 0;
  std::uint32_t textLength = 0;
  std::uint32_t reserved = 0;
};

std::atomic<UINT> g_timeout{platform::kDefaultRemoteSendTimeoutMs};
std::mutex g_serverMu;
int g_listenFd = -1;
bool g_stopped = false;  // after StopWindowTransport, publishing does not start it again
pid_t g_serverPid = 0;
std::string g_socketPath;
std::string g_listPath;

std::string SocketPath(std::uint32_t pid) { return WindowDirectory() + "proc-" + std::to_string(pid) + ".sock"; }
std::string ListPath(std::uint32_t pid) { return WindowDirectory() + "proc-" + std::to_string(pid) + ".windows"; }

bool ProcessAlive(std::uint32_t pid) {
  if (pid == 0) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool WriteAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size) {
    ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Reads exactly size bytes before the steady-clock deadline (ms); false on timeout or close.
bool ReadAll(int fd, void* data, size_t size, std::uint64_t deadline) {
  char* p = static_cast<char*>(data);
  while (size) {
    const std::uint64_t now = SteadyMs();
    if (now >= deadline) return false;
    pollfd pfd{fd, POLLIN, 0};
    int r = ::poll(&pfd, 1, static_cast<int>(std::min<std::uint64_t>(deadline - now, 60000)));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    ssize_t n = ::recv(fd, p, size, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

int Connect(std::uint32_t pid) {
  const std::string path = SocketPath(pid);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return -1;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// The process owning a handle of another process, when that process is alive.
std::uint32_t OwnerOf(HWND hwnd) {
  const std::uint32_t pid = BlockOwner(HandleToDword(hwnd));
  if (pid == 0 || pid == static_cast<std::uint32_t>(::getpid()) || !ProcessAlive(pid)) return 0;
  return pid;
}

// One request and its reply on a fresh connection; the reply's text (if any) goes to text.
bool Exchange(HWND hwnd, const Request& request, UINT timeoutMs, Reply* reply, std::string* text) {
  const std::uint32_t pid = OwnerOf(hwnd);
  if (!pid) return false;
  int fd = Connect(pid);
  if (fd < 0) return false;
  const std::uint64_t deadline = SteadyMs() + timeoutMs;
  bool ok =
      WriteAll(fd, &request, sizeof request) && ReadAll(fd, reply, sizeof *reply, deadline) && reply->magic == kMagic;
  if (ok && reply->textLength) {
    if (reply->textLength > kMaxWindowText) ok = false;
    std::string t(reply->textLength, '\0');
    ok = ok && ReadAll(fd, t.data(), t.size(), deadline);
    if (ok && text) *text = std::move(t);
  }
  ::close(fd);
  return ok;
}

Request MakeRequest(Op op, HWND hwnd, UINT msg = 0, WPARAM wParam = 0, LPARAM lParam = 0, UINT timeout = 0) {
  Request r;
  r.op = op;
  r.hwnd = HandleToDword(hwnd);
  r.msg = msg;
  r.wParam = static_cast<std::uint64_t>(static_cast<DWORD>(wParam));
  r.lParam = static_cast<std::int64_t>(static_cast<LONG>(lParam));  // 32-bit values, as the programs exchange them
  r.timeoutMs = timeout;
  r.senderPid = static_cast<std::uint32_t>(::getpid());
  return r;
}

// --- the answering side -----------------------------------------------------------------------

void Serve(int fd) {
  Request request;
  Reply reply;
  std::string text;
  if (!ReadAll(fd, &request, sizeof request, SteadyMs() + kQueryTimeoutMs) || request.magic != kMagic) {
    ::close(fd);
    return;
  }
  HWND hwnd = DwordToHandle<HWND>(request.hwnd);
  auto w = Find(hwnd);
  switch (request.op) {
    case kPost:
      reply.ok =
          w && PostMessage(hwnd, request.msg, static_cast<WPARAM>(request.wParam), static_cast<LPARAM>(request.lParam));
      break;
    case kSend: {
      DWORD_PTR result = 0;
      if (w) {
        reply.ok =
            SendMessageTimeout(hwnd, request.msg, static_cast<WPARAM>(request.wParam),
                               static_cast<LPARAM>(request.lParam), SMTO_NORMAL,
                               request.timeoutMs ? request.timeoutMs : platform::RemoteSendTimeoutMs(), &result) != 0;
      }
      reply.result = static_cast<std::int64_t>(static_cast<LONG_PTR>(result));
      break;
    }
    case kIsWindow: reply.ok = w && !w->destroying; break;
    case kForeground: reply.ok = w && SetForegroundWindow(hwnd); break;
    case kGetText:
      if (w) {
        std::lock_guard lock(TableLock());
        text = w->text;
        reply.ok = 1;
      }
      break;
    default: break;
  }
  reply.textLength = static_cast<std::uint32_t>(text.size());
  if (WriteAll(fd, &reply, sizeof reply) && !text.empty()) WriteAll(fd, text.data(), text.size());
  ::close(fd);
}

void Listen(int listenFd) {
  for (;;) {
    int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // closed by StopWindowTransport
    }
    std::thread(Serve, fd).detach();
  }
}

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\') out += "\\\\";
    else if (c == '\t') out += "\\t";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      ++i;
      out += s[i] == 't' ? '\t' : s[i] == 'n' ? '\n' : s[i];
    } else {
      out += s[i];
    }
  }
  return out;
}

// Rewrites this process's list of top-level windows for FindWindow in other processes.
void Publish() {
  {
    std::lock_guard lock(g_serverMu);
    if (g_stopped && g_serverPid == ::getpid()) return;
  }
  if (!platform::StartWindowTransport()) return;
  std::ostringstream out;
  {
    std::lock_guard lock(TableLock());
    for (HWND h : TopLevelOrder()) {
      auto w = FindLocked(h);
      if (!w || w->destroying || !w->created) continue;
      out << HandleToDword(h) << '\t' << Escape(w->cls->name) << '\t' << Escape(w->text) << '\n';
    }
  }
  std::lock_guard lock(g_serverMu);
  if (g_listPath.empty()) return;
  const std::string temp = g_listPath + ".tmp";
  {
    std::ofstream f(temp, std::ios::trunc);
    f << out.str();
  }
  std::rename(temp.c_str(), g_listPath.c_str());
}

void ForgetDeadProcess(std::uint32_t pid) {
  ::unlink(ListPath(pid).c_str());
  ::unlink(SocketPath(pid).c_str());
}

// --- hooks the window system calls for handles of other processes ----------------------------

BOOL RemotePost(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Reply reply;
  return Exchange(hwnd, MakeRequest(kPost, hwnd, msg, wParam, lParam), kQueryTimeoutMs, &reply, nullptr) && reply.ok;
}

bool RemoteSend(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT timeoutMs, LRESULT* result) {
  const std::uint32_t pid = OwnerOf(hwnd);
  if (!pid) return false;
  int fd = Connect(pid);
  if (fd < 0) return false;
  const Request request = MakeRequest(kSend, hwnd, msg, wParam, lParam, timeoutMs);
  if (!WriteAll(fd, &request, sizeof request)) {
    ::close(fd);
    return false;
  }
  // The answer is read on a helper thread; meanwhile this thread answers messages sent to it,
  // so two programs sending to each other do not lock up.
  struct Pending {
    std::atomic<bool> done{false};
    bool ok = false;
    Reply reply;
  };
  auto pending = std::make_shared<Pending>();
  auto me = CurrentQueue();
  const std::uint64_t deadline = SteadyMs() + timeoutMs;
  std::thread([fd, pending, me, deadline] {
    pending->ok = ReadAll(fd, &pending->reply, sizeof pending->reply, deadline + 100) && pending->reply.magic == kMagic;
    ::close(fd);
    pending->done = true;
    me->Wake();
  }).detach();
  if (!WaitAnsweringSent(
          me, [&] { return pending->done.load(); }, deadline))
    return false;
  if (!pending->ok || !pending->reply.ok) return false;
  *result = static_cast<LRESULT>(pending->reply.result);
  return true;
}

BOOL RemoteIsWindow(HWND hwnd) {
  Reply reply;
  return Exchange(hwnd, MakeRequest(kIsWindow, hwnd), kQueryTimeoutMs, &reply, nullptr) && reply.ok;
}

BOOL RemoteForeground(HWND hwnd) {
  Reply reply;
  return Exchange(hwnd, MakeRequest(kForeground, hwnd), kQueryTimeoutMs, &reply, nullptr) && reply.ok;
}

int RemoteGetText(HWND hwnd, std::string* text) {
  Reply reply;
  return Exchange(hwnd, MakeRequest(kGetText, hwnd), kQueryTimeoutMs, &reply, text) && reply.ok;
}

DWORD RemoteProcessOf(HWND hwnd) { return OwnerOf(hwnd); }

HWND RemoteFindWindow(LPCSTR className, LPCSTR title) {
  const std::string dir = WindowDirectory();
  DIR* d = dir.empty() ? nullptr : ::opendir(dir.c_str());
  if (!d) return nullptr;
  const auto self = static_cast<std::uint32_t>(::getpid());
  std::vector<std::uint32_t> pids;
  while (dirent* e = ::readdir(d)) {
    unsigned long pid = 0;
    char rest[32] = {};
    if (std::sscanf(e->d_name, "proc-%lu.%31s", &pid, rest) == 2 && std::strcmp(rest, "windows") == 0)
      pids.push_back(static_cast<std::uint32_t>(pid));
  }
  ::closedir(d);
  for (std::uint32_t pid : pids) {
    if (pid == self) continue;
    // A killed program may linger unreaped; only a process that still answers has windows.
    const int probe = ProcessAlive(pid) ? Connect(pid) : -1;
    if (probe < 0) {
      ForgetDeadProcess(pid);
      continue;
    }
    ::close(probe);
    std::ifstream f(ListPath(pid));
    std::string line;
    while (std::getline(f, line)) {
      const auto tab1 = line.find('\t');
      const auto tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
      if (tab2 == std::string::npos) continue;
      const std::string cls = Unescape(line.substr(tab1 + 1, tab2 - tab1 - 1));
      const std::string text = Unescape(line.substr(tab2 + 1));
      if (className && !platform::EqualsNoCase(cls, className)) continue;
      if (title && text != title) continue;
      const auto handle = static_cast<DWORD>(std::strtoul(line.substr(0, tab1).c_str(), nullptr, 10));
      HWND h = DwordToHandle<HWND>(handle);
      if (BlockOwner(handle) == pid) return h;
    }
  }
  return nullptr;
}

bool InstallHooks() {
  RemoteHooks& hooks = Remote();
  hooks.post = RemotePost;
  hooks.send = RemoteSend;
  hooks.isWindow = RemoteIsWindow;
  hooks.findWindow = RemoteFindWindow;
  hooks.setForeground = RemoteForeground;
  hooks.processOf = RemoteProcessOf;
  hooks.getText = RemoteGetText;
  hooks.topLevelChanged = Publish;
  return true;
}

// Handles of other processes work as soon as the window system is linked in.
const bool g_installed = InstallHooks();

}  // namespace

namespace platform {

UINT RemoteSendTimeoutMs() { return g_timeout.load(); }
void SetRemoteSendTimeoutMs(UINT ms) { g_timeout = ms ? ms : kDefaultRemoteSendTimeoutMs; }

bool StartWindowTransport() {
  std::lock_guard lock(g_serverMu);
  const pid_t pid = ::getpid();
  if (g_listenFd >= 0 && g_serverPid == pid) return true;
  g_stopped = false;
  if (g_serverPid != pid) g_listenFd = -1;  // a forked child starts its own
  if (WindowDirectory().empty()) return false;
  const std::string path = SocketPath(static_cast<std::uint32_t>(pid));
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  ::unlink(path.c_str());
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 64) != 0) {
    ::close(fd);
    return false;
  }
  g_listenFd = fd;
  g_serverPid = pid;
  g_socketPath = path;
  g_listPath = ListPath(static_cast<std::uint32_t>(pid));
  std::thread(Listen, fd).detach();
  static bool registered = (std::atexit(StopWindowTransport), true);
  (void)registered;
  (void)g_installed;
  return true;
}

void StopWindowTransport() {
  std::lock_guard lock(g_serverMu);
  if (g_listenFd < 0 || g_serverPid != ::getpid()) return;
  g_stopped = true;
  ::shutdown(g_listenFd, SHUT_RDWR);
  ::close(g_listenFd);
  g_listenFd = -1;
  ::unlink(g_socketPath.c_str());
  ::unlink(g_listPath.c_str());
  g_listPath.clear();
}

}  // namespace platform
