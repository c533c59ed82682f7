#include "left_recordings.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace wizard {
namespace {

// "YYYYMMDD_HHMM", with a "_N" counter when a minute had two.
bool IsWorkFolderName(const std::string& name) {
  if (name.size() < 13 || name[8] != '_') return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (i != 8 && name[i] != '_' && !std::isdigit(static_cast<unsigned char>(name[i]))) return false;
  return true;
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
    for (fs::directory_iterator file(it->path(), error); !error && file != end; file.increment(error)) {
      const std::string ext = file->path().extension().string();
      if (file->is_regular_file(error) && (ext == ".mpv" || ext == ".mpa"))
        left.streams.push_back(file->path().string());
    }
    error.clear();
    if (left.streams.empty()) continue;
    std::sort(left.streams.begin(), left.streams.end());
    if (fs::is_regular_file(left.folder + "1.mpg", error)) left.mpeg = left.folder + "1.mpg";
    found.push_back(std::move(left));
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.folder < b.folder; });
  return found;
}

}  // namespace wizard
