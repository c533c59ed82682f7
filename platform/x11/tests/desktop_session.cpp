#include "desktop_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace desktop_test {

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':'))
    if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0) return dir + "/" + name;
  return {};
}

XvfbServer::XvfbServer() {
  const std::string xvfb = FindProgram("Xvfb");
  if (xvfb.empty()) return;
  int fds[2];
  if (pipe(fds) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    execl(xvfb.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (std::chrono::steady_clock::now() < deadline) {
    if (poll(&p, 1, 200) <= 0) continue;
    char c = 0;
    if (read(fds[0], &c, 1) != 1) break;
    if (c == '\n') break;
    number += c;
  }
  close(fds[0]);
  if (!number.empty()) display_ = ":" + number;
}

XvfbServer::~XvfbServer() { Kill(); }

void XvfbServer::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  for (int i = 0; i < 50 && waitpid(pid_, &status, WNOHANG) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (waitpid(pid_, &status, WNOHANG) == 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
  }
  pid_ = -1;
}

Child::Child(const std::string& program, const std::string& argument, const std::string& display, bool headless) {
  pid_ = fork();
  if (pid_ == 0) {
    setenv("DISPLAY", display.c_str(), 1);
    if (headless) setenv("VIDARRO_HEADLESS", "1", 1);
    else unsetenv("VIDARRO_HEADLESS");
    execl(program.c_str(), program.c_str(), argument.empty() ? nullptr : argument.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
}

Child::~Child() {
  if (pid_ > 0 && status_ < 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

int Child::WaitForExit(int seconds) {
  if (status_ >= 0 || pid_ <= 0) return status_;
  int status = 0;
  const bool done = WaitUntil([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, seconds);
  if (!done) return -1;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return status_;
}

bool WaitUntil(const std::function<bool()>& ready, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (ready()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return ready();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool RunOnDisplay(const std::string& display, const std::string& command) {
  const std::string line = "DISPLAY=" + display + " timeout 20 " + command + " >/dev/null 2>&1";
  return std::system(line.c_str()) == 0;
}

std::map<std::string, std::vector<int>> ReadFields(const std::string& text) {
  std::map<std::string, std::vector<int>> fields;
  std::stringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::stringstream words(line);
    std::string key;
    words >> key;
    int v = 0;
    while (words >> v) fields[key].push_back(v);
  }
  return fields;
}

}  // namespace desktop_test
