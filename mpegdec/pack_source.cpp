#include <algorithm>
#include <cstring>
#include <new>

#include "mpegdec/bit_source.h"
#include "mpegdec/mpeg_errors.h"
#include "mpegdec/start_code_scan.h"

using namespace mpegdec;

namespace {
constexpr int kScanBlock = 1024;

// Sequential byte reader over the file in blocks, for the packet scan.
class BlockScanner {
 public:
  BlockScanner(CMpegFileWindow& f, uint8_t* buf, int64_t pos) : f_(f), buf_(buf), pos_(pos) {}
  // 1 byte read, 0 end of file, kFileError seek failure.
  int Read(uint8_t& b) {
    if (pos_ < start_ || pos_ >= start_ + len_) {
      if (pos_ < 0) return kFileError;
      start_ = pos_;
      len_ = f_.Read(pos_, buf_, kScanBlock);
      if (len_ <= 0) {
        len_ = 0;
        return 0;
      }
    }
    b = buf_[pos_ - start_];
    ++pos_;
    return 1;
  }
  void Skip(int64_t n) { pos_ += n; }
  int64_t Pos() const { return pos_; }

 private:
  CMpegFileWindow& f_;
  uint8_t* buf_;
  int64_t pos_;
  int64_t start_ = 0;
  int len_ = 0;
};
}  // namespace

CMpegPackSource::CMpegPackSource() {}

int CMpegPackSource::Open(FILE* file, int streamId, int ringSize) {
  if (constructState_ != 1) return constructState_;
  if (!file || file_) return kBadState;
  file_ = file;
  window_.Attach(file);
  PesPacketInfo first;
  if (streamId) {
    streamCode_ = 0x100 | streamId;
    if (streamCode_ < 0x1BC) {
      Close();
      return kBadState;
    }
    scan_.reset(new (std::nothrow) uint8_t[kScanBlock]);
    if (!scan_) {
      Close();
      return kOutOfMemory;
    }
    FindNextPacket(0, first);
    while (first.headerLength >= 0 && first.payloadLength == 0) FindNextPacket(first.payloadOffset, first);
    if (first.headerLength < 0) {
      Close();
      return 0;
    }
  } else {
    streamCode_ = 0;
    int64_t size;
    if (fseeko(file_, 0, SEEK_END) != 0 || (size = ftello(file_)) < 0 || fseeko(file_, 0, SEEK_SET) != 0) {
      Close();
      return kFileError;
    }
    first = PesPacketInfo{0, 0, size};
  }
  packets_.assign(1, first);
  offsetInOldest_ = consumedInNewest_ = 0;
  int r = AllocateBuffer(ringSize);
  if (r != 1) {
    Close();
    return r;
  }
  return 1;
}

void CMpegPackSource::Close() {
  packets_.clear();
  offsetInOldest_ = consumedInNewest_ = 0;
  scan_.reset();
  Reset();
  file_ = nullptr;
  window_.Detach();
  streamCode_ = 0;
}

int CMpegPackSource::ParsePacketHeader(int64_t prefixOffset, PesPacketInfo& info) {
  uint8_t h[64];
  if (prefixOffset < 0) return kMalformed;
  int got = window_.Read(prefixOffset, h, int(sizeof h));
  if (got < 7) return kEndOfData;
  int64_t length = (h[4] << 8) | h[5];
  int headerLength;
  if ((h[6] & 0xC0) == 0x80) {
    if (got < 9) return kEndOfData;
    headerLength = 9 + h[8];
  } else {
    int i = 6;
    headerLength = 7;
    while (i < got && h[i] == 0xFF) {
      ++headerLength;
      ++i;
    }
    if (i >= got) return got < int(sizeof h) ? kEndOfData : kMalformed;
    if ((h[i] & 0xC0) == 0x40) {
      headerLength += 2;
      i += 2;
      if (i >= got) return got < int(sizeof h) ? kEndOfData : kMalformed;
    }
    uint8_t b = h[i];
    if (b == 0x0F) {
    } else if ((b & 0xF0) == 0x20) {
      headerLength += 4;
    } else if ((b & 0xF0) == 0x30) {
      headerLength += 9;
    } else {
      return kMalformed;
    }
  }
  // A header that claims more bytes than the packet holds would give a negative payload.
  if (headerLength > length + 6) return kMalformed;
  info.headerLength = headerLength;
  info.payloadOffset = prefixOffset + headerLength;
  info.payloadLength = length + 6 - headerLength;
  return 1;
}

