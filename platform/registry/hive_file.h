// One root of the registry kept in a file that every process of the suite shares.
//
// Readers take the file as it is: a writer never changes it in place but writes a whole new
// copy beside it, syncs it and renames it over the old one, so a reader (or a process killed
// half-way through a write) only ever sees a whole old or a whole new file. Writers take an
// exclusive lock on a companion lock file and re-read the newest copy under it, so two
// processes never lose each other's changes. Every save gets a new random version in the
// file's first line; a copy in memory is re-read whenever that line is not the one it was read
// with (file times and inode numbers are too coarse to tell quick saves apart).
//
// Each save keeps the file it replaces as the previous good copy (".bak"). A file damaged from
// outside (cut off, overwritten) is read from that copy instead, with a line on stderr; the
// next save writes a whole file again and keeps the damaged one aside as ".damaged". A damaged
// file with no good copy is renamed to "<root>.damaged-<time>.reg" and the store starts empty.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/win_types.h"
#include "platform/registry/hive.h"

struct stat;

namespace platform::registry {

// The paths damaged hives were moved aside to since the last call, for the program to tell
// the user once.
std::vector<std::string> TakeDamagedHiveNotices();

class HiveFile {
 public:
  // base: the path without extension; the store uses base + ".reg", ".lock", ".bak" and
  // ".damaged".
  explicit HiveFile(std::string base);

  // Runs `read` on the newest tree. ERROR_REGISTRY_CORRUPT when the file cannot be understood.
  LONG Read(const std::function<LONG(const RegKeyNode&)>& read);
  // Runs `change` on the newest tree under the lock; when it answers ERROR_SUCCESS with
  // *changed set, the tree goes to disk before Write returns. A failed save leaves the file
  // as it was and the copy in memory is read again next time.
  LONG Write(const std::function<LONG(RegKeyNode&, bool* changed)>& change);

 private:
  // locked: the caller holds the writers' lock.
  LONG Refresh(bool locked);
  bool MoveDamagedAside(const struct stat& damaged, bool locked);
  LONG Save();
  // The tree of the previous good copy, or nullptr when there is none that parses.
  std::unique_ptr<RegKeyNode> ReadPrevious() const;
  void KeepAside(const std::string& as) const;

  std::string dataPath_;
  std::string lockPath_;
  std::string previousPath_;
  std::string damagedPath_;
  std::unique_ptr<RegKeyNode> root_;
  std::string firstLine_;  // of the file the copy was read from; empty when there was none
  bool loaded_ = false;
  bool damaged_ = false;  // the file does not parse and the copy came from the previous one
};

}  // namespace platform::registry
