// The list file the main program hands the converter: media paths and its project line
// ("[Edit] file=\"name\";time=MS"). A path the list cannot carry as one line (CR or LF in it)
// is written "[Coded] " and the path with '%', CR and LF as %XX; every other path is its own
// line, byte for byte. The writer's half is inline: the main program writes the list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/strings.h"

inline constexpr const char* kCodedLinePrefix = "[Coded] ";

// The list's line (without its LF) for a media file.
inline std::string ListLineOfPath(const std::string& path) {
  if (!platform::HasLineBreak(path) && path.rfind(kCodedLinePrefix, 0) != 0) return path;
  return kCodedLinePrefix + platform::EncodeLineBreaks(path);
}

// The media file's path of a list line.
std::string PathOfListLine(const std::string& line);

struct ProjectEntry {
  std::string name;
  std::int64_t time = 0;  // milliseconds, as the main program writes the edited video's play time
};

// True for a project line, with its name and play time.
bool ParseProjectLine(const std::string& line, ProjectEntry* entry);

struct ListFile {
  std::vector<ProjectEntry> projects;
  std::vector<std::string> paths;
};

// Reads the list; false when it cannot be read: missing, a link, not a regular file of this
// user, or larger than any list the main program writes.
bool ReadListFile(const std::string& path, ListFile* list);
