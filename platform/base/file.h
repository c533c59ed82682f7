// Files and folders. Failures come back as false results with the errno kept where useful;
// nothing throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

enum class FileMode {
  Read,       // existing file, read only
  ReadWrite,  // existing file, read and write
  Create,     // create or truncate, write only
  CreateNew,  // create; fails when the file exists
  Append,     // create when missing, every write goes to the end
};

enum class SeekFrom { Begin, Current, End };

// An open file that closes itself. Close() reports whether everything written reached the file.
class File {
 public:
  File() = default;
  File(const std::string& path, FileMode mode) { Open(path, mode); }
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Only regular files open: a FIFO, a device or a folder is refused (EINVAL, EISDIR) without
  // waiting for a peer to open its other end.
  bool Open(const std::string& path, FileMode mode);
  bool IsOpen() const { return fd_ >= 0; }
  // Reads up to `size` bytes; *got is 0 at the end of the file. False on a read error.
  bool Read(void* buffer, std::size_t size, std::size_t* got);
  // Reads exactly `size` bytes; false on an error or a short file.
  bool ReadExact(void* buffer, std::size_t size);
  // Writes all bytes; false on any error (a full disk included).
  bool Write(const void* data, std::size_t size);
  bool Write(const std::string& text) { return Write(text.data(), text.size()); }
  bool Seek(std::int64_t offset, SeekFrom from, std::int64_t* position = nullptr);
  std::int64_t Position() const;  // -1 on error
  std::int64_t Size() const;      // -1 on error
  bool Truncate(std::int64_t size);
  // Forces the data to the disk.
  bool Sync();
  // False when the close or any earlier write failed.
  bool Close();
  // errno of the last failure, 0 when none.
  int LastError() const { return error_; }
  int Descriptor() const { return fd_; }
  const std::string& Path() const { return path_; }

 private:
  bool Fail();
  int fd_ = -1;
  int error_ = 0;
  bool writeFailed_ = false;
  std::string path_;
};

bool FileExists(const std::string& path);    // a regular file (links followed)
bool FolderExists(const std::string& path);  // a directory (links followed)
// Creates the folder and its missing parents; true when it exists afterwards.
bool CreateFolders(const std::string& path);
// Copies contents and permission bits. The copy goes beside the target first and replaces it
// only when complete, so a failed copy never leaves a cut-off or damaged target.
bool CopyFile(const std::string& from, const std::string& to, bool failIfExists);
bool DeleteFile(const std::string& path);
// Renames, replacing the target; false across file systems.
bool MoveFile(const std::string& from, const std::string& to);
// Renames only while nothing has the target's name: false with errno EEXIST when something
// does. The exclusive rename where the file system has it, else a hard link, else (FAT) a last
// look before a plain rename.
bool MoveFileWithoutReplacing(const std::string& from, const std::string& to);
std::int64_t FileSize(const std::string& path);  // -1 when missing
// Whether the open file `fd` is still the one `path` names (a link there is not): a name removed
// and made again since, by another process, names another file.
bool IsFileNamed(int fd, const std::string& path);

bool ReadWholeFile(const std::string& path, std::string* contents);
// ReadWholeFile that refuses (EFBIG) a file longer than `limit` bytes, however long it grows
// while being read.
bool ReadWholeFileLimited(const std::string& path, std::size_t limit, std::string* contents);

// Replaces a file whole: the new contents go to a file beside the target, reach the disk and
// take the target's place in one rename, so readers (and a crash) see the old or the new file,
// never a part. A link is written through to the file it names; a target that is not a
// writable regular file (a FIFO, a device, a folder, a read-only file) is refused. A replacement
// neither committed nor abandoned is removed when it goes.
class FileReplacement {
 public:
  FileReplacement() = default;
  ~FileReplacement() { Abandon(); }
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Creates the file beside `path`. A new target gets `mode` (less the umask), an existing one
  // keeps its permission bits. False when it cannot be created there.
  bool Begin(const std::string& path, unsigned mode = 0666);
  bool IsOpen() const { return fd_ >= 0; }
  bool Write(const void* data, std::size_t size);
  bool Write(const std::string& text) { return Write(text.data(), text.size()); }
  // Syncs the new file and renames it over the target: false when any write, the sync or the
  // rename failed, and then the target is as it was.
  bool Commit();
  void Abandon();
  // The file replaced (links resolved).
  const std::string& Target() const { return target_; }

 private:
  int fd_ = -1;
  bool writeFailed_ = false;
  std::string target_;
  std::string tempPath_;
};

// One FileReplacement of the whole contents.
bool WriteWholeFileAtomic(const std::string& path, const std::string& contents, unsigned mode = 0666);

struct DiskSpace {
  std::uint64_t available = 0;  // to this user
  std::uint64_t total = 0;
  std::uint64_t free = 0;  // including what is reserved for the superuser
};
// Space of the file system holding `path`; a path that does not exist yet is answered for its
// nearest existing parent folder.
bool GetDiskSpace(const std::string& path, DiskSpace* space);
// Bytes available to this user, 0 when unknown.
std::uint64_t FreeSpace(const std::string& path);

// Moves a file or folder to the desktop trash ($XDG_DATA_HOME/Trash) with its .trashinfo
// record, so the user can restore it. False (and nothing moved) when it cannot.
bool MoveToTrash(const std::string& path);
// The trash folder in use, ending in "/" (holds files/ and info/).
std::string TrashFolder();

}  // namespace platform
