#include "platform/dshow/v4l2_io.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace platform::dshow::v4l2 {

namespace {

class KernelIo : public Io {
 public:
  int Open(const std::string& path) override { return ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC); }
  int Close(int fd) override { return ::close(fd); }
  int Ioctl(int fd, unsigned long request, void* arg) override { return ::ioctl(fd, request, arg); }
  void* Map(int fd, std::size_t length, off_t offset) override {
    void* p = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, offset);
    return p == MAP_FAILED ? nullptr : p;
  }
  int Unmap(void* address, std::size_t length) override { return ::munmap(address, length); }
  int Wait(int fd, int timeoutMs) override {
    pollfd p{fd, POLLIN, 0};
    const int n = ::poll(&p, 1, timeoutMs);
    if (n <= 0) return n;
    // A node whose device went away reports an error instead of a buffer.
    if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) {
      if (!(p.revents & POLLIN)) {
        errno = ENODEV;
        return -1;
      }
    }
    return 1;
  }
};

std::mutex g_mutex;
Machine g_machine;

}  // namespace

Machine CurrentMachine() {
  static KernelIo kernel;
  std::lock_guard lock(g_mutex);
  Machine m = g_machine;
  if (!m.io) m.io = &kernel;
  return m;
}

void SetMachine(const Machine& machine) {
  std::lock_guard lock(g_mutex);
  g_machine = machine;
}

int Xioctl(Io& io, int fd, unsigned long request, void* arg) {
  int r;
  do {
    r = io.Ioctl(fd, request, arg);
  } while (r == -1 && errno == EINTR);
  return r;
}

}  // namespace platform::dshow::v4l2
