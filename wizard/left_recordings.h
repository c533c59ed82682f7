// Recordings a crash left in dated work folders: the elementary streams still there (a
// recording that ended, well or not, removes them or its whole folder).
#pragma once

#include <string>
#include <vector>

namespace wizard {

struct LeftRecording {
  std::string folder;                // the dated work folder, with a trailing "/"
  std::string mpeg;                  // its multiplexed "1.mpg" when there is one, else empty
  std::vector<std::string> streams;  // the .mpv and .mpa files
};

// The work folders under `base` that still hold elementary streams, in name order.
std::vector<LeftRecording> FindLeftRecordings(const std::string& base);

}  // namespace wizard
