// What a folder's file system offers a writer: free space and whether it holds files over
// 4 GiB. Both answers come from one installable source so tests can play a full disk or a FAT
// stick without one.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

enum class LargeFiles {
  Yes,
  No,       // FAT (vfat, msdos): a file ends at 4 GiB - 1
  Unknown,  // the file system could not be asked
};

// The largest file a FAT file system holds.
inline constexpr std::uint64_t kFatLargestFile = 0xFFFFFFFFull;

class FileSystemSource {
 public:
  virtual ~FileSystemSource() = default;
  // Bytes the caller may still write under folder; false when the query failed.
  virtual bool FreeBytes(const std::string& folder, std::uint64_t* bytes) = 0;
  virtual LargeFiles HoldsLargeFiles(const std::string& folder) = 0;
};

// The file system in use; never null. SetFileSystemSource(nullptr) puts the real one back and
// returns the previous source. The caller keeps an installed source alive while it is current.
FileSystemSource& CurrentFileSystem();
FileSystemSource* SetFileSystemSource(FileSystemSource* source);

// Shortcuts through the current source.
bool FolderFreeBytes(const std::string& folder, std::uint64_t* bytes);
LargeFiles FolderHoldsLargeFiles(const std::string& folder);

// A source with fixed answers, for tests.
class FixedFileSystem final : public FileSystemSource {
 public:
  FixedFileSystem(std::uint64_t freeBytes, LargeFiles largeFiles, bool queryFails = false)
      : freeBytes_(freeBytes), largeFiles_(largeFiles), queryFails_(queryFails) {}
  bool FreeBytes(const std::string&, std::uint64_t* bytes) override;
  LargeFiles HoldsLargeFiles(const std::string&) override { return largeFiles_; }
  void SetFreeBytes(std::uint64_t bytes) { freeBytes_ = bytes; }

 private:
  std::uint64_t freeBytes_;
  LargeFiles largeFiles_;
  bool queryFails_;
};

class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(FileSystemSource& source) : previous_(SetFileSystemSource(&source)) {}
  ~ScopedFileSystem() { SetFileSystemSource(previous_); }
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

 private:
  FileSystemSource* previous_;
};

}  // namespace platform
