#include "platform/filters/elementary_file.h"

#include <algorithm>

namespace platform::filters {

std::string ElementaryPieceName(const std::string& name, int piece) {
  return piece == 0 ? name : name + "." + std::to_string(piece);
}

bool ElementaryFile::Open(const std::string& name, std::uint64_t largest) {
  name_ = name;
  largest_ = std::max<std::uint64_t>(largest, 1);
  pieces_ = 0;
  return NextPiece();
}

bool ElementaryFile::NextPiece() {
  if (file_.IsOpen() && !file_.Close()) return false;
  if (!file_.Open(ElementaryPieceName(name_, pieces_), FileMode::Create)) return false;
  ++pieces_;
  written_ = 0;
  return true;
}

bool ElementaryFile::Write(const std::uint8_t* data, std::size_t size, bool unitStart) {
  if (!file_.IsOpen()) return false;
  if (unitStart) {
    largestUnit_ = std::max(largestUnit_, unitBytes_);
    unitBytes_ = 0;
  }
  // A unit that may not fit starts the next piece; a piece is never let past the limit.
  const bool unitMayNotFit = unitStart && written_ + size + largestUnit_ > largest_;
  if (written_ > 0 && (unitMayNotFit || written_ + size > largest_) && !NextPiece()) return false;
  if (!file_.Write(data, size)) return false;
  written_ += size;
  unitBytes_ += size;
  return true;
}

bool ElementaryFile::Close() { return !file_.IsOpen() || file_.Close(); }

}  // namespace platform::filters
