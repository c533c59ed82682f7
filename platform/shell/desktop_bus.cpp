#include "platform/shell/desktop_bus.h"

#include <poll.h>
#include <systemd/sd-bus.h>

namespace platform {
namespace {

// Long enough for a busy bus to answer, short enough that a hung one never holds up suspend
// handling or the end of the process.
constexpr uint64_t kCallTimeoutUs = 3'000'000;

}  // namespace

DesktopBus::DesktopBus(Kind kind) {
  sd_bus* bus = nullptr;
  const int r = kind == Kind::System ? sd_bus_open_system(&bus) : sd_bus_open_user(&bus);
  if (r < 0) return;
  sd_bus_set_method_call_timeout(bus, kCallTimeoutUs);
  bus_ = bus;
}

DesktopBus::~DesktopBus() {
  if (bus_) sd_bus_flush_close_unref(bus_);
}

int DesktopBus::Descriptor() const { return bus_ ? sd_bus_get_fd(bus_) : -1; }

short DesktopBus::PollEvents() const {
  if (!bus_) return 0;
  const int events = sd_bus_get_events(bus_);
  return events < 0 ? 0 : static_cast<short>(events);
}

uint64_t DesktopBus::Deadline() const {
  uint64_t deadline = UINT64_MAX;
  if (bus_ && sd_bus_get_timeout(bus_, &deadline) < 0) deadline = UINT64_MAX;
  return deadline;
}

void DesktopBus::Process() {
  if (!bus_) return;
  int r = 0;
  while ((r = sd_bus_process(bus_, nullptr)) > 0) {
  }
  if (r < 0) {
    sd_bus_flush_close_unref(bus_);
    bus_ = nullptr;
  }
}

}  // namespace platform
