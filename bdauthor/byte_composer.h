// A zero-filled big-endian byte image of one BDMV file, filled at fixed offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace bdauthor {

class ByteComposer {
 public:
  explicit ByteComposer(std::size_t size) : bytes_(size, 0) {}

  void Put8(std::size_t at, std::uint32_t v) { bytes_.at(at) = static_cast<std::uint8_t>(v); }
  void Put16(std::size_t at, std::uint32_t v) {
    Put8(at, v >> 8);
    Put8(at + 1, v);
  }
  void Put32(std::size_t at, std::uint32_t v) {
    Put16(at, v >> 16);
    Put16(at + 2, v);
  }
  void PutText(std::size_t at, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) Put8(at + i, static_cast<unsigned char>(text[i]));
  }
  // Appends zeros; returns the offset of the first.
  std::size_t Grow(std::size_t bytes) {
    std::size_t at = bytes_.size();
    bytes_.resize(at + bytes, 0);
    return at;
  }

  std::size_t Size() const { return bytes_.size(); }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace bdauthor
