#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

// Positioned reads of an open file through two blocks kept in memory. The sources jump between
// packet headers and payloads a few bytes apart; stdio would seek the descriptor and refill its
// buffer on every jump, a system call pair per packet. Two blocks, so that a scan walking back
// over packets while reading each header forward does not read the same block again and again.
class CMpegFileWindow {
 public:
  void Attach(FILE* file);
  void Detach() { fd_ = -1; }
  // Reads count bytes at offset, as fread would after a seek there: fewer only at the end of the
  // file or on a read error. The file's own position is not used and does not move.
  int Read(int64_t offset, uint8_t* dst, int count);

 private:
  static constexpr int kBlock = 32 * 1024;
  struct Block {
    std::unique_ptr<uint8_t[]> data;
    int64_t start = 0;
    int length = 0;
    bool Holds(int64_t at) const { return at >= start && at < start + length; }
  };
  int Fill(int64_t offset, uint8_t* dst, int count);
  Block blocks_[2];
  int recent_ = 0;  // the block used last
  int fd_ = -1;
};
