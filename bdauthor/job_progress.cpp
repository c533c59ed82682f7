#include "bdauthor/job_progress.h"

namespace bdauthor {

std::int32_t JobProgress::Percent() const {
  switch (static_cast<JobState>(state_.load())) {
    case JobState::kStarting: return 0;
    case JobState::kAnalysing: {
      const std::int64_t toScan = toScan_.load();
      const std::int64_t scanned = scanned_.load();
      if (toScan <= 0) return 99;
      const std::int64_t percent = scanned * 100 / toScan;
      if (percent >= 100) return 99;
      return percent < 0 ? 0 : static_cast<std::int32_t>(percent);
    }
    case JobState::kWriting: return 99;
    case JobState::kDone: return 100;
  }
  return 0;
}

}  // namespace bdauthor
