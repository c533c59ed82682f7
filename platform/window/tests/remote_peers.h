// Helper programs of the cross-process tests, each in a process of its own.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/window/messages.h"

extern char** environ;

namespace remote_test {

// Runs a helper program of the test folder with one argument and reads the window handle it
// prints; killed and reaped when the test ends.
struct Peer {
  pid_t pid = 0;
  HWND hwnd = nullptr;

  explicit Peer(const std::string& argument, const std::string& name = "window_peer") {
    int out[2];
    if (::pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string program = std::string(VIDARRO_TEST_BINARY_DIR) + "/" + name;
    std::string arg = argument;
    char* argv[] = {const_cast<char*>(program.c_str()), arg.data(), nullptr};
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0) pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    FILE* f = ::fdopen(out[0], "r");
    unsigned value = 0;
    if (f && std::fscanf(f, "%u", &value) == 1) hwnd = DwordToHandle<HWND>(value);
    if (f) std::fclose(f);
  }
  ~Peer() { Kill(); }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;
  void Kill() {
    if (pid > 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
      pid = 0;
    }
  }
};

}  // namespace remote_test
