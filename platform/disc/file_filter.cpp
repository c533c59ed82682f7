#include "file_filter.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace platform::disc {
namespace {

constexpr std::chrono::milliseconds kCancelGrace{1000};

}  // namespace

bool RunFileFilter(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                   const std::string& output, const std::atomic<bool>& cancel, std::string* errors) {
  const std::string log = output + ".log";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  // A group of its own, so that a cancel reaches whatever the tool started too.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  pid_t pid = 0;
  const int started = posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  int status = -1;
  bool cancelled = false, killed = false;
  std::chrono::steady_clock::time_point asked;
  if (started == 0) {
    // Woken by the child's end through its pidfd, so a quick tool costs no polling interval;
    // the interval only bounds how late a cancel is seen.
    const int exited = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    while (::waitpid(pid, &status, WNOHANG) == 0) {
      if (cancel && !cancelled) {
        ::kill(-pid, SIGTERM);
        cancelled = true;
        asked = std::chrono::steady_clock::now();
      }
      // A tool that does not end when asked is ended: a cancel never waits on it.
      if (cancelled && !killed && std::chrono::steady_clock::now() - asked > kCancelGrace) {
        ::kill(-pid, SIGKILL);
        killed = true;
      }
      if (exited >= 0) {
        pollfd ready{exited, POLLIN, 0};
        ::poll(&ready, 1, 50);
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    }
    if (exited >= 0) ::close(exited);
  }
  const bool ok = started == 0 && !cancelled && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (errors) {
    std::ifstream in(log);
    *errors = started == ENOENT ? program + " is not installed. Install it and try again."
              : started != 0    ? program + " cannot be started: " + std::strerror(started)
                                : std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::remove(log.c_str());
  if (!ok) std::remove(output.c_str());
  return ok;
}

}  // namespace platform::disc
