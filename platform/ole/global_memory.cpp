#include "platform/ole/global_memory.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>

namespace {

struct Block {
  std::unique_ptr<std::byte[]> data;
  std::size_t size = 0;
  bool moveable = false;
  int locks = 0;
};

struct Table {
  std::mutex mu;
  std::map<ULONG_PTR, Block> blocks;
  ULONG_PTR nextHandle = 1;
};

Table& Blocks() {
  static Table t;
  return t;
}

// Movable handles have bit 2 set, which no 16-byte aligned pointer of a fixed block has.
ULONG_PTR NewMoveableHandle(Table& t) {
  for (;;) {
    const ULONG_PTR h = (t.nextHandle++ << 4) | 0x4;
    if (!t.blocks.count(h)) return h;
  }
}

ULONG_PTR Key(HGLOBAL mem) { return reinterpret_cast<ULONG_PTR>(mem); }

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
  if (bytes > platform::ole::kMaxGlobalBlock) return nullptr;
  Block b;
  // A zero-size block still gets storage, so its pointer is unique and lockable.
  b.data.reset(new (std::nothrow) std::byte[bytes ? bytes : 1]());
  if (!b.data) return nullptr;
  b.size = bytes;
  b.moveable = (flags & GMEM_MOVEABLE) != 0;
  auto& t = Blocks();
  std::lock_guard lock(t.mu);
  const ULONG_PTR h = b.moveable ? NewMoveableHandle(t) : reinterpret_cast<ULONG_PTR>(b.data.get());
  t.blocks.emplace(h, std::move(b));
  return reinterpret_cast<HGLOBAL>(h);
}

LPVOID GlobalLock(HGLOBAL mem) {
  auto& t = Blocks();
  std::lock_guard lock(t.mu);
  auto it = t.blocks.find(Key(mem));
  if (it == t.blocks.end()) return nullptr;
  if (it->second.moveable) ++it->second.locks;
  return it->second.data.get();
}

BOOL GlobalUnlock(HGLOBAL mem) {
  auto& t = Blocks();
  std::lock_guard lock(t.mu);
  auto it = t.blocks.find(Key(mem));
  if (it == t.blocks.end() || !it->second.moveable) return FALSE;
  if (it->second.locks > 0) --it->second.locks;
  return it->second.locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL mem) {
  if (!mem) return nullptr;
  auto& t = Blocks();
  std::lock_guard lock(t.mu);
  auto it = t.blocks.find(Key(mem));
  if (it == t.blocks.end()) return mem;
  t.blocks.erase(it);
  return nullptr;
}

std::size_t GlobalSize(HGLOBAL mem) {
  auto& t = Blocks();
  std::lock_guard lock(t.mu);
  auto it = t.blocks.find(Key(mem));
  return it == t.blocks.end() ? 0 : it->second.size;
}

namespace platform::ole {

HGLOBAL CopyGlobal(HGLOBAL source) {
  const std::size_t size = GlobalSize(source);
  const void* from = GlobalLock(source);
  if (!from) return nullptr;
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, size);
  if (void* to = GlobalLock(copy)) {
    std::memcpy(to, from, size);
    GlobalUnlock(copy);
  }
  GlobalUnlock(source);
  return copy;
}

std::size_t LiveGlobalBlocks() {
  auto& t = Blocks();
  std::lock_guard lock(t.mu);
  return t.blocks.size();
}

}  // namespace platform::ole
