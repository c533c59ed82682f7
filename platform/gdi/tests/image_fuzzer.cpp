// Any bytes given to the picture decoder: a bitmap or NULL, never a crash or a leak.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi/afx_gdi.h"
#include "platform/gdi/image_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HBITMAP b = platform::gdi::DecodeImage(data, size);
  if (b) DeleteObject(b);
  // The same bytes as region data.
  if (size >= sizeof(RGNDATAHEADER)) {
    std::vector<uint64_t> aligned((size + 7) / 8);
    std::memcpy(aligned.data(), data, size);
    HRGN r = ExtCreateRegion(nullptr, static_cast<DWORD>(size), reinterpret_cast<const RGNDATA*>(aligned.data()));
    if (r) DeleteObject(r);
  }
  return 0;
}
