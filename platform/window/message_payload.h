// Posted messages that carry bytes, to windows of this process or of another: the sender's
// bytes are copied, the receiving process keeps the copy under a number that arrives as the
// message's lParam, and the window takes it once. A number that names no waiting payload gives
// nothing, so no window ever reads memory because some program posted it a value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/base/win_types.h"

namespace platform {

// The most a payload carries; larger ones are refused before anything is copied.
constexpr std::size_t kMaxMessagePayload = 64 * 1024;
// Payloads nobody took yet; beyond these the oldest is dropped, so a window that never takes
// its payloads cannot make a process keep them without end.
constexpr std::size_t kMaxWaitingPayloads = 256;

// Only the program's own messages (WM_USER and above, none that carries a pointer) may carry a
// payload: a system message would read the number as an address. FALSE when refused, too
// large, or the window is gone.
BOOL PostPayloadMessage(HWND hwnd, UINT msg, WPARAM wParam, const void* data, std::size_t size);

// The payload a message names, removed from the waiting ones; no value when there is none.
std::optional<std::vector<std::uint8_t>> TakeMessagePayload(LPARAM lParam);

}  // namespace platform
