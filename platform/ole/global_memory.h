// Global memory blocks: what data objects, file lists and window-to-window links hand over.
// Movable blocks get a handle that only GlobalLock turns into a pointer; fixed blocks are their
// own pointer. Bad or freed handles are refused, never dereferenced.
#pragma once

#include <cstddef>

#include "platform/base/win_types.h"

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GMEM_SHARE = 0x2000;
constexpr UINT GMEM_DDESHARE = GMEM_SHARE;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// Null when the size is beyond what one block may hold or the memory cannot be had. Every block
// starts zeroed, asked for or not.
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
// Null for a handle that is not a live block.
LPVOID GlobalLock(HGLOBAL mem);
// TRUE while the block stays locked.
BOOL GlobalUnlock(HGLOBAL mem);
// Null on success; the handle itself when it is not a live block.
HGLOBAL GlobalFree(HGLOBAL mem);
// 0 for a handle that is not a live block.
std::size_t GlobalSize(HGLOBAL mem);

namespace platform::ole {
// The largest block GlobalAlloc hands out.
constexpr std::size_t kMaxGlobalBlock = std::size_t{1} << 30;
// A new movable block holding a copy of another; null when the source is not a live block.
HGLOBAL CopyGlobal(HGLOBAL source);
// Live blocks of the process (for tests that look for leaks).
std::size_t LiveGlobalBlocks();
}  // namespace platform::ole
