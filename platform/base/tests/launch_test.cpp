#include <gtest/gtest.h>

#include <algorithm>

#include "platform/base/clock.h"

#include "platform/base/process.h"
#include "test_support.h"

namespace platform {
namespace {

using test::ScopedEnv;

// Each test records into a log of its own and has an application folder of its own.
class Launch : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = test::FreshFolder("launch");
    app_ = std::make_unique<ScopedEnv>("VIDARRO_APP_DIR", dir_ + "app");
    record_ = std::make_unique<ScopedEnv>("VIDARRO_LAUNCH_RECORD", dir_ + "launches.log");
    suite_ = std::make_unique<ScopedEnv>("VIDARRO_LAUNCH_RUN_SUITE", std::nullopt);
    ASSERT_TRUE(CreateFolders(dir_ + "app"));
  }

  // A suite program that writes its arguments, one a line, and its exact parameter text.
  void MakeEchoProgram(const std::string& name) {
    ASSERT_TRUE(test::WriteText(dir_ + "app/" + name,
                                "#!/bin/sh\n"
                                "out=\"$(dirname \"$0\")/../" +
                                    name +
                                    ".out\"\n"
                                    "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$out.tmp\"\n"
                                    "printf 'exact=%s\\n' \"$VIDARRO_PARAMETERS\" >> \"$out.tmp\"\n"
                                    "pwd >> \"$out.tmp\"\n"
                                    "mv \"$out.tmp\" \"$out\"\n",
                                0755));
  }

  std::string dir_;
  std::unique_ptr<ScopedEnv> app_, record_, suite_;
};

TEST_F(Launch, RecorderCatchesDocumentsAddressesAndPrograms) {
  ASSERT_TRUE(ShellOpen("https://example.com/support?a=1&b=2"));
  ASSERT_TRUE(ShellOpen(dir_ + "Guide.pdf"));  // recorded even though it does not exist
  ASSERT_TRUE(StartDetached("Wendrel.exe", ""));
  ASSERT_TRUE(StartDetached("Lanvik.EXE", "/NOINTRO"));
  ASSERT_TRUE(ShellOpen("Quillon.exe"));
  ASSERT_TRUE(StartDetached("/bin/sh", "-c \"echo must not run > " + dir_ + "ran\""));
  ASSERT_TRUE(ShellOpen("mailto:help@example.com", "", "explore"));
  EXPECT_FALSE(ShellOpen(dir_ + "Guide.pdf", "", "print"));

  const auto records = ReadLaunchRecords();
  ASSERT_EQ(records.size(), 7u);
  EXPECT_EQ(records[0].verb, "open");
  EXPECT_EQ(records[0].target, "https://example.com/support?a=1&b=2");
  EXPECT_EQ(records[1].target, dir_ + "Guide.pdf");
  EXPECT_EQ(records[2].verb, "run");
  EXPECT_EQ(records[2].target, dir_ + "app/Wendrel");
  EXPECT_EQ(records[3].target, dir_ + "app/Lanvik");
  EXPECT_EQ(records[3].parameters, "/NOINTRO");
  EXPECT_EQ(records[4].verb, "run");
  EXPECT_EQ(records[4].target, dir_ + "app/Quillon");
  EXPECT_EQ(records[5].target, "/bin/sh");
  EXPECT_EQ(records[6].verb, "explore");
  // Nothing outside the suite ran while recording.
  Sleep(100);
  EXPECT_FALSE(FileExists(dir_ + "ran"));
}

TEST_F(Launch, RecordKeepsOneLinePerLaunch) {
  ASSERT_TRUE(StartDetached("Parvel.exe", "line1\nline2\tx \\ y"));
  ASSERT_TRUE(ShellExecute(nullptr, "open", "Corrin.exe", "[Edit] file=/tmp/a b.mpg", nullptr, 1) >
              DwordToHandle<HINSTANCE>(32));
  EXPECT_EQ(ShellExecute(nullptr, "print", "Corrin.exe", nullptr, nullptr, 1), DwordToHandle<HINSTANCE>(31));
  const auto records = ReadLaunchRecords();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].parameters, "line1\nline2\tx \\ y");
  EXPECT_EQ(records[1].parameters, "[Edit] file=/tmp/a b.mpg");
  const std::string log = test::ReadText(dir_ + "launches.log");
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
}

TEST_F(Launch, SuiteProgramsRunWhenATestAsks) {
  MakeEchoProgram("Lanvik");
  ScopedEnv allow("VIDARRO_LAUNCH_RUN_SUITE", "1");
  ASSERT_TRUE(StartDetached("Lanvik.exe", "/NOINTRO  \"two words\"", dir_));
  ASSERT_TRUE(test::EventuallyTrue([&] { return FileExists(dir_ + "Lanvik.out"); }));
  char real[4096];
  ASSERT_NE(realpath(dir_.c_str(), real), nullptr);
  EXPECT_EQ(test::ReadText(dir_ + "Lanvik.out"),
            "/NOINTRO\ntwo words\nexact=/NOINTRO  \"two words\"\n" + std::string(real) + "\n");
  ASSERT_EQ(ReadLaunchRecords().size(), 1u);  // still recorded

  // Documents stay recorded only, even then.
  ASSERT_TRUE(ShellOpen("https://example.com"));
  EXPECT_EQ(ReadLaunchRecords().size(), 2u);
}

TEST_F(Launch, WithoutRecorderProgramsStartDetached) {
  ScopedEnv off("VIDARRO_LAUNCH_RECORD", std::nullopt);
  MakeEchoProgram("Auvry");
  ASSERT_TRUE(ShellOpen("Auvry.exe", "x \"\" y"));
  ASSERT_TRUE(test::EventuallyTrue([&] { return FileExists(dir_ + "Auvry.out"); }));
  EXPECT_EQ(test::ReadText(dir_ + "Auvry.out").substr(0, 5), "x\n\ny\n");
  EXPECT_FALSE(StartDetached("Missing.exe", ""));
  EXPECT_FALSE(ShellOpen(dir_ + "missing.pdf"));
  // Without a desktop, documents are not handed to anything that could take over the terminal.
  ScopedEnv noX("DISPLAY", std::nullopt);
  ScopedEnv noWayland("WAYLAND_DISPLAY", std::nullopt);
  ASSERT_TRUE(test::WriteText(dir_ + "Guide.pdf", "%PDF"));
  EXPECT_FALSE(ShellOpen(dir_ + "Guide.pdf"));
  EXPECT_FALSE(FileExists(dir_ + "launches.log"));
}

TEST(Programs, NamesMapToTheApplicationFolder) {
  ScopedEnv app("VIDARRO_APP_DIR", "/opt/vidarro");
  EXPECT_EQ(ResolveProgram("Quillon.exe"), "/opt/vidarro/Quillon");
  EXPECT_EQ(ResolveProgram("1031/Tool.EXE"), "1031/Tool");
  EXPECT_EQ(ResolveProgram("/usr/local/x.exe"), "/usr/local/x");
  const std::string sh = ResolveProgram("sh");  // from the PATH
  EXPECT_EQ(sh.substr(sh.size() - 3), "/sh");
  EXPECT_EQ(ResolveProgram("no-such-program-here"), "");
  EXPECT_TRUE(IsSuiteProgram("/opt/vidarro/Wendrel"));
  EXPECT_FALSE(IsSuiteProgram("/opt/vidarro/sub/Wendrel"));
  EXPECT_FALSE(IsSuiteProgram(""));
}

}  // namespace
}  // namespace platform
