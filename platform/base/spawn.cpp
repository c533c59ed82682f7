#include "platform/base/spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

extern char** environ;

namespace platform {
namespace {

// Everything the child needs is built before fork: between fork and exec only
// async-signal-safe calls are allowed in a threaded program.
struct ExecImage {
  std::vector<std::string> envStrings;
  std::vector<char*> argv;
  std::vector<char*> envp;

  ExecImage(const std::vector<std::string>& args, const std::string* exactParameters) {
    for (char** e = environ; e && *e; ++e) {
      if (std::strncmp(*e, "VIDARRO_PARAMETERS=", 19) == 0) continue;
      envStrings.emplace_back(*e);
    }
    if (exactParameters) envStrings.push_back("VIDARRO_PARAMETERS=" + *exactParameters);
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
  }
};

// Forks for the piped children on one thread that lives as long as the process: the kernel
// sends a child its parent-death signal when the thread that forked it ends, not the process,
// so a child forked by a worker thread would die with that thread.
class ForkThread {
 public:
  static ForkThread& Instance() {
    // Never destroyed: the thread may be waiting on it while the process exits.
    static ForkThread* instance = new ForkThread();
    return *instance;
  }

  // fork() on the thread; `child` runs in the new process and never returns.
  pid_t Fork(void (*child)(const void*), const void* context) {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return request_ == nullptr; });
    Request request{child, context};
    request_ = &request;
    wake_.notify_all();
    done_.wait(lock, [&request] { return request.done; });
    request_ = nullptr;
    idle_.notify_all();
    return request.pid;
  }

 private:
  struct Request {
    void (*child)(const void*);
    const void* context;
    pid_t pid = -1;
    bool done = false;
  };

  ForkThread() {
    std::thread([this] { Run(); }).detach();
  }

  void Run() {
    // Signals meant for the process are handled on its other threads.
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return request_ != nullptr && !request_->done; });
      Request* request = request_;
      request->pid = fork();
      if (request->pid == 0) request->child(request->context);
      request->done = true;
      done_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  std::condition_variable idle_;
  Request* request_ = nullptr;
};

// In the child: the standard streams, the folder, no inherited descriptors, then exec.
// Reports errno through `report` when anything fails. `parent` set: the child ends with that
// process, and does not start at all when it has already gone.
[[noreturn]] void ExecChild(const char* path, const ExecImage& image, const char* workFolder, int stdoutFd,
                            int stderrFd, int report, bool ownSession = false, pid_t parent = 0, int stdinFd = -1) {
  if (parent > 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The parent may have ended before the request was made: the child is then another's.
    if (getppid() != parent) _exit(127);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
  }
  if (ownSession) setsid();
  const int devnull = ::open("/dev/null", O_RDWR);
  if (stdinFd >= 0) dup2(stdinFd, 0);
  else if (devnull >= 0) dup2(devnull, 0);
  if (stdoutFd >= 0) dup2(stdoutFd, 1);
  if (stderrFd >= 0) dup2(stderrFd, 2);
  int error = 0;
  if (workFolder != nullptr && workFolder[0] != '\0' && chdir(workFolder) != 0) error = errno;
  if (error == 0) {
    // Descriptors of this process (locks, pipes of other children) must not leak into the child.
    close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    execve(path, image.argv.data(), image.envp.data());
    error = errno;
  }
  ssize_t ignored = write(report, &error, sizeof error);
  (void)ignored;
  _exit(127);
}

// Reads the child's exec report: 0 when exec happened (the pipe closed on exec).
int ReadReport(int fd) {
  int error = 0;
  ssize_t n;
  do {
    n = read(fd, &error, sizeof error);
  } while (n < 0 && errno == EINTR);
  close(fd);
  return n == static_cast<ssize_t>(sizeof error) ? (error ? error : ECHILD) : 0;
}

}  // namespace

bool SpawnDetached(const std::string& path, const std::vector<std::string>& argv, const std::string& workFolder,
                   const std::string* exactParameters) {
  ExecImage image(argv, exactParameters);
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t middle = fork();
  if (middle < 0) {
    close(report[0]);
    close(report[1]);
    return false;
  }
  if (middle == 0) {
    setsid();
    const pid_t grandchild = fork();
    if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
    ExecChild(path.c_str(), image, workFolder.c_str(), -1, -1, report[1]);
  }
  close(report[1]);
  int status = 0;
  while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  const int error = ReadReport(report[0]);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
  if (error != 0) errno = error;
  return error == 0;
}

pid_t SpawnPiped(const std::string& path, const std::vector<std::string>& argv, const std::string& workFolder,
                 bool mergeStderr, bool ownSession, SpawnPipes* pipes, const SpawnFiles& files) {
  ExecImage image(argv, nullptr);
  int out[2] = {-1, -1};
  int err[2] = {-1, -1};
  int report[2] = {-1, -1};
  auto closeAll = [&] {
    for (int fd : {out[0], out[1], err[0], err[1], report[0], report[1]})
      if (fd >= 0) close(fd);
  };
  const bool pipeOut = files.out < 0, pipeErr = files.err < 0 && !mergeStderr;
  if ((pipeOut && pipe2(out, O_CLOEXEC) != 0) || (pipeErr && pipe2(err, O_CLOEXEC) != 0) ||
      pipe2(report, O_CLOEXEC) != 0) {
    closeAll();
    return -1;
  }
  struct ChildPlan {
    const std::string* path;
    const ExecImage* image;
    const std::string* workFolder;
    int stdoutFd;
    int stderrFd;
    int report;
    bool ownSession;
    pid_t parent;
    int stdinFd;
  };
  const int stdoutFd = pipeOut ? out[1] : files.out;
  const int stderrFd = files.err >= 0 ? files.err : mergeStderr ? stdoutFd : err[1];
  const ChildPlan plan{&path, &image, &workFolder, stdoutFd, stderrFd, report[1], ownSession, getpid(), files.in};
  const pid_t pid = ForkThread::Instance().Fork(
      [](const void* context) {
        const ChildPlan& p = *static_cast<const ChildPlan*>(context);
        ExecChild(p.path->c_str(), *p.image, p.workFolder->c_str(), p.stdoutFd, p.stderrFd, p.report, p.ownSession,
                  p.parent, p.stdinFd);
      },
      &plan);
  if (pid < 0) {
    closeAll();
    return -1;
  }
  if (out[1] >= 0) close(out[1]);
  if (err[1] >= 0) close(err[1]);
  close(report[1]);
  const int error = ReadReport(report[0]);
  if (error != 0) {
    if (out[0] >= 0) close(out[0]);
    if (err[0] >= 0) close(err[0]);
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    errno = error;
    return -1;
  }
  pipes->out = out[0];
  pipes->err = err[0];
  return pid;
}

}  // namespace platform