void CMpegPackSource::FindNextPacket(int64_t fileOffset, PesPacketInfo& info) {
  info = PesPacketInfo{kBadState, 0, 0};
  if (!streamCode_ || !scan_) return;
  BlockScanner in(window_, scan_.get(), fileOffset);
  int zeros = 0;
  uint8_t b;
  for (;;) {
    int r = in.Read(b);
    if (r <= 0) {
      info.headerLength = r == 0 ? kEndOfData : r;
      return;
    }
    if (b == 0) {
      ++zeros;
      continue;
    }
    if (b != 1 || zeros < 2) {
      zeros = 0;
      continue;
    }
    zeros = 0;
    int64_t prefix = in.Pos() - 3;
    if ((r = in.Read(b)) <= 0) {
      info.headerLength = r == 0 ? kEndOfData : r;
      return;
    }
    int code = 0x100 | b;
    if (code < 0x1B9) continue;
    if (code == 0x1B9) {
      info.headerLength = kFileError;
      return;
    }
    if (code == 0x1BA) {
      // Pack header: the 13818-1 form is longer and carries stuffing.
      uint8_t first;
      if ((r = in.Read(first)) <= 0) {
        info.headerLength = r == 0 ? kEndOfData : r;
        return;
      }
      if ((first & 0xC0) == 0x40) {
        in.Skip(8);
        uint8_t stuff;
        if ((r = in.Read(stuff)) <= 0) {
          info.headerLength = r == 0 ? kEndOfData : r;
          return;
        }
        in.Skip(stuff & 7);
      } else {
        in.Skip(7);
      }
      continue;
    }
    uint8_t l0, l1;
    if ((r = in.Read(l0)) <= 0 || (r = in.Read(l1)) <= 0) {
      info.headerLength = r == 0 ? kEndOfData : r;
      return;
    }
    int length = (l0 << 8) | l1;
    if (code != streamCode_) {
      in.Skip(length);
      continue;
    }
    int pr = ParsePacketHeader(prefix, info);
    if (pr != 1) info = PesPacketInfo{pr, 0, 0};
    return;
  }
}

void CMpegPackSource::FindPreviousPacket(int64_t fileOffset, PesPacketInfo& info) {
  info = PesPacketInfo{kBadState, 0, 0};
  if (!streamCode_ || !scan_) return;
  uint32_t window = 0xFFFFFFFFu;
  uint32_t want = 0x00000100u | uint32_t(streamCode_ & 0xFF);
  int64_t pos = fileOffset;
  while (pos > 0) {
    int64_t start = pos > kScanBlock ? pos - kScanBlock : 0;
    int n = int(pos - start);
    if (window_.Read(start, scan_.get(), n) != n) {
      info.headerLength = kFileError;
      return;
    }
    auto found = [&](int i) {
      int pr = ParsePacketHeader(start + i, info);
      if (pr != 1) info = PesPacketInfo{pr, 0, 0};
    };
    // The top three positions also see the bytes of the block after this one.
    const int lowest = n >= 4 ? n - 3 : 0;
    for (int i = n - 1; i >= lowest; --i) {
      window = (window >> 8) | (uint32_t(scan_[i]) << 24);
      if (window == want) return found(i);
    }
    if (n >= 4) {
      // The rest lie inside the block: look for the 01 byte of the prefix from the top down.
      const uint8_t* b = scan_.get();
      const uint8_t code = uint8_t(want);
      for (int top = n - 2; top >= 2;) {
        const int j = LastPrefixEnd(b, 2, top);
        if (j < 0) break;
        if (b[j + 1] == code) return found(j - 2);
        top = j - 1;
      }
      window = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    }
    pos = start;
  }
  info.headerLength = kEndOfData;
}

bool CMpegPackSource::NextNonEmptyPacket(const PesPacketInfo& after, PesPacketInfo& next) {
  FindNextPacket(after.payloadOffset + after.payloadLength, next);
  while (next.headerLength >= 0 && next.payloadLength == 0) FindNextPacket(next.payloadOffset, next);
  return next.headerLength >= 0;
}

bool CMpegPackSource::PreviousNonEmptyPacket(const PesPacketInfo& before, PesPacketInfo& prev) {
  FindPreviousPacket(before.payloadOffset - before.headerLength, prev);
  while (prev.headerLength >= 0 && prev.payloadLength == 0)
    FindPreviousPacket(prev.payloadOffset - prev.headerLength, prev);
  return prev.headerLength >= 0;
}

int CMpegPackSource::ReadForward(int ringPos, int count) {
  if (packets_.empty()) return 0;
  if (consumedInNewest_ >= packets_.back().payloadLength) {
    PesPacketInfo next;
    if (!NextNonEmptyPacket(packets_.back(), next)) return 0;
    packets_.push_back(next);
    consumedInNewest_ = 0;
  }
  int64_t at = packets_.back().payloadOffset + consumedInNewest_;
  if (at < 0) return 0;
  int copied = 0;
  int pos = ringPos;
  while (copied < count) {
    const PesPacketInfo& pk = packets_.back();
    if (consumedInNewest_ >= pk.payloadLength) {
      PesPacketInfo next;
      if (!NextNonEmptyPacket(pk, next)) break;
      packets_.push_back(next);
      consumedInNewest_ = 0;
      at = next.payloadOffset;
      if (at < 0) break;
      continue;
    }
    int64_t piece =
        std::min<int64_t>({int64_t(size_ - pos), pk.payloadLength - consumedInNewest_, int64_t(count - copied)});
    int got = window_.Read(at, ring_.get() + pos, int(piece));
    at += got;
    consumedInNewest_ += got;
    copied += got;
    pos = (pos + got) % size_;
    if (got < piece) break;
  }
  int64_t overflow = int64_t(st_.validCount) - capacity_ + copied;
  if (overflow > 0) {
    offsetInOldest_ += overflow;
    while (packets_.size() > 1 && offsetInOldest_ >= packets_.front().payloadLength) {
      offsetInOldest_ -= packets_.front().payloadLength;
      packets_.pop_front();
    }
  }
  return copied;
}

