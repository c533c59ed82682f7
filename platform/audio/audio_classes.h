// Registers the outside audio filters with the class table, once per process, in every program
// that includes this header (after the maker's filters, so both sets are there).
#pragma once

#include "platform/filters/filter_classes.h"

namespace platform::audio {
bool RegisterAudioClassesOnce();
inline const bool audioClassesRegistered = RegisterAudioClassesOnce();
}  // namespace platform::audio
