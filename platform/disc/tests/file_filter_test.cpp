// Tools run between files: what they write, and no output left when they fail or are stopped.
#include "platform/disc/file_filter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

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
  EXPECT_NE(errors.find("cannot be started"), std::string::npos) << errors;

  cancel = true;
  EXPECT_FALSE(RunFileFilter("sleep", {"30"}, in, out, cancel, &errors));
  EXPECT_FALSE(std::filesystem::exists(out));
}

// A menu of many pages runs a tool a page: waiting out a polling interval after each quick run
// would cost a disc more than the tool itself.
TEST(FileFilter, AQuickToolIsNotWaitedForLongerThanItRuns) {
  testkit::Environment env(testkit::CurrentTestName());
  const std::string in = env.Temp() + "in.txt", out = env.Temp() + "out.txt";
  std::ofstream(in) << "x\n";
  std::atomic<bool> cancel{false};
  const auto start = std::chrono::steady_clock::now();
  for (int run = 0; run < 10; ++run) ASSERT_TRUE(RunFileFilter("cat", {}, in, out, cancel, nullptr));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
}

}  // namespace
}  // namespace platform::disc
