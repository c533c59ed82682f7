#include "platform/base/file.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "test_support.h"

namespace platform {
namespace {

int CountEntries(const std::string& folder) {
  int n = 0;
  if (DIR* d = opendir(folder.c_str())) {
    while (dirent* e = readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") ++n;
    closedir(d);
  }
  return n;
}

TEST(File, WriteReadSeekAndTruncate) {
  const std::string dir = test::FreshFolder("file");
  const std::string path = dir + "a.bin";
  {
    File f;
    ASSERT_TRUE(f.Open(path, FileMode::Create));
    ASSERT_TRUE(f.Write("hello world"));
    std::int64_t pos = 0;
    ASSERT_TRUE(f.Seek(6, SeekFrom::Begin, &pos));
    EXPECT_EQ(pos, 6);
    ASSERT_TRUE(f.Write("WORLD"));
    EXPECT_TRUE(f.Close());
  }
  EXPECT_EQ(test::ReadText(path), "hello WORLD");

  File f(path, FileMode::ReadWrite);
  ASSERT_TRUE(f.IsOpen());
  char buf[5];
  ASSERT_TRUE(f.Seek(-5, SeekFrom::End));
  ASSERT_TRUE(f.ReadExact(buf, 5));
  EXPECT_EQ(std::string(buf, 5), "WORLD");
  std::size_t got = 99;
  ASSERT_TRUE(f.Read(buf, sizeof buf, &got));
  EXPECT_EQ(got, 0u);  // end of file
  EXPECT_FALSE(f.ReadExact(buf, 1));
  ASSERT_TRUE(f.Truncate(5));
  EXPECT_EQ(f.Size(), 5);
  EXPECT_TRUE(f.Close());

  // Create truncates; CreateNew refuses an existing file; Append adds at the end.
  ASSERT_TRUE(test::WriteText(path, "x"));
  EXPECT_EQ(test::ReadText(path), "x");
  File again;
  EXPECT_FALSE(again.Open(path, FileMode::CreateNew));
  EXPECT_EQ(again.LastError(), EEXIST);
  File tail(path, FileMode::Append);
  ASSERT_TRUE(tail.Seek(0, SeekFrom::Begin));
  ASSERT_TRUE(tail.Write("yz"));
  EXPECT_TRUE(tail.Close());
  EXPECT_EQ(test::ReadText(path), "xyz");
}

TEST(File, OffsetsBeyond4GiB) {
  const std::string path = test::FreshFolder("big") + "sparse.bin";
  const std::int64_t far = (5LL << 30) + 3;
  File f(path, FileMode::Create);
  ASSERT_TRUE(f.Seek(far, SeekFrom::Begin));
  ASSERT_TRUE(f.Write("!", 1));
  EXPECT_EQ(f.Size(), far + 1);
  EXPECT_EQ(f.Position(), far + 1);
  EXPECT_TRUE(f.Close());
  EXPECT_EQ(FileSize(path), far + 1);
}

TEST(File, FailuresAreReportedNotHidden) {
  const std::string dir = test::FreshFolder("fail");
  File missing;
  EXPECT_FALSE(missing.Open(dir + "none", FileMode::Read));
  EXPECT_EQ(missing.LastError(), ENOENT);
  char c;
  std::size_t got;
  EXPECT_FALSE(missing.Read(&c, 1, &got));
  EXPECT_FALSE(missing.Write("x", 1));

  File folder;
  EXPECT_FALSE(folder.Open(dir, FileMode::Read));
  EXPECT_EQ(folder.LastError(), EISDIR);

  // A full disk: the write fails and so does the close that follows it.
  File full;
  ASSERT_TRUE(full.Open("/dev/full", FileMode::Create));
  EXPECT_FALSE(full.Write(std::string(100, 'x')));
  EXPECT_EQ(full.LastError(), ENOSPC);
  EXPECT_FALSE(full.Close());
  EXPECT_TRUE(full.Close());  // nothing open any more, nothing failed since

  // Moving keeps the failure with the descriptor.
  File a;
  ASSERT_TRUE(a.Open("/dev/full", FileMode::Create));
  EXPECT_FALSE(a.Write("x", 1));
  File b(std::move(a));
  EXPECT_FALSE(a.IsOpen());
  EXPECT_FALSE(b.Close());
}

TEST(File, FoldersExistenceAndDelete) {
  const std::string dir = test::FreshFolder("folders");
  EXPECT_TRUE(CreateFolders(dir + "a/b/c/"));
  EXPECT_TRUE(FolderExists(dir + "a/b/c"));
  EXPECT_TRUE(CreateFolders(dir + "a/b/c"));  // already there
  ASSERT_TRUE(test::WriteText(dir + "a/file", "x"));
  EXPECT_FALSE(CreateFolders(dir + "a/file/sub"));
  EXPECT_TRUE(FileExists(dir + "a/file"));
  EXPECT_FALSE(FileExists(dir + "a"));
  EXPECT_FALSE(FolderExists(dir + "a/file"));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(DeleteFile(dir + "a/file"));
  EXPECT_FALSE(DeleteFile(dir + "a/file"));
  EXPECT_EQ(FileSize(dir + "a/file"), -1);
}

TEST(File, CopyReplacesOnlyWhenComplete) {
  const std::string dir = test::FreshFolder("copy");
  ASSERT_TRUE(test::WriteText(dir + "src.sh", "#!/bin/sh\necho hi\n", 0750));
  ASSERT_TRUE(CopyFile(dir + "src.sh", dir + "dst.sh", false));
  EXPECT_EQ(test::ReadText(dir + "dst.sh"), "#!/bin/sh\necho hi\n");
  struct stat st;
  ASSERT_EQ(stat((dir + "dst.sh").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0750u);

  ASSERT_TRUE(test::WriteText(dir + "keep", "old"));
  EXPECT_FALSE(CopyFile(dir + "src.sh", dir + "keep", true));
  EXPECT_EQ(test::ReadText(dir + "keep"), "old");
  EXPECT_FALSE(CopyFile(dir + "missing", dir + "keep", false));
  EXPECT_EQ(test::ReadText(dir + "keep"), "old");
  EXPECT_FALSE(CopyFile(dir, dir + "keep", false));  // a folder is not copied as a file
  EXPECT_TRUE(CopyFile(dir + "src.sh", dir + "keep", false));
  EXPECT_EQ(test::ReadText(dir + "keep"), "#!/bin/sh\necho hi\n");
  EXPECT_TRUE(CopyFile(dir + "keep", dir + "keep", false));
  EXPECT_EQ(test::ReadText(dir + "keep"), "#!/bin/sh\necho hi\n");
  EXPECT_EQ(CountEntries(dir), 3);  // no partial copies left behind
}

TEST(File, WholeFileHelpers) {
  const std::string dir = test::FreshFolder("whole");
  std::string text(200000, 'a');
  text[1234] = '\0';
  ASSERT_TRUE(WriteWholeFileAtomic(dir + "w", text));
  std::string back;
  ASSERT_TRUE(ReadWholeFile(dir + "w", &back));
  EXPECT_EQ(back, text);
  ASSERT_TRUE(WriteWholeFileAtomic(dir + "w", "short"));
  EXPECT_EQ(test::ReadText(dir + "w"), "short");
  EXPECT_FALSE(WriteWholeFileAtomic(dir + "nofolder/w", "x"));
  EXPECT_FALSE(ReadWholeFile(dir + "none", &back));
  EXPECT_EQ(CountEntries(dir), 1);
}

TEST(File, FreeSpaceOfTheFileSystemHoldingAPath) {
  const std::string dir = test::FreshFolder("space");
  DiskSpace here, deeper;
  ASSERT_TRUE(GetDiskSpace(dir, &here));
  EXPECT_GT(here.total, 0u);
  EXPECT_LE(here.available, here.free);
  EXPECT_LE(here.free, here.total);
  // A file that does not exist yet is answered for the folder that will hold it.
  ASSERT_TRUE(GetDiskSpace(dir + "not/yet/made.mpg", &deeper));
  EXPECT_EQ(deeper.total, here.total);
  EXPECT_GT(FreeSpace(dir + "x"), 0u);
  EXPECT_EQ(FreeSpace(""), 0u);
}

}  // namespace
}  // namespace platform
