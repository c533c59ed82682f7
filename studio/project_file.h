// The project file (.ilj5, older .ilj2): capture choices, WMV texts, burn folders, the clip list
// and one group each that the packs read and write themselves.
#pragma once

#include <string>
#include <vector>

#include "studio_model.h"

namespace studio {

constexpr int kLegacyProjectVersion = 4;

// 4 for an .ilj2 project, else 0 (also for an empty path or a file that cannot be read).
int IsLegacyProject(const std::string& path);
// One pass: 0 settings and clips, 1 the editor's group, 2 the burner's. FALSE only when a
// non-empty path cannot be read as a key file.
BOOL ReadProject(StudioModel& model, const std::string& path, int pass);
// The legacy test and the three passes; "Untitle" opens nothing.
BOOL OpenProject(StudioModel& model, const std::string& path);
// Writes to the model's project path; FALSE when the file cannot be written.
BOOL WriteProject(StudioModel& model);
enum class SaveOutcome { kSaved, kFailed, kChangedOnDisk };
// Makes `path` the project path and writes it; on failure the old path stays. When `path` is the
// project's own file and someone else wrote it since it was opened or saved here, nothing is
// written unless `overwriteChanged`: the user is asked first.
SaveOutcome SaveProject(StudioModel& model, const std::string& path, bool overwriteChanged);
// SaveProject over whatever is there; TRUE when written.
BOOL SaveProjectTo(StudioModel& model, const std::string& path);
// The pack and settings part of New: the burner reset, an empty editor group, the registry's
// settings, an untitled project.
void ResetProject(StudioModel& model);
// The first argument, else the registry's last project, else "Untitle".
std::string StartupProjectPath(const std::vector<std::string>& args);

// "path,kind,number": kind and number are the last two fields, so a path may hold commas. The
// title's number is its play time, written in milliseconds with the mark "ms" beside it; a number
// without the mark was written by an earlier build in seconds.
struct ProjectFileEntry {
  std::string path;
  int kind = 0;
  int number = 0;
  bool milliseconds = false;  // the number carried the "ms" mark
};
constexpr const char* kMillisecondsMark = "ms";
// The key of a clip whose path holds a line break: the same value with '%', CR and LF as %XX.
// Earlier builds skip it; a plain path keeps the key "File".
constexpr const char* kCodedFileKey = "CodedFile";
ProjectFileEntry ParseFileEntry(const std::string& value);
// The title's play time in milliseconds, whichever unit the entry was written in.
int TitlePlayTimeMs(const ProjectFileEntry& entry);

}  // namespace studio
