#include "convengine/ffmpeg_program.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
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

// FFmpeg's list is some tens of kilobytes; a program that prints without end is not read further.
constexpr std::size_t kMaxListBytes = 1024 * 1024;
constexpr auto kListTimeout = std::chrono::seconds(10);

// The program's "-encoders" output; false when it failed, took too long or said too much.
bool ReadEncoderList(const std::string& program, std::string* out) {
  platform::ChildOptions options;
  options.ownSession = true;
  platform::ChildProcess child;
  if (!child.Start(program, {"-hide_banner", "-encoders"}, options)) return false;
  const auto deadline = std::chrono::steady_clock::now() + kListTimeout;
  std::string err;
  while (child.ReadOutput(out, &err, 100)) {
    err.clear();
    if (out->size() > kMaxListBytes || std::chrono::steady_clock::now() >= deadline) {
      child.Kill();
      child.Wait(0xFFFFFFFF);
      return false;
    }
  }
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  if (!child.Wait(static_cast<DWORD>(std::max<std::int64_t>(left.count(), 0)))) {
    child.Kill();
    child.Wait(0xFFFFFFFF);
    return false;
  }
  return child.ExitCode() == 0;
}

// " V....D libx264   libx264 H.264 ... (codec h264)": the encoder and the codec it makes.
Catalog ReadCatalog(const std::string& program) {
  Catalog catalog;
  std::string out;
  if (!ReadEncoderList(program, &out)) return catalog;
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
