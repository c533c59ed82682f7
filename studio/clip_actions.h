// What the clip list does to the files behind its items: the trash, renaming in place.
#pragma once

#include <string>

#include "platform/base/win_types.h"

namespace studio {

// Sends the file to the trash without questions; FALSE when it is still where it was.
BOOL RecycleFile(const std::string& path);

// The path a clip takes when the user types `text` as its new label, its name in *name; empty
// when the text is refused (empty, "." or "..", separators or control characters). A text
// that already ends in the old extension keeps it once.
std::string RenamedClipPath(const std::string& oldPath, const std::string& text, std::string* name);

// Renames on disk; FALSE when a file of the new name exists or the rename fails.
BOOL RenameFile(const std::string& oldPath, const std::string& newPath);

}  // namespace studio
