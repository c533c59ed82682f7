// The answering side of the window transport: one thread polls the listening socket and the
// connections whose request is still arriving, answers quick questions itself and hands sends
// to a small pool of workers. Connections over the bound are refused, never queued without end.
#pragma once

#include <memory>

namespace platform::win::remote {

class Server {
 public:
  // Takes ownership of the listening socket; null when the serving thread cannot start.
  static std::shared_ptr<Server> Start(int listenFd);
  // Ends the serving thread and its workers soon; connections not yet answered are closed.
  // Not done on destruction: a forked child drops its parent's server without stopping it.
  void Stop();

  struct Shared;

 private:
  explicit Server(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
  std::shared_ptr<Shared> shared_;
};

}  // namespace platform::win::remote
