// The desktop's message buses: one connection to the system bus (logind) or to the session bus
// (the screen saver), owned by one thread, its calls bounded by a short timeout.
#pragma once

#include <cstdint>

struct sd_bus;

namespace platform {

class DesktopBus {
 public:
  enum class Kind { System, Session };

  // Not connected when there is no such bus (a container, another init): every call then fails.
  explicit DesktopBus(Kind kind);
  ~DesktopBus();
  DesktopBus(const DesktopBus&) = delete;
  DesktopBus& operator=(const DesktopBus&) = delete;

  bool Connected() const { return bus_ != nullptr; }
  sd_bus* Handle() const { return bus_; }
  // The connection's socket for poll(), its events and the absolute monotonic deadline (µs,
  // UINT64_MAX for none) sd-bus wants; -1 when not connected.
  int Descriptor() const;
  short PollEvents() const;
  uint64_t Deadline() const;
  // Handles whatever arrived (signal handlers run here); a broken connection is dropped.
  void Process();

 private:
  sd_bus* bus_ = nullptr;
};

}  // namespace platform
