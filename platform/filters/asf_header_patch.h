// Keeps a growing ASF file readable: the header's data size, packet count and play time are
// rewritten in place from what has reached the file, so a crash or a full disk leaves a file
// readers can time and play up to its last whole packet.
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/file.h"

namespace platform::filters {

class AsfHeaderPatch {
 public:
  // Finds the fields in the header bytes as written (from offset 0 up to the first packet);
  // false when they are not there.
  bool Locate(const std::string& header);
  // Rewrites the fields for the packets wholly within `end` bytes and `duration` (100 ns units),
  // then leaves the file positioned at `end`.
  bool Apply(File& file, std::int64_t end, std::int64_t duration) const;
  // The end of the last whole packet at or before `end`.
  std::int64_t WholePackets(std::int64_t end) const;

 private:
  std::int64_t properties_ = -1;  // the File Properties Object
  std::int64_t data_ = -1;        // the Data Object
  std::uint32_t packetSize_ = 0;
  std::uint64_t preroll_ = 0;  // milliseconds
};

}  // namespace platform::filters
