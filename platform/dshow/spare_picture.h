// A picture buffer kept from one filter to the next of its kind: the decoder's output, the
// grabber's held picture, the colour converter's. The clip list builds a graph for every clip; a
// full-size picture's buffer taken afresh each time cost its pages, which the system clears, and
// a clearing of our own. One buffer a kind is kept, of a picture's size at the most.
#pragma once

#include <cstdint>
#include <vector>

namespace platform::dshow {

enum class SparePicture { kDecoded, kHeld, kConverted };

// The kept buffer of that kind (its size as it was given), or an empty one.
std::vector<std::uint8_t> TakeSparePicture(SparePicture kind);
// Keeps the buffer for the next filter of the kind, unless it is larger than any picture's.
void KeepSparePicture(SparePicture kind, std::vector<std::uint8_t>&& buffer);

}  // namespace platform::dshow
