#include "platform/window/message_payload.h"

#include <deque>
#include <mutex>
#include <utility>

#include "platform/window/window_internal.h"

namespace platform {
namespace {

struct Waiting {
  LPARAM id = 0;
  std::vector<std::uint8_t> bytes;
};

struct Table {
  std::mutex mu;
  std::deque<Waiting> waiting;
  // Numbers start high and never repeat soon, so a stale or guessed small value names nothing.
  std::uint32_t next = 0x40000000;
};

Table& Payloads() {
  static Table table;
  return table;
}

LPARAM Keep(std::vector<std::uint8_t> bytes) {
  Table& t = Payloads();
  std::lock_guard lock(t.mu);
  if (t.waiting.size() >= kMaxWaitingPayloads) t.waiting.pop_front();
  if (++t.next > 0x7FFFFFFF) t.next = 0x40000000;
  const auto id = static_cast<LPARAM>(t.next);
  t.waiting.push_back(Waiting{id, std::move(bytes)});
  return id;
}

void Drop(LPARAM id) { (void)TakeMessagePayload(id); }

}  // namespace

BOOL PostPayloadMessage(HWND hwnd, UINT msg, WPARAM wParam, const void* data, std::size_t size) {
  if (!hwnd || hwnd == HWND_BROADCAST || msg < WM_USER || win::CarriesPointer(msg) || size > kMaxMessagePayload ||
      (size && !data))
    return FALSE;
  if (!win::Find(hwnd)) {
    auto& remote = win::Remote();
    return remote.postPayload ? remote.postPayload(hwnd, msg, wParam, data, size) : FALSE;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  const LPARAM id = Keep(std::vector<std::uint8_t>(bytes, bytes + size));
  if (PostMessage(hwnd, msg, wParam, id)) return TRUE;
  Drop(id);
  return FALSE;
}

std::optional<std::vector<std::uint8_t>> TakeMessagePayload(LPARAM lParam) {
  Table& t = Payloads();
  std::lock_guard lock(t.mu);
  for (auto it = t.waiting.begin(); it != t.waiting.end(); ++it) {
    if (it->id != lParam) continue;
    std::vector<std::uint8_t> bytes = std::move(it->bytes);
    t.waiting.erase(it);
    return bytes;
  }
  return std::nullopt;
}

}  // namespace platform
