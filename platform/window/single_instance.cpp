#include "platform/window/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "platform/base/clock.h"
#include "platform/base/paths.h"
#include "platform/window/focus.h"
#include "platform/window/window.h"

namespace platform {
namespace {

// How long a later copy waits for the first one's window: the first may still be loading.
constexpr int kWindowWaitMs = 20000;
constexpr int kPollMs = 50;

struct HeldLock {
  int fd = -1;
  int claims = 0;
};

std::mutex& LocksMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

std::map<std::string, HeldLock>& Locks() {
  static auto* locks = new std::map<std::string, HeldLock>;
  return *locks;
}

// -1: another process holds the lock; 0: no lock could be made; else the open, locked file.
int TakeLockFile(const std::string& group) {
  const std::string folder = RuntimeFolder();
  if (folder.empty()) return 0;
  const std::string path = WithTrailingSlash(folder) + "vidarro-" + group + ".lock";
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return 0;
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) return fd;
  ::close(fd);
  return errno == EWOULDBLOCK ? -1 : 0;
}

HWND FindAny(const std::vector<std::string>& titles) {
  for (const std::string& title : titles)
    if (HWND window = ::FindWindow("#32770", title.c_str())) return window;
  return nullptr;
}

}  // namespace

bool SingleInstanceLock::Claim(const std::string& group, const std::vector<std::string>& titles) {
  Release();
  {
    std::lock_guard<std::mutex> guard(LocksMutex());
    HeldLock& held = Locks()[group];
    if (held.claims == 0) {
      const int fd = TakeLockFile(group);
      if (fd < 0) {
        Locks().erase(group);
      } else {
        held.fd = fd;
      }
    }
    if (Locks().count(group)) {
      ++Locks()[group].claims;
      group_ = group;
      return true;
    }
  }
  for (int waited = 0; !titles.empty() && waited < kWindowWaitMs; waited += kPollMs) {
    if (HWND running = FindAny(titles)) {
      ::SetForegroundWindow(running);
      break;
    }
    ::Sleep(kPollMs);
  }
  return false;
}

void SingleInstanceLock::Release() {
  if (group_.empty()) return;
  std::lock_guard<std::mutex> guard(LocksMutex());
  auto it = Locks().find(group_);
  if (it != Locks().end() && --it->second.claims == 0) {
    if (it->second.fd > 0) ::close(it->second.fd);
    Locks().erase(it);
  }
  group_.clear();
}

}  // namespace platform
