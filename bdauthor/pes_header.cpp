#include "bdauthor/pes_header.h"

#include <algorithm>
#include <cstring>

namespace bdauthor {

void PesHeaderReader::Begin() {
  state_ = State::kCollecting;
  have_ = 0;
  need_ = 9;
  hasPts_ = false;
  pts_ = 0;
}

std::size_t PesHeaderReader::Consume(const std::uint8_t* payload, std::size_t size) {
  std::size_t used = 0;
  while (state_ == State::kCollecting && used < size) {
    std::size_t take = std::min(need_ - have_, size - used);
    std::memcpy(header_ + have_, payload + used, take);
    have_ += take;
    used += take;
    if (have_ < need_) break;
    if (need_ == 9) {
      // Only streams with the optional header ('10' marker bits) carry time stamps.
      if (header_[0] != 0 || header_[1] != 0 || header_[2] != 1 || (header_[6] & 0xC0) != 0x80) {
        state_ = State::kBroken;
        return size;
      }
      need_ = 9 + header_[8];
      if (need_ > 9) continue;
    }
    Finish();
  }
  return used;
}

bool PesHeaderReader::SameProgress(const PesHeaderReader& other) const {
  if (state_ != other.state_) return false;
  // Outside a header only the state is read again; bytes past `have_` are left from earlier ones.
  if (state_ != State::kCollecting) return true;
  return have_ == other.have_ && need_ == other.need_ && std::memcmp(header_, other.header_, have_) == 0;
}

void PesHeaderReader::Finish() {
  state_ = State::kComplete;
  const bool ptsFlag = (header_[7] & 0x80) != 0;
  if (ptsFlag && header_[8] >= 5) {
    const std::uint8_t* p = header_ + 9;
    pts_ = (static_cast<std::int64_t>((p[0] >> 1) & 7) << 30) | (static_cast<std::int64_t>(p[1]) << 22) |
           (static_cast<std::int64_t>(p[2] >> 1) << 15) | (static_cast<std::int64_t>(p[3]) << 7) | (p[4] >> 1);
    hasPts_ = true;
  }
}

}  // namespace bdauthor
