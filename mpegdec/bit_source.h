#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>

#include "mpegdec/file_window.h"

// One packet of the chosen video stream. A negative headerLength is the error code of the
// search that produced the record.
struct PesPacketInfo {
  int32_t headerLength = -2;
  // 64-bit so that recordings over 2 GiB work; an elementary stream is one packet.
  int64_t payloadOffset = 0;
  int64_t payloadLength = 0;
};

struct RingReadState {
  int readPos = 0;
  uint8_t bitPos = 0;
  int firstPos = 0;
  int endPos = 0;
  int validCount = 0;
};

// A ring of stream bytes over an open file, read bit by bit forwards and refilled on demand in
// both directions, so that the decoder never holds more than one ring of file data.
class CMpegBitSource {
 public:
  CMpegBitSource() = default;
  virtual ~CMpegBitSource() = default;
  CMpegBitSource(const CMpegBitSource&) = delete;
  CMpegBitSource& operator=(const CMpegBitSource&) = delete;

  void Reset();
  int AllocateBuffer(int size);

  uint32_t PeekByte();
  uint32_t Peek16();
  uint32_t Peek32();
  uint32_t GetByte();
  uint32_t Get32();
  // The n bits (1 to 32) after the read point, without moving.
  uint32_t ShowBits(int n) {
    uint32_t v;
    if (FastShow(n, v)) return v;
    int flag;
    return ShowBitsSlow(n, &flag);
  }
  // Flag forms: flag 1 valid, 0 end of data, negative error; the value is 0 unless valid.
  uint32_t PeekByte(int* flag);
  uint32_t Peek16(int* flag);
  uint32_t ShowBits(int n, int* flag) {
    uint32_t v;
    if (FastShow(n, v)) {
      *flag = 1;
      return v;
    }
    return ShowBitsSlow(n, flag);
  }
  void Consume(int n) {
    int total = st_.bitPos + n;
    st_.readPos += total >> 3;
    if (st_.readPos >= size_) st_.readPos -= size_;
    st_.bitPos = uint8_t(total & 7);
  }
  // Reads n bits when they are there; 0 and nothing consumed otherwise.
  uint32_t GetBits(int n) {
    int flag;
    uint32_t v = ShowBits(n, &flag);
    if (flag != 1) return 0;
    Consume(n);
    return v;
  }

  int SkipForward(int n);
  int SkipBackward(int n);
  // Leaves the read point on the first byte of the next 0x000001 prefix (byte aligned).
  int NextStartCode();
  // Moves backwards onto the prefix of the start code before the read point.
  int PreviousStartCode();

  // The most bytes Contiguous gives: the ring keeps that many bytes past its end for copies of
  // its first ones.
  static constexpr int kMaxContiguous = 256;
  // The bytes from the read point when `need` (at most kMaxContiguous) of them are in the ring,
  // in one piece: when they wrap, the ring's first bytes are copied past its end. A caller may
  // read them itself and then consume the bits it read. Null when fewer are there.
  const uint8_t* Contiguous(int need) {
    const int p = st_.readPos;
    if (need > kMaxContiguous || Distance(p, st_.endPos) < need) return nullptr;
    if (p + need > size_) std::memcpy(ring_.get() + size_, ring_.get(), size_t(p + need - size_));
    return ring_.get() + p;
  }
  // As Contiguous(need), with `got` the bytes from the read point in one piece: `need`, or more
  // when the ring holds them before its end, so that a reader of many short codes can go on.
  const uint8_t* Contiguous(int need, int& got) {
    const uint8_t* bytes = Contiguous(need);
    if (bytes) got = std::max(need, std::min(BytesAhead(), size_ - st_.readPos));
    return bytes;
  }
  // Refills the ring by one chunk when fewer than `need` bytes lie ahead, so that a caller about
  // to read up to that many finds them in one piece; the end of the data leaves the status as
  // it is, for the reads that really get there.
  void ReadAhead(int need) {
    if (BytesAhead() < need) RefillAhead();
  }
  int BytesAhead() const { return Distance(st_.readPos, st_.endPos); }
  int BytesBehind() const { return Distance(st_.firstPos, st_.readPos); }
  uint8_t BitPos() const { return st_.bitPos; }
  void SetBitPos(uint8_t b) { st_.bitPos = b; }

