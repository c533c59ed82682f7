// Reads one elementary stream of a recording that may still be growing: the file, then its
// ".1", ".2", ... parts in order, until the writer has said it is done and all is read.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/base/file.h"

namespace platform::dvd {

class ElementaryReader {
 public:
  // `ended` is set by the writer's side once no byte will be added.
  ElementaryReader(std::string path, const std::atomic<bool>& ended);

  enum class Result { Data, Waiting, End, Failed };
  // Up to `size` bytes into `out`; Waiting when nothing has arrived yet, End once everything
  // is read, Failed on a read error or when the stream ended without its file ever appearing.
  Result Read(std::uint8_t* out, std::size_t size, std::size_t* got);
  std::int64_t BytesRead() const { return total_; }

 private:
  std::string PartName(int index) const;
  bool OpenCurrent();

  std::string path_;
  const std::atomic<bool>& ended_;
  platform::File file_;
  int part_ = 0;
  bool opened_ = false;
  std::int64_t total_ = 0;
};

}  // namespace platform::dvd
