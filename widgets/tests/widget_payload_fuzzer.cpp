// Owner-link payloads and mask pictures from arbitrary bytes: never a crash, never a read
// outside the input.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "widgets/mask_region.h"
#include "widgets/owner_link.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)DecodeOwnerLinkRecord(data, size);
  (void)DecodeOwnerLinkFiles(data, size);
  if (size >= 4) {
    const int width = data[0] % 64 + 1;
    const std::size_t pitch = static_cast<std::size_t>(width) * 4 + data[1] % 8;
    const int height = static_cast<int>((size - 4) / pitch);
    const COLORREF key = RGB(data[2], data[3], data[2] ^ data[3]);
    std::size_t rects = 0;
    CollectMaskRuns(data + 4, width, height, pitch, key, RGB(data[1], 0, 0),
                    [&](const std::vector<RECT>& batch) { rects += batch.size(); });
  }
  return 0;
}
