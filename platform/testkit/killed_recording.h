// Recordings killed with SIGKILL at chosen moments, and what outside readers make of the file
// left behind: a crash is when a user needs what was recorded most.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace testkit {

// Runs `record` in a child process and kills it once it has told at least `targetMs` through
// `tell` (the recording's clock so far; tell answers false when the parent has gone). Returns
// the last time told, -1 when the child ended on its own first.
int RecordUntilKilled(int targetMs, const std::function<void(const std::function<bool(int)>& tell)>& record);

struct CutFile {
  bool probed = false;
  double duration = 0;  // ffprobe's duration of the file
  double held = 0;      // the end of the last packet ffprobe finds
  int decodeExit = -1;  // ffmpeg decoding all but the last 2 s with -xerror
  std::string errors;   // what that decoding printed
};
CutFile ReadCutFile(const std::string& path);
// Whether outside readers time the file within 2 s of the packets it holds and decode all but its
// last 2 s without an error.
::testing::AssertionResult TimedAndDecoded(const std::string& path);

// Puts an ASF file's header back as a crash left it before the writer kept it up to date: no
// packets, no play time.
bool CutAsfHeader(const std::string& path);

// A seed from VIDARRO_SEED or at random, printed so a failure can be replayed.
unsigned KillSeed();

}  // namespace testkit
