#include "mpegdec/bit_source.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "mpegdec/mpeg_errors.h"
#include "mpegdec/start_code_scan.h"

using namespace mpegdec;

void CMpegBitSource::Reset() {
  ring_.reset();
  size_ = capacity_ = 0;
  st_ = RingReadState{};
  chunk_ = 0;
  status = 1;
}

int CMpegBitSource::AllocateBuffer(int size) {
  if (ring_ || size < 11) return kBadState;
  ring_.reset(new (std::nothrow) uint8_t[size + kMaxContiguous]);
  if (!ring_) return kOutOfMemory;
  size_ = size;
  capacity_ = size - 1;
  chunk_ = size / 2;
  int r = Reposition(0, st_);
  if (r < 0) {
    Reset();
    return r;
  }
  status = 1;
  return 1;
}

void CMpegBitSource::AfterForwardRefill(int k) {
  st_.endPos = (st_.endPos + k) % size_;
  st_.validCount += k;
  if (st_.validCount > capacity_) {
    st_.validCount = capacity_;
    st_.firstPos = (st_.endPos + 1) % size_;
  }
}

void CMpegBitSource::AfterBackwardRefill(int k) {
  st_.firstPos = (st_.firstPos - k + size_) % size_;
  st_.validCount += k;
  if (st_.validCount > capacity_) {
    st_.validCount = capacity_;
    st_.endPos = (st_.firstPos - 1 + size_) % size_;
  }
}

bool CMpegBitSource::Ensure(int need) {
  if (!ring_) {
    if (status == 1) status = kBadState;
    return false;
  }
  while (BytesAhead() < need) {
    if (status != 1) return false;
    int k = ReadForward(st_.endPos, chunk_);
    if (k < 0) {
      status = k;
      return false;
    }
    if (k == 0) {
      status = 0;
      return false;
    }
    AfterForwardRefill(k);
  }
  return true;
}

void CMpegBitSource::RefillAhead() {
  if (!ring_ || status != 1) return;
  // The refill drops the oldest bytes when the ring is full; never the read point's.
  if (chunk_ > capacity_ - BytesAhead()) return;
  const int k = ReadForward(st_.endPos, chunk_);
  if (k > 0) AfterForwardRefill(k);
}

uint32_t CMpegBitSource::PeekByte() { return Ensure(1) ? At(0) : 0; }
uint32_t CMpegBitSource::Peek16() { return Ensure(2) ? (uint32_t(At(0)) << 8) | At(1) : 0; }
uint32_t CMpegBitSource::Peek32() {
  if (!Ensure(4)) return 0;
  return (uint32_t(At(0)) << 24) | (uint32_t(At(1)) << 16) | (uint32_t(At(2)) << 8) | At(3);
}

uint32_t CMpegBitSource::PeekByte(int* flag) {
  uint32_t v = PeekByte();
  *flag = BytesAhead() >= 1 && status == 1 ? 1 : (status == 1 ? 0 : status);
  return *flag == 1 ? v : 0;
}

uint32_t CMpegBitSource::Peek16(int* flag) {
  uint32_t v = Peek16();
  *flag = BytesAhead() >= 2 && status == 1 ? 1 : (status == 1 ? 0 : status);
  return *flag == 1 ? v : 0;
}

uint32_t CMpegBitSource::GetByte() {
  if (!Ensure(1)) return 0;
  uint32_t v = At(0);
  st_.readPos = (st_.readPos + 1) % size_;
  st_.bitPos = 0;
  return v;
}

uint32_t CMpegBitSource::Get32() {
  if (!Ensure(4)) return 0;
  uint32_t v = Peek32();
  st_.readPos = (st_.readPos + 4) % size_;
  st_.bitPos = 0;
  return v;
}

uint32_t CMpegBitSource::ShowBitsSlow(int n, int* flag) {
  int k = (n + st_.bitPos - 1) / 8;
  if (n < 1 || k > 4) {
    status = kBadState;
    *flag = kBadState;
    return 0;
  }
  int bytes = k + 1;
  if (BytesAhead() < bytes && !Ensure(bytes)) {
    *flag = status == 1 ? 0 : status;
    return 0;
  }
  uint64_t v = 0;
  int p = st_.readPos;
  if (p + bytes <= size_) {
    const uint8_t* s = ring_.get() + p;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | s[i];
  } else {
    for (int i = 0; i < bytes; ++i) v = (v << 8) | ring_[(p + i) % size_];
  }
  *flag = 1;
  int shift = 8 * bytes - st_.bitPos - n;
  return uint32_t((v >> shift) & ((uint64_t(1) << n) - 1));
}

int CMpegBitSource::SkipForward(int n) { return SkipBy(n, true); }

int CMpegBitSource::SkipBackward(int n) { return SkipBy(n, false); }

// Moves the read point n bytes, refilling the ring from that side when it falls short by less
// than a chunk; a longer move repositions the source instead.
int CMpegBitSource::SkipBy(int n, bool forward) {
  if (!ring_) return kBadState;
  auto move = [&] {
    st_.readPos = forward ? (st_.readPos + n) % size_ : (st_.readPos - n + size_) % size_;
    st_.bitPos = 0;
    return 1;
  };
  auto stalled = [&] {
    if (status == 1) status = 0;
    return 0;
  };
  int shortfall = n - (forward ? BytesAhead() : BytesBehind());
  if (shortfall <= 0) return move();
  if (shortfall >= chunk_) {
    if (Reposition(forward ? int64_t(n) : -int64_t(n), st_) >= 0) return 1;
    return stalled();
  }
  int validBefore = st_.validCount;
  // The bytes on the side a refill drops from; the byte at the read point counts as ahead.
  int kept = forward ? BytesBehind() : BytesAhead();
  int k = forward ? ReadForward(st_.endPos, chunk_) : ReadBackward(st_.firstPos, chunk_);
  if (k < 0) {
    status = k;
    return k;
  }
  if (k == 0) return stalled();
  if (forward) AfterForwardRefill(k);
  else AfterBackwardRefill(k);
  if (k >= shortfall) return move();
  // The data ends before the target: the read point stays where it was, if the ring kept it.
  int dropped = validBefore + k - capacity_;
  if (forward ? dropped > kept : dropped > 0 && dropped >= kept) {
    status = kEndOfData;
    return kEndOfData;
  }
  return stalled();
}

