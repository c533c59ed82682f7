#include "convengine/ffmpeg_program.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <unistd.h>

#include "platform/base/paths.h"
#include "platform/base/process.h"

namespace mordax {

namespace {

bool Runnable(const std::string& path) { return !path.empty() && ::access(path.c_str(), X_OK) == 0; }

struct Catalog {
  bool known = false;
  std::set<std::string> names;
};

// " V....D libx264   libx264 H.264 ... (codec h264)": the encoder and the codec it makes.
Catalog ReadCatalog(const std::string& program) {
  Catalog catalog;
  std::string out;
  std::string err;
  int exitCode = -1;
  if (!platform::RunProcess(program, {"-hide_banner", "-encoders"}, &out, &err, &exitCode, 10000) || exitCode != 0)
    return catalog;
  std::istringstream lines(out);
  bool inList = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.find("------") != std::string::npos) {
      inList = true;
      continue;
    }
    std::istringstream fields(line);
    std::string flags;
    std::string name;
    if (!inList || !(fields >> flags >> name) || flags.size() != 6) continue;
    catalog.names.insert(name);
    const auto codec = line.find("(codec ");
    if (codec != std::string::npos) {
      const auto end = line.find(')', codec);
      if (end != std::string::npos) catalog.names.insert(line.substr(codec + 7, end - codec - 7));
    }
  }
  catalog.known = !catalog.names.empty();
  return catalog;
}

}  // namespace

std::string FindFFmpeg() {
  if (const char* over = std::getenv("VIDARRO_FFMPEG"); over && *over)
    return Runnable(over) ? std::string(over) : std::string();
  const std::string beside = platform::AppFolder() + "ffmpeg";
  if (Runnable(beside)) return beside;
  if (const char* path = std::getenv("PATH")) {
    std::istringstream folders(path);
    for (std::string folder; std::getline(folders, folder, ':');) {
      if (folder.empty()) continue;
      const std::string candidate = platform::WithTrailingSlash(folder) + "ffmpeg";
      if (Runnable(candidate)) return candidate;
    }
  }
  return {};
}

bool HasEncoder(const std::string& program, const std::string& encoder) {
  static std::mutex lock;
  static std::map<std::string, Catalog> catalogs;
  std::lock_guard<std::mutex> guard(lock);
  auto it = catalogs.find(program);
  if (it == catalogs.end()) it = catalogs.emplace(program, ReadCatalog(program)).first;
  return !it->second.known || it->second.names.count(encoder) != 0;
}

}  // namespace mordax
