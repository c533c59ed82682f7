#include "bdauthor/tests/job_fixture.h"

#include <cstdlib>
#include <filesystem>

namespace bdauthor::test {

std::string TempRoot() {
  const char* tmp = std::getenv("TMPDIR");
  std::string root = tmp && *tmp ? tmp : "/tmp";
  if (root.back() != '/') root += '/';
  return root;
}

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

WorkFolder::WorkFolder(const std::string& name) {
  path_ = TempRoot() + name + "/";
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_ + "BDMV/STREAM");
  configPath_ = TempRoot() + name + "-config.txt";
}

WorkFolder::~WorkFolder() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
  std::filesystem::remove(configPath_, ignored);
}

std::string WorkFolder::ClipPath(int n) const {
  char name[32];
  std::snprintf(name, sizeof name, "%05d.m2ts", n);
  return path_ + "BDMV/STREAM/" + name;
}

MuxedClip WorkFolder::AddClip(int n, const SyntheticVideo& video, const MuxOptions& options, bool companion) {
  MuxedClip clip = MuxClip(MakeMpeg2Stream(video), options);
  WriteBytes(ClipPath(n), clip.bytes);
  if (companion) WriteText(ClipPath(n) + ".ptsinfo", clip.Companion());
  return clip;
}

std::string JobText(const std::string& outputPath, int inputCount, const std::vector<std::string>& chapterTimes,
                    const std::string& version) {
  std::string text = "\r\n[TARNEL]\r\nVERSION=" + version + "\r\n";
  text += "\r\n[AUTHORINFO]\r\nINPUTCOUNT=" + std::to_string(inputCount) + "\r\nOUTPUTPATH=" + outputPath + "\r\n";
  for (std::size_t n = 0; n < chapterTimes.size(); ++n) {
    text += "\r\n[INPUT" + std::to_string(n) + "]\r\nCHAPTERTIME=" + chapterTimes[n] + "\r\n";
  }
  return text;
}

void WorkFolder::WriteJob(int inputCount, const std::vector<std::string>& chapterTimes, const std::string& version) {
  WriteJobText(JobText(path_, inputCount, chapterTimes, version));
}

void WorkFolder::WriteJobText(const std::string& text) { WriteText(configPath_, text); }

}  // namespace bdauthor::test
