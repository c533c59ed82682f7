#include "platform/testkit/killed_recording.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <vector>

#include "platform/base/file.h"
#include "platform/base/process.h"
#include "platform/filters/asf_header_patch.h"

namespace testkit {
namespace {

int Run(const std::string& program, const std::vector<std::string>& args, std::string* out) {
  std::string output, err;
  int code = -1;
  if (!platform::RunProcess(program, args, &output, &err, &code, 120000)) return -1;
  *out = output + err;
  return code;
}

}  // namespace

int RecordUntilKilled(int targetMs, const std::function<void(const std::function<bool(int)>& tell)>& record) {
  int ends[2];
  if (pipe(ends) != 0) return -1;
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    close(ends[0]);
    const int out = ends[1];
    record([out](int ms) { return write(out, &ms, sizeof ms) == static_cast<ssize_t>(sizeof ms); });
    _exit(0);
  }
  close(ends[1]);
  int reached = -1, told = 0;
  while (reached < targetMs && read(ends[0], &told, sizeof told) == static_cast<ssize_t>(sizeof told)) reached = told;
  const bool killed = reached >= targetMs;
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  close(ends[0]);
  return killed ? reached : -1;
}

CutFile ReadCutFile(const std::string& path) {
  CutFile cut;
  std::string out;
  if (Run("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "default=nw=1:nk=1", path}, &out) ==
          0 &&
      !out.empty() && out.find("N/A") == std::string::npos) {
    cut.probed = true;
    cut.duration = std::atof(out.c_str());
  }
  if (Run("ffprobe", {"-v", "error", "-show_entries", "packet=pts_time,duration_time", "-of", "csv=p=0", path}, &out) ==
      0) {
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      double pts = 0, duration = 0;
      if (std::sscanf(line.c_str(), "%lf,%lf", &pts, &duration) >= 1) cut.held = std::max(cut.held, pts + duration);
    }
  }
  const std::string upTo = std::to_string(std::max(cut.held - 2.0, 0.1));
  cut.decodeExit = Run("ffmpeg", {"-v", "error", "-xerror", "-i", path, "-t", upTo, "-f", "null", "-"}, &cut.errors);
  return cut;
}

::testing::AssertionResult TimedAndDecoded(const std::string& path) {
  const CutFile cut = ReadCutFile(path);
  if (!cut.probed || cut.held <= 0) return ::testing::AssertionFailure() << path << ": ffprobe gives no duration";
  if (std::abs(cut.duration - cut.held) > 2.0)
    return ::testing::AssertionFailure() << path << ": duration " << cut.duration << " s, packets to " << cut.held
                                         << " s";
  if (cut.decodeExit != 0 || !cut.errors.empty())
    return ::testing::AssertionFailure() << path << ": decoding failed: " << cut.errors;
  return ::testing::AssertionSuccess();
}

bool CutAsfHeader(const std::string& path) {
  std::string header;
  platform::filters::AsfHeaderPatch patch;
  platform::File file;
  return platform::ReadWholeFile(path, &header) && patch.Locate(header) &&
         file.Open(path, platform::FileMode::ReadWrite) && patch.Apply(file, 0, 0) && file.Close();
}

unsigned KillSeed() {
  const char* given = std::getenv("VIDARRO_SEED");
  const unsigned seed = given ? static_cast<unsigned>(std::strtoul(given, nullptr, 10)) : std::random_device{}();
  std::printf("kill points seed %u (VIDARRO_SEED replays it)\n", seed);
  return seed;
}

}  // namespace testkit
