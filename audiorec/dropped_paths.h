// What the recordings lists take from a drop of files: each path (a shortcut resolved to its
// target first) that is a folder or a regular file the list accepts.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/ole/drop_files.h"

namespace auvry {

inline constexpr int kAcceptFiles = 1;
inline constexpr int kAcceptFolders = 2;
inline constexpr int kDroppedFolder = 16;
inline constexpr int kDroppedFile = 32;
inline constexpr size_t kMaxDroppedPath = 260;

// The target of a shortcut: a symbolic link's, or the file:// URL of a ".desktop" entry of type
// Link (percent escapes decoded). Anything else, or a shortcut that names nothing, is itself.
std::string ResolveShortcut(const std::string& path);

struct DroppedPath {
  std::string path;
  int kind = kDroppedFile;
  bool operator==(const DroppedPath&) const = default;
};
// The accepted paths of the list, in drop order; paths longer than 260 characters, missing or
// of a kind the list does not take are left out.
std::vector<DroppedPath> AcceptedDrops(const std::vector<std::string>& dropped, int accepts);

// Whether the first pattern list of an open-file filter ("Audio files|*.wma;*.wav|All|*.*||")
// takes the path, by its extension and without regard to case.
bool MatchesAddFilter(const std::string& filter, const std::string& path);

// WM_DROPFILES of a list: hands every accepted path to add, then frees the list.
void TakeDroppedFiles(HDROP drop, int accepts, const std::function<void(const std::string& path, int kind)>& add);

}  // namespace auvry
