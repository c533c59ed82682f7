#include "qnlog/file_path.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/paths.h"

namespace fs = std::filesystem;

TEST(FilePathTest, SplitsAFilePath) {
  CFilePath p("/a/b.txt");
  EXPECT_EQ(p.GetDrive(), "");
  EXPECT_EQ(p.GetFolder(0), "/a/");
  EXPECT_EQ(p.GetName(), "b");
  EXPECT_EQ(p.GetExtension(), ".txt");
  EXPECT_EQ(p.GetFileName(), "b.txt");
  EXPECT_EQ(p.GetDirectory(), "/a/");
  EXPECT_EQ(p.GetPath(), "/a/b.txt");
}

TEST(FilePathTest, FolderPartsAndOddNames) {
  CFilePath p("/home/user/My Videos/clip.final.mp4");
  EXPECT_EQ(p.GetFolderCount(), 3);
  EXPECT_EQ(p.GetFolder(1), "home");
  EXPECT_EQ(p.GetFolder(3), "My Videos");
  EXPECT_EQ(p.GetFolder(4), "");
  EXPECT_EQ(p.GetFolder(-1), "");
  EXPECT_EQ(p.GetName(), "clip.final");
  EXPECT_EQ(p.GetExtension(), ".mp4");

  CFilePath bare("clip");
  EXPECT_EQ(bare.GetDirectory(), "");
  EXPECT_EQ(bare.GetFileName(), "clip");
  EXPECT_EQ(bare.GetExtension(), "");

  CFilePath hidden("/x/.profile");
  EXPECT_EQ(hidden.GetName(), ".profile");
  EXPECT_EQ(hidden.GetExtension(), "");

  CFilePath relative("a/b/c.avi");
  EXPECT_EQ(relative.GetFolderCount(), 2);
  EXPECT_EQ(relative.GetFolder(1), "a");
}

TEST(FilePathTest, ExistingFolderBecomesTheFolder) {
  const std::string dir = platform::TempFolder() + "fp_folder/sub";
  fs::create_directories(dir);
  CFilePath p(dir);
  EXPECT_EQ(p.GetFolder(0), dir + "/");
  EXPECT_EQ(p.GetName(), "");
  EXPECT_TRUE(CFilePath::IsDirectory(dir));
  EXPECT_FALSE(CFilePath::FileExists(dir));
  EXPECT_FALSE(CFilePath::IsDirectory(dir + "/missing"));

  p.Clear();
  EXPECT_EQ(p.GetPath(), "");
  EXPECT_EQ(p.GetFolderCount(), 0);
}
