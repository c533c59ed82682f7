#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "widgets/reg_helpers.h"
#include "widgets/system_info.h"

TEST(SystemInfo, FixedAnswersOfThisSystem) {
  EXPECT_EQ(IsWow64(), FALSE);
  EXPECT_EQ(CWinVersion().GetVersion(), 10);
  // A test takes an older system's paths; objects made before keep their code.
  CWinVersion before;
  CWinVersion::SetProcessVersionCode(6);
  EXPECT_EQ(CWinVersion().GetVersion(), 6);
  EXPECT_EQ(before.GetVersion(), 10);
  CWinVersion::SetProcessVersionCode(CWinVersion::kLinuxVersionCode);
  EXPECT_EQ(CWinVersion().GetVersion(), 10);

  std::string path = "stale";
  EXPECT_EQ(CSystemInfoLauncher::GetSystemInfoPath(path), FALSE);
  EXPECT_EQ(path, "");
  CSystemInfoLauncher().OpenSystemInformation();
  const char* record = std::getenv("VIDARRO_LAUNCH_RECORD");
  ASSERT_NE(record, nullptr);
  std::ifstream launches(record);
  std::string line;
  EXPECT_FALSE(std::getline(launches, line)) << "something was started: " << line;
}

TEST(SystemInfo, ProbeFolderAccess) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string base = std::string(tmp ? tmp : "/tmp") + "/probe/";
  ::mkdir(base.c_str(), 0700);
  const std::string file = base + "file.txt";
  std::ofstream(file) << "x";
  const std::string locked = base + "locked/";
  ::mkdir(locked.c_str(), 0500);

  struct Case {
    std::string folder;
    BOOL expected;
  };
  std::vector<Case> cases = {{base, TRUE}, {base + "missing/", FALSE}, {file, FALSE}, {"", FALSE}};
  if (geteuid() != 0) cases.push_back({locked, FALSE});  // root may write anywhere
  for (const Case& c : cases) {
    BOOL folders = 7, files = 7;
    ProbeFolderAccess(c.folder.c_str(), &folders, &files);
    EXPECT_EQ(folders, c.expected) << c.folder;
    EXPECT_EQ(files, c.expected) << c.folder;
  }
  ::chmod(locked.c_str(), 0700);
}
