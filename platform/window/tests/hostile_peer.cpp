// A process of the window transport that answers every question with a reply announcing a text
// of 0xFFFFFFFF bytes, and sends none; or, given "open", one whose socket anyone may connect to
// and that says yes to everything. It prints a window handle of its block.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/window/handle_space.h"
#include "platform/window/remote_protocol.h"

using namespace platform::win;

int main(int argc, char** argv) {
  const bool open = argc > 1 && std::strcmp(argv[1], "open") == 0;
  const std::uint32_t handle = ReserveHandleBlock() + 1;
  const std::string path = remote::SocketPath(static_cast<std::uint32_t>(::getpid()));
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return 2;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::chmod(path.c_str(), open ? 0666 : 0600) != 0 || ::listen(listener, 16) != 0)
    return 2;
  std::printf("%u\n", handle);
  std::fflush(stdout);
  for (;;) {
    const int fd = ::accept(listener, nullptr, nullptr);
    if (fd < 0) continue;
    remote::Request request;
    if (::recv(fd, &request, sizeof request, MSG_WAITALL) == static_cast<ssize_t>(sizeof request)) {
      remote::Reply reply;
      reply.ok = 1;
      reply.textLength = open ? 0 : 0xFFFFFFFFu;
      ssize_t sent = ::send(fd, &reply, sizeof reply, MSG_NOSIGNAL);
      (void)sent;
    }
    ::close(fd);
  }
}
