#include "platform/dvd/elementary_reader.h"

#include <utility>

#include "platform/base/strings.h"

namespace platform::dvd {

ElementaryReader::ElementaryReader(std::string path, const std::atomic<bool>& ended)
    : path_(std::move(path)), ended_(ended) {}

std::string ElementaryReader::PartName(int index) const {
  return index == 0 ? path_ : path_ + platform::Format(".%d", index);
}

bool ElementaryReader::OpenCurrent() {
  if (opened_) return true;
  opened_ = file_.Open(PartName(part_), platform::FileMode::Read);
  return opened_;
}

ElementaryReader::Result ElementaryReader::Read(std::uint8_t* out, std::size_t size, std::size_t* got) {
  *got = 0;
  // Read the flag before the file: bytes written before the flag was set are then all seen.
  const bool ended = ended_.load();
  if (!OpenCurrent()) return ended ? (total_ == 0 && part_ == 0 ? Result::Failed : Result::End) : Result::Waiting;
  std::size_t n = 0;
  if (!file_.Read(out, size, &n)) return Result::Failed;
  if (n == 0 && platform::FileExists(PartName(part_ + 1))) {
    // The writer begins a part only once the one before is closed, but its last bytes may have
    // come after the read above: this part is drained only when a read after seeing the next
    // one finds nothing.
    if (!file_.Read(out, size, &n)) return Result::Failed;
    if (n == 0) {
      file_.Close();
      opened_ = false;
      ++part_;
      return Read(out, size, got);
    }
  }
  if (n > 0) {
    *got = n;
    total_ += static_cast<std::int64_t>(n);
    return Result::Data;
  }
  return ended ? Result::End : Result::Waiting;
}

}  // namespace platform::dvd
