#include "project_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>
#include <sys/stat.h>

#include "platform/base/file.h"
#include "platform/base/key_file.h"
#include "platform/base/paths.h"
#include "platform/base/strings.h"
#include "platform/com/com_ptr.h"
#include "platform/registry/registry.h"
#include "widgets/reg_helpers.h"

namespace studio {
namespace {

constexpr int kCaptureStateCount = 9;

bool IsFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void MakeFolder(const std::string& path) { ::mkdir(path.c_str(), 0777); }

std::vector<int> SplitNumbers(std::string text) {
  std::vector<int> numbers;
  std::string token;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    token = text.substr(0, comma);
    numbers.push_back(std::atoi(token.c_str()));
    if (comma == std::string::npos) break;
    text.erase(0, comma + 1);
  }
  return numbers;
}

// A path the key file cannot carry as it is (CR and LF end its line) is written coded, under a
// key of its own, as the editor pack codes its clips; plain paths stay byte for byte.
// A folder's path, under its key or, when it holds a line break, coded under "Coded" + the key.
bool GetPath(ProjectKeyFile& file, const char* section, const std::string& key, std::string& path) {
  if (file.GetValue(section, key, path)) return true;
  if (!file.GetValue(section, "Coded" + key, path)) return false;
  path = platform::DecodeLineBreaks(path);
  return true;
}

void AddPath(ProjectKeyFile& file, const char* section, const std::string& key, const std::string& path) {
  if (platform::HasLineBreak(path)) file.AddValue(section, "Coded" + key, platform::EncodeLineBreaks(path));
  else file.AddValue(section, key, path);
}

void ReadCaptureGroup(StudioModel& model, ProjectKeyFile& file) {
  AppSettings& s = model.settings;
  file.SelectGroup("Capture");
  std::string value;
  if (file.GetValue("MainDlg", "Page", value)) s.currentPage = std::atoi(value.c_str());
  if (file.GetValue("WmvInfo", "Title", value)) s.wmvTitle = value;
  if (file.GetValue("WmvInfo", "Author", value)) s.wmvAuthor = value;
  if (file.GetValue("WmvInfo", "Copyright", value)) s.wmvCopyright = value;
  if (file.GetValue("WmvInfo", "Description", value)) s.wmvDescription = value;
  if (GetPath(file, "CaptureInfo", "OutputFolder", value) && IsFolder(value))
    model.folders.output = platform::WithTrailingSlash(value);  // recordings go inside, never beside it
  if (file.GetValue("CaptureInfo", "State", value)) {
    const std::vector<int> n = SplitNumbers(value);
    int* fields[kCaptureStateCount] = {&s.videoDeviceIndex, &s.audioDeviceIndex, &s.videoInput,
                                       &s.reserved,         &s.discCapacity,     &s.recordFormat,
                                       &s.tvSystemIndex,    &s.quality,          &s.recordAndBurn};
    for (size_t i = 0; i < n.size() && i < kCaptureStateCount; ++i) *fields[i] = n[i];
  }
  // Device indices depend on the machine; the project names none.
  s.videoDeviceIndex = 0;
  s.audioDeviceIndex = 0;
  if (file.GetValue("BurnInfo", "State", value)) {
    const std::vector<int> n = SplitNumbers(value);
    for (size_t i = 0; i < n.size() && i < s.burnState.size(); ++i) s.burnState[i] = n[i];
  }
  if (GetPath(file, "BurnInfo", "TempFolder", value)) s.burnTempFolder = value;
  if (GetPath(file, "BurnInfo", "VideoTSFolder", value)) s.videoTsFolder = value;
  if (GetPath(file, "BurnInfo", "ImageFolder", value)) s.imageFolder = value;

  std::string key;
  for (int i = 0; file.GetEntry("FileList", i, key, value); ++i) {
    const bool coded = platform::EqualsNoCase(key, kCodedFileKey);
    if (!coded && !platform::EqualsNoCase(key, "File")) continue;
    ProjectFileEntry entry = ParseFileEntry(value);
    if (coded) entry.path = platform::DecodeLineBreaks(entry.path);
    if (entry.kind == kClipProjectTitle) model.clips.AddProjectTitleItem(0, TitlePlayTimeMs(entry), entry.path);
    else model.AddClip(entry.path, FALSE);
  }
}

// Hands the current group to a pack for one load or save call.
void HandToPack(IPack* pack, ProjectKeyFile& file, bool save) {
  auto document = platform::com::MakeComObject<CProjectDocument>(&file);
  if (save) pack->SaveProject(document.get());
  else pack->LoadProject(document.get());
}

// Where the program makes the projects' picture folders; empty when there is no local
// application data folder.
std::string PictureFoldersRoot() {
  const std::string local = platform::LocalAppDataFolder();
  return local.empty() ? std::string() : platform::WithTrailingSlash(local) + "Vidarro/Project/";
}

// Whether `folder` is one of the folders NewImageFolder makes: the project file may name any
// folder, and the picture's copy must never replace a file of the user's there.
bool IsOwnImageFolder(const std::string& folder) {
  const std::string root = PictureFoldersRoot();
  if (root.empty() || folder.empty()) return false;
  const std::string normal = platform::WithTrailingSlash(std::filesystem::path(folder).lexically_normal().string());
  if (normal.size() <= root.size() || !normal.starts_with(root)) return false;
  const std::string own = normal.substr(root.size());
  return own.find('/') == own.size() - 1 && own != "../" && own != "./";
}

// A fresh folder for this project's picture, made here so no other project or program shares
// it: two projects saved in the same second get folders of their own.
std::string NewImageFolder() {
  const std::string root = PictureFoldersRoot();
  if (root.empty()) return {};
  MakeFolder(root.substr(0, root.size() - std::string("Project/").size()));
  MakeFolder(root);
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%d%02d%02d%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                t.tm_min, t.tm_sec);
  for (int copy = 1; copy < 1000; ++copy) {
    const std::string folder = root + stamp + (copy == 1 ? std::string() : "-" + std::to_string(copy)) + "/";
    if (::mkdir(folder.c_str(), 0777) == 0) return folder;
    if (errno != EEXIST) return {};
  }
  return {};
}

