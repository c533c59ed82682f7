// Finding the sequence header code 00 00 01 B3 in picture data at memory speed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bdauthor {

// Whether the code lies wholly inside data[0, size).
bool ContainsSequenceHeaderCode(const std::uint8_t* data, std::size_t size);
// The same without the wide vector instructions, as on processors that lack them.
bool ContainsSequenceHeaderCodeNarrow(const std::uint8_t* data, std::size_t size);

}  // namespace bdauthor
