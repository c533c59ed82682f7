// One root of the registry kept in a file that every process of the suite shares.
//
// Readers take the file as it is: a writer never changes it in place but writes a whole new
// copy beside it, syncs it and renames it over the old one, so a reader (or a process killed
// half-way through a write) only ever sees a whole old or a whole new file. Writers take an
// exclusive lock on a companion lock file and re-read the newest copy under it, so two
// processes never lose each other's changes. A copy in memory is re-read whenever the file
// on disk is not the one it was read from.
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/base/win_types.h"
#include "platform/registry/hive.h"

namespace platform::registry {

class HiveFile {
public:
    // base: the path without extension; the store uses base + ".reg", ".lock" and ".tmp".
    explicit HiveFile(std::string base);

    // Runs `read` on the newest tree. ERROR_REGISTRY_CORRUPT when the file cannot be understood.
    LONG Read(const std::function<LONG(const RegKeyNode&)>& read);
    // Runs `change` on the newest tree under the lock; when it answers ERROR_SUCCESS with
    // *changed set, the tree goes to disk before Write returns. A failed save leaves the file
    // as it was and the copy in memory is read again next time.
    LONG Write(const std::function<LONG(RegKeyNode&, bool* changed)>& change);

private:
    struct Stamp {
        bool exists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        long long mtimeNs = 0;
        bool operator==(const Stamp&) const = default;
    };

    LONG Refresh();
    LONG Save();

    std::string dataPath_;
    std::string lockPath_;
    std::string tempPath_;
    std::unique_ptr<RegKeyNode> root_;
    Stamp stamp_;
    bool loaded_ = false;
};

}  // namespace platform::registry
