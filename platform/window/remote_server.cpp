#include "platform/window/remote_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/window/focus.h"
#include "platform/window/message_payload.h"
#include "platform/window/remote_protocol.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"
#include "platform/window/window_internal.h"

namespace platform::win::remote {
namespace {

// A request must arrive this soon after its connection; a reply gets this long to leave.
constexpr std::uint64_t kRequestMs = 2000;
constexpr std::uint64_t kReplyMs = 500;
// Connections whose request is still arriving; more are refused.
constexpr std::size_t kMaxArriving = 64;
// Sends and activations wait on a window's thread, so they run on workers.
constexpr int kMaxWorkers = 4;
constexpr std::size_t kMaxWaitingJobs = 16;
constexpr auto kWorkerIdle = std::chrono::seconds(10);
// After accept fails for want of descriptors or memory, the listener pauses this long.
constexpr std::uint64_t kAcceptBackOffMs = 100;

struct Job {
  int fd = -1;
  Request request;
};

struct Arriving {
  int fd = -1;
  std::uint64_t deadline = 0;
  Request request;
  std::size_t got = 0;
  std::vector<std::uint8_t> payload;  // sized from the request once its length passed the check
  std::size_t payloadGot = 0;
};

}  // namespace

struct Server::Shared {
  int listenFd = -1;
  int wakeRead = -1;
  int wakeWrite = -1;
  std::mutex mu;
  std::condition_variable cv;
  std::deque<Job> jobs;
  int workers = 0;
  int idle = 0;
  bool stopping = false;
};

namespace {

void Answer(int fd, const Request& request, const std::vector<std::uint8_t>& payload = {}) {
  Reply reply;
  std::string text;
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
    case kPostPayload:
      reply.ok = w && platform::PostPayloadMessage(hwnd, request.msg, static_cast<WPARAM>(request.wParam),
                                                   payload.data(), payload.size());
      break;
    case kIsWindow: reply.ok = w && !w->destroying; break;
    case kForeground: reply.ok = w && SetForegroundWindow(hwnd); break;
    case kGetText:
      if (w) {
        std::lock_guard lock(TableLock());
        text = w->text.substr(0, kMaxWindowText);
        reply.ok = 1;
      }
      break;
    default: break;
  }
  reply.textLength = static_cast<std::uint32_t>(text.size());
  const std::uint64_t deadline = SteadyMs() + kReplyMs;
  if (WriteAll(fd, &reply, sizeof reply, deadline) && !text.empty()) WriteAll(fd, text.data(), text.size(), deadline);
  ::close(fd);
}

void Work(const std::shared_ptr<Server::Shared>& s) {
  std::unique_lock lock(s->mu);
  for (;;) {
    ++s->idle;
    const bool woken = s->cv.wait_for(lock, kWorkerIdle, [&] { return s->stopping || !s->jobs.empty(); });
    --s->idle;
    if (s->stopping || !woken) break;
    Job job = s->jobs.front();
    s->jobs.pop_front();
    lock.unlock();
    Answer(job.fd, job.request);
    lock.lock();
  }
  --s->workers;
}

// Queues a request for the workers, starting one when none is free; false when it is refused.
bool Hand(const std::shared_ptr<Server::Shared>& s, const Job& job) {
  std::lock_guard lock(s->mu);
  if (s->stopping || s->jobs.size() >= kMaxWaitingJobs) return false;
  if (s->idle == 0 && s->workers < kMaxWorkers) {
    try {
      std::thread(Work, s).detach();
      ++s->workers;
    } catch (const std::system_error&) {
      if (s->workers == 0) return false;
    }
  }
  s->jobs.push_back(job);
  s->cv.notify_one();
  return true;
}

void Dispatch(const std::shared_ptr<Server::Shared>& s, int fd, const Request& request,
              const std::vector<std::uint8_t>& payload) {
  // The caller gave up and closed: its request is not carried out late.
  if (request.magic != kMagic || PeerHungUp(fd)) {
    ::close(fd);
    return;
  }
  if (request.op == kSend || request.op == kForeground) {
    if (!Hand(s, Job{fd, request})) ::close(fd);
    return;
  }
  Answer(fd, request, payload);
}

void AcceptWaiting(int listenFd, std::vector<Arriving>* arriving, std::uint64_t* pausedUntil) {
  for (int round = 0; round < 32; ++round) {
    const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      const int error = errno;
      if (error == EINTR || error == ECONNABORTED || error == EPROTO) continue;
      if (error == EAGAIN || error == EWOULDBLOCK) return;
      // Out of descriptors or memory, most likely for a while: listen again after a pause.
      static std::atomic<bool> told{false};
      if (!told.exchange(true))
        std::fprintf(stderr, "window transport: accept failed (%s); listening again shortly\n", std::strerror(error));
      *pausedUntil = SteadyMs() + kAcceptBackOffMs;
      return;
    }
    if (arriving->size() >= kMaxArriving) {
      ::close(fd);
      continue;
    }
    arriving->push_back(Arriving{fd, SteadyMs() + kRequestMs, Request{}, 0, {}, 0});
  }
}

