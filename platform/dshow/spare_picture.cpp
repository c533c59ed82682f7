#include "platform/dshow/spare_picture.h"

#include <mutex>

namespace platform::dshow {
namespace {

// A 1920 x 1080 picture of four bytes a pixel, with room to spare.
constexpr std::size_t kLargestKept = 16u << 20;

std::mutex gMutex;
std::vector<std::uint8_t> gSpares[3];

}  // namespace

std::vector<std::uint8_t> TakeSparePicture(SparePicture kind) {
  std::lock_guard lock(gMutex);
  return std::move(gSpares[static_cast<int>(kind)]);
}

void KeepSparePicture(SparePicture kind, std::vector<std::uint8_t>&& buffer) {
  if (buffer.capacity() == 0 || buffer.capacity() > kLargestKept) return;
  std::lock_guard lock(gMutex);
  gSpares[static_cast<int>(kind)] = std::move(buffer);
}

}  // namespace platform::dshow
