#include "platform/window/key_chars.h"

#include "platform/window/wm_messages.h"

namespace platform::win {
namespace {

struct Punctuation {
  int vk;
  char plain;
  char shifted;
};

constexpr Punctuation kPunctuation[] = {
    {VK_OEM_1, ';', ':'},      {VK_OEM_PLUS, '=', '+'}, {VK_OEM_COMMA, ',', '<'}, {VK_OEM_MINUS, '-', '_'},
    {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},    {VK_OEM_3, '`', '~'},     {VK_OEM_4, '[', '{'},
    {VK_OEM_5, '\\', '|'},     {VK_OEM_6, ']', '}'},    {VK_OEM_7, '\'', '"'},    {VK_OEM_102, '\\', '|'},
};

constexpr char kShiftedDigits[] = ")!@#$%^&*(";

char ControlChar(int vk) {
  if (vk >= 'A' && vk <= 'Z') return static_cast<char>(vk - 'A' + 1);
  switch (vk) {
    case VK_OEM_4: return 0x1B;
    case VK_OEM_5:
    case VK_OEM_102: return 0x1C;
    case VK_OEM_6: return 0x1D;
    case VK_RETURN: return '\n';
    case VK_SPACE: return ' ';
    case VK_ESCAPE: return 0x1B;
    default: return 0;
  }
}

}  // namespace

char CharForKey(int vk, KeyModifiers mods) {
  if (mods.control) return ControlChar(vk);
  if (vk >= 'A' && vk <= 'Z') return static_cast<char>(mods.shift != mods.capsLock ? vk : vk - 'A' + 'a');
  if (vk >= '0' && vk <= '9') return mods.shift ? kShiftedDigits[vk - '0'] : static_cast<char>(vk);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return static_cast<char>('0' + vk - VK_NUMPAD0);
  switch (vk) {
    case VK_MULTIPLY: return '*';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_DECIMAL: return '.';
    case VK_DIVIDE: return '/';
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_BACK:
    case VK_TAB:
    case VK_SPACE: return static_cast<char>(vk);
    default: break;
  }
  for (const Punctuation& p : kPunctuation)
    if (p.vk == vk) return mods.shift ? p.shifted : p.plain;
  return 0;
}

}  // namespace platform::win
