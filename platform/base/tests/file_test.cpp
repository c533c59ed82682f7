#include "platform/base/file.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "fifo_guard.h"
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

  // A full disk (the file-size limit of a child stands in for one): the write fails and so
  // does the close that follows it; moving keeps the failure with the descriptor.
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{10, 10};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(10);
    File full;
    if (!full.Open(dir + "full", FileMode::Create)) _exit(11);
    if (full.Write(std::string(100, 'x')) || full.LastError() != EFBIG) _exit(12);
    if (full.Close()) _exit(13);
    if (!full.Close()) _exit(14);  // nothing open any more, nothing failed since
    File a;
    if (!a.Open(dir + "full", FileMode::Create) || a.Write(std::string(100, 'x'))) _exit(15);
    File b(std::move(a));
    if (a.IsOpen() || b.Close()) _exit(16);
    _exit(0);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
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

TEST(File, AMoveWithoutReplacingLeavesWhatHoldsTheName) {
  const std::string dir = test::FreshFolder("noreplace");
  ASSERT_TRUE(test::WriteText(dir + "a", "mine"));
  ASSERT_TRUE(test::WriteText(dir + "b", "theirs"));
  errno = 0;
  EXPECT_FALSE(MoveFileWithoutReplacing(dir + "a", dir + "b"));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(test::ReadText(dir + "a"), "mine");
  EXPECT_EQ(test::ReadText(dir + "b"), "theirs");
  // A link pointing nowhere still holds its name.
  ASSERT_EQ(::symlink((dir + "nowhere").c_str(), (dir + "dangling").c_str()), 0);
  EXPECT_FALSE(MoveFileWithoutReplacing(dir + "a", dir + "dangling"));
  EXPECT_TRUE(MoveFileWithoutReplacing(dir + "a", dir + "c"));
  EXPECT_FALSE(FileExists(dir + "a"));
  EXPECT_EQ(test::ReadText(dir + "c"), "mine");
  EXPECT_FALSE(MoveFileWithoutReplacing(dir + "a", dir + "d"));  // nothing to move
  EXPECT_NE(errno, EEXIST);
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

// A FIFO blocked open() until a peer came; now it is refused at once in every mode, and the
// careful writer refuses to replace one.
TEST(File, FifosAndOtherNonRegularFilesAreRefusedWithoutBlocking) {
  const std::string dir = test::FreshFolder("fifo");
  test::FifoGuard fifo(dir + "pipe");
  ASSERT_TRUE(fifo.Made());
  for (FileMode mode : {FileMode::Read, FileMode::ReadWrite, FileMode::Create, FileMode::Append}) {
    File f;
    EXPECT_FALSE(f.Open(fifo.Path(), mode)) << static_cast<int>(mode);
    EXPECT_NE(f.LastError(), 0);  // EINVAL, or ENXIO for writing with no reader
  }
  std::string text;
  EXPECT_FALSE(ReadWholeFile(fifo.Path(), &text));
  EXPECT_FALSE(ReadWholeFile("/dev/zero", &text));
  EXPECT_FALSE(WriteWholeFileAtomic(fifo.Path(), "x"));
  EXPECT_FALSE(CopyFile(fifo.Path(), dir + "copy", false));
  FileReplacement replacement;
  EXPECT_FALSE(replacement.Begin(dir));
  EXPECT_EQ(CountEntries(dir), 1);  // the FIFO alone, no temporary left
}

TEST(File, LimitedReadRefusesWhatIsTooLong) {
  const std::string dir = test::FreshFolder("limited");
  ASSERT_TRUE(WriteWholeFileAtomic(dir + "f", std::string(100, 'x')));
  std::string text;
  EXPECT_TRUE(ReadWholeFileLimited(dir + "f", 100, &text));
  EXPECT_EQ(text.size(), 100u);
  text = "kept";
  EXPECT_FALSE(ReadWholeFileLimited(dir + "f", 99, &text));
  EXPECT_EQ(errno, EFBIG);
  EXPECT_EQ(text, "kept");
}

TEST(File, ReplacementKeepsModeWritesThroughLinksAndLeavesNothingWhenAbandoned) {
  const std::string dir = test::FreshFolder("replace");
  ASSERT_TRUE(WriteWholeFileAtomic(dir + "secret", "old", 0600));
  struct stat st;
  ASSERT_EQ(stat((dir + "secret").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(chmod((dir + "secret").c_str(), 0640), 0);
  ASSERT_EQ(symlink("secret", (dir + "link").c_str()), 0);
  {
    FileReplacement r;
    ASSERT_TRUE(r.Begin(dir + "link"));
    ASSERT_TRUE(r.Write("new"));
    EXPECT_EQ(test::ReadText(dir + "secret"), "old");  // untouched until the commit
    ASSERT_TRUE(r.Commit());
  }
  EXPECT_EQ(test::ReadText(dir + "secret"), "new");
  ASSERT_EQ(lstat((dir + "link").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat((dir + "secret").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  {
    FileReplacement r;
    ASSERT_TRUE(r.Begin(dir + "secret"));
    ASSERT_TRUE(r.Write("never"));
  }
  EXPECT_EQ(test::ReadText(dir + "secret"), "new");
  EXPECT_EQ(CountEntries(dir), 2);
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