int CMpegPackSource::ReadBackward(int ringPos, int count) {
  if (packets_.empty()) return 0;
  int copied = 0;
  int pos = ringPos;
  while (copied < count) {
    if (offsetInOldest_ <= 0) {
      PesPacketInfo prev;
      if (!PreviousNonEmptyPacket(packets_.front(), prev)) break;
      packets_.push_front(prev);
      offsetInOldest_ = prev.payloadLength;
    }
    const PesPacketInfo& pk = packets_.front();
    int p = pos == 0 ? size_ : pos;
    int piece = int(std::min<int64_t>({int64_t(count - copied), offsetInOldest_, int64_t(p)}));
    const int64_t at = pk.payloadOffset + offsetInOldest_ - piece;
    if (at < 0) return kFileError;
    int got = window_.Read(at, ring_.get() + p - piece, piece);
    if (got != piece) {
      if (got > 0) return kFileError;
      break;
    }
    offsetInOldest_ -= piece;
    copied += piece;
    pos = p - piece;
  }
  int64_t overflow = int64_t(st_.validCount) - capacity_ + copied;
  if (overflow > 0) {
    consumedInNewest_ -= overflow;
    while (consumedInNewest_ < 0 && packets_.size() > 1) {
      packets_.pop_back();
      consumedInNewest_ += packets_.back().payloadLength;
    }
  }
  return copied;
}

int CMpegPackSource::LoadAt(const PesPacketInfo& info, int64_t offset, RingReadState& state) {
  if (info.payloadOffset + offset < 0) return kFileError;
  int64_t want = std::min<int64_t>(info.payloadLength - offset, capacity_);
  int got = want > 0 ? window_.Read(info.payloadOffset + offset, ring_.get(), int(want)) : 0;
  offsetInOldest_ = offset;
  consumedInNewest_ = offset + got;
  packets_.assign(1, info);
  state = RingReadState{0, 0, 0, got, got};
  return got;
}

int CMpegPackSource::Reposition(int64_t delta, RingReadState& state) {
  if (packets_.empty()) return kBadState;
  PesPacketInfo cur;
  int64_t target;
  if (delta < 0) {
    target = offsetInOldest_ + Distance(state.firstPos, state.readPos) + delta;
    size_t idx = 0;
    while (idx + 1 < packets_.size() && target >= packets_[idx].payloadLength) {
      target -= packets_[idx].payloadLength;
      ++idx;
    }
    cur = packets_[idx];
    while (target < 0) {
      PesPacketInfo prev;
      if (!PreviousNonEmptyPacket(cur, prev)) return prev.headerLength < 0 ? prev.headerLength : kEndOfData;
      target += prev.payloadLength;
      cur = prev;
    }
  } else {
    target = consumedInNewest_ - Distance(state.readPos, state.endPos) + delta;
    size_t idx = packets_.size() - 1;
    while (target < 0 && idx > 0) {
      --idx;
      target += packets_[idx].payloadLength;
    }
    cur = packets_[idx];
    while (target > cur.payloadLength) {
      target -= cur.payloadLength;
      PesPacketInfo next;
      if (!NextNonEmptyPacket(cur, next)) return next.headerLength < 0 ? next.headerLength : kEndOfData;
      cur = next;
    }
    if (target < 0) return kBadState;
  }
  return LoadAt(cur, target, state);
}

int64_t CMpegPackSource::GetPosition(PesPacketInfo& info) {
  if (packets_.empty()) {
    info = PesPacketInfo{kBadState, 0, 0};
    return 0;
  }
  size_t idx = packets_.size() - 1;
  int64_t value = consumedInNewest_ - BytesAhead();
  while (value < 0 && idx > 0) {
    --idx;
    value += packets_[idx].payloadLength;
  }
  info = packets_[idx];
  return value;
}

int CMpegPackSource::SetPosition(const PesPacketInfo& info, int64_t offsetInPayload) {
  if (!ring_ || info.headerLength < 0 || offsetInPayload < 0 || offsetInPayload > info.payloadLength) return kBadState;
  return LoadAt(info, offsetInPayload, st_);
}
