#include "bdauthor/block_read_ahead.h"

#include <system_error>

namespace bdauthor {

BlockReadAhead::BlockReadAhead(ReadOnlyFile& file, std::size_t blockBytes, int blocksPerRead, int depth)
    : file_(file),
      blockBytes_(blockBytes),
      readBytes_(blockBytes * static_cast<std::size_t>(blocksPerRead < 1 ? 1 : blocksPerRead)),
      slots_(static_cast<std::size_t>(depth < 2 ? 2 : depth)) {
  for (Slot& slot : slots_) slot.data.reset(new std::uint8_t[readBytes_]);
  try {
    reader_ = std::thread([this] { ReadBlocks(); });
  } catch (const std::system_error&) {
    inline_ = true;
  }
}

BlockReadAhead::~BlockReadAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (reader_.joinable()) reader_.join();
}

void BlockReadAhead::ReadBlocks() {
  for (;;) {
    std::size_t index;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return stop_ || produced_ - released_ < slots_.size(); });
      if (stop_) return;
      index = produced_ % slots_.size();
    }
    // The slot is free: the scan has released it and will not look at it until it is produced.
    Slot& slot = slots_[index];
    slot.got = file_.Read(slot.data.get(), readBytes_);
    const bool last = slot.got < static_cast<std::int64_t>(readBytes_);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++produced_;
    }
    changed_.notify_all();
    if (last) return;
  }
}

// The next block of a slot's read; a short read ends in a short block, or in 0 when it ended on
// a block boundary.
std::int64_t BlockReadAhead::Slice(const Slot& slot, const std::uint8_t** data) {
  *data = slot.data.get() + offset_;
  if (slot.got < 0) return -1;
  const std::size_t left = static_cast<std::size_t>(slot.got) - offset_;
  const std::size_t n = left < blockBytes_ ? left : blockBytes_;
  offset_ += n;
  return static_cast<std::int64_t>(n);
}

std::int64_t BlockReadAhead::Next(const std::uint8_t** data) {
  // Blocks left in the slot at hand, or its end when the read was short.
  if (current_ &&
      (offset_ < static_cast<std::size_t>(current_->got) || current_->got < static_cast<std::int64_t>(readBytes_))) {
    return Slice(*current_, data);
  }
  offset_ = 0;
  if (inline_) {
    Slot& slot = slots_[0];
    slot.got = file_.Read(slot.data.get(), readBytes_);
    current_ = &slot;
    return Slice(slot, data);
  }
  std::unique_lock<std::mutex> lock(mutex_);
  released_ = consumed_;  // the slot handed out last is done with
  changed_.notify_all();
  // The thread reads until a short read, whose slot then stays at hand: there is always a next.
  changed_.wait(lock, [this] { return produced_ > consumed_; });
  current_ = &slots_[consumed_ % slots_.size()];
  ++consumed_;
  return Slice(*current_, data);
}

}  // namespace bdauthor
