// One elementary stream of a record-and-burn recording, written packet by packet so a second
// reader can follow it: "<name>" and, where the output's file system cannot hold a file that
// large, "<name>.1", "<name>.2"... Each piece starts where a decoder can: a new piece is begun
// only at a unit start (a GOP for video, any frame for sound) unless the limit leaves no choice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/base/file.h"

namespace platform::filters {

// The n-th piece of an elementary file (0: the name itself).
std::string ElementaryPieceName(const std::string& name, int piece);

class ElementaryFile {
 public:
  bool Open(const std::string& name, std::uint64_t largest);
  bool IsOpen() const { return file_.IsOpen(); }
  bool Write(const std::uint8_t* data, std::size_t size, bool unitStart);
  bool Close();
  int Pieces() const { return pieces_; }

 private:
  bool NextPiece();

  platform::File file_;
  std::string name_;
  std::uint64_t largest_ = 0;
  std::uint64_t written_ = 0;    // in this piece
  std::uint64_t unitBytes_ = 0;  // since the last unit start
  std::uint64_t largestUnit_ = 0;
  int pieces_ = 0;
};

}  // namespace platform::filters
