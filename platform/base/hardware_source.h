// Which hardware a program sees, one rule for every back end: a devices file means the simulated
// hardware it describes; else VIDARRO_SIMULATED=1 the built-in simulated set; else the machine's
// own devices. VIDARRO_SIMULATED=0 means the machine's devices even where a devices file exists.
// Simulated and real devices are never mixed.
#pragma once

#include <string>

namespace platform {

enum class HardwareSource {
  DevicesFile,  // the simulated hardware `file` describes
  BuiltIn,      // the built-in simulated set
  Machine,      // the machine's own devices
};

struct HardwareChoice {
  HardwareSource source = HardwareSource::Machine;
  std::string file;  // for DevicesFile
  bool Simulated() const { return source != HardwareSource::Machine; }
};

// Read from the environment and the file system on every call (tests change both).
// VIDARRO_SIMULATED_AUDIO, the older name, counts as VIDARRO_SIMULATED when that is unset.
HardwareChoice WhichHardware();

}  // namespace platform
