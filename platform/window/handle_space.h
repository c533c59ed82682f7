// Window handles unique within the user's session: each process reserves blocks of handle values
// in a counter file under the runtime folder and records itself as the block's owner.
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/win_types.h"

namespace platform::win {

constexpr std::uint32_t kHandleBlockSize = 4096;

// The folder of the window directory and transport ("<runtime>/vidarro-windows/").
std::string WindowDirectory();
// Reserves a new block for this process; returns its first handle value (never 0).
std::uint32_t ReserveHandleBlock();
// The process that reserved the block of a handle value; 0 when unknown.
std::uint32_t BlockOwner(std::uint32_t handle);

}  // namespace platform::win
