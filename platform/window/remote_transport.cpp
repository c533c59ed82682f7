#include <dirent.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/base/strings.h"
#include "platform/window/focus.h"
#include "platform/window/handle_space.h"
#include "platform/window/message_payload.h"
#include "platform/window/remote_protocol.h"
#include "platform/window/remote_server.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window_internal.h"

using namespace platform::win;

namespace {

using namespace platform::win::remote;

// Posts, texts and activations wait this long for their answer, connecting included.
constexpr UINT kQueryTimeoutMs = 2000;
// IsWindow, FindWindow and GetWindowThreadProcessId give up on a process that does not answer
// after this long: a stopped program must not freeze every search of the suite.
constexpr UINT kProbeTimeoutMs = 250;
// A window list larger than this is not read further.
constexpr std::size_t kMaxListBytes = 4 * 1024 * 1024;

std::atomic<UINT> g_timeout{platform::kDefaultRemoteSendTimeoutMs};
std::mutex g_serverMu;
std::shared_ptr<Server> g_server;
bool g_stopped = false;  // after StopWindowTransport, publishing does not start it again
pid_t g_serverPid = 0;
std::string g_socketPath;
std::string g_listPath;

// The process owning a handle of another process, when that process is alive.
std::uint32_t OwnerOf(HWND hwnd) {
  const std::uint32_t pid = BlockOwner(HandleToDword(hwnd));
  if (pid == 0 || pid == static_cast<std::uint32_t>(::getpid()) || !ProcessAlive(pid)) return 0;
  return pid;
}

enum class Outcome { kAnswered, kGone, kNoAnswer };

Outcome FromDial(Dial d) { return d == Dial::kGone ? Outcome::kGone : Outcome::kNoAnswer; }

// One request (and its payload, if any) and its reply on a fresh connection, all within
// timeoutMs; the reply's text (if any) goes to text.
Outcome Exchange(std::uint32_t pid, const Request& request, UINT timeoutMs, Reply* reply, std::string* text,
                 const void* payload = nullptr) {
  if (!pid) return Outcome::kGone;
  const std::uint64_t deadline = SteadyMs() + timeoutMs;
  int fd = -1;
  const Dial dial = Connect(pid, deadline, &fd);
  if (dial != Dial::kConnected) return FromDial(dial);
  bool ok = WriteAll(fd, &request, sizeof request, deadline) &&
            (!request.payloadLength || WriteAll(fd, payload, request.payloadLength, deadline)) &&
            ReadAll(fd, reply, sizeof *reply, deadline) && reply->magic == kMagic;
  // The length is checked before anything is allocated for it.
  if (ok && reply->textLength) {
    ok = reply->textLength <= kMaxWindowText;
    std::string t;
    if (ok) t.resize(reply->textLength);
    ok = ok && ReadAll(fd, t.data(), t.size(), deadline);
    if (ok && text) *text = std::move(t);
  }
  ::close(fd);
  return ok ? Outcome::kAnswered : Outcome::kNoAnswer;
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

// Whether the process answers at all: a question about no window, asked briefly.
Outcome Probe(std::uint32_t pid) {
  Reply reply;
  return Exchange(pid, MakeRequest(kIsWindow, nullptr), kProbeTimeoutMs, &reply, nullptr);
}

BOOL RemotePost(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Reply reply;
  return Exchange(OwnerOf(hwnd), MakeRequest(kPost, hwnd, msg, wParam, lParam), kQueryTimeoutMs, &reply, nullptr) ==
             Outcome::kAnswered &&
         reply.ok;
}

BOOL RemotePostPayload(HWND hwnd, UINT msg, WPARAM wParam, const void* data, std::size_t size) {
  if (size > platform::kMaxMessagePayload) return FALSE;
  Request request = MakeRequest(kPostPayload, hwnd, msg, wParam);
  request.payloadLength = static_cast<std::uint32_t>(size);
  Reply reply;
  return Exchange(OwnerOf(hwnd), request, kQueryTimeoutMs, &reply, nullptr, data) == Outcome::kAnswered && reply.ok;
}

bool RemoteSend(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT timeoutMs, LRESULT* result) {
  const std::uint32_t pid = OwnerOf(hwnd);
  if (!pid) return false;
  const std::uint64_t deadline = SteadyMs() + timeoutMs;
  int fd = -1;
  if (Connect(pid, deadline, &fd) != Dial::kConnected) return false;
  const Request request = MakeRequest(kSend, hwnd, msg, wParam, lParam, timeoutMs);
  if (!WriteAll(fd, &request, sizeof request, deadline)) {
    ::close(fd);
    return false;
  }
  // The answer is read on a helper thread; meanwhile this thread answers messages sent to it,
  // so two programs sending to each other do not lock up.
  struct Pending {
    std::mutex mu;
    int fd = -1;
    std::atomic<bool> done{false};
    bool ok = false;
    Reply reply;
  };
  auto pending = std::make_shared<Pending>();
  pending->fd = fd;
  auto me = CurrentQueue();
  try {
    std::thread([pending, me, deadline] {
      const bool ok = ReadAll(pending->fd, &pending->reply, sizeof pending->reply, deadline + 100) &&
                      pending->reply.magic == kMagic;
      {
        std::lock_guard lock(pending->mu);
        ::close(pending->fd);
        pending->fd = -1;
        pending->ok = ok;
      }
      pending->done = true;
      me->Wake();
    }).detach();
  } catch (const std::system_error&) {
    ::close(fd);
    return false;
  }
  if (!WaitAnsweringSent(
          me, [&] { return pending->done.load(); }, deadline)) {
    // Given up: the helper stops reading at once instead of waiting out its own limit.
    std::lock_guard lock(pending->mu);
    if (pending->fd >= 0) ::shutdown(pending->fd, SHUT_RDWR);
    return false;
  }
  std::lock_guard lock(pending->mu);
  if (!pending->ok || !pending->reply.ok) return false;
  *result = static_cast<LRESULT>(pending->reply.result);
  return true;
}

BOOL RemoteIsWindow(HWND hwnd) {
  Reply reply;
  switch (Exchange(OwnerOf(hwnd), MakeRequest(kIsWindow, hwnd), kProbeTimeoutMs, &reply, nullptr)) {
    case Outcome::kAnswered: return reply.ok != 0;
    case Outcome::kGone: return FALSE;
    // A living process that does not answer in time (stopped, hung, flooded) still has its
    // windows, the way a hung program's windows stay.
    case Outcome::kNoAnswer: return TRUE;
  }
  return FALSE;
}

BOOL RemoteForeground(HWND hwnd) {
  Reply reply;
  return Exchange(OwnerOf(hwnd), MakeRequest(kForeground, hwnd), kQueryTimeoutMs, &reply, nullptr) ==
             Outcome::kAnswered &&
         reply.ok;
}

int RemoteGetText(HWND hwnd, std::string* text) {
  Reply reply;
  return Exchange(OwnerOf(hwnd), MakeRequest(kGetText, hwnd), kQueryTimeoutMs, &reply, text) == Outcome::kAnswered &&
         reply.ok;
}

// Like IsWindow, a process that is dead but not yet reaped, or withdrew from the directory, has
// no windows any more.
DWORD RemoteProcessOf(HWND hwnd) {
  const std::uint32_t pid = OwnerOf(hwnd);
  return pid && Probe(pid) != Outcome::kGone ? pid : 0;
}

// The lines of a window list, of its first kMaxListBytes only.
std::vector<std::string> ReadList(std::uint32_t pid) {
  std::ifstream f(ListPath(pid), std::ios::binary);
  std::string all;
  char chunk[16384];
  while (all.size() < kMaxListBytes && f) {
    f.read(chunk, static_cast<std::streamsize>(std::min(sizeof chunk, kMaxListBytes - all.size())));
    all.append(chunk, static_cast<std::size_t>(f.gcount()));
  }
  std::vector<std::string> lines;
  std::istringstream in(all);
  for (std::string line; std::getline(in, line);) lines.push_back(std::move(line));
  return lines;
}

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
    // Only a process that answers has windows; a dead one is forgotten, a stopped one skipped.
    const Outcome probe = ProcessAlive(pid) ? Probe(pid) : Outcome::kGone;
    if (probe == Outcome::kGone) ForgetDeadProcess(pid);
    if (probe != Outcome::kAnswered) continue;
    for (const std::string& line : ReadList(pid)) {
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
  hooks.postPayload = RemotePostPayload;
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
  if (g_server && g_serverPid == pid) return true;
  g_stopped = false;
  if (g_serverPid != pid) g_server.reset();  // a forked child starts its own, leaving its parent's alone
  if (WindowDirectory().empty()) return false;
  const std::string path = SocketPath(static_cast<std::uint32_t>(pid));
  // Bound under a scratch name and closed to others before it is found under its own.
  const std::string scratch = path + ".new";
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (scratch.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, scratch.c_str(), scratch.size() + 1);
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  ::unlink(scratch.c_str());
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::chmod(scratch.c_str(), 0600) != 0 ||
      ::listen(fd, 64) != 0 || ::rename(scratch.c_str(), path.c_str()) != 0) {
    ::close(fd);
    ::unlink(scratch.c_str());
    return false;
  }
  g_server = Server::Start(fd);
  if (!g_server) {
    ::unlink(path.c_str());
    return false;
  }
  g_serverPid = pid;
  g_socketPath = path;
  g_listPath = ListPath(static_cast<std::uint32_t>(pid));
  static bool registered = (std::atexit(StopWindowTransport), true);
  (void)registered;
  (void)g_installed;
  return true;
}

void StopWindowTransport() {
  std::lock_guard lock(g_serverMu);
  if (!g_server || g_serverPid != ::getpid()) return;
  g_stopped = true;
  g_server->Stop();
  g_server.reset();
  ::unlink(g_socketPath.c_str());
  ::unlink(g_listPath.c_str());
  g_listPath.clear();
}

}  // namespace platform
