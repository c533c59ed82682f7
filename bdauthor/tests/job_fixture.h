// A work folder under the test's temporary folder with recorded clips and a job file, as the
// wizard leaves them before it calls the library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bdauthor/tests/test_clip.h"

namespace bdauthor::test {

class WorkFolder {
 public:
  explicit WorkFolder(const std::string& name);
  ~WorkFolder();

  const std::string& Path() const { return path_; }  // ends in "/"
  std::string ClipPath(int n) const;
  std::string ConfigPath() const { return configPath_; }

  // Writes clip n (and its companion when asked); returns what was muxed.
  MuxedClip AddClip(int n, const SyntheticVideo& video = SyntheticVideo{}, const MuxOptions& options = MuxOptions{},
                    bool companion = false);
  // The job file in the wizard's written form.
  void WriteJob(int inputCount, const std::vector<std::string>& chapterTimes, const std::string& version = "0.5");
  void WriteJobText(const std::string& text);

 private:
  std::string path_;
  std::string configPath_;
};

std::string TempRoot();
std::string JobText(const std::string& outputPath, int inputCount, const std::vector<std::string>& chapterTimes,
                    const std::string& version = "0.5");
bool Exists(const std::string& path);

}  // namespace bdauthor::test
