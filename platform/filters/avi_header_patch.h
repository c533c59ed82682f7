// Keeps a growing AVI readable: the main header's frame counts, each stream header's length and
// the sizes of the RIFF and of its movi list are rewritten in place from what has been written,
// so readers find the packets and time a file a crash cut short.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::filters {

class AviHeaderPatch {
 public:
  // Writes `size` bytes at a file offset; false on failure.
  using WriteAt = std::function<bool(std::int64_t offset, const std::uint8_t* data, std::size_t size)>;

  // Finds the fields in the header bytes as written; false when there is no stream header.
  bool Locate(const std::string& header);
  // lengths: each stream's length in its own units (frames, sound blocks), in header order;
  // frames: the video frames; end: the file offset up to which whole chunks are written.
  bool Apply(const WriteAt& write, const std::vector<std::uint32_t>& lengths, std::uint32_t frames,
             std::int64_t end) const;

 private:
  std::vector<std::int64_t> totalFrames_;  // avih and dmlh
  std::vector<std::int64_t> lengths_;      // each strh's length
  std::int64_t movi_ = -1;                 // the movi list's fourcc
};

}  // namespace platform::filters
