#include "platform/base/named_mutex.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/base/process.h"
#include "platform/base/sync.h"

namespace platform {
namespace {

// Runs `body` in a forked child and returns its exit status.
template <typename Body>
int InChild(Body body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(NamedMutex, SecondHolderSeesAlreadyExists) {
  NamedMutex first;
  ASSERT_TRUE(first.Create("Global\\Parvel single instance"));
  EXPECT_FALSE(first.AlreadyExists());
  EXPECT_TRUE(first.IsOwned());

  // In another process.
  EXPECT_EQ(InChild([] {
              NamedMutex other("Global\\Parvel single instance");
              return other.AlreadyExists() && !other.IsOwned() ? 0 : 1;
            }),
            0);
  // In this process too, as separate holders.
  NamedMutex second("Global\\Parvel single instance");
  EXPECT_TRUE(second.AlreadyExists());
  EXPECT_EQ(second.Wait(1), WAIT_TIMEOUT);

  // A different name is a different mutex, also when it differs only in characters the file
  // name has to escape.
  NamedMutex third("Global/Parvel single instance");
  EXPECT_FALSE(third.AlreadyExists());

  // Names beyond the file-name limit work and stay distinct by their ends.
  const std::string longName(300, 'n');
  NamedMutex longA(longName + "A");
  NamedMutex longB(longName + "B");
  EXPECT_TRUE(longA.IsOwned());
  EXPECT_TRUE(longB.IsOwned());
  EXPECT_TRUE(NamedMutex(longName + "A").AlreadyExists());

  first.Release();
  EXPECT_EQ(second.Wait(10000), WAIT_OBJECT_0);
  EXPECT_TRUE(second.IsOwned());
  EXPECT_EQ(InChild([] { return NamedMutex("Global\\Parvel single instance").AlreadyExists() ? 0 : 1; }), 0);
  second.Close();
  EXPECT_EQ(InChild([] { return NamedMutex("Global\\Parvel single instance").AlreadyExists() ? 1 : 0; }), 0);
}

TEST(NamedMutex, DiesWithAKilledHolder) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    NamedMutex m("Corrin");
    const char ok = m.IsOwned() ? 'y' : 'n';
    if (write(ready[1], &ok, 1) != 1) _exit(2);
    pause();
    _exit(0);
  }
  close(ready[1]);
  char answer = 0;
  ASSERT_EQ(read(ready[0], &answer, 1), 1);
  close(ready[0]);
  EXPECT_EQ(answer, 'y');

  NamedMutex waiting("Corrin");
  EXPECT_TRUE(waiting.AlreadyExists());
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  EXPECT_EQ(waiting.Wait(10000), WAIT_OBJECT_0);
}

TEST(NamedMutex, ProgramsStartedByTheHolderDoNotInheritIt) {
  // The holder starts a long-running child and then ends; the child must not keep the mutex.
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    NamedMutex m("Lanvik");
    ChildProcess* child = new ChildProcess;  // left running on purpose
    if (!m.IsOwned() || !child->Start("/bin/sh", {"-c", "sleep 30"})) _exit(2);
    const pid_t pid = child->Pid();
    if (write(report[1], &pid, sizeof pid) != sizeof pid) _exit(2);
    _exit(0);
  }
  close(report[1]);
  pid_t grandchild = -1;
  ASSERT_EQ(read(report[0], &grandchild, sizeof grandchild), static_cast<ssize_t>(sizeof grandchild));
  close(report[0]);
  waitpid(holder, nullptr, 0);

  NamedMutex after("Lanvik");
  EXPECT_FALSE(after.AlreadyExists());
  kill(grandchild, SIGKILL);
}

}  // namespace
}  // namespace platform
