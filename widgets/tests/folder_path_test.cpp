#include "widgets/folder_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/base/message_box.h"
#include "platform/base/module.h"
#include "platform/base/paths.h"
#include "platform/window/afx_app.h"

namespace fs = std::filesystem;

namespace {

class FolderPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = platform::TempFolder() + "folders_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }
  std::string root_;
};

}  // namespace

TEST(FolderName, RefusesEdgesAndReservedCharacters) {
  EXPECT_TRUE(IsValidFolderName("Videos 2024"));
  EXPECT_TRUE(IsValidFolderName("a.b"));
  for (const char* bad : {"", ".hidden", "trailing ", " leading", "\tx", "x.", "a*b", "a/b", "a:b", "a<b", "a>b", "a?b",
                          "a\\b", "a|b", "a\"b"}) {
    EXPECT_FALSE(IsValidFolderName(bad)) << bad;
  }
  EXPECT_FALSE(IsValidFolderName(static_cast<LPCSTR>(nullptr)));
  EXPECT_TRUE(IsValidFolderName(std::string(255, 'n')));
  EXPECT_FALSE(IsValidFolderName(std::string(256, 'n')));
}

TEST_F(FolderPathTest, CheckOnlyCreatesNothing) {
  EXPECT_EQ(CheckFolderPath("/", TRUE), FOLDER_PATH_VALID);
  EXPECT_EQ(CheckFolderPath("/", FALSE), FOLDER_PATH_VALID);
  EXPECT_EQ(CheckFolderPath(nullptr, TRUE), FOLDER_PATH_INVALID_NAME);
  EXPECT_EQ(CheckFolderPath("relative/path", TRUE), FOLDER_PATH_INVALID_NAME);
  EXPECT_EQ(CheckFolderPath("C:\\Videos", TRUE), FOLDER_PATH_INVALID_NAME);
  EXPECT_EQ(CheckFolderPath((root_ + "/a/").c_str(), TRUE), FOLDER_PATH_INVALID_NAME);
  EXPECT_EQ(CheckFolderPath((root_ + "//a").c_str(), TRUE), FOLDER_PATH_INVALID_NAME);
  EXPECT_EQ(CheckFolderPath((root_ + "/.a").c_str(), TRUE), FOLDER_PATH_INVALID_NAME);
  EXPECT_EQ(CheckFolderPath((root_ + "/a /b").c_str(), TRUE), FOLDER_PATH_INVALID_NAME);
  EXPECT_EQ(CheckFolderPath((root_ + "/new/deeper").c_str(), TRUE), FOLDER_PATH_VALID);
  EXPECT_FALSE(fs::exists(root_ + "/new"));
}

TEST_F(FolderPathTest, CreatesNestedFoldersOfFullLength) {
  // Longer than the 260 characters paths once were cut to.
  std::string path = root_;
  while (path.size() < 600) path += "/" + std::string(120, 'd');
  ASSERT_EQ(CheckFolderPath(path.c_str(), FALSE), FOLDER_PATH_VALID);
  EXPECT_TRUE(fs::is_directory(path));
  // Beyond what a path may hold: refused, nothing made.
  const std::string huge = root_ + "/x" + std::string(4100, 'y');
  EXPECT_EQ(CheckFolderPath(huge.c_str(), FALSE), FOLDER_PATH_INVALID_NAME);
}

TEST_F(FolderPathTest, AFileInTheWayOrAReadOnlyParentIsNotCreated) {
  std::ofstream(root_ + "/file") << "x";
  EXPECT_EQ(CheckFolderPath((root_ + "/file").c_str(), FALSE), FOLDER_PATH_NOT_CREATED);
  EXPECT_EQ(CheckFolderPath((root_ + "/file/sub").c_str(), FALSE), FOLDER_PATH_NOT_CREATED);
  if (geteuid() != 0) {
    fs::create_directory(root_ + "/locked");
    chmod((root_ + "/locked").c_str(), 0500);
    EXPECT_EQ(CheckFolderPath((root_ + "/locked/sub").c_str(), FALSE), FOLDER_PATH_NOT_CREATED);
    chmod((root_ + "/locked").c_str(), 0700);
  }
}

TEST_F(FolderPathTest, ValidateAsksBeforeCreating) {
  platform::MessageBoxRecorder boxes;
  // An existing folder: no question.
  EXPECT_EQ(ValidateFolder(root_.c_str(), "Vidarro"), 0);
  EXPECT_EQ(boxes.Count(), 0u);
  // A missing one: asked; No leaves it missing, Yes makes it.
  const std::string wanted = root_ + "/out/clips";
  boxes.QueueAnswer(IDNO);
  EXPECT_EQ(ValidateFolder(wanted.c_str(), "Vidarro"), -1);
  EXPECT_FALSE(fs::exists(wanted));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().flags, MB_YESNO | MB_ICONQUESTION);
  EXPECT_EQ(boxes.Last().caption, "Vidarro");
  EXPECT_EQ(boxes.Last().text.rfind(wanted + "\n\n", 0), 0u);
  boxes.QueueAnswer(IDYES);
  EXPECT_EQ(ValidateFolder(wanted.c_str(), "Vidarro"), 0);
  EXPECT_TRUE(fs::is_directory(wanted));
  // An invalid name: refused without a question.
  boxes.Clear();
  EXPECT_EQ(ValidateFolder((root_ + "/bad?name").c_str(), "Vidarro"), -1);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().flags, MB_ICONEXCLAMATION);
  EXPECT_NE(boxes.Last().text.find("Invalid folder name"), std::string::npos);
}

TEST_F(FolderPathTest, QuestionsComeFromTheSharedLibraryWhateverModuleIsCurrent) {
  // A program's own language library numbers 102 and 103 differently (the wizard's is a font).
  HMODULE own = LoadLibrary("WidgetsTestUI.dll");
  HMODULE ui = LoadLibrary(kSharedUiLibrary);
  ASSERT_NE(own, nullptr);
  ASSERT_NE(ui, nullptr);
  const HINSTANCE before = AfxGetResourceHandle();
  AfxSetResourceHandle(own);
  platform::MessageBoxRecorder boxes;
  boxes.QueueAnswer(IDNO);
  const std::string wanted = root_ + "/new";
  EXPECT_EQ(ValidateFolder(wanted.c_str(), "Wendrel"), -1);
  EXPECT_EQ(ValidateFolder((root_ + "/bad|name").c_str(), "Wendrel"), -1);
  AfxSetResourceHandle(before);
  ASSERT_EQ(boxes.Count(), 2u);
  EXPECT_EQ(boxes.Calls()[0].text, wanted + "\n\ndoes not exit.  Do you want to create one?");
  EXPECT_EQ(boxes.Calls()[0].caption, "Wendrel");
  EXPECT_EQ(boxes.Calls()[1].text,
            root_ + "/bad|name \n\nInvalid folder name.  Please use another name for the foler.");
  FreeLibrary(ui);
  FreeLibrary(own);
}
