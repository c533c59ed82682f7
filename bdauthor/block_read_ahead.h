// Sequential block reads of a clip on a thread of their own, a few blocks ahead of the scan.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "bdauthor/clip_mapping.h"
#include "bdauthor/file_io.h"

namespace bdauthor {

// Gives the blocks that reads of `blockBytes` from the file's current position would give, in
// order (up to the size the file had when the object was made). While the blocks are in the page
// cache they are read where they lie, through a mapping of the file: a copy would cost more than
// the scan of it; from the first block that would wait for the disk on,
// a thread reads the next ones ahead, `blocksPerRead` blocks at a time so that handing them over
// costs little beside the scan. The object owns its thread and joins it when destroyed; the file
// is read by nobody else meanwhile. `readCachedInline` false starts the thread at once;
// `readAhead` false never starts it (blocks are then read when asked for, whatever
// `readCachedInline` says), as for a reader that is itself one of several reading the file at
// once, whose reads already overlap.
class BlockReadAhead {
 public:
  BlockReadAhead(ReadOnlyFile& file, std::size_t blockBytes, int blocksPerRead = 4, int depth = 3,
                 bool readCachedInline = true, bool readAhead = true);
  ~BlockReadAhead();
  BlockReadAhead(const BlockReadAhead&) = delete;
  BlockReadAhead& operator=(const BlockReadAhead&) = delete;

  // The next block: the bytes read, fewer than a block only at the end (0 past it), -1 on a read
  // error (no block after it). *data stays valid until the next call.
  std::int64_t Next(const std::uint8_t** data);
  // False when a mapped block lost its pages while handed out (the file was cut short meanwhile):
  // its bytes read as zeros, and the blocks read so far cannot be trusted.
  bool Intact() const { return !(map_ && map_->Lost()); }

 private:
  struct Slot {
    std::unique_ptr<std::uint8_t[]> data;
    std::int64_t got = 0;
  };
  void ReadBlocks();
  void StartThread();
  std::int64_t ReadInline(const std::uint8_t** data);
  std::int64_t MappedBlock(const std::uint8_t** data);
  std::int64_t Slice(const Slot& slot, const std::uint8_t** data);

  ReadOnlyFile& file_;
  const std::size_t blockBytes_;
  const std::size_t readBytes_;
  std::vector<Slot> slots_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t produced_ = 0;  // blocks read so far
  std::size_t consumed_ = 0;  // blocks handed out
  std::size_t released_ = 0;  // blocks the scan is done with
  bool stop_ = false;
  bool inline_ = true;                    // no thread (yet): each read happens when asked for
  bool cachedOnly_ = true;                // inline reads take only what the page cache holds
  bool readAhead_ = true;                 // a read that waits starts the thread
  bool ended_ = false;                    // an inline read came short: nothing follows
  std::int64_t endResult_ = 0;            // what Next gives then
  std::unique_ptr<std::uint8_t[]> near_;  // the inline reads' block
  const Slot* current_ = nullptr;         // the slot being handed out in blocks
  std::size_t offset_ = 0;                // in it
  std::thread reader_;
  std::optional<ClipMapping> map_;  // while the blocks come from the page cache
  bool mapping_ = false;            // they still do
  std::int64_t mapAt_ = 0;          // the next block's offset in it
  std::int64_t mapEnd_ = 0;
  std::int64_t residentUntil_ = 0;  // known to be in the page cache up to here
};

}  // namespace bdauthor
