#include "bdauthor/navigation_command.h"

namespace bdauthor {

namespace {

enum Group { kBranch = 0, kCompare = 1, kSet = 2 };
enum BranchSubGroup { kGoto = 0, kJump = 1, kPlay = 2 };
constexpr int kGotoOption = 1;
constexpr int kJumpTitleOption = 1;
constexpr int kPlayPlaylistOption = 0;
constexpr int kPlayPlaylistAtMarkOption = 2;
constexpr int kCompareNotEqual = 3;
constexpr int kSetMove = 1;

void PutOperand(std::uint8_t* out, bool immediate, std::uint32_t value, bool statusRegister, int reg) {
  if (immediate) {
    out[0] = static_cast<std::uint8_t>(value >> 24);
    out[1] = static_cast<std::uint8_t>(value >> 16);
    out[2] = static_cast<std::uint8_t>(value >> 8);
    out[3] = static_cast<std::uint8_t>(value);
  } else {
    out[0] = static_cast<std::uint8_t>(statusRegister ? 0x80 : 0);
    out[1] = 0;
    out[2] = static_cast<std::uint8_t>((reg >> 8) & 0x0F);
    out[3] = static_cast<std::uint8_t>(reg);
  }
}

}  // namespace

std::array<std::uint8_t, 12> NavigationCommand::Encode() const {
  std::array<std::uint8_t, 12> out{};
  out[0] = static_cast<std::uint8_t>(((operandCount & 7) << 5) | ((group & 3) << 3) | (subGroup & 7));
  out[1] = static_cast<std::uint8_t>((immediate1 ? 0x80 : 0) | (immediate2 ? 0x40 : 0) | (branchOption & 0x0F));
  out[2] = static_cast<std::uint8_t>(compareOption & 0x0F);
  out[3] = static_cast<std::uint8_t>(setOption & 0x1F);
  PutOperand(&out[4], immediate1, value1, statusRegister1, register1);
  PutOperand(&out[8], immediate2, value2, statusRegister2, register2);
  return out;
}

NavigationCommand NavigationCommand::Move(int destination, int source) {
  NavigationCommand c;
  c.operandCount = 2;
  c.group = kSet;
  c.setOption = kSetMove;
  c.register1 = destination;
  c.register2 = source;
  return c;
}

NavigationCommand NavigationCommand::MoveImmediate(int destination, std::uint32_t value) {
  NavigationCommand c = Move(destination, 0);
  c.immediate2 = true;
  c.value2 = value;
  return c;
}

NavigationCommand NavigationCommand::CompareNotEqual(int reg, std::uint32_t value) {
  NavigationCommand c;
  c.operandCount = 2;
  c.group = kCompare;
  c.compareOption = kCompareNotEqual;
  c.register1 = reg;
  c.immediate2 = true;
  c.value2 = value;
  return c;
}

namespace {

NavigationCommand Branch(int subGroup, int option, std::uint32_t value) {
  NavigationCommand c;
  c.operandCount = 1;
  c.group = kBranch;
  c.subGroup = subGroup;
  c.branchOption = option;
  c.immediate1 = true;
  c.value1 = value;
  return c;
}

}  // namespace

NavigationCommand NavigationCommand::Goto(std::uint32_t command) { return Branch(kGoto, kGotoOption, command); }

NavigationCommand NavigationCommand::JumpTitle(std::uint32_t title) { return Branch(kJump, kJumpTitleOption, title); }

NavigationCommand NavigationCommand::PlayPlaylist(std::uint32_t playlist) {
  return Branch(kPlay, kPlayPlaylistOption, playlist);
}

NavigationCommand NavigationCommand::PlayPlaylistAtMark(std::uint32_t playlist, int markRegister) {
  NavigationCommand c = Branch(kPlay, kPlayPlaylistAtMarkOption, playlist);
  c.operandCount = 2;
  c.register2 = markRegister;
  return c;
}

NavigationCommand NavigationCommand::PlayPlaylistAtMarkRegisters(int playlistRegister, int markRegister) {
  NavigationCommand c = PlayPlaylistAtMark(0, markRegister);
  c.immediate1 = false;
  c.register1 = playlistRegister;
  return c;
}

}  // namespace bdauthor
