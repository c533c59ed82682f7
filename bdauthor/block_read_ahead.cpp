#include "bdauthor/block_read_ahead.h"

#include <algorithm>
#include <system_error>

namespace bdauthor {

BlockReadAhead::BlockReadAhead(ReadOnlyFile& file, std::size_t blockBytes, int blocksPerRead, int depth,
                               bool readCachedInline, bool readAhead)
    : file_(file),
      blockBytes_(blockBytes),
      readBytes_(blockBytes * static_cast<std::size_t>(blocksPerRead < 1 ? 1 : blocksPerRead)),
      slots_(static_cast<std::size_t>(depth < 2 ? 2 : depth)),
      readAhead_(readAhead),
      near_(new std::uint8_t[blockBytes > 0 ? blockBytes : 1]) {
  if (!readCachedInline && readAhead) {
    StartThread();
    return;
  }
  const std::int64_t at = file.Position(), size = file.Size();
  if (at >= 0 && size > at && blockBytes > 0) {
    map_.emplace(file.Descriptor(), at, size);
    mapping_ = map_->IsMapped();
    if (!mapping_) map_.reset();
    mapAt_ = residentUntil_ = at;
    mapEnd_ = size;
  }
}

// The page cache is asked about this many blocks at a time.
constexpr std::int64_t kResidencyBlocks = 32;

// The next block from the mapping while the page cache holds it; -2 once it does not, the file
// then standing where reads go on.
std::int64_t BlockReadAhead::MappedBlock(const std::uint8_t** data) {
  if (map_->Lost()) {
    ended_ = true;
    endResult_ = -1;
    return -1;
  }
  const std::int64_t block = static_cast<std::int64_t>(blockBytes_);
  const std::int64_t n = std::min(block, mapEnd_ - mapAt_);
  if (n > 0 && mapAt_ + n > residentUntil_)
    residentUntil_ = mapAt_ + map_->ResidentFrom(mapAt_, std::min(mapEnd_ - mapAt_, kResidencyBlocks * block));
  if (n > 0 && mapAt_ + n > residentUntil_) {
    mapping_ = false;  // the mapping stays for the blocks handed out
    if (!file_.SeekTo(mapAt_)) {
      ended_ = true;
      endResult_ = -1;
      return -1;
    }
    return -2;
  }
  *data = n > 0 ? map_->At(mapAt_) : near_.get();
  mapAt_ += std::max<std::int64_t>(n, 0);
  if (n < block) {
    ended_ = true;
    endResult_ = 0;
  }
  return std::max<std::int64_t>(n, 0);
}

// The thread's buffers are made only now: a scan of a clip in the page cache never needs them.
void BlockReadAhead::StartThread() {
  cachedOnly_ = false;
  for (Slot& slot : slots_) slot.data.reset(new std::uint8_t[readBytes_]);
  try {
    reader_ = std::thread([this] { ReadBlocks(); });
    inline_ = false;
  } catch (const std::system_error&) {
    // Reads then wait for the disk when asked for.
  }
}

// A block read now: from the page cache while it holds the clip, handing over to the thread
// once a read had to wait. A short block is the end, read again by nobody.
std::int64_t BlockReadAhead::ReadInline(const std::uint8_t** data) {
  *data = near_.get();
  if (ended_) return endResult_;
  if (mapping_) {
    const std::int64_t got = MappedBlock(data);
    if (got != -2) return got;
  }
  std::int64_t got = 0;
  if (cachedOnly_) {
    got = file_.ReadCached(near_.get(), blockBytes_);
    if (got == static_cast<std::int64_t>(blockBytes_)) return got;
    if (got < 0) got = 0;  // the system cannot tell: the waiting read below does
  }
  const std::int64_t rest = file_.Read(near_.get() + got, blockBytes_ - static_cast<std::size_t>(got));
  const std::int64_t total = rest < 0 ? -1 : got + rest;
  if (total < static_cast<std::int64_t>(blockBytes_)) {
    ended_ = true;
    endResult_ = total < 0 ? -1 : 0;
  } else if (cachedOnly_ && readAhead_) {
    StartThread();
  } else {
    cachedOnly_ = false;  // the file is read from the disk now: one waiting read a block
  }
  return total;
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
  if (inline_) return ReadInline(data);
  offset_ = 0;
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
