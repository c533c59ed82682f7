// A suite process killed outright while one of its disc tools runs takes the tool with it: no
// spumux or genisoimage goes on working for a program that is gone.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "disc_test_support.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Read(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Work() { return platform::TempFolder() + "tool-death/"; }

// The pid a stand-in tool wrote, once it runs; 0 when none came within 10 s.
pid_t WaitForToolPid(const std::string& pidFile) {
  for (auto giveUp = Clock::now() + std::chrono::seconds(10); Clock::now() < giveUp;) {
    const int pid = std::atoi(Read(pidFile).c_str());
    if (pid > 0) return pid;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return 0;
}

// Gone, or a zombie left to init, within two seconds.
bool EndsSoon(pid_t pid) {
  for (auto giveUp = Clock::now() + std::chrono::seconds(2); Clock::now() < giveUp;) {
    const std::string stat = Read("/proc/" + std::to_string(pid) + "/stat");
    if (stat.empty() || stat.find(") Z") != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// Starts the starter with `args`, waits for its tool and kills the starter with SIGKILL.
void KillStarterWhileToolRuns(const std::vector<std::string>& args, const std::string& pidFile) {
  platform::ChildProcess starter;
  ASSERT_TRUE(starter.Start(TOOL_STARTER, args));
  const pid_t tool = WaitForToolPid(pidFile);
  std::string out, err;
  starter.ReadOutput(&out, &err, 0);
  ASSERT_GT(tool, 0) << out << err;
  ASSERT_EQ(::kill(tool, 0), 0) << "the stand-in tool is not running";
  ASSERT_TRUE(starter.Kill());
  ASSERT_TRUE(starter.Wait(5000));
  EXPECT_EQ(starter.ExitCode(), 128 + SIGKILL);
  EXPECT_TRUE(EndsSoon(tool)) << "the tool outlived the program that started it";
  if (::kill(tool, 0) == 0) ::kill(tool, SIGKILL);
}

TEST(ToolDeath, AFileFilterEndsWithItsProgram) {
  std::filesystem::remove_all(Work());
  platform::CreateFolders(Work());
  const std::string pidFile = Work() + "filter.pid";
  KillStarterWhileToolRuns({"filter", pidFile, Work() + "menu.mpg"}, pidFile);
}

// The image tool is a stand-in genisoimage on the PATH that gives the image's size and then
// keeps "making" it.
TEST(ToolDeath, TheImageToolOfAVideoTsBurnEndsWithItsProgram) {
  std::filesystem::remove_all(Work());
  platform::CreateFolders(Work() + "bin");
  platform::CreateFolders(Work() + "dvd/VIDEO_TS");
  const std::string pidFile = Work() + "genisoimage.pid";
  const std::string tool = Work() + "bin/genisoimage";
  ASSERT_TRUE(platform::WriteWholeFileAtomic(
      tool, "#!/bin/sh\nfor a; do [ \"$a\" = -print-size ] && { echo 16; exit 0; }; done\necho $$ > '" + pidFile +
                "'\nexec sleep 60\n"));
  ASSERT_EQ(::chmod(tool.c_str(), 0755), 0);
  disctest::UseDevices(disctest::Writer("A", "WRITES=DVD+R\nMEDIUM=DVD+R\n"));
  const char* oldPath = std::getenv("PATH");
  const std::string saved = oldPath ? oldPath : "";
  setenv("PATH", (Work() + "bin:" + saved).c_str(), 1);
  KillStarterWhileToolRuns({"burn", Work() + "dvd"}, pidFile);
  setenv("PATH", saved.c_str(), 1);
}

}  // namespace
