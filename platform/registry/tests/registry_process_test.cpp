// Several processes on one store: what one writes the others read, nothing is lost when they
// write at once, and a writer killed at any moment leaves a whole, readable store.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/registry/tests/registry_test_util.h"

using namespace registry_test;

namespace {

constexpr const char* kKey = "Software\\Narvell\\Vidarro 5\\Shared";

// Runs `body` in a child process; returns its pid. The child's exit code is body's result.
template <typename Fn>
pid_t Spawn(Fn body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  return pid;
}

int ExitCode(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool ReadByte(int fd, char expected) {
  char c = 0;
  return read(fd, &c, 1) == 1 && c == expected;
}

}  // namespace

TEST(RegistryProcesses, EachSeesTheOthersWrites) {
  HKEY key = CreateKey(HKEY_CURRENT_USER, kKey);
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(SetDword(key, "MainHwnd", 1), ERROR_SUCCESS);
  EXPECT_EQ(GetDword(key, "MainHwnd"), 1u);  // this process now holds a copy in memory

  int toChild[2], toParent[2];
  ASSERT_EQ(pipe(toChild), 0);
  ASSERT_EQ(pipe(toParent), 0);
  const pid_t child = Spawn([&] {
    HKEY k = CreateKey(HKEY_CURRENT_USER, kKey);
    if (!k || GetDword(k, "MainHwnd") != 1) return 1;
    if (SetDword(k, "SubHwnd", 22) != ERROR_SUCCESS) return 2;
    if (write(toParent[1], "w", 1) != 1 || !ReadByte(toChild[0], 'w')) return 3;
    if (GetDword(k, "MainHwnd") != 333) return 4;  // the parent's change, read after it was made
    HKEY gone = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Narvell\\Vidarro 5\\Shared\\Temp", 0, KEY_READ, &gone) !=
        ERROR_FILE_NOT_FOUND)
      return 5;
    return 0;
  });
  ASSERT_TRUE(ReadByte(toParent[0], 'w'));
  EXPECT_EQ(GetDword(key, "SubHwnd"), 22u);
  HKEY temp = CreateKey(key, "Temp");
  ASSERT_NE(temp, nullptr);
  RegCloseKey(temp);
  ASSERT_EQ(RegDeleteKey(key, "Temp"), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key, "MainHwnd", 333), ERROR_SUCCESS);
  ASSERT_EQ(write(toChild[1], "w", 1), 1);
  EXPECT_EQ(ExitCode(child), 0);
  RegCloseKey(key);
  for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]}) close(fd);
}

TEST(RegistryProcesses, WritersAtTheSameTimeLoseNothing) {
  constexpr int kWriters = 3;
  constexpr int kValuesEach = 40;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    children.push_back(Spawn([w] {
      HKEY k = CreateKey(HKEY_CURRENT_USER, "Concurrent");
      if (!k) return 1;
      for (int i = 0; i < kValuesEach; ++i) {
        const std::string name = "w" + std::to_string(w) + "_" + std::to_string(i);
        if (SetDword(k, name.c_str(), static_cast<DWORD>(w * 1000 + i)) != ERROR_SUCCESS) return 2;
      }
      return 0;
    }));
  }
  for (pid_t pid : children) EXPECT_EQ(ExitCode(pid), 0);

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "concurrent", 0, KEY_READ, &key), ERROR_SUCCESS);
  for (int w = 0; w < kWriters; ++w)
    for (int i = 0; i < kValuesEach; ++i) {
      const std::string name = "W" + std::to_string(w) + "_" + std::to_string(i);
      EXPECT_EQ(GetDword(key, name.c_str()), static_cast<DWORD>(w * 1000 + i)) << name;
    }
  RegCloseKey(key);
}

TEST(RegistryProcesses, AWriterKilledAtAnyMomentLeavesAWholeStore) {
  HKEY key = CreateKey(HKEY_LOCAL_MACHINE, "Software\\Narvell\\Vidarro 5");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(SetString(key, "AppPath", "/opt/vidarro/"), ERROR_SUCCESS);
  // A big value makes every write long enough to be cut in the middle.
  const std::string bulk(256 * 1024, 'x');
  ASSERT_EQ(SetString(key, "Bulk", bulk), ERROR_SUCCESS);

  std::mt19937 random(12345);
  DWORD lastSeen = 0;
  for (int round = 0; round < 30; ++round) {
    int done[2];
    ASSERT_EQ(pipe(done), 0);
    const pid_t child = Spawn([&] {
      close(done[0]);
      HKEY k = CreateKey(HKEY_LOCAL_MACHINE, "Software\\Narvell\\Vidarro 5");
      if (!k) return 1;
      for (DWORD n = GetDword(k, "Counter", 0) + 1;; ++n) {
        if (SetDword(k, "Counter", n) != ERROR_SUCCESS) return 2;
        if (write(done[1], &n, sizeof n) != sizeof n) return 3;  // n is on disk now
      }
    });
    close(done[1]);
    usleep(std::uniform_int_distribution<int>(0, 30000)(random));
    kill(child, SIGKILL);
    EXPECT_EQ(ExitCode(child), 128 + SIGKILL);
    DWORD n = 0;
    while (read(done[0], &n, sizeof n) == sizeof n) lastSeen = n;
    close(done[0]);

    // Everything written before the kill is there, and the store reads whole.
    EXPECT_GE(GetDword(key, "Counter", 0), lastSeen) << "round " << round;
    char path[64];
    DWORD size = sizeof path;
    ASSERT_EQ(RegQueryValueEx(key, "AppPath", nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size), ERROR_SUCCESS)
        << "round " << round;
    EXPECT_STREQ(path, "/opt/vidarro/");
    size = 0;
    ASSERT_EQ(RegQueryValueEx(key, "Bulk", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, bulk.size() + 1);
  }
  RegCloseKey(key);
}
