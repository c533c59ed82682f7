// Tools run between files: what they write, and no output left when they fail or are stopped.
#include "platform/disc/file_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/testkit/testkit.h"

namespace platform::disc {
namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(FileFilter, TheToolReadsOneFileAndWritesTheOtherOrLeavesNothing) {
  testkit::Environment env(testkit::CurrentTestName());
  const std::string in = env.Temp() + "in; $(x).txt", out = env.Temp() + "out \"1\".txt";
  std::ofstream(in) << "menu\n";
  std::atomic<bool> cancel{false};
  std::string errors;
  ASSERT_TRUE(RunFileFilter("tr", {"a-z", "A-Z"}, in, out, cancel, &errors)) << errors;
  EXPECT_EQ(Read(out), "MENU\n");

  EXPECT_FALSE(RunFileFilter("sh", {"-c", "echo half; echo broken >&2; exit 3"}, in, out, cancel, &errors));
  EXPECT_EQ(errors, "broken\n");
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_FALSE(std::filesystem::exists(out + ".log"));

  EXPECT_FALSE(RunFileFilter("no-such-tool-here", {}, in, out, cancel, &errors));
  EXPECT_EQ(errors, "no-such-tool-here is not installed. Install it and try again.");

  cancel = true;
  EXPECT_FALSE(RunFileFilter("sleep", {"30"}, in, out, cancel, &errors));
  EXPECT_FALSE(std::filesystem::exists(out));
}

// A tool that ignores SIGTERM, and a child it started, are ended soon after a cancel all the same.
TEST(FileFilter, ACancelEndsAToolThatIgnoresItAndWhatItStartedWithinTwoSeconds) {
  testkit::Environment env(testkit::CurrentTestName());
  const std::string in = env.Temp() + "in.txt", out = env.Temp() + "out.txt", child = env.Temp() + "child.pid";
  std::ofstream(in) << "x\n";
  std::atomic<bool> cancel{false};
  std::thread later([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    cancel = true;
  });
  const auto start = std::chrono::steady_clock::now();
  std::string errors;
  EXPECT_FALSE(RunFileFilter("sh",
                             {"-c", "trap '' TERM; sh -c 'trap \"\" TERM; sleep 30' & echo $! > '" + child + "'; wait"},
                             in, out, cancel, &errors));
  later.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2300));
  EXPECT_FALSE(std::filesystem::exists(out));
  const int pid = std::atoi(Read(child).c_str());
  ASSERT_GT(pid, 0);
  // Reaped by its parent's end (or by init): gone, or at most a zombie, within a moment.
  bool gone = false;
  for (int i = 0; i < 50 && !gone; ++i) {
    const std::string state = Read("/proc/" + std::to_string(pid) + "/stat");
    gone = state.empty() || state.find(") Z") != std::string::npos;
    if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(gone);
}

// A menu of many pages runs a tool a page: waiting out a polling interval after each quick run
// would cost a disc more than the tool itself.
// The quickest of ten runs against the quickest of ten runs of the same tool by the shell: a wait for a
// polling interval (50 ms) after each run shows in every run, while a busy machine's slow starts
// leave the quickest alone.
TEST(FileFilter, AQuickToolIsNotWaitedForLongerThanItRuns) {
  testkit::Environment env(testkit::CurrentTestName());
  const std::string in = env.Temp() + "in.txt", out = env.Temp() + "out.txt";
  std::ofstream(in) << "x\n";
  std::atomic<bool> cancel{false};
  using Clock = std::chrono::steady_clock;
  auto filtered = Clock::duration::max(), plain = Clock::duration::max();
  for (int run = 0; run < 10; ++run) {
    auto start = Clock::now();
    ASSERT_TRUE(RunFileFilter("cat", {}, in, out, cancel, nullptr));
    filtered = std::min(filtered, Clock::now() - start);
    start = Clock::now();
    ASSERT_EQ(std::system(("cat '" + in + "' > '" + out + "'").c_str()), 0);
    plain = std::min(plain, Clock::now() - start);
  }
  EXPECT_LT(filtered, plain + std::chrono::milliseconds(25))
      << std::chrono::duration<double, std::milli>(filtered).count() << " ms against "
      << std::chrono::duration<double, std::milli>(plain).count() << " ms";
}

}  // namespace
}  // namespace platform::disc
