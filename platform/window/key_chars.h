// The character a key makes on the US layout, for TranslateMessage.
#pragma once

namespace platform::win {

struct KeyModifiers {
  bool shift = false;
  bool capsLock = false;
  bool control = false;
};

// 0 when the key makes no character (arrows, function keys, Ctrl with a digit...). Caps Lock
// changes letters only; Ctrl turns letters into control codes 1..26 as Win32 does.
char CharForKey(int vk, KeyModifiers mods);

}  // namespace platform::win
