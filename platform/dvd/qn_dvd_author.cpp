#include "platform/dvd/qn_dvd_author.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/base/strings.h"
#include "platform/dvd/author_xml.h"
#include "platform/dvd/mpeg_frames.h"
#include "platform/dvd/qn_mpg_mux.h"
#include "platform/window/messages.h"

namespace {

std::atomic<bool> g_sourceEnded{false};
std::mutex g_errorMutex;
std::string g_lastError;

void SetLastError(const std::string& text) {
  std::lock_guard lock(g_errorMutex);
  g_lastError = text;
}

// NTSC or PAL from the first sequence header of the program stream.
bool VideoFormatOf(const std::string& path, std::string* format) {
  platform::File file;
  if (!file.Open(path, platform::FileMode::Read)) return false;
  std::vector<std::uint8_t> head(4 << 20);
  std::size_t got = 0;
  if (!file.Read(head.data(), head.size(), &got)) return false;
  platform::dvd::SequenceInfo info;
  if (!platform::dvd::FindSequenceHeader(head.data(), got, &info)) return false;
  *format = info.pal ? "PAL" : "NTSC";
  return true;
}

// dvdauthor's last "ERR:" line, else its last line.
std::string LastErrorLine(const std::string& output) {
  std::istringstream lines(output);
  std::string line, last, lastError;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    last = line;
    if (line.find("ERR:") != std::string::npos) lastError = line;
  }
  return lastError.empty() ? last : lastError;
}

std::string NewProjectPath() {
  static std::atomic<int> counter{0};
  return platform::TempFolder() + platform::Format("dvdauthor-%d-%d.xml", static_cast<int>(getpid()), ++counter);
}

bool Author(const std::string& xmlPath) {
  platform::dvd::AuthorJob job;
  std::string error;
  if (!platform::dvd::ReadAuthorJob(xmlPath, &job, &error)) {
    SetLastError(error);
    return false;
  }
  // The video is read only once its multiplexer is done with it. Without the word, the wait
  // ends once no multiplexer has been running for a while: nobody is left to give it.
  constexpr auto kPoll = std::chrono::milliseconds(20);
  constexpr int kIdlePolls = 500;  // 10 s
  for (int idle = 0; !g_sourceEnded.load() && idle < kIdlePolls;) {
    std::this_thread::sleep_for(kPoll);
    idle = platform::dvd::MultiplexerRunning() ? 0 : idle + 1;
  }
  std::string format;
  if (!VideoFormatOf(job.vobs.front().path, &format)) {
    SetLastError(job.vobs.front().path + " is not an MPEG program stream");
    return false;
  }
  const std::string program = platform::ResolveProgram("dvdauthor");
  if (program.empty()) {
    SetLastError("dvdauthor is not installed");
    return false;
  }
  const std::string project = NewProjectPath();
  if (!platform::CreateFolders(platform::TempFolder()) ||
      !platform::WriteWholeFileAtomic(project, platform::dvd::DvdauthorProject(job))) {
    SetLastError("cannot write " + project);
    return false;
  }
  std::string out, err;
  int exitCode = -1;
  // The jump pad's menu is made in the disc's own video format.
  const bool ran =
      platform::RunProcess("/usr/bin/env", {"VIDEO_FORMAT=" + format, program, "-x", project}, &out, &err, &exitCode);
  platform::DeleteFile(project);
  if (!ran || exitCode != 0) {
    const std::string line = LastErrorLine(err + "\n" + out);
    SetLastError(line.empty() ? "dvdauthor failed" : line);
    return false;
  }
  const std::string audio = platform::WithTrailingSlash(job.output) + "AUDIO_TS";
  if (!platform::CreateFolders(audio)) {
    SetLastError("cannot create " + audio);
    return false;
  }
  SetLastError("");
  return true;
}

}  // namespace

extern "C" {

int qndvdauthor(const char* xmlPath, HWND notify, int, int) {
  const bool ok = xmlPath && Author(xmlPath);
  g_sourceEnded.store(false);
  if (notify) ::PostMessage(notify, kAuthorEndMessage, ok ? kDvdJobDone : kDvdJobFailed, 0);
  return ok ? 1 : 0;
}

void qndvdauthor_EndCreateSource() { g_sourceEnded.store(true); }

const char* qndvdauthor_LastError() {
  static thread_local std::string copy;
  std::lock_guard lock(g_errorMutex);
  copy = g_lastError;
  return copy.c_str();
}
}
