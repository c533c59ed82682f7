#include <gtest/gtest.h>

#include <cctype>

#include "platform/base/file.h"
#include "test_support.h"

namespace platform {
namespace {

// Each test trashes into a data folder of its own, so earlier runs never change the names.
class Trash : public ::testing::Test {
 protected:
  void SetUp() override { data_ = std::make_unique<test::ScopedEnv>("XDG_DATA_HOME", test::FreshFolder("data")); }
  std::unique_ptr<test::ScopedEnv> data_;
};

std::string InfoOf(const std::string& entry) { return test::ReadText(TrashFolder() + "info/" + entry + ".trashinfo"); }

TEST_F(Trash, FileGoesToTrashWithItsRecord) {
  const std::string dir = test::FreshFolder("trash a");
  const std::string path = dir + "clip 100%.mpg";
  ASSERT_TRUE(test::WriteText(path, "video"));
  ASSERT_TRUE(MoveToTrash(path));
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(TrashFolder(), LocalAppDataFolder() + "Trash/");
  EXPECT_EQ(test::ReadText(TrashFolder() + "files/clip 100%.mpg"), "video");

  const std::string info = InfoOf("clip 100%.mpg");
  // Path is the original absolute path with unsafe bytes escaped; the date is local time.
  std::string encodedDir;
  for (char c : dir) encodedDir += c == ' ' ? std::string("%20") : std::string(1, c);
  EXPECT_EQ(info.rfind("[Trash Info]\n", 0), 0u);
  EXPECT_NE(info.find("\nPath=" + encodedDir + "clip%20100%25.mpg\n"), std::string::npos) << info;
  const auto date = info.find("\nDeletionDate=");
  ASSERT_NE(date, std::string::npos) << info;
  const std::string value = info.substr(date + 14);
  const std::string shape = "dddd-dd-ddTdd:dd:dd\n";  // d: a digit
  ASSERT_EQ(value.size(), shape.size()) << info;
  for (std::size_t i = 0; i < shape.size(); ++i)
    EXPECT_TRUE(shape[i] == 'd' ? std::isdigit(static_cast<unsigned char>(value[i])) != 0 : value[i] == shape[i])
        << value;
}

TEST_F(Trash, SameNamesGetUniqueEntries) {
  const std::string dir = test::FreshFolder("trash-b");
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(test::WriteText(dir + "same.txt", std::to_string(i)));
    ASSERT_TRUE(MoveToTrash(dir + "same.txt"));
  }
  EXPECT_EQ(test::ReadText(TrashFolder() + "files/same.txt"), "0");
  EXPECT_EQ(test::ReadText(TrashFolder() + "files/same.2.txt"), "1");
  EXPECT_EQ(test::ReadText(TrashFolder() + "files/same.3.txt"), "2");
  EXPECT_NE(InfoOf("same.3.txt").find("Path=" + dir + "same.txt\n"), std::string::npos);

  // An item without a record (left by some crash) never gets overwritten.
  ASSERT_TRUE(test::WriteText(TrashFolder() + "files/stray.txt", "stray"));
  ASSERT_TRUE(test::WriteText(dir + "stray.txt", "mine"));
  ASSERT_TRUE(MoveToTrash(dir + "stray.txt"));
  EXPECT_EQ(test::ReadText(TrashFolder() + "files/stray.txt"), "stray");
  EXPECT_EQ(test::ReadText(TrashFolder() + "files/stray.2.txt"), "mine");
  EXPECT_FALSE(FileExists(TrashFolder() + "info/stray.txt.trashinfo"));
}

TEST_F(Trash, FoldersAndFailures) {
  const std::string dir = test::FreshFolder("trash-c");
  ASSERT_TRUE(CreateFolders(dir + "project/Temp"));
  ASSERT_TRUE(test::WriteText(dir + "project/Temp/x", "x"));
  ASSERT_TRUE(MoveToTrash(dir + "project/"));
  EXPECT_FALSE(FolderExists(dir + "project"));
  EXPECT_EQ(test::ReadText(TrashFolder() + "files/project/Temp/x"), "x");
  EXPECT_FALSE(InfoOf("project").empty());

  EXPECT_FALSE(MoveToTrash(dir + "missing.mpg"));
  EXPECT_FALSE(FileExists(TrashFolder() + "info/missing.mpg.trashinfo"));
}

}  // namespace
}  // namespace platform
