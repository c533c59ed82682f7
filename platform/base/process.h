// Starting programs: detached launches and "open" of documents and addresses (subject to the
// launch recorder), and child processes with their output piped back.
//
// Launch recorder: when VIDARRO_LAUNCH_RECORD names a file, every detached launch and every
// "open" is appended to it as one line (verb, target, parameters) instead of happening, so no
// test or CI run ever opens a browser, viewer or program. A test that wants the suite's own
// programs (those in the application folder) to really start sets VIDARRO_LAUNCH_RUN_SUITE=1;
// the launch is still recorded. Documents, addresses and outside programs never start while
// recording. Recorded launches succeed without checking that the target exists.
// Child processes (ChildProcess, RunProcess) are tools the suite drives itself and are never
// recorded.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/base/win_types.h"

namespace platform {

// Splits parameter text into arguments the way a Windows command line is split: blanks
// separate, double quotes group, "" inside quotes and \" give a quote, backslashes are literal
// unless they precede a quote.
std::vector<std::string> SplitCommandLine(const std::string& text);
// The inverse: text that SplitCommandLine turns back into `args`.
std::string JoinCommandLine(const std::vector<std::string>& args);
// A program's parameter text as its starter gave it (the exact text when started through
// StartDetached, else the arguments joined back).
std::string CommandLineParameters(int argc, const char* const* argv);

// "X.exe" (any case) -> the application folder's X; other names without "/" -> the application
// folder when present there, else the PATH; paths are kept (a trailing ".exe" dropped).
// Empty when nothing is found.
std::string ResolveProgram(const std::string& name);
bool IsSuiteProgram(const std::string& path);

// Starts a program that outlives this process: no shell, stdin from /dev/null, the parameter
// text split as above. An empty workFolder keeps the current folder.
bool StartDetached(const std::string& program, const std::string& parameters, const std::string& workFolder = "");
// Shell "open": programs are started as above, documents, folders and addresses go to the
// desktop's opener (none without a display: false). Verbs other than "open" (or empty) and "explore" fail. The work folder is
// used for programs only.
bool ShellOpen(const std::string& target, const std::string& parameters = "", const std::string& verb = "open",
               const std::string& workFolder = "");

struct LaunchRecord {
  std::string verb;  // "run" for detached launches, else the shell verb
  std::string target;
  std::string parameters;
};
// The recorder's file, empty when recording is off.
std::string LaunchRecordFile();
std::vector<LaunchRecord> ReadLaunchRecords();

struct ChildOptions {
  std::string workFolder;
  bool mergeStderr = false;  // stderr into the stdout pipe
  // The child leads a session of its own, and Kill and Terminate reach every process in it: a
  // child that is a wrapper does not leave its own children running.
  bool ownSession = false;
  // When set, the stream is this file instead of /dev/null or a pipe (stdout and stderr are
  // created or emptied); Start fails when one cannot be opened.
  std::string inputFile;
  std::string outputFile;
  std::string errorFile;
};

// A child process with stdin from /dev/null and stdout/stderr piped back. The destructor kills
// and reaps a child that still runs; a child still running when this process ends, however it
// ends, is killed with it.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // `args` excludes the program itself.
  bool Start(const std::string& program, const std::vector<std::string>& args, const ChildOptions& options = {});
  // Appends what the child wrote, waiting up to timeoutMs for something to arrive. Returns false
  // once both pipes are closed and nothing more will come.
  bool ReadOutput(std::string* out, std::string* err, DWORD timeoutMs);
  // True once the child has ended (within timeoutMs, real time).
  bool Wait(DWORD timeoutMs);
  bool IsRunning();
  // The exit status, 128 + signal number when killed by a signal; -1 while running.
  int ExitCode() const { return exitCode_; }
  bool Kill();
  // Asks the child to end (SIGTERM, so it can finish its files), kills it when it has not ended
  // within graceMs, and reaps it. True once it is gone.
  bool Terminate(DWORD graceMs);
  pid_t Pid() const { return pid_; }
  int StdoutDescriptor() const { return out_; }
  int StderrDescriptor() const { return err_; }
  // Hands the stdout pipe to the caller, who closes it (a child still writing then gets SIGPIPE).
  int TakeStdout() {
    const int fd = out_;
    out_ = -1;
    return fd;
  }

 private:
  bool Reap(bool block);
  bool EndedWithin(DWORD timeoutMs);
  int Signal(int signal);
  void ClosePipes();
  bool ownSession_ = false;
  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  int exitCode_ = -1;
};

// Runs a child to its end, collecting its output. False when it cannot start or does not end
// within timeoutMs (it is then killed).
bool RunProcess(const std::string& program, const std::vector<std::string>& args, std::string* out, std::string* err,
                int* exitCode, DWORD timeoutMs = 0xFFFFFFFF);

}  // namespace platform

// Shell launch with the Win32 result convention: a value above 32 on success, else an error
// (2 file not found, 31 no association). The owner and show command are not used here.
HINSTANCE ShellExecute(HWND owner, const char* verb, const char* file, const char* parameters, const char* folder,
                       int showCommand);
