// Well-known folders. Every result is an absolute path ending in "/".
#pragma once

#include <string>

namespace platform {

// VIDARRO_APP_DIR when set, else the folder of the running executable.
std::string AppFolder();
// XDG_DOCUMENTS_DIR, else the user's user-dirs.dirs entry, else ~/Documents.
std::string DocumentsFolder();
// XDG_DATA_HOME, else ~/.local/share.
std::string LocalAppDataFolder();
// XDG_CONFIG_HOME, else ~/.config.
std::string ConfigFolder();
// A private folder of this user (mode 0700) under TMPDIR or /tmp; created when missing.
std::string TempFolder();
// XDG_RUNTIME_DIR, else a private sub-folder of TempFolder(); created when missing.
std::string RuntimeFolder();
// A real directory (not a link) of this user that nobody else may enter; no trailing "/" needed.
bool IsPrivateFolder(const std::string& path);
// HOME, else the password database entry.
std::string HomeFolder();

// Appends "/" unless the path already ends with one (an empty path stays empty).
std::string WithTrailingSlash(std::string path);
// "a/b/c.txt" -> "a/b/"; a path without "/" gives "".
std::string FolderOf(const std::string& path);
// "a/b/c.txt" -> "c.txt".
std::string FileNameOf(const std::string& path);

}  // namespace platform
