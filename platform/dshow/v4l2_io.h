// The seam between the V4L2 back end and the kernel: the few system calls it makes on a video
// node, and where it finds the nodes and their sysfs entries. Tests put a device model here.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace platform::dshow::v4l2 {

class Io {
 public:
  virtual ~Io() = default;
  // As open(2), close(2), ioctl(2), mmap(2), munmap(2) and poll(2) of one fd for reading:
  // -1 with errno set on failure; Wait gives 1 when a buffer is ready, 0 on time-out, and -1
  // with errno (ENODEV for a vanished device).
  virtual int Open(const std::string& path) = 0;
  virtual int Close(int fd) = 0;
  virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
  virtual void* Map(int fd, std::size_t length, off_t offset) = 0;
  virtual int Unmap(void* address, std::size_t length) = 0;
  virtual int Wait(int fd, int timeoutMs) = 0;
};

// Where the nodes are: the calls, "/sys" and "/dev" on the machine.
struct Machine {
  Io* io = nullptr;
  std::string sysfsRoot = "/sys";
  std::string devRoot = "/dev";
};

// The machine the back end uses now.
Machine CurrentMachine();

// Puts a device model in place of the kernel (tests); a default Machine puts the kernel back.
void SetMachine(const Machine& machine);

// Ioctl, retried while interrupted by a signal.
int Xioctl(Io& io, int fd, unsigned long request, void* arg);

}  // namespace platform::dshow::v4l2
