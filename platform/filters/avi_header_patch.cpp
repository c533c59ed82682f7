#include "platform/filters/avi_header_patch.h"

namespace platform::filters {
namespace {

// Offsets of the fields from the start of their chunk's identifier.
constexpr std::int64_t kMainTotalFrames = 8 + 16;  // avih dwTotalFrames
constexpr std::int64_t kOdmlTotalFrames = 8;       // dmlh dwTotalFrames
constexpr std::int64_t kStreamLength = 8 + 32;     // strh dwLength
constexpr std::int64_t kStreamHeaderBytes = 8 + 36;

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
  return !lengths_.empty();
}

bool AviHeaderPatch::Apply(const WriteAt& write, const std::vector<std::uint32_t>& lengths,
                           std::uint32_t frames) const {
  const auto put = [&](std::int64_t at, std::uint32_t value) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return write(at, bytes, sizeof bytes);
  };
  for (const std::int64_t at : totalFrames_)
    if (!put(at, frames)) return false;
  for (std::size_t i = 0; i < lengths_.size() && i < lengths.size(); ++i)
    if (!put(lengths_[i], lengths[i])) return false;
  return true;
}

}  // namespace platform::filters
