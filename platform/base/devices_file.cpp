#include "platform/base/devices_file.h"

#include <cstdlib>

#include "platform/base/paths.h"

namespace platform {

std::string DevicesFilePath() {
  if (const char* env = std::getenv("VIDARRO_DEVICES"); env && *env) return env;
  return ConfigFolder() + "vidarro/devices.ini";
}

}  // namespace platform
