// systemd-logind over the system bus: inhibitor locks and the announcement of a suspend.
#pragma once

#include <functional>
#include <string>

namespace platform {

class DesktopBus;

namespace logind {

// Takes an inhibitor lock ("sleep:idle" / "block", "sleep" / "delay"): held while the returned
// descriptor stays open, and closed by the kernel when the process ends. -1 without logind.
// The descriptor is close-on-exec, so programs this one starts never keep the lock alive.
int Inhibit(DesktopBus& bus, const char* what, const std::string& who, const char* why, const char* mode);

// Calls `onPrepare(true)` when a suspend begins and `onPrepare(false)` after the resume, from
// inside DesktopBus::Process. False when the subscription could not be made.
bool WatchPrepareForSleep(DesktopBus& bus, std::function<void(bool starting)>* onPrepare);

}  // namespace logind
}  // namespace platform
