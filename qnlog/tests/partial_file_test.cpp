#include "qnlog/partial_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class PartialFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/partial_file_test/";
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  std::string folder_;
};

TEST_F(PartialFileTest, NamesHaveTheFormTheSweepLooksFor) {
  EXPECT_EQ("/out/.M4V00001.part42.MP4", PartialFilePath("/out/M4V00001.MP4", 42, 1));
  EXPECT_EQ("/out/.clip.part42-3.mp4", PartialFilePath("/out/clip.mp4", 42, 3));
  EXPECT_EQ(".noext.part7", PartialFilePath("noext", 7, 1));
  for (const char* name : {".M4V00001.part42.MP4", ".clip.part42-3.mp4", ".noext.part7", ".a.b.part1.mp4"})
    EXPECT_TRUE(IsPartialFileName(name)) << name;
  // The user's own files, hidden or not, are never taken for one.
  for (const char* name : {"M4V00001.MP4", "clip.part42.mp4", ".clip.part.mp4", ".clip.partx.mp4", ".part",
                           ".clip.part42-.mp4", ".clip.part42x.mp4", ".bashrc", ".clip.mp4"})
    EXPECT_FALSE(IsPartialFileName(name)) << name;
}

TEST_F(PartialFileTest, TheSweepRemovesOnlyPartialFilesWithoutALiveOwner) {
  // Left by a converter that was killed: its lock went with it.
  const std::string abandoned = PartialFilePath(folder_ + "old.mp4", 99999, 1);
  std::ofstream(abandoned) << "half a file";
  // Held by a converter still running, in another process and in this one.
  const std::string theirs = PartialFilePath(folder_ + "theirs.mp4", 1234, 1);
  int ready[2];
  ASSERT_EQ(0, pipe(ready));
  const pid_t other = fork();
  ASSERT_GE(other, 0);
  if (other == 0) {
    COwnedPartial held;
    const char answer = held.Create(theirs) ? 'y' : 'n';
    (void)!write(ready[1], &answer, 1);
    pause();
    _exit(0);
  }
  char answer = 0;
  ASSERT_EQ(1, read(ready[0], &answer, 1));
  ASSERT_EQ('y', answer);
  COwnedPartial mine;
  const std::string ours = PartialFilePath(folder_ + "ours.mp4", ::getpid(), 1);
  ASSERT_TRUE(mine.Create(ours));
  // Not ours to judge: the user's files, a folder of the partial form.
  std::ofstream(folder_ + "holiday.mp4") << "user";
  std::ofstream(folder_ + ".hidden") << "user";
  fs::create_directories(PartialFilePath(folder_ + "dir.mp4", 5, 1));

  EXPECT_EQ(1, RemoveAbandonedPartials(folder_));
  EXPECT_FALSE(fs::exists(abandoned));
  EXPECT_TRUE(fs::exists(theirs));
  EXPECT_TRUE(fs::exists(ours));
  EXPECT_TRUE(fs::exists(folder_ + "holiday.mp4"));
  EXPECT_TRUE(fs::exists(folder_ + ".hidden"));
  EXPECT_TRUE(fs::is_directory(PartialFilePath(folder_ + "dir.mp4", 5, 1)));

  // Once their process has gone, their file is abandoned; ours, released, is too.
  kill(other, SIGKILL);
  waitpid(other, nullptr, 0);
  mine.Release();
  EXPECT_EQ(2, RemoveAbandonedPartials(folder_));
  EXPECT_FALSE(fs::exists(theirs));
  EXPECT_FALSE(fs::exists(ours));
  EXPECT_EQ(0, RemoveAbandonedPartials(folder_ + "missing/"));
}

TEST_F(PartialFileTest, ANameTakenIsNeverWrittenOver) {
  const std::string path = PartialFilePath(folder_ + "clip.mp4", ::getpid(), 1);
  std::ofstream(path) << "someone else's";
  COwnedPartial partial;
  errno = 0;
  EXPECT_FALSE(partial.Create(path));
  EXPECT_EQ(EEXIST, errno);
  EXPECT_FALSE(partial.Owned());
  std::ifstream in(path);
  std::string text;
  std::getline(in, text);
  EXPECT_EQ("someone else's", text);
}

}  // namespace
