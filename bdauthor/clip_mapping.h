// A read-only mapping of a clip, whose pages are read where the page cache holds them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace bdauthor {

// Whether the page cache holds every page of the span of an open file; nothing when the system
// cannot tell without touching the pages.
std::optional<bool> SpanCached(int descriptor, std::int64_t offset, std::int64_t bytes);

// Maps the bytes [from, end) of an open file. A page that goes away while mapped (the file cut
// short by someone else) would stop the process on the next touch; here it reads as zeros and
// the mapping reports it lost, so that the reader can fail the read instead.
class ClipMapping {
 public:
  ClipMapping(int descriptor, std::int64_t from, std::int64_t end);
  ~ClipMapping();
  ClipMapping(const ClipMapping&) = delete;
  ClipMapping& operator=(const ClipMapping&) = delete;

  bool IsMapped() const { return base_ != nullptr; }
  // The byte at file offset `offset` (from <= offset < end).
  const std::uint8_t* At(std::int64_t offset) const { return base_ + (offset - mappedFrom_); }
  // How many bytes from `offset` on (at most `bytes`) the page cache holds now, in one run.
  std::int64_t ResidentFrom(std::int64_t offset, std::int64_t bytes);
  // True once a page of the mapping was found gone.
  bool Lost() const;

 private:
  std::uint8_t* base_ = nullptr;
  std::size_t length_ = 0;
  std::int64_t mappedFrom_ = 0;
  int slot_ = -1;
  int descriptor_ = -1;
  std::vector<unsigned char> pages_;
};

}  // namespace bdauthor