std::string Numbers(std::initializer_list<int> values) {
  std::string text;
  for (int v : values) {
    if (!text.empty()) text += ',';
    text += std::to_string(v);
  }
  return text;
}

}  // namespace

ProjectFileEntry ParseFileEntry(const std::string& value) {
  ProjectFileEntry entry;
  const size_t last = value.rfind(',');
  const size_t middle = last == std::string::npos || last == 0 ? std::string::npos : value.rfind(',', last - 1);
  if (middle == std::string::npos) {
    // Not the written form: take the whole text as the path of a media file.
    entry.path = value;
    return entry;
  }
  entry.path = value.substr(0, middle);
  entry.kind = std::atoi(value.substr(middle + 1, last - middle - 1).c_str());
  const std::string number = platform::Trim(value.substr(last + 1));
  entry.number = std::atoi(number.c_str());
  entry.milliseconds = number.ends_with(kMillisecondsMark);
  return entry;
}

int TitlePlayTimeMs(const ProjectFileEntry& entry) {
  if (entry.milliseconds) return entry.number;
  constexpr int kLongest = std::numeric_limits<int>::max() / 1000;
  return std::clamp(entry.number, -kLongest, kLongest) * 1000;
}

int IsLegacyProject(const std::string& path) {
  if (path.empty()) return 0;
  ProjectKeyFile file;
  if (!file.Open(path, FALSE)) return 0;
  file.SelectGroup("ILJ2 PROJECT FILE");
  std::string version;
  const int legacy = file.GetValue("INFORMATION", "VERSION", version) && version == "2.0" ? kLegacyProjectVersion : 0;
  file.Close();
  return legacy;
}

BOOL ReadProject(StudioModel& model, const std::string& path, int pass) {
  ProjectKeyFile file;
  if (!path.empty()) {
    if (!file.Open(path, FALSE)) return FALSE;
  } else {
    file.InitEmpty();
  }
  if (pass == 0) {
    // The reload clears the record, the version with it: the packs still have to hear it.
    const int version = model.settings.projectFileVersion;
    model.ReloadSettings();
    model.settings.projectFileVersion = version;
    if (!path.empty()) ReadCaptureGroup(model, file);
  } else if (pass == 1) {
    if (model.editor) {
      file.SelectGroup("Editor");
      HandToPack(model.editor, file, false);
    }
  } else if (pass == 2) {
    if (model.burner) {
      model.SendTo(model.burner, "project open path=" + path);
      file.SelectGroup("Burner");
      HandToPack(model.burner, file, false);
    }
  }
  file.Close();
  return TRUE;
}

BOOL OpenProject(StudioModel& model, const std::string& path) {
  if (platform::EqualsNoCase(path, kUntitledProject)) return FALSE;
  // Seen before reading: a save finds out about a write that came while the passes ran.
  model.projectSeen = SeeProjectFile(path);
  model.settings.projectFileVersion = IsLegacyProject(path);
  if (!ReadProject(model, path, 0) || !ReadProject(model, path, 1)) {
    model.settings.projectFileVersion = 0;
    return FALSE;
  }
  const BOOL ok = ReadProject(model, path, 2);
  model.settings.projectFileVersion = 0;
  return ok;
}

