#include "platform/shell/screen_saver_client.h"

#include <systemd/sd-bus.h>

#include "platform/shell/desktop_bus.h"

namespace platform::screen_saver {
namespace {

constexpr const char* kService = "org.freedesktop.ScreenSaver";
constexpr const char* kPath = "/org/freedesktop/ScreenSaver";
constexpr const char* kInterface = "org.freedesktop.ScreenSaver";

}  // namespace

std::optional<uint32_t> Inhibit(DesktopBus& bus, const std::string& application, const char* reason) {
  if (!bus.Connected()) return std::nullopt;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  std::optional<uint32_t> cookie;
  if (sd_bus_call_method(bus.Handle(), kService, kPath, kInterface, "Inhibit", &error, &reply, "ss",
                         application.c_str(), reason) >= 0) {
    uint32_t value = 0;
    if (sd_bus_message_read(reply, "u", &value) >= 0) cookie = value;
  }
  sd_bus_message_unref(reply);
  sd_bus_error_free(&error);
  return cookie;
}

void UnInhibit(DesktopBus& bus, uint32_t cookie) {
  if (!bus.Connected()) return;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_call_method(bus.Handle(), kService, kPath, kInterface, "UnInhibit", &error, nullptr, "u", cookie);
  sd_bus_error_free(&error);
}

}  // namespace platform::screen_saver
