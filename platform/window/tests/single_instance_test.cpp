// Copies started together: the lock, not a window search, decides which one runs.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "platform/window/single_instance.h"

namespace {

// Each child waits on `start`, claims the group and reports its answer on `answers`; a winner
// holds the lock until `release` closes. `parentEnds`: pipe ends only the parent may hold.
pid_t StartCopy(int start, int answers, int release, std::vector<int> parentEnds = {}) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::alarm(60);  // never outlive a broken test
  for (int fd : parentEnds) ::close(fd);
  char byte;
  (void)!::read(start, &byte, 1);
  platform::SingleInstanceLock lock;
  const char won = lock.Claim("test-group", {}) ? '1' : '0';
  (void)!::write(answers, &won, 1);
  if (won == '1') (void)!::read(release, &byte, 1);
  ::_exit(0);
}

}  // namespace

TEST(SingleInstance, CopiesStartedTogetherLeaveExactlyOneRunning) {
  int start[2], answers[2], release[2];
  ASSERT_EQ(0, ::pipe(start));
  ASSERT_EQ(0, ::pipe(answers));
  ASSERT_EQ(0, ::pipe(release));
  std::vector<pid_t> copies;
  for (int i = 0; i < 6; ++i)
    copies.push_back(StartCopy(start[0], answers[1], release[0], {start[1], release[1], answers[0]}));
  ::close(start[0]);
  ::close(start[1]);  // every copy starts at once
  int winners = 0;
  for (size_t i = 0; i < copies.size(); ++i) {
    char won = 0;
    ASSERT_EQ(1, ::read(answers[0], &won, 1));
    winners += won == '1';
  }
  EXPECT_EQ(1, winners);

  // While one runs, this process is refused too; claims within it are shared and released.
  platform::SingleInstanceLock refused;
  EXPECT_FALSE(refused.Claim("test-group", {}));
  ::close(release[1]);
  for (pid_t pid : copies) ::waitpid(pid, nullptr, 0);
  platform::SingleInstanceLock first, second;
  EXPECT_TRUE(first.Claim("test-group", {}));
  EXPECT_TRUE(second.Claim("test-group", {}));
  first.Release();
  second.Release();
  const pid_t after = StartCopy(-1, answers[1], -1, {answers[0]});
  char won = 0;
  ASSERT_EQ(1, ::read(answers[0], &won, 1));
  EXPECT_EQ('1', won);
  ::waitpid(after, nullptr, 0);
}
