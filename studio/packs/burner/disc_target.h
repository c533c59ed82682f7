// The writer a burn goes to: chosen by letter or by the disc it holds, checked before any work,
// then handed the authored disc (a DVD-Video folder, or the BIN/CUE pair of a Video CD), with
// what its failures mean to the user.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "disc_encode_settings.h"
#include "platform/disc/write_engine.h"

class CQnDataCDDVD;
class CQnVideoCD;

namespace studio::packs {

class DiscTarget {
 public:
  // The writer with that letter, or (letter 0, or a letter no writer has) the first writer holding
  // a blank disc the format can go on, else the first holding a disc of a kind it can go on,
  // else the first writer of the format's class.
  DiscTarget(DiscFormat format, char letter);
  ~DiscTarget();
  DiscTarget(const DiscTarget&) = delete;
  DiscTarget& operator=(const DiscTarget&) = delete;

  char Letter() const { return letter_; }
  // Why the disc cannot take a burn of `blocks` 2048-byte blocks (or 2352-byte sectors for a
  // Video CD), in words that say what to do; empty when it can.
  std::string Refusal(std::uint64_t blocks);
  // Starts writing; false when the writer refused, FailureText then says why.
  bool Start(const std::string& authored, const std::string& discName, platform::disc::DiscCallback callback,
             void* context);
  void Stop();
  // Written share of the running write, 0..100.
  int Percent();
  std::string FailureText();

 private:
  std::uint32_t ErrorCode();
  std::string NotBlank(unsigned char kind) const;

  DiscFormat format_;
  char letter_ = 0;
  std::unique_ptr<CQnDataCDDVD> dvd_;
  std::unique_ptr<CQnVideoCD> cd_;
};

// Whether a disc of that kind (GetDiscType) can take a burn of the format.
bool MediumSuits(DiscFormat format, unsigned char kind);

// The blocks a disc of the format needs for media files of `bytes` in all.
std::uint64_t EstimatedDiscBlocks(DiscFormat format, std::uint64_t bytes);

}  // namespace studio::packs
