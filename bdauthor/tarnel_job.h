// One authoring job: reads the job file, analyses every clip and writes the BDMV tree with its
// backups. One job runs at a time; its progress may be read from any thread meanwhile.
#pragma once

#include <string>
#include <vector>

#include "bdauthor/input_record.h"
#include "bdauthor/job_progress.h"

namespace bdauthor {

class TarnelJob {
 public:
  // Runs the job of the job file at configPath on the calling thread; false after reporting why
  // (a wrong version is refused without a message).
  bool Run(const std::string& configPath);

  const JobProgress& Progress() const { return progress_; }
  const std::vector<InputRecord>& Inputs() const { return inputs_; }

 private:
  bool ReadJob(const std::string& configPath);
  bool MeasureClips();
  bool AnalyseClips();
  bool WriteFiles();

  JobProgress progress_;
  std::string outputFolder_;
  std::vector<InputRecord> inputs_;
};

// Keeps chapter marks that fall inside [in, out), in time order, each once.
std::vector<std::int64_t> CleanChapterMarks(std::vector<std::int64_t> marks, std::int64_t in, std::int64_t out);

}  // namespace bdauthor
