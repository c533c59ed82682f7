#include "platform/base/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/strings.h"
#include "platform/base/sync.h"

namespace platform {

std::string NamedMutex::LockPath(const std::string& name) {
  std::string file;
  for (unsigned char c : name) {
    const bool plain =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
    if (plain) {
      file += static_cast<char>(c);
    } else {
      file += Format("%%%02X", c);
    }
  }
  if (file.empty() || file[0] == '.') file = "%" + file;
  // File names end at 255 bytes; a long name keeps its start and gains a hash of the whole.
  if (file.size() > 200) {
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a: the same in every process and build
    for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
    file = file.substr(0, 160) + Format("~%016llx", static_cast<unsigned long long>(hash));
  }
  return RuntimeFolder() + "vidarro-mutex/" + file + ".lock";
}

bool NamedMutex::Create(const std::string& name) {
  Close();
  if (RuntimeFolder().empty()) return false;
  const std::string path = LockPath(name);
  if (!CreateFolders(FolderOf(path))) return false;
  // Close-on-exec: a program this process starts must not inherit, and so keep, the lock.
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) return false;
  alreadyExists_ = !TryTake();
  return true;
}

bool NamedMutex::TryTake() {
  if (owned_) return true;
  if (fd_ < 0) return false;
  // flock belongs to the open file, so two NamedMutex objects of one process exclude each
  // other too, and the kernel drops the lock when the process ends.
  while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EINTR) return false;
  }
  owned_ = true;
  return true;
}

DWORD NamedMutex::Wait(DWORD timeoutMs) {
  if (fd_ < 0) return WAIT_FAILED;
  const auto start = std::chrono::steady_clock::now();
  auto pause = std::chrono::milliseconds(1);
  while (!TryTake()) {
    const auto waited = std::chrono::steady_clock::now() - start;
    if (timeoutMs != INFINITE && waited >= std::chrono::milliseconds(timeoutMs)) return WAIT_TIMEOUT;
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(20)) pause *= 2;
  }
  return WAIT_OBJECT_0;
}

void NamedMutex::Release() {
  if (owned_ && fd_ >= 0) flock(fd_, LOCK_UN);
  owned_ = false;
}

void NamedMutex::Close() {
  Release();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  alreadyExists_ = false;
}

}  // namespace platform
