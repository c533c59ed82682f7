// The clip reader (whole-block sequential reads) and the BDMV file write, which tells a file that
// cannot be created from one that cannot be written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bdauthor {

class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  explicit ReadOnlyFile(const std::string& path);
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  // Size in bytes, or -1 when it cannot be taken.
  std::int64_t Size() const;
  // Reads up to `bytes` at the current position; fewer only at the end of the file. -1 on a read error.
  std::int64_t Read(void* buffer, std::size_t bytes);
  bool SeekTo(std::int64_t offset);
  // Closes now; false when the system reports a failure.
  bool Close();

 private:
  int fd_ = -1;
};

enum class WriteResult { kOk, kCreateFailed, kWriteFailed };
// Creates or truncates the file and writes all bytes.
WriteResult WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
// WriteWholeFile that reports a failure as "failed to create <what>" or "failed to close <what>".
bool WriteReported(const std::string& path, const std::vector<std::uint8_t>& bytes, const std::string& what);

}  // namespace bdauthor
