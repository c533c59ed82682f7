// Recordings a crash left in dated work folders: the elementary streams still there (a
// recording that ended, well or not, removes them or its whole folder). A folder a live wizard
// holds is a recording still running, never one left.
#pragma once

#include <string>
#include <vector>

namespace wizard {

struct LeftRecording {
  std::string folder;                // the dated work folder, with a trailing "/"
  std::vector<std::string> mpegs;    // the readable MPEG files: the recorder's parts, what was multiplexed
  std::vector<std::string> streams;  // the .mpv and .mpa files and their pieces
  std::string owner;                 // the dead holder's owner file, empty when there is none
};

// The work folders under `base` that still hold elementary streams and that no live process
// holds, in name order.
std::vector<LeftRecording> FindLeftRecordings(const std::string& base);
// The question put to the user about one: every file named, the MPEG files as kept.
std::string LeftRecordingQuestion(const LeftRecording& left);

}  // namespace wizard
