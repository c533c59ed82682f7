// A private X server (Xvfb) and the probe program on it, for the desktop tests.
#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <string>

namespace desktop_test {

// Where a program on PATH is, empty when it is not installed.
std::string FindProgram(const std::string& name);

class XvfbServer {
 public:
  XvfbServer();  // started when Xvfb is installed; Display() is empty when it could not start
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;
  const std::string& Display() const { return display_; }
  void Kill();

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// A child process; killed on destruction when still running.
class Child {
 public:
  // Runs program with its argument (none when empty) on display; headless sets VIDARRO_HEADLESS=1 for it.
  Child(const std::string& program, const std::string& argument, const std::string& display, bool headless = false);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  // The exit status once it ended within the seconds given, else -1.
  int WaitForExit(int seconds);

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

// Polls until ready() holds, for at most seconds; the answer of the last look.
bool WaitUntil(const std::function<bool()>& ready, int seconds);
std::string ReadFile(const std::string& path);
// Runs a command line with DISPLAY set, bounded by a timeout; true when it succeeded.
bool RunOnDisplay(const std::string& display, const std::string& command);
// "key a b c" lines as numbers.
std::map<std::string, std::vector<int>> ReadFields(const std::string& text);

}  // namespace desktop_test
