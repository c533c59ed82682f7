#include <gtest/gtest.h>

#include "platform/base/process.h"
#include "test_support.h"

namespace platform {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, SplitsTheWayWindowsDoes) {
  struct Case {
    const char* text;
    Args args;
  } cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"/NOINTRO", {"/NOINTRO"}},
      {"  a\tb  c ", {"a", "b", "c"}},
      {"\"C:/My Clips/list.txt\" /IPad", {"C:/My Clips/list.txt", "/IPad"}},
      {"[Edit] file=/home/u/clip.mpg", {"[Edit]", "file=/home/u/clip.mpg"}},
      {"a\"b c\"d", {"ab cd"}},
      {"\"\"", {""}},
      {"\"a \"\" b\"", {"a \" b"}},
      {"\\\"quoted\\\"", {"\"quoted\""}},
      {"a\\\\\"b c\"", {"a\\b c"}},
      {"a\\\\\\\"b", {"a\\\"b"}},
      {"C:\\path\\ x\\\\", {"C:\\path\\", "x\\\\"}},
      {"\"unterminated arg", {"unterminated arg"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.text), c.args) << c.text;
}

TEST(CommandLine, JoinIsTheInverseOfSplit) {
  const Args samples[] = {
      {"plain", "/IPOD_IPHONE"},
      {"with space", "", "tab\there"},
      {"quote\"inside", "trailing\\", "both \\\" mixed\\\\"},
      {"C:\\dir\\", "\\\\server\\share"},
  };
  for (const auto& args : samples) EXPECT_EQ(SplitCommandLine(JoinCommandLine(args)), args) << JoinCommandLine(args);
  EXPECT_EQ(JoinCommandLine({"a", "b c"}), "a \"b c\"");
}

TEST(CommandLine, ParametersComeBackExactlyAsGiven) {
  const char* argv[] = {"Corrin", "[Edit]", "file=a", "b.mpg"};
  {
    test::ScopedEnv exact("VIDARRO_PARAMETERS", "[Edit]  file=a   b.mpg");
    EXPECT_EQ(CommandLineParameters(4, argv), "[Edit]  file=a   b.mpg");
  }
  {
    // Text that does not match the arguments belongs to some other launch.
    test::ScopedEnv stale("VIDARRO_PARAMETERS", "/NOINTRO");
    EXPECT_EQ(CommandLineParameters(4, argv), "[Edit] file=a b.mpg");
  }
  test::ScopedEnv none("VIDARRO_PARAMETERS", std::nullopt);
  EXPECT_EQ(CommandLineParameters(1, argv), "");
}

}  // namespace
}  // namespace platform
