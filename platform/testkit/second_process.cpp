#include "platform/testkit/second_process.h"

#include <stdlib.h>

#include <chrono>
#include <thread>

#include "platform/testkit/driving.h"
#include "platform/window/messages.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"

namespace testkit {

bool ProgramProcess::Start(const std::string& program, const std::vector<std::string>& args) {
  std::string path = program.find('/') == std::string::npos ? platform::ResolveProgram(program) : program;
  if (path.empty()) return false;
    // The child inherits this process's environment, which the test's Environment has set. Under
    // the leak checker it is told which outside libraries' leaks are not ours.
#ifdef VIDARRO_TESTKIT_LEAK_SUPPRESSIONS
  if (!getenv("LSAN_OPTIONS")) setenv("LSAN_OPTIONS", "suppressions=" VIDARRO_TESTKIT_LEAK_SUPPRESSIONS, 1);
#endif
  platform::ChildOptions options;
  options.mergeStderr = true;
  return child_.Start(path, args, options);
}

int ProgramProcess::WaitForExit(DWORD timeoutMs) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  // Drained while waiting, so a talkative program never blocks on a full pipe.
  while (child_.IsRunning() && std::chrono::steady_clock::now() < until) {
    std::string out, err;
    child_.ReadOutput(&out, &err, 50);
    output_ += out + err;
  }
  if (child_.IsRunning()) return -1;
  Output();
  return child_.ExitCode();
}

int ProgramProcess::CloseAndWait(const char* title, DWORD timeoutMs) {
  int exitCode = -1;
  for (DWORD waited = 0; waited < timeoutMs && exitCode == -1; waited += 200) {
    if (HWND open = ::FindWindow("#32770", title)) ::PostMessage(open, WM_CLOSE, 0, 0);
    exitCode = WaitForExit(200);
  }
  return exitCode;
}

std::string ProgramProcess::Output() {
  std::string out, err;
  child_.ReadOutput(&out, &err, 0);
  output_ += out + err;
  return output_;
}

HWND WaitForWindow(const char* className, const char* title, DWORD timeoutMs) {
  platform::StartWindowTransport();
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (HWND found = FindWindow(className, title)) return found;
    if (std::chrono::steady_clock::now() >= until) return nullptr;
    Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace testkit
