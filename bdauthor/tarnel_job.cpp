#include "bdauthor/tarnel_job.h"

#include <algorithm>
#include <limits>

#include "bdauthor/bdmv_paths.h"
#include "bdauthor/bdmv_tree.h"
#include "bdauthor/clip_analysis.h"
#include "bdauthor/clip_info_file.h"
#include "bdauthor/error_report.h"
#include "bdauthor/file_io.h"
#include "bdauthor/index_file.h"
#include "bdauthor/job_file.h"
#include "bdauthor/movie_object_file.h"
#include "bdauthor/playlist_file.h"
#include "platform/base/file.h"
#include "platform/base/strings.h"

namespace bdauthor {

std::vector<std::int64_t> CleanChapterMarks(std::vector<std::int64_t> marks, std::int64_t in, std::int64_t out) {
  std::erase_if(marks, [&](std::int64_t mark) { return mark < in || mark >= out; });
  std::sort(marks.begin(), marks.end());
  marks.erase(std::unique(marks.begin(), marks.end()), marks.end());
  return marks;
}

bool TarnelJob::Run(const std::string& configPath) {
  progress_.Reset();
  if (!ReadJob(configPath) || !MeasureClips() || !AnalyseClips() || !WriteFiles()) return false;
  // The companions are worth keeping until the job has succeeded: a retry needs them.
  for (int n = 0; n < static_cast<int>(inputs_.size()); ++n) {
    if (inputs_[n].hasCompanion) platform::DeleteFile(CompanionPath(ClipStreamPath(outputFolder_, n)));
  }
  progress_.SetState(JobState::kDone);
  return true;
}

bool TarnelJob::ReadJob(const std::string& configPath) {
  outputFolder_.clear();
  inputs_.clear();
  JobDescription job;
  if (!LoadJobFile(configPath, kMaxMovieObjectTitles, job)) {
    ReportError("Failed to open config file.\n\n" + configPath);
    return false;
  }
  if (!platform::EqualsNoCase(job.version, kJobVersion)) return false;
  // Without an output folder every path would land in the current folder of the caller.
  if (job.outputPath.empty()) {
    ReportError("No output folder in config file.\n\n" + configPath);
    return false;
  }
  // Refused before any clip is read: the movie objects address at most this many titles.
  if (job.inputCount > kMaxMovieObjectTitles) {
    ReportError(platform::Format("Too many inputs in config file: %lld (at most %d).\n\n%s",
                                 static_cast<long long>(job.inputCount), kMaxMovieObjectTitles, configPath.c_str()));
    return false;
  }
  outputFolder_ = WithTrailingSlash(job.outputPath);
  for (const std::string& times : job.chapterTimes) {
    InputRecord record;
    record.chapterMarks = ParseChapterTimes(times);
    inputs_.push_back(std::move(record));
  }
  return true;
}

bool TarnelJob::MeasureClips() {
  for (int n = 0; n < static_cast<int>(inputs_.size()); ++n) {
    const std::string clipPath = ClipStreamPath(outputFolder_, n);
    ReadOnlyFile clip(clipPath);
    const std::int64_t size = clip.IsOpen() ? clip.Size() : -1;
    if (size < 0) {
      ReportError("Failed to open m2ts.\n\n" + clipPath);
      return false;
    }
    // Source packet numbers are 32-bit in the clip information file.
    if (size / kSourcePacketSize > std::numeric_limits<std::int32_t>::max()) {
      ReportError("m2ts is too large.\n\n" + clipPath);
      return false;
    }
    if (!platform::FileExists(CompanionPath(clipPath))) progress_.AddToScan(size);
    inputs_[n].packetCount = static_cast<std::int32_t>(size / kSourcePacketSize);
    if (!clip.Close()) {
      ReportError("Failed to close m2ts.\n\n" + clipPath);
      return false;
    }
  }
  return true;
}

bool TarnelJob::AnalyseClips() {
  progress_.SetState(JobState::kAnalysing);
  for (int n = 0; n < static_cast<int>(inputs_.size()); ++n) {
    InputRecord& record = inputs_[n];
    if (!AnalyzeClipStream(ClipStreamPath(outputFolder_, n), record, progress_)) return false;
    for (std::int64_t& mark : record.chapterMarks) mark += record.firstPts;
    record.chapterMarks = CleanChapterMarks(std::move(record.chapterMarks), record.firstPts, record.lastPts);
  }
  return true;
}

bool TarnelJob::WriteFiles() {
  progress_.SetState(JobState::kWriting);
  CreateBdmvFolders(outputFolder_);
  const int count = static_cast<int>(inputs_.size());
  if (!CreateIndexBDMV(outputFolder_, count) || !CreateMovieObjectBDMV(outputFolder_, count)) return false;
  for (int n = 0; n < count; ++n) {
    if (!CreateMPLS(outputFolder_, inputs_[n], n)) return false;
  }
  for (int n = 0; n < count; ++n) {
    if (!CreateCLPI(outputFolder_, inputs_[n], n)) return false;
  }
  std::vector<std::string> files = {IndexPath(outputFolder_), MovieObjectPath(outputFolder_)};
  for (int n = 0; n < count; ++n) {
    files.push_back(ClipInfoPath(outputFolder_, n));
    files.push_back(PlaylistPath(outputFolder_, n));
  }
  return CopyToBackup(outputFolder_, files);
}

}  // namespace bdauthor