// Reads what has come of a request; false when the connection is done with (answered or closed).
bool ReadArriving(const std::shared_ptr<Server::Shared>& s, Arriving* a) {
  const bool header = a->got < sizeof a->request;
  char* into = header ? reinterpret_cast<char*>(&a->request) + a->got
                      : reinterpret_cast<char*>(a->payload.data()) + a->payloadGot;
  const std::size_t want = header ? sizeof a->request - a->got : a->payload.size() - a->payloadGot;
  const ssize_t n = ::recv(a->fd, into, want, MSG_DONTWAIT);
  if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) return true;
  if (n <= 0) {
    ::close(a->fd);
    return false;
  }
  (header ? a->got : a->payloadGot) += static_cast<std::size_t>(n);
  if (a->got < sizeof a->request) return true;
  if (header && a->request.op == kPostPayload) {
    // The length is checked before anything is allocated for it.
    if (a->request.magic != kMagic || a->request.payloadLength > platform::kMaxMessagePayload) {
      ::close(a->fd);
      return false;
    }
    a->payload.resize(a->request.payloadLength);
  }
  if (a->payloadGot < a->payload.size()) return true;
  Dispatch(s, a->fd, a->request, a->payload);
  return false;
}

void Serve(const std::shared_ptr<Server::Shared>& s) {
  std::vector<Arriving> arriving;
  std::vector<pollfd> fds;
  std::uint64_t pausedUntil = 0;
  for (;;) {
    const std::uint64_t now = SteadyMs();
    const bool listening = now >= pausedUntil;
    std::uint64_t wakeAt = listening ? now + 1000 : pausedUntil;
    fds.clear();
    fds.push_back({s->wakeRead, POLLIN, 0});
    fds.push_back({listening ? s->listenFd : -1, POLLIN, 0});
    for (const Arriving& a : arriving) {
      fds.push_back({a.fd, POLLIN, 0});
      wakeAt = std::min(wakeAt, a.deadline);
    }
    const int r = ::poll(fds.data(), fds.size(), wakeAt > now ? static_cast<int>(wakeAt - now) : 0);
    if (r < 0 && errno != EINTR) {
      ::usleep(static_cast<useconds_t>(kAcceptBackOffMs * 1000));
      continue;
    }
    if (r > 0 && fds[0].revents) break;
    std::vector<Arriving> still;
    const std::uint64_t after = SteadyMs();
    for (std::size_t i = 0; i < arriving.size(); ++i) {
      Arriving& a = arriving[i];
      if (r > 0 && fds[i + 2].revents && !ReadArriving(s, &a)) continue;
      if (after >= a.deadline) {
        ::close(a.fd);
        continue;
      }
      still.push_back(std::move(a));
    }
    arriving.swap(still);
    if (r > 0 && listening && fds[1].revents) AcceptWaiting(s->listenFd, &arriving, &pausedUntil);
  }
  for (const Arriving& a : arriving) ::close(a.fd);
  ::close(s->listenFd);
  ::close(s->wakeRead);
}

}  // namespace

std::shared_ptr<Server> Server::Start(int listenFd) {
  auto shared = std::make_shared<Shared>();
  int wake[2];
  if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    ::close(listenFd);
    return nullptr;
  }
  shared->listenFd = listenFd;
  shared->wakeRead = wake[0];
  shared->wakeWrite = wake[1];
  try {
    std::thread(Serve, shared).detach();
  } catch (const std::system_error&) {
    ::close(listenFd);
    ::close(wake[0]);
    ::close(wake[1]);
    return nullptr;
  }
  return std::shared_ptr<Server>(new Server(std::move(shared)));
}

void Server::Stop() {
  std::deque<Job> left;
  {
    std::lock_guard lock(shared_->mu);
    if (shared_->stopping) return;
    shared_->stopping = true;
    left.swap(shared_->jobs);
  }
  shared_->cv.notify_all();
  for (const Job& job : left) ::close(job.fd);
  const char byte = 1;
  const ssize_t ignored = ::write(shared_->wakeWrite, &byte, 1);
  (void)ignored;
  ::close(shared_->wakeWrite);
}

}  // namespace platform::win::remote
