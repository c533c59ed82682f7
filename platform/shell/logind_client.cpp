#include "platform/shell/logind_client.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>

#include "platform/shell/desktop_bus.h"

namespace platform::logind {
namespace {

constexpr const char* kService = "org.freedesktop.login1";
constexpr const char* kPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";

int OnPrepareForSleep(sd_bus_message* message, void* userdata, sd_bus_error*) {
  int starting = 0;
  if (sd_bus_message_read(message, "b", &starting) < 0) return 0;
  (*static_cast<std::function<void(bool)>*>(userdata))(starting != 0);
  return 0;
}

}  // namespace

int Inhibit(DesktopBus& bus, const char* what, const std::string& who, const char* why, const char* mode) {
  if (!bus.Connected()) return -1;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  int fd = -1;
  if (sd_bus_call_method(bus.Handle(), kService, kPath, kManager, "Inhibit", &error, &reply, "ssss", what, who.c_str(),
                         why, mode) >= 0) {
    int received = -1;
    // The reply owns the descriptor it carries: keep a copy of our own.
    if (sd_bus_message_read(reply, "h", &received) >= 0 && received >= 0) fd = fcntl(received, F_DUPFD_CLOEXEC, 3);
  }
  sd_bus_message_unref(reply);
  sd_bus_error_free(&error);
  return fd;
}

bool WatchPrepareForSleep(DesktopBus& bus, std::function<void(bool)>* onPrepare) {
  if (!bus.Connected()) return false;
  return sd_bus_match_signal(bus.Handle(), nullptr, kService, kPath, kManager, "PrepareForSleep", OnPrepareForSleep,
                             onPrepare) >= 0;
}

}  // namespace platform::logind
