// Transport recording rate from the smallest step between consecutive arrival stamps.
#pragma once

#include <cstdint>
#include <optional>

namespace bdauthor {

// Highest transport rate a Blu-ray player reads: 48 Mbit/s, in bytes per second.
constexpr std::int64_t kMaxRecordingRate = 6000000;

class ArrivalRateMeter {
 public:
  void Add(std::uint32_t stamp) {
    if (previousValid_) {
      std::uint32_t delta = stamp - previous_;
      if (stamp < previous_) delta += 0x40000000;
      if (delta < smallest_) smallest_ = delta;
      measured_ = true;
    }
    previous_ = stamp;
    // A zero stamp is taken as "not stamped": no step is measured from it.
    previousValid_ = stamp != 0;
  }

  // Takes in what a meter fed later packets measured, as if this one had been fed them too. The
  // later meter's first packet is at latest the one after this one's last: the step between the
  // two would be lost otherwise, while an overlap changes no smallest step.
  void Absorb(const ArrivalRateMeter& later) {
    if (later.smallest_ < smallest_) smallest_ = later.smallest_;
    measured_ = measured_ || later.measured_;
    previous_ = later.previous_;
    previousValid_ = later.previousValid_;
  }

  // Bytes per second (188 bytes per smallest step of the 27 MHz clock), clamped to the Blu-ray
  // maximum; nothing when no step was measured or two packets share a stamp.
  std::optional<std::int64_t> Rate() const;
  std::uint32_t SmallestStep() const { return smallest_; }

 private:
  std::uint32_t previous_ = 0;
  bool previousValid_ = false;
  bool measured_ = false;
  std::uint32_t smallest_ = 0x40000000;
};

}  // namespace bdauthor
