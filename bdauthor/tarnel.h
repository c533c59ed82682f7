// The library's exported interface: `tarnel` runs one authoring job from a job file and returns
// whether the whole BDMV tree was written; `tarnel_progress` gives its percentage meanwhile.
#pragma once

#include <cstdint>

extern "C" {
bool tarnel(const char* configPath);
std::int32_t tarnel_progress();
}
