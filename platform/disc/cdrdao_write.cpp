#include "platform/disc/cdrdao_write.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "platform/base/process.h"

namespace platform::disc {
namespace {

std::mutex& RunnerMutex() {
  static std::mutex mutex;
  return mutex;
}

CdrdaoRunner& InstalledRunner() {
  static CdrdaoRunner runner;
  return runner;
}

CdrdaoResult RunRealCdrdao(const CdrdaoRun& run) {
  CdrdaoResult result;
  platform::ChildProcess child;
  platform::ChildOptions options;
  options.mergeStderr = true;
  options.ownSession = true;
  // The sheet names its BIN relative to its own folder.
  const size_t slash = run.cuePath.rfind('/');
  if (slash != std::string::npos) options.workFolder = run.cuePath.substr(0, slash + 1);
  if (!child.Start("cdrdao", run.args, options)) return result;
  result.started = true;
  std::string out, err, pending;
  bool stopping = false;
  while (child.ReadOutput(&out, &err, 200)) {
    pending += out;
    result.messages += out;
    out.clear();
    for (size_t end; (end = pending.find_first_of("\r\n")) != std::string::npos; pending.erase(0, end + 1)) {
      const int percent = CdrdaoPercent(pending.substr(0, end));
      if (percent >= 0 && run.progress) run.progress(percent);
    }
    if (!stopping && run.stop && run.stop->load()) {
      stopping = true;
      child.Terminate(5000);
    }
  }
  child.Wait(30000);
  result.exitCode = child.ExitCode();
  return result;
}

}  // namespace

std::vector<std::string> CdrdaoArguments(const std::string& device, const std::string& cuePath, int speedKBs) {
  std::vector<std::string> args = {"write", "--device", device, "-n"};
  // cdrdao counts speed in single-speed CD units of 150 KB/s.
  if (speedKBs > 0) args.insert(args.end(), {"--speed", std::to_string(std::max(1, speedKBs / 150))});
  // A sheet whose name begins with a dash stays a file name.
  args.push_back(!cuePath.empty() && cuePath.front() == '-' ? "./" + cuePath : cuePath);
  return args;
}

CdrdaoResult RunCdrdao(const CdrdaoRun& run) {
  CdrdaoRunner runner;
  {
    std::lock_guard lock(RunnerMutex());
    runner = InstalledRunner();
  }
  return runner ? runner(run) : RunRealCdrdao(run);
}

void SetCdrdaoRunner(CdrdaoRunner runner) {
  std::lock_guard lock(RunnerMutex());
  InstalledRunner() = std::move(runner);
}

std::string CdrdaoReason(const std::string& messages) {
  std::string reason;
  size_t at = 0;
  while (at < messages.size()) {
    const size_t end = std::min(messages.find_first_of("\r\n", at), messages.size());
    const std::string line = messages.substr(at, end - at);
    at = end + 1;
    if (line.rfind("ERROR: ", 0) == 0) reason = line.substr(7);
  }
  return reason;
}

int CdrdaoPercent(const std::string& line) {
  unsigned long done = 0, total = 0;
  if (std::sscanf(line.c_str(), "Wrote %lu of %lu MB", &done, &total) != 2 || total == 0) return -1;
  return static_cast<int>(std::min<unsigned long>(100, done * 100 / total));
}

}  // namespace platform::disc