int CMpegBitSource::NextStartCode() {
  if (!ring_) return status = kBadState;
  if (st_.bitPos) Consume(8 - st_.bitPos);
  while (status == 1) {
    if (!Ensure(3)) break;
    int ahead = BytesAhead();
    int p = st_.readPos;
    // Scan what the ring holds without refilling byte by byte.
    int moved = 0;
    while (ahead - moved >= 3) {
      uint8_t b2 = ring_[(p + 2) % size_];
      if (b2 > 1) {
        p = (p + 3) % size_;
        moved += 3;
        continue;
      }
      uint8_t b1 = ring_[(p + 1) % size_];
      if (b1 != 0) {
        p = (p + 2) % size_;
        moved += 2;
        continue;
      }
      uint8_t b0 = ring_[p];
      if (b0 == 0 && b2 == 1) {
        st_.readPos = p;
        return status;
      }
      p = (p + 1) % size_;
      moved += 1;
    }
    st_.readPos = p;
  }
  return status;
}

int CMpegBitSource::PreviousStartCode() {
  if (!ring_) return status = kBadState;
  int r = SkipBackward(3);
  if (r != 1) return r;
  while (status == 1) {
    if (!Ensure(2)) return status;
    // Scan what the ring holds before the read point without refilling byte by byte: a prefix
    // 00 00 01 whose 01 lies at q + 1.
    int behind = BytesBehind();
    int q = st_.readPos;
    for (int k = 0; k < behind;) {
      if (q >= 1 && q + 1 < size_) {
        // A stretch that does not wrap.
        const int lo = std::max(1, q - (behind - k - 1));
        const int j = LastPrefixEnd(ring_.get(), lo + 1, q + 1);
        if (j >= 0) {
          st_.readPos = j - 2;
          st_.bitPos = 0;
          return 1;
        }
        k += q - lo + 1;
        q = lo - 1;
        continue;
      }
      int next = q + 1 == size_ ? 0 : q + 1;
      int prev = q == 0 ? size_ - 1 : q - 1;
      if (ring_[q] == 0 && ring_[next] == 1 && ring_[prev] == 0) {
        st_.readPos = prev;
        st_.bitPos = 0;
        return 1;
      }
      q = prev;
      ++k;
    }
    // At the oldest byte held: one more step back refills the ring.
    st_.readPos = q;
    st_.bitPos = 0;
    bool candidate = At(0) == 0 && At(1) == 1;
    r = SkipBackward(1);
    if (r != 1) return r;
    if (candidate && At(0) == 0) return 1;
  }
  return status;
}

// ---------------------------------------------------------------------------------------------
// Plain file source

int CMpegFileSource::Open(FILE* file, int ringSize) {
  if (!file || file_) return kBadState;
  file_ = file;
  reads_.Attach(file);
  windowStart_ = windowEnd_ = 0;
  if (fseeko(file_, 0, SEEK_END) != 0 || (fileSize_ = ftello(file_)) < 0) {
    Close();
    return kFileError;
  }
  int r = AllocateBuffer(ringSize);
  if (r != 1) {
    Close();
    return r;
  }
  return 1;
}

void CMpegFileSource::Close() {
  Reset();
  file_ = nullptr;
  reads_.Detach();
}

int CMpegFileSource::ReadForward(int ringPos, int count) {
  int first = count < size_ - ringPos ? count : size_ - ringPos;
  int got = reads_.Read(windowEnd_, ring_.get() + ringPos, first);
  if (got == first && count > first) got += reads_.Read(windowEnd_ + first, ring_.get(), count - first);
  windowEnd_ += got;
  if (windowEnd_ - windowStart_ > capacity_) windowStart_ = windowEnd_ - capacity_;
  return got;
}

int CMpegFileSource::ReadBackward(int ringPos, int count) {
  if (count > windowStart_) count = int(windowStart_);
  if (count == 0) return 0;
  const int64_t from = windowStart_ - count;
  if (count > ringPos) {
    int tail = count - ringPos;
    if (reads_.Read(from, ring_.get() + size_ - tail, tail) != tail) return kFileError;
    if (ringPos && reads_.Read(from + tail, ring_.get(), ringPos) != ringPos) return kFileError;
  } else if (reads_.Read(from, ring_.get() + ringPos - count, count) != count) {
    return kFileError;
  }
  windowStart_ -= count;
  if (windowEnd_ - windowStart_ > capacity_) windowEnd_ = windowStart_ + capacity_;
  return count;
}

int CMpegFileSource::Reposition(int64_t delta, RingReadState& state) {
  int64_t target = windowStart_ + Distance(state.firstPos, state.readPos) + delta;
  if (target < 0 || target > fileSize_) return kBadState;
  int got = reads_.Read(target, ring_.get(), capacity_);
  windowStart_ = target;
  windowEnd_ = target + got;
  state = RingReadState{0, 0, 0, got, got};
  return got;
}