  int status = 1;

 protected:
  virtual int ReadForward(int ringPos, int count) = 0;
  virtual int ReadBackward(int ringPos, int count) = 0;
  virtual int Reposition(int64_t delta, RingReadState& state) = 0;

  // Eight bytes held in one piece after the read point: the bits come from one load.
  bool FastShow(int n, uint32_t& v) const {
    int p = st_.readPos;
    if (n < 1 || n > 32 || p + 8 > size_ || Distance(p, st_.endPos) < 8) return false;
    uint64_t w;
    std::memcpy(&w, ring_.get() + p, 8);
    w = __builtin_bswap64(w);
    v = uint32_t((w << st_.bitPos) >> (64 - n));
    return true;
  }
  uint32_t ShowBitsSlow(int n, int* flag);
  void RefillAhead();
  int Distance(int from, int to) const {
    int d = to - from;
    return d < 0 ? d + size_ : d;
  }
  uint8_t At(int offset) const { return ring_[(st_.readPos + offset) % size_]; }
  // Makes at least `need` bytes available ahead of the read point; false at end or error.
  bool Ensure(int need);
  void AfterForwardRefill(int k);
  void AfterBackwardRefill(int k);
  int SkipBy(int n, bool forward);

  std::unique_ptr<uint8_t[]> ring_;
  int size_ = 0;
  int capacity_ = 0;
  RingReadState st_;
  int chunk_ = 0;  // bytes one refill reads, either way: half the ring
};

// The payload bytes of one stream of an MPEG program stream, or a whole file with stream id 0.
class CMpegPackSource : public CMpegBitSource {
 public:
  CMpegPackSource();
  int Open(FILE* file, int streamId, int ringSize);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  int StreamCode() const { return streamCode_; }

  void FindNextPacket(int64_t fileOffset, PesPacketInfo& info);
  void FindPreviousPacket(int64_t fileOffset, PesPacketInfo& info);
  int64_t GetPosition(PesPacketInfo& info);
  int SetPosition(const PesPacketInfo& info, int64_t offsetInPayload);

 protected:
  int ReadForward(int ringPos, int count) override;
  int ReadBackward(int ringPos, int count) override;
  int Reposition(int64_t delta, RingReadState& state) override;

 private:
  bool NextNonEmptyPacket(const PesPacketInfo& after, PesPacketInfo& next);
  bool PreviousNonEmptyPacket(const PesPacketInfo& before, PesPacketInfo& prev);
  int LoadAt(const PesPacketInfo& info, int64_t offset, RingReadState& state);
  int ParsePacketHeader(int64_t prefixOffset, PesPacketInfo& info);

  FILE* file_ = nullptr;
  CMpegFileWindow window_;
  int streamCode_ = 0;
  std::deque<PesPacketInfo> packets_;  // oldest first; the packets whose bytes are in the ring
  int64_t offsetInOldest_ = 0;
  int64_t consumedInNewest_ = 0;
  int constructState_ = 1;
  std::unique_ptr<uint8_t[]> scan_;
};

// The bytes of a plain file; used to probe the stream type.
class CMpegFileSource : public CMpegBitSource {
 public:
  int Open(FILE* file, int ringSize);
  void Close();

 protected:
  int ReadForward(int ringPos, int count) override;
  int ReadBackward(int ringPos, int count) override;
  int Reposition(int64_t delta, RingReadState& state) override;

 private:
  FILE* file_ = nullptr;
  CMpegFileWindow reads_;
  int64_t windowStart_ = 0;
  int64_t windowEnd_ = 0;
  int64_t fileSize_ = 0;
};
