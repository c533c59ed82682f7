// Recordings a crash cut short: a journal beside the recordings names the one being written and
// goes when it ends well, so the next start finds what was left unfinished and makes it whole.
#pragma once

#include <string>
#include <vector>

namespace platform::filters {

class RecordingJournal {
 public:
  // The journal lives in `folder` (with or without a trailing "/").
  explicit RecordingJournal(const std::string& folder);
  // Notes the recording being written; false when the note cannot be written.
  bool Begin(const std::string& recording) const;
  // Notes every file of the recording (a recording split into parts names each as it comes).
  bool Begin(const std::vector<std::string>& files) const;
  // The recording ended well.
  void End() const;
  // The first file of the recording a crash left unfinished; empty when there is none.
  std::string Unfinished() const;
  // Every file it named.
  std::vector<std::string> UnfinishedFiles() const;

 private:
  std::string path_;
};

// Finishes the header of an ASF (.wma, .wmv) or AVI recording from what the file holds. A copy
// stays beside the file until the header is written; false when the file is not one of those
// or cannot be repaired (it is then left as it was).
bool RepairRecording(const std::string& file);

// A recording a crash left in a folder, once its files were repaired where they could be.
struct RecoveredRecording {
  std::string message;             // what the user is told; empty when nothing was left
  std::vector<std::string> files;  // the files of it that are there, in the order written
};

// What the start of a recorder finds of a recording a crash left in `folder`: its files are
// repaired and the journal goes, nothing is deleted.
RecoveredRecording RecoverUnfinishedRecordings(const std::string& folder);
// Its message alone.
std::string RecoverUnfinishedRecording(const std::string& folder);

}  // namespace platform::filters
