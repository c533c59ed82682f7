// Runs a tool that reads one file on stdin and writes another on stdout (spumux works so), with
// an argument vector, never a shell; a cancel flag ends it and what it started: asked first
// (SIGTERM), killed a second later when it has not ended.
#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace platform::disc {

// True when the tool ran to its end with status 0 and `output` is written; otherwise `output` is
// removed and *errors holds what the tool said on stderr (or why it could not start).
bool RunFileFilter(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                   const std::string& output, const std::atomic<bool>& cancel, std::string* errors);

}  // namespace platform::disc
