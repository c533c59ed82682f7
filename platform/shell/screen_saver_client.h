// The desktop's screen saver over the session bus (org.freedesktop.ScreenSaver): an inhibit is
// a cookie, given back with UnInhibit; the desktop also drops it when our connection ends.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

class DesktopBus;

namespace screen_saver {

// The cookie, or nothing when no screen saver answers.
std::optional<uint32_t> Inhibit(DesktopBus& bus, const std::string& application, const char* reason);
void UnInhibit(DesktopBus& bus, uint32_t cookie);

}  // namespace screen_saver
}  // namespace platform
