// udev's monitor on a thread of its own: every block, video4linux and sound record it hears goes
// to the handler. No udev (a container): nothing is heard and nothing is said.
#pragma once

#include <functional>

#include "platform/disc/device_events.h"

namespace platform::disc {

using DeviceRecordHandler = std::function<bool(const DeviceRecord&)>;

// false when udev cannot be reached.
bool WatchUdev(DeviceRecordHandler handler);
// Whether the monitor runs in this process.
bool UdevWatching();

}  // namespace platform::disc
