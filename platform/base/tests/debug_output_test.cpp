#include "platform/base/debug_output.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>
#include <vector>

#include "test_support.h"

namespace platform {
namespace {

TEST(DebugOutput, TheVariableNamesAFileTheTextIsAppendedTo) {
  const std::string dir = test::FreshFolder("debug_output");
  const std::string path = dir + "/debug.txt";
  ASSERT_TRUE(WriteWholeFileAtomic(path, "kept\n"));
  {
    test::ScopedEnv env("VIDARRO_DEBUG_OUTPUT", path);
    OutputDebugString("one\n");
    OutputDebugFormat("%5.2f : %d\n", -6.5, 42);
    OutputDebugString(nullptr);
  }
  OutputDebugString("after the variable is gone\n");
  {
    test::ScopedEnv env("VIDARRO_DEBUG_OUTPUT", std::nullopt);
    OutputDebugString("nowhere\n");
  }
  std::string text;
  ASSERT_TRUE(ReadWholeFile(path, &text));
  EXPECT_EQ("kept\none\n-6.50 : 42\n", text);
}

TEST(DebugOutput, ACaptureTakesTheTextInsteadOfTheFileAndNestedOnesTakeTurns) {
  const std::string dir = test::FreshFolder("debug_output_capture");
  const std::string path = dir + "/debug.txt";
  test::ScopedEnv env("VIDARRO_DEBUG_OUTPUT", path);
  DebugOutputCapture outer;
  OutputDebugString("a");
  {
    DebugOutputCapture inner;
    OutputDebugFormat("%s%d", "b", 1);
    EXPECT_EQ("b1", inner.Text());
  }
  OutputDebugString("c");
  EXPECT_EQ("ac", outer.Text());
  outer.Clear();
  EXPECT_EQ("", outer.Text());
  EXPECT_FALSE(FileExists(path));
}

TEST(DebugOutput, LinesFromManyThreadsArriveWhole) {
  DebugOutputCapture capture;
  constexpr int kThreads = 4, kLines = 500;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i) OutputDebugFormat("thread %d line %04d\n", t, i);
    });
  for (auto& thread : threads) thread.join();
  const std::string text = capture.Text();
  int counts[kThreads] = {};
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    ASSERT_NE(std::string::npos, end);
    int t = -1, i = -1;
    ASSERT_EQ(2, std::sscanf(text.substr(at, end - at).c_str(), "thread %d line %d", &t, &i));
    ASSERT_TRUE(t >= 0 && t < kThreads);
    EXPECT_EQ(counts[t]++, i);
    at = end + 1;
  }
  for (int count : counts) EXPECT_EQ(kLines, count);
}

}  // namespace
}  // namespace platform
