// Registers the stand-ins for the maker's filters with the class table, once per process, in
// every program that includes this header.
#pragma once

namespace platform::filters {
bool RegisterFilterClassesOnce();
inline const bool filterClassesRegistered = RegisterFilterClassesOnce();
}  // namespace platform::filters
