#include "file_filter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/base/process.h"

namespace platform::disc {
namespace {

constexpr DWORD kCancelGraceMs = 1000;
// Only bounds how late a cancel is seen: the tool's end closes its stderr and wakes the wait.
constexpr DWORD kCancelPollMs = 50;

}  // namespace

bool RunFileFilter(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                   const std::string& output, const std::atomic<bool>& cancel, std::string* errors) {
  platform::ChildOptions options;
  options.inputFile = input;
  options.outputFile = output;
  // A session of its own, so that a cancel reaches whatever the tool started too; the tool
  // also ends when this process dies.
  options.ownSession = true;
  std::string said;
  platform::ChildProcess tool;
  const bool installed = !platform::ResolveProgram(program).empty();
  const bool started = installed && tool.Start(program, args, options);
  const int startError = errno;
  bool cancelled = false;
  if (started) {
    while (!cancel && tool.ReadOutput(nullptr, &said, kCancelPollMs)) {
    }
    // A tool that closed its stderr early is still waited for as a cancel allows.
    bool ended = false;
    while (!cancel && !(ended = tool.Wait(kCancelPollMs))) {
    }
    // A tool that does not end when asked is ended: a cancel never waits on it.
    if (!ended) {
      cancelled = true;
      tool.Terminate(kCancelGraceMs);
    }
  }
  const bool ok = started && !cancelled && tool.ExitCode() == 0;
  if (errors) {
    *errors = !installed ? program + " is not installed. Install it and try again."
              : !started ? program + " cannot be started: " + std::strerror(startError)
                         : said;
  }
  if (!ok) std::remove(output.c_str());
  return ok;
}

}  // namespace platform::disc
