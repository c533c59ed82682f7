// Texts of the wizard's resource chain and the message boxes it asks with.
#pragma once

#include <string>

#include "platform/base/win_types.h"

namespace wizard {

// A string of the resource chain, empty when no library holds it.
std::string Text(UINT id);
// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A message box with the window title as caption.
int Ask(HWND owner, const std::string& text, UINT type);

}  // namespace wizard
