// The clip reader (whole-block sequential reads) and the BDMV file write, which tells a file that
// cannot be created from one that cannot be written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/file.h"

namespace bdauthor {

// Regular files only: a FIFO or a device named as a clip or companion is not opened.
class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  explicit ReadOnlyFile(const std::string& path);

  bool IsOpen() const { return file_.IsOpen(); }
  // Size in bytes, or -1 when it cannot be taken.
  std::int64_t Size() const;
  // Reads up to `bytes` at the current position; fewer only at the end of the file. -1 on a read error.
  std::int64_t Read(void* buffer, std::size_t bytes);
  // Read, but only the bytes at hand in the page cache; fewer (down to 0) where the rest would
  // wait for the disk, and -1 where the system cannot tell without waiting.
  std::int64_t ReadCached(void* buffer, std::size_t bytes);
  bool SeekTo(std::int64_t offset);
  // The current position, or -1 when it cannot be taken.
  std::int64_t Position();
  int Descriptor() const { return file_.Descriptor(); }
  // Closes now; false when the system reports a failure.
  bool Close();

 private:
  platform::File file_;
};

enum class WriteResult { kOk, kCreateFailed, kWriteFailed };
// Replaces the file whole with the bytes (the old file stays when anything fails); a target
// that is not a regular file counts as one that cannot be created.
WriteResult WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
// WriteWholeFile that reports a failure as "failed to create <what>" or "failed to close <what>".
bool WriteReported(const std::string& path, const std::vector<std::uint8_t>& bytes, const std::string& what);

}  // namespace bdauthor
