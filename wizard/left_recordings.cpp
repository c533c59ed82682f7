#include "left_recordings.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "work_folder_owner.h"

namespace wizard {
namespace {

bool AllDigits(const std::string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// "YYYYMMDD_HHMM", with a "_N" counter when a minute had two.
bool IsWorkFolderName(const std::string& name) {
  if (name.size() < 13 || name[8] != '_') return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (i != 8 && name[i] != '_' && !std::isdigit(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

// "x.mpv", "x.mpa" and the pieces "x.mpv.N", "x.mpa.N" of a cut stream.
bool IsStream(const std::string& name) {
  for (const char* ext : {".mpv", ".mpa"}) {
    const std::size_t at = name.rfind(ext);
    if (at == std::string::npos || at == 0) continue;
    const std::string rest = name.substr(at + 4);
    if (rest.empty() || (rest[0] == '.' && AllDigits(rest.substr(1)))) return true;
  }
  return false;
}

// The recorder's program-stream parts ("x_N.mpg") and the multiplexer's "1.mpg", "1.mpgN".
bool IsMpeg(const std::string& name) {
  const std::size_t at = name.rfind(".mpg");
  if (at == std::string::npos || at == 0) return false;
  const std::string rest = name.substr(at + 4);
  return rest.empty() || AllDigits(rest);
}

// One path a line, quoted.
std::string Quoted(const std::vector<std::string>& paths) {
  std::string text;
  for (const std::string& path : paths) text += "\n  \"" + path + "\"";
  return text;
}

}  // namespace

std::vector<LeftRecording> FindLeftRecordings(const std::string& base) {
  namespace fs = std::filesystem;
  std::vector<LeftRecording> found;
  std::error_code error;
  for (fs::directory_iterator it(base, error), end; !error && it != end; it.increment(error)) {
    if (!it->is_directory(error) || !IsWorkFolderName(it->path().filename().string())) continue;
    LeftRecording left;
    left.folder = it->path().string() + "/";
    if (WorkFolderOwner::HeldElsewhere(left.folder)) continue;
    for (fs::directory_iterator file(it->path(), error); !error && file != end; file.increment(error)) {
      if (!file->is_regular_file(error)) continue;
      const std::string name = file->path().filename().string();
      if (IsStream(name)) left.streams.push_back(file->path().string());
      else if (IsMpeg(name)) left.mpegs.push_back(file->path().string());
    }
    error.clear();
    if (left.streams.empty()) continue;
    std::sort(left.streams.begin(), left.streams.end());
    std::sort(left.mpegs.begin(), left.mpegs.end());
    if (fs::is_regular_file(WorkFolderOwner::OwnerFile(left.folder), error))
      left.owner = WorkFolderOwner::OwnerFile(left.folder);
    found.push_back(std::move(left));
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.folder < b.folder; });
  return found;
}

std::string LeftRecordingQuestion(const LeftRecording& left) {
  std::string text = "A recording was cut short when Wendrel last ended, in \"" + left.folder + "\".";
  if (!left.mpegs.empty()) text += "\n\nThe recorded MPEG is kept:" + Quoted(left.mpegs);
  text += "\n\nIts intermediate files:" + Quoted(left.streams);
  return text + "\n\nRemove its intermediate files (.mpv, .mpa)?";
}

}  // namespace wizard
