#include "platform/filters/asf_header_patch.h"

#include <array>
#include <cstring>

namespace platform::filters {
namespace {

// The objects' identifiers as stored (little-endian fields).
constexpr std::array<std::uint8_t, 16> kFileProperties = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                                          0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr std::array<std::uint8_t, 16> kDataObject = {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                                      0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr std::int64_t kDataObjectHeader = 50;
// Offsets within the File Properties Object.
constexpr std::int64_t kPacketCount = 56, kPlayDuration = 64, kSendDuration = 72, kPreroll = 80, kMinPacket = 92;
// Offsets within the Data Object.
constexpr std::int64_t kDataSize = 16, kDataPackets = 40;

std::int64_t Find(const std::string& bytes, const std::array<std::uint8_t, 16>& guid) {
  const auto at = bytes.find(std::string(reinterpret_cast<const char*>(guid.data()), guid.size()));
  return at == std::string::npos ? -1 : static_cast<std::int64_t>(at);
}

std::uint64_t ReadLe(const std::string& bytes, std::int64_t at, int size) {
  std::uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

bool WriteLe(File& file, std::int64_t at, std::uint64_t value) {
  std::uint8_t bytes[8];
  for (std::uint8_t& b : bytes) {
    b = static_cast<std::uint8_t>(value);
    value >>= 8;
  }
  return file.Seek(at, SeekFrom::Begin) && file.Write(bytes, sizeof bytes);
}

}  // namespace

bool AsfHeaderPatch::Locate(const std::string& header) {
  properties_ = Find(header, kFileProperties);
  data_ = Find(header, kDataObject);
  if (properties_ < 0 || data_ < 0 || properties_ + 104 > static_cast<std::int64_t>(header.size()) ||
      data_ + kDataObjectHeader > static_cast<std::int64_t>(header.size()))
    return false;
  packetSize_ = static_cast<std::uint32_t>(ReadLe(header, properties_ + kMinPacket, 4));
  preroll_ = ReadLe(header, properties_ + kPreroll, 8);
  return packetSize_ > 0;
}

std::int64_t AsfHeaderPatch::WholePackets(std::int64_t end) const {
  const std::int64_t first = data_ + kDataObjectHeader;
  if (packetSize_ == 0 || end <= first) return first;
  return first + (end - first) / packetSize_ * packetSize_;
}

bool AsfHeaderPatch::Apply(File& file, std::int64_t end, std::int64_t duration) const {
  if (packetSize_ == 0) return false;
  const std::int64_t whole = WholePackets(end);
  const auto packets = static_cast<std::uint64_t>((whole - data_ - kDataObjectHeader) / packetSize_);
  const auto played = static_cast<std::uint64_t>(duration > 0 ? duration : 0);
  // The file size stays 0 (unknown) while the file grows: readers distrust a play time whose
  // file size differs much from the file's.
  return WriteLe(file, properties_ + kPacketCount, packets) &&
         WriteLe(file, properties_ + kPlayDuration, played + preroll_ * 10000) &&
         WriteLe(file, properties_ + kSendDuration, played) &&
         WriteLe(file, data_ + kDataSize, static_cast<std::uint64_t>(whole - data_)) &&
         WriteLe(file, data_ + kDataPackets, packets) && file.Seek(end, SeekFrom::Begin);
}

}  // namespace platform::filters
