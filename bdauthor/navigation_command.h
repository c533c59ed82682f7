// HDMV navigation commands as the movie objects use them, and their 12-byte encoding.
#pragma once

#include <array>
#include <cstdint>

namespace bdauthor {

struct NavigationCommand {
  int operandCount = 0;
  int group = 0;
  int subGroup = 0;
  bool immediate1 = false;
  bool immediate2 = false;
  int branchOption = 0;
  int compareOption = 0;
  int setOption = 0;
  bool statusRegister1 = false;
  int register1 = 0;
  std::uint32_t value1 = 0;
  bool statusRegister2 = false;
  int register2 = 0;
  std::uint32_t value2 = 0;

  std::array<std::uint8_t, 12> Encode() const;

  // The commands the library's movie objects are made of (general-purpose registers only).
  static NavigationCommand Move(int destination, int source);
  static NavigationCommand MoveImmediate(int destination, std::uint32_t value);
  static NavigationCommand CompareNotEqual(int reg, std::uint32_t value);
  static NavigationCommand Goto(std::uint32_t command);
  static NavigationCommand JumpTitle(std::uint32_t title);
  static NavigationCommand PlayPlaylist(std::uint32_t playlist);
  static NavigationCommand PlayPlaylistAtMark(std::uint32_t playlist, int markRegister);
  static NavigationCommand PlayPlaylistAtMarkRegisters(int playlistRegister, int markRegister);
};

}  // namespace bdauthor
