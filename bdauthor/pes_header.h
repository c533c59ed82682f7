// The header of one PES packet, collected from the front of its payload even when it continues
// in the next transport packets of the same PID.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bdauthor {

class PesHeaderReader {
 public:
  // A payload unit starts: the next payload bytes are a new PES header.
  void Begin();
  // Takes the header bytes from the front of a payload; returns how many it used.
  std::size_t Consume(const std::uint8_t* payload, std::size_t size);
  // While collecting, takes the header bytes from the front of a payload and moves past them.
  void ConsumeFront(const std::uint8_t*& payload, std::size_t& size) {
    if (!Collecting()) return;
    const std::size_t used = Consume(payload, size);
    payload += used;
    size -= used;
  }

  bool Collecting() const { return state_ == State::kCollecting; }
  // The header is complete and well formed; the payload that follows is elementary stream data.
  bool Complete() const { return state_ == State::kComplete; }
  // No PES was started, or what started was no PES.
  bool Broken() const { return state_ == State::kBroken; }

  // Whether the two readers, given the same bytes from here on, read the same headers from them.
  bool SameProgress(const PesHeaderReader& other) const;

  std::uint8_t StreamId() const { return header_[3]; }
  bool HasPts() const { return hasPts_; }
  std::int64_t Pts() const { return pts_; }

 private:
  enum class State { kIdle, kCollecting, kComplete, kBroken };
  void Finish();

  static constexpr std::size_t kMaxHeader = 9 + 255;
  State state_ = State::kIdle;
  std::uint8_t header_[kMaxHeader] = {};
  std::size_t have_ = 0;
  std::size_t need_ = 9;
  bool hasPts_ = false;
  std::int64_t pts_ = 0;
};

}  // namespace bdauthor
