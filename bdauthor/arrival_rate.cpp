#include "bdauthor/arrival_rate.h"

#include <algorithm>

namespace bdauthor {

std::optional<std::int64_t> ArrivalRateMeter::Rate() const {
  if (!measured_ || smallest_ == 0) return std::nullopt;
  const std::int64_t rate = 5076000000LL / smallest_;
  return std::min(rate, kMaxRecordingRate);
}

}  // namespace bdauthor
