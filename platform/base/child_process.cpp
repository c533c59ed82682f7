#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/base/process.h"
#include "platform/base/spawn.h"

namespace platform {
namespace {

using SteadyClock = std::chrono::steady_clock;

int RemainingMs(SteadyClock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left > 1000000 ? 1000000 : left);
}

SteadyClock::time_point DeadlineAfter(DWORD timeoutMs) {
  if (timeoutMs == 0xFFFFFFFF) return SteadyClock::time_point::max();
  return SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
}

// Reads once from a ready pipe; closes it at end of file.
void Drain(int* fd, std::string* sink) {
  char buffer[16384];
  ssize_t n;
  do {
    n = read(*fd, buffer, sizeof buffer);
  } while (n < 0 && errno == EINTR);
  if (n > 0) {
    if (sink) sink->append(buffer, static_cast<std::size_t>(n));
  } else if (n == 0 || errno != EAGAIN) {
    close(*fd);
    *fd = -1;
  }
}

}  // namespace

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && exitCode_ < 0) {
    Kill();
    Reap(true);
  }
  ClosePipes();
}

void ChildProcess::ClosePipes() {
  if (out_ >= 0) close(out_);
  if (err_ >= 0) close(err_);
  out_ = err_ = -1;
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         const ChildOptions& options) {
  if (pid_ > 0 && exitCode_ < 0) return false;
  ClosePipes();
  pid_ = -1;
  exitCode_ = -1;
  const std::string path = ResolveProgram(program);
  if (path.empty()) return false;
  std::vector<std::string> argv{path};
  argv.insert(argv.end(), args.begin(), args.end());
  // Opened here, so a file that cannot be opened fails the start with its reason in errno.
  SpawnFiles files;
  auto openFile = [](const std::string& name, int flags, int* fd) {
    if (name.empty()) return true;
    *fd = ::open(name.c_str(), flags | O_CLOEXEC, 0644);
    return *fd >= 0;
  };
  auto closeFiles = [&files] {
    const int saved = errno;
    for (int fd : {files.in, files.out, files.err})
      if (fd >= 0) close(fd);
    errno = saved;
  };
  if (!openFile(options.inputFile, O_RDONLY, &files.in) ||
      !openFile(options.outputFile, O_WRONLY | O_CREAT | O_TRUNC, &files.out) ||
      !openFile(options.errorFile, O_WRONLY | O_CREAT | O_TRUNC, &files.err)) {
    closeFiles();
    return false;
  }
  SpawnPipes pipes;
  ownSession_ = options.ownSession;
  pid_ = SpawnPiped(path, argv, options.workFolder, options.mergeStderr, options.ownSession, &pipes, files);
  closeFiles();
  if (pid_ < 0) return false;
  out_ = pipes.out;
  err_ = pipes.err;
  return true;
}

bool ChildProcess::ReadOutput(std::string* out, std::string* err, DWORD timeoutMs) {
  if (out_ < 0 && err_ < 0) return false;
  pollfd fds[2];
  int count = 0;
  if (out_ >= 0) fds[count++] = {out_, POLLIN, 0};
  if (err_ >= 0) fds[count++] = {err_, POLLIN, 0};
  const auto deadline = DeadlineAfter(timeoutMs);
  int ready;
  do {
    ready = poll(fds, static_cast<nfds_t>(count), timeoutMs == 0xFFFFFFFF ? -1 : RemainingMs(deadline));
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) return false;
  for (int i = 0; i < count; ++i) {
    if (fds[i].revents == 0) continue;
    if (fds[i].fd == out_) {
      Drain(&out_, out);
    } else {
      Drain(&err_, err);
    }
  }
  return out_ >= 0 || err_ >= 0;
}

bool ChildProcess::Reap(bool block) {
  if (pid_ <= 0) return false;
  if (exitCode_ >= 0) return true;
  int status = 0;
  pid_t r;
  do {
    r = waitpid(pid_, &status, block ? 0 : WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r != pid_) return false;
  exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 255;
  return true;
}

bool ChildProcess::Wait(DWORD timeoutMs) {
  if (pid_ <= 0) return false;
  if (timeoutMs == 0xFFFFFFFF) return Reap(true);
  const auto deadline = DeadlineAfter(timeoutMs);
  auto pause = std::chrono::milliseconds(1);
  while (!Reap(false)) {
    if (SteadyClock::now() >= deadline) return false;
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(16)) pause *= 2;
  }
  return true;
}

bool ChildProcess::IsRunning() { return pid_ > 0 && !Reap(false); }

int ChildProcess::Signal(int signal) { return kill(ownSession_ ? -pid_ : pid_, signal); }

bool ChildProcess::Kill() {
  if (pid_ <= 0 || exitCode_ >= 0) return false;
  return Signal(SIGKILL) == 0;
}

// Whether the child has ended, without reaping it: while it stays unreaped its number cannot
// pass to another process, so its session can still be signalled safely.
bool ChildProcess::EndedWithin(DWORD timeoutMs) {
  const auto deadline = DeadlineAfter(timeoutMs);
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    siginfo_t info{};
    const int r = waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
    if (r != 0 && errno != EINTR) return true;
    if (r == 0 && info.si_pid == pid_) return true;
    if (SteadyClock::now() >= deadline) return false;
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(16)) pause *= 2;
  }
}

bool ChildProcess::Terminate(DWORD graceMs) {
  if (pid_ <= 0) return false;
  if (exitCode_ < 0) Signal(SIGTERM);
  if (ownSession_) {
    // What the child started may outlive it or ignore the request: the session is killed once
    // the child has ended or its time is up.
    if (exitCode_ < 0) EndedWithin(graceMs);
    kill(-pid_, SIGKILL);
    return Wait(0xFFFFFFFF);
  }
  if (Wait(graceMs)) return true;
  Kill();
  return Wait(0xFFFFFFFF);
}

bool RunProcess(const std::string& program, const std::vector<std::string>& args, std::string* out, std::string* err,
                int* exitCode, DWORD timeoutMs) {
  ChildProcess child;
  if (!child.Start(program, args)) return false;
  const auto deadline = DeadlineAfter(timeoutMs);
  while (child.ReadOutput(out, err, timeoutMs == 0xFFFFFFFF ? 0xFFFFFFFF : static_cast<DWORD>(RemainingMs(deadline)))) {
    if (timeoutMs != 0xFFFFFFFF && SteadyClock::now() >= deadline) {
      child.Kill();
      child.Wait(0xFFFFFFFF);
      return false;
    }
  }
  // Pipes closed; a child that closed them early may still run.
  if (!child.Wait(timeoutMs == 0xFFFFFFFF ? 0xFFFFFFFF : static_cast<DWORD>(RemainingMs(deadline)))) {
    child.Kill();
    child.Wait(0xFFFFFFFF);
    return false;
  }
  if (exitCode) *exitCode = child.ExitCode();
  return true;
}

}  // namespace platform
