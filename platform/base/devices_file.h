// Where the simulated hardware of this machine is described.
#pragma once

#include <string>

namespace platform {

// VIDARRO_DEVICES when set, else "devices.ini" in the suite's config folder
// ($XDG_CONFIG_HOME/vidarro/). The file may not exist: the built-in hardware is used then.
std::string DevicesFilePath();

}  // namespace platform
