// A second real process of a program, started with this test's environment (its HOME, XDG
// folders, registry and runtime folder), and waits for windows that any process shows.
#pragma once

#include <string>
#include <vector>

#include "platform/base/process.h"

namespace testkit {

class ProgramProcess {
 public:
  ProgramProcess() = default;
  // Kills the program when it still runs.
  ~ProgramProcess() = default;

  // `program` is a path, or a name found in the application folder or on the PATH.
  bool Start(const std::string& program, const std::vector<std::string>& args = {});
  bool Running() { return child_.IsRunning(); }
  // Waits (real time, at most timeoutMs) for the program to end; its exit code, or -1.
  int WaitForExit(DWORD timeoutMs);
  // Asks every dialog window titled `title` to close (WM_CLOSE) until the program ends, at most
  // timeoutMs of real time; its exit code, or -1.
  int CloseAndWait(const char* title, DWORD timeoutMs = 30000);
  // What the program wrote so far (stdout and stderr together).
  std::string Output();

 private:
  platform::ChildProcess child_;
  std::string output_;
};

// Waits (real time, at most timeoutMs, pumping this thread's queue meanwhile) for a top-level
// window of `className` and `title` (either may be null for any) in this or another process.
HWND WaitForWindow(const char* className, const char* title, DWORD timeoutMs = 10000);

}  // namespace testkit
