// The list file the main program hands the converter: media paths and its project line
// ("[Edit] file=\"name\";time=MS").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