BOOL WriteProject(StudioModel& model) {
  AppSettings& s = model.settings;
  // A new project file, or one whose image folder the program did not make (the file may name
  // any folder), gets a folder of its own.
  if (!IsFile(model.projectPath) || !IsOwnImageFolder(s.imageFolder)) {
    const std::string folder = NewImageFolder();
    if (!folder.empty()) s.imageFolder = folder;
  }
  s.imageFolder = platform::WithTrailingSlash(s.imageFolder);
  const bool ownFolder = IsOwnImageFolder(s.imageFolder);
  if (ownFolder) MakeFolder(s.imageFolder);

  ProjectKeyFile file;
  if (!file.Open(model.projectPath, TRUE)) return FALSE;
  file.SelectGroup("ILJ5 Project File");
  file.AddValue("Information", "Version", "3.0");
  file.SelectGroup("Capture");
  file.AddValue("MainDlg", "Page", std::to_string(s.currentPage));
  file.AddValue("WmvInfo", "Title", s.wmvTitle);
  file.AddValue("WmvInfo", "Author", s.wmvAuthor);
  file.AddValue("WmvInfo", "Copyright", s.wmvCopyright);
  file.AddValue("WmvInfo", "Description", s.wmvDescription);
  AddPath(file, "CaptureInfo", "OutputFolder", model.folders.output);
  file.AddValue("CaptureInfo", "State",
                Numbers({s.videoDeviceIndex, s.audioDeviceIndex, s.videoInput, s.reserved, s.discCapacity,
                         s.recordFormat, s.tvSystemIndex, s.quality, s.recordAndBurn}));
  const auto& b = s.burnState;
  file.AddValue("BurnInfo", "State", Numbers({b[0], b[1], b[2], b[3], b[4], b[5]}));
  AddPath(file, "BurnInfo", "TempFolder", s.burnTempFolder);
  AddPath(file, "BurnInfo", "VideoTSFolder", s.videoTsFolder);
  AddPath(file, "BurnInfo", "ImageFolder", s.imageFolder);
  for (const ClipItem& item : model.clips.Items()) {
    if (item.type == kClipProjectTitle) {
      // The copy goes only into the project's own folder; without one the title keeps its picture
      // where it is. Saving the project again finds its thumbnail already in place.
      std::string picture = item.path;
      if (ownFolder) {
        const std::string copy = s.imageFolder + "Project0.bmp";
        if (item.path != copy && IsFile(item.path) && platform::CopyFile(item.path, copy, false)) picture = copy;
        else if (item.path == copy) picture = copy;
      }
      file.AddValue("FileList", platform::HasLineBreak(picture) ? kCodedFileKey : "File",
                    (platform::HasLineBreak(picture) ? platform::EncodeLineBreaks(picture) : picture) + "," +
                        std::to_string(kClipProjectTitle) + "," + std::to_string(model.clips.ProjectTitlePlayTime()) +
                        kMillisecondsMark);
    } else if (platform::HasLineBreak(item.path)) {
      file.AddValue("FileList", kCodedFileKey,
                    platform::EncodeLineBreaks(item.path) + "," + std::to_string(item.type) + ",0");
    } else {
      file.AddValue("FileList", "File", item.path + "," + std::to_string(item.type) + ",0");
    }
  }
  if (model.editor) {
    file.SelectGroup("Editor");
    HandToPack(model.editor, file, true);
  }
  if (model.burner) {
    model.SendTo(model.burner, "project save path=" + model.projectPath);
    file.SelectGroup("Burner");
    HandToPack(model.burner, file, true);
  }
  if (!file.Close()) return FALSE;
  RegWriteString(HKEY_CURRENT_USER, kProductKey, "ProjectFile", model.projectPath.c_str());
  return TRUE;
}

SaveOutcome SaveProject(StudioModel& model, const std::string& path, bool overwriteChanged) {
  // Two copies saving at once each see the other's finished file, never a half-checked one.
  ProjectFolderLock lock(path);
  if (!overwriteChanged && ChangedSinceSeen(model.projectSeen, path)) return SaveOutcome::kChangedOnDisk;
  const std::string previous = model.projectPath;
  model.projectPath = path;
  if (!WriteProject(model)) {
    model.projectPath = previous;
    return SaveOutcome::kFailed;
  }
  model.projectSeen = SeeProjectFile(path);
  return SaveOutcome::kSaved;
}

BOOL SaveProjectTo(StudioModel& model, const std::string& path) {
  return SaveProject(model, path, true) == SaveOutcome::kSaved ? TRUE : FALSE;
}

void ResetProject(StudioModel& model) {
  model.SendTo(model.burner, "reset");
  model.settings.projectFileVersion = 0;
  ReadProject(model, std::string(), 1);
  model.ReloadSettings();
  model.projectPath = kUntitledProject;
  model.projectSeen = {};
  RegWriteString(HKEY_CURRENT_USER, kProductKey, "ProjectFile", model.projectPath.c_str());
}

std::string StartupProjectPath(const std::vector<std::string>& args) {
  if (!args.empty() && !args[0].empty()) return args[0];
  std::string path;
  if (ReadProductString(false, "ProjectFile", &path) && !path.empty()) return path;
  return kUntitledProject;
}

}  // namespace studio
