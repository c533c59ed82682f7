#include "platform/base/file_system.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/base/local_time.h"

namespace platform {
namespace {

TEST(FileSystem, RealFolderAnswersSpaceAndLargeFiles) {
  const std::string home = std::getenv("HOME");
  std::uint64_t bytes = 0;
  EXPECT_TRUE(FolderFreeBytes(home, &bytes));
  EXPECT_GT(bytes, 0u);
  // A folder still to be made is answered for the nearest one that exists.
  EXPECT_TRUE(FolderFreeBytes(home + "/not/made/yet", &bytes));
  EXPECT_NE(FolderHoldsLargeFiles(home + "/not/made/yet"), LargeFiles::Unknown);
  EXPECT_FALSE(FolderFreeBytes("", &bytes));
  EXPECT_EQ(FolderHoldsLargeFiles(""), LargeFiles::Unknown);
}

TEST(FileSystem, InstalledSourceAnswersBothUntilRemoved) {
  FixedFileSystem stick(1024, LargeFiles::No);
  {
    ScopedFileSystem use(stick);
    std::uint64_t bytes = 0;
    EXPECT_TRUE(FolderFreeBytes("/anywhere", &bytes));
    EXPECT_EQ(bytes, 1024u);
    EXPECT_EQ(FolderHoldsLargeFiles("/anywhere"), LargeFiles::No);
    stick.SetFreeBytes(0);
    EXPECT_TRUE(FolderFreeBytes("/anywhere", &bytes));
    EXPECT_EQ(bytes, 0u);

    FixedFileSystem broken(0, LargeFiles::Unknown, true);
    ScopedFileSystem nested(broken);
    EXPECT_FALSE(FolderFreeBytes("/anywhere", &bytes));
    EXPECT_EQ(FolderHoldsLargeFiles("/anywhere"), LargeFiles::Unknown);
  }
  EXPECT_EQ(&CurrentFileSystem(), SetFileSystemSource(nullptr));
  EXPECT_NE(FolderHoldsLargeFiles(std::getenv("HOME")), LargeFiles::Unknown);
}

TEST(LocalTime, FixedSourceNamesFiles) {
  FixedLocalTime fixed(2026, 12, 9, 7, 5, 3);
  {
    ScopedLocalTime use(fixed);
    EXPECT_EQ(FormatLocalNow("DVD_%H%M%S"), "DVD_070503");
    EXPECT_EQ(FormatLocalNow("%Y-%m-%d %a"), "2026-12-09 Wed");
    fixed.Set(2027, 1, 31, 23, 59, 60);  // a leap second rolls over
    EXPECT_EQ(FormatLocalNow("%Y%m%d%H%M%S"), "20270201000000");
  }
  // The real clock is back: the year is no longer the fixed one's.
  EXPECT_NE(LocalNow().tm_year, 2027 - 1900);
}

}  // namespace
}  // namespace platform
