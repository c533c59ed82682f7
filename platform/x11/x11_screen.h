// The monitors and work area the X server reports, as the window system's virtual monitors.
#pragma once

#include <X11/Xlib.h>

#include <vector>

#include "platform/window/monitors.h"

namespace platform::x11 {

// RandR monitors (the primary first), each with its share of _NET_WORKAREA; the whole screen
// when RandR reports none.
std::vector<VirtualMonitor> MonitorsOfDisplay(Display* display);

}  // namespace platform::x11
