#include "platform/base/hardware_source.h"

#include <cstdlib>

#include "platform/base/devices_file.h"
#include "platform/base/file.h"

namespace platform {

namespace {

// "1" or "0" as set; -1 when unset or empty. Any other value counts as set.
int SimulatedSwitch() {
  const char* value = std::getenv("VIDARRO_SIMULATED");
  if (!value || !*value) value = std::getenv("VIDARRO_SIMULATED_AUDIO");
  if (!value || !*value) return -1;
  return std::string(value) == "0" ? 0 : 1;
}

}  // namespace

HardwareChoice WhichHardware() {
  HardwareChoice choice;
  const int simulated = SimulatedSwitch();
  if (simulated == 0) return choice;
  const std::string file = DevicesFilePath();
  if (FileExists(file)) {
    choice.source = HardwareSource::DevicesFile;
    choice.file = file;
  } else if (simulated == 1) {
    choice.source = HardwareSource::BuiltIn;
  }
  return choice;
}

}  // namespace platform
