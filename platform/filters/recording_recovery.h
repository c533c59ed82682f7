// Recordings a crash cut short: a journal beside the recordings names the one being written and
// goes when it ends well, so the next start finds what was left unfinished and makes it whole.
#pragma once

#include <string>

namespace platform::filters {

class RecordingJournal {
 public:
  // The journal lives in `folder` (with or without a trailing "/").
  explicit RecordingJournal(const std::string& folder);
  // Notes the recording being written; false when the note cannot be written.
  bool Begin(const std::string& recording) const;
  // The recording ended well.
  void End() const;
  // The recording a crash left unfinished; empty when there is none.
  std::string Unfinished() const;

 private:
  std::string path_;
};

// Finishes the header of an ASF (.wma, .wmv) or AVI recording from what the file holds. A copy
// stays beside the file until the header is written; false when the file is not one of those
// or cannot be repaired (it is then left as it was).
bool RepairRecording(const std::string& file);

// What the start of a recorder tells the user about a recording a crash left in `folder`: empty
// when there is none; the recording is repaired and the journal goes, nothing is deleted.
std::string RecoverUnfinishedRecording(const std::string& folder);

}  // namespace platform::filters
