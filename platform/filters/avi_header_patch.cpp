#include "platform/filters/avi_header_patch.h"

namespace platform::filters {
namespace {

// Offsets of the fields from the start of their chunk's identifier.
constexpr std::int64_t kMainTotalFrames = 8 + 16;  // avih dwTotalFrames
constexpr std::int64_t kOdmlTotalFrames = 8;       // dmlh dwTotalFrames
constexpr std::int64_t kStreamLength = 8 + 32;     // strh dwLength
constexpr std::int64_t kStreamHeaderBytes = 8 + 36;
constexpr std::int64_t kRiffSize = 4;
// The muxer closes the first RIFF itself and opens an AVIX one past this size: from there on
// the first RIFF's sizes are its own.
constexpr std::int64_t kFirstRiffBytes = 1024LL * 1024 * 1024;

std::vector<std::int64_t> FindAll(const std::string& bytes, const char* tag, std::int64_t needed) {
  std::vector<std::int64_t> found;
  for (std::size_t at = bytes.find(tag); at != std::string::npos; at = bytes.find(tag, at + 4))
    if (static_cast<std::int64_t>(at) + needed <= static_cast<std::int64_t>(bytes.size()))
      found.push_back(static_cast<std::int64_t>(at));
  return found;
}

}  // namespace

bool AviHeaderPatch::Locate(const std::string& header) {
  totalFrames_.clear();
  lengths_.clear();
  for (const std::int64_t at : FindAll(header, "avih", kMainTotalFrames + 4))
    totalFrames_.push_back(at + kMainTotalFrames);
  for (const std::int64_t at : FindAll(header, "dmlh", kOdmlTotalFrames + 4))
    totalFrames_.push_back(at + kOdmlTotalFrames);
  for (const std::int64_t at : FindAll(header, "strh", kStreamHeaderBytes)) lengths_.push_back(at + kStreamLength);
  const std::size_t movi = header.rfind("movi");
  movi_ = movi != std::string::npos && movi >= 8 && header.compare(movi - 8, 4, "LIST") == 0
              ? static_cast<std::int64_t>(movi)
              : -1;
  return !lengths_.empty();
}

bool AviHeaderPatch::Apply(const WriteAt& write, const std::vector<std::uint32_t>& lengths, std::uint32_t frames,
                           std::int64_t end) const {
  const auto put = [&](std::int64_t at, std::uint32_t value) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return write(at, bytes, sizeof bytes);
  };
  for (const std::int64_t at : totalFrames_)
    if (!put(at, frames)) return false;
  for (std::size_t i = 0; i < lengths_.size() && i < lengths.size(); ++i)
    if (!put(lengths_[i], lengths[i])) return false;
  // Without an index, readers take the packets of the movi list as far as its size says.
  if (movi_ > 0 && end > movi_ && end < kFirstRiffBytes)
    return put(kRiffSize, static_cast<std::uint32_t>(end - 8)) &&
           put(movi_ - 4, static_cast<std::uint32_t>(end - movi_));
  return true;
}

}  // namespace platform::filters
