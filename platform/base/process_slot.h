// Process-wide slots for state that must exist once per process.
#pragma once

namespace platform {

// A module such as Tarnel.so carries its own copy of the platform libraries. State that a program
// installs (a message-box handler, say) has to reach the module's copy too, so every copy looks the
// slot up in the program's table when the program exports one, else in its own.
// The slot starts null; its owner fills it once and never frees it.
void*& ProcessSlot(const char* name);

}  // namespace platform
