// Keyboard translation from X keysyms to the window system's virtual keys and text.
#pragma once

#include <string>

namespace platform::x11 {

// The virtual key of a keysym (its unshifted symbol), 0 for one the window system has no key for.
int VirtualKeyFromKeysym(unsigned long keysym);
// The UTF-8 text of a character keysym (Latin-1 and the Unicode range), empty for the others.
std::string Utf8FromKeysym(unsigned long keysym);
// Encodes one code point; empty for surrogates and values beyond Unicode.
std::string Utf8FromCodePoint(unsigned long codePoint);

}  // namespace platform::x11
