// The wire format of the window transport and the socket work both of its sides share: one
// fixed-size request on a fresh connection (for payload posts the payload after it), one reply,
// and for window texts the text after it.
#pragma once

#include <cstdint>
#include <string>

namespace platform::win::remote {

constexpr std::uint32_t kMagic = 0x56574D31;  // "VWM1"

enum Op : std::uint32_t { kPost = 1, kSend = 2, kIsWindow = 3, kForeground = 4, kGetText = 5, kPostPayload = 6 };

struct Request {
  std::uint32_t magic = kMagic;
  std::uint32_t op = 0;
  std::uint32_t hwnd = 0;
  std::uint32_t msg = 0;
  std::uint64_t wParam = 0;
  std::int64_t lParam = 0;
  std::uint32_t timeoutMs = 0;
  std::uint32_t senderPid = 0;
  std::uint32_t payloadLength = 0;  // kPostPayload only, at most kMaxMessagePayload
  std::uint32_t reserved = 0;
};

struct Reply {
  std::uint32_t magic = kMagic;
  std::int32_t ok = 0;
  std::int64_t result = 0;
  std::uint32_t textLength = 0;
  std::uint32_t reserved = 0;
};

std::string SocketPath(std::uint32_t pid);
std::string ListPath(std::uint32_t pid);

// Alive and not a zombie: kill(pid, 0) alone also succeeds on a killed process not yet reaped.
bool ProcessAlive(std::uint32_t pid);

enum class Dial { kConnected, kGone, kUnresponsive };
// Connects to the process's socket without ever blocking past the steady-clock deadline (ms).
// kGone: no socket, nobody listening, or a socket this user does not own alone; kUnresponsive:
// its queue of waiting connections stayed full until the deadline.
Dial Connect(std::uint32_t pid, std::uint64_t deadline, int* fd);

// Exactly size bytes before the deadline; false on timeout, error or close.
bool WriteAll(int fd, const void* data, std::size_t size, std::uint64_t deadline);
bool ReadAll(int fd, void* data, std::size_t size, std::uint64_t deadline);

// True when the other end has closed: a caller that gave up is not answered any more.
bool PeerHungUp(int fd);

}  // namespace platform::win::remote
