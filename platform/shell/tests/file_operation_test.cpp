#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/base/file.h"
#include "platform/shell/file_operation.h"
#include "platform/testkit/testkit.h"

namespace {

using namespace testkit;
namespace fs = std::filesystem;

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class FileOperationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControls();
    src_ = env_.Documents() + "src/";
    dst_ = env_.Documents() + "dst/";
    fs::create_directories(src_ + "clips");
    fs::create_directories(dst_);
    std::ofstream(src_ + "a.mpg") << "new a";
    std::ofstream(src_ + "clips/b.mpg") << "clip b";
    std::ofstream(dst_ + "a.mpg") << "old a";
  }
  void TearDown() override {
    platform::ClearInputScript();
    ResetWindows();
  }

  // Lists end with an extra NUL.
  static std::string List(std::initializer_list<std::string> paths) {
    std::string out;
    for (const auto& p : paths) out += p + '\0';
    return out + '\0';
  }

  SHFILEOPSTRUCT Op(UINT func, const std::string& from, const std::string& to, FILEOP_FLAGS flags) {
    from_ = from;
    to_ = to;
    SHFILEOPSTRUCT op;
    op.wFunc = func;
    op.pFrom = from_.c_str();
    op.pTo = to_.empty() ? nullptr : to_.c_str();
    op.fFlags = flags;
    return op;
  }

  Environment env_{CurrentTestName()};
  ManualTime time_;
  MessageBoxAnswers boxes_;
  std::string src_, dst_, from_, to_;
};

TEST_F(FileOperationTest, CopyAsksBeforeReplacingAndCopiesFoldersWhole) {
  boxes_.QueueAnswer(IDYES);
  std::string picture;
  WhenDialogShows([&](HWND d) { picture = WritePicture(d, "file_copy_progress.png"); });
  SHFILEOPSTRUCT op = Op(FO_COPY, List({src_ + "a.mpg", src_ + "clips"}), List({dst_}), 0);
  EXPECT_EQ(0, SHFileOperation(&op));
  EXPECT_FALSE(op.fAnyOperationsAborted);
  EXPECT_EQ("new a", Read(dst_ + "a.mpg"));
  EXPECT_EQ("clip b", Read(dst_ + "clips/b.mpg"));
  EXPECT_EQ("new a", Read(src_ + "a.mpg"));
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ("Confirm File Replace", boxes_.Last().caption);
  EXPECT_NE(std::string::npos, boxes_.Last().text.find("'a.mpg'"));
  EXPECT_FALSE(picture.empty());
}

TEST_F(FileOperationTest, DecliningAReplaceKeepsTheOldFileAndReportsTheAbort) {
  boxes_.QueueAnswer(IDNO);
  SHFILEOPSTRUCT op = Op(FO_COPY, List({src_ + "a.mpg", src_ + "clips"}), List({dst_}), FOF_SILENT);
  EXPECT_EQ(0, SHFileOperation(&op));
  EXPECT_TRUE(op.fAnyOperationsAborted);
  EXPECT_EQ("old a", Read(dst_ + "a.mpg"));
  EXPECT_EQ("clip b", Read(dst_ + "clips/b.mpg"));
}

TEST_F(FileOperationTest, CancellingTheQuestionStopsEverything) {
  boxes_.QueueAnswer(IDCANCEL);
  SHFILEOPSTRUCT op = Op(FO_COPY, List({src_ + "a.mpg", src_ + "clips"}), List({dst_}), FOF_SILENT);
  EXPECT_EQ(DE_OPCANCELLED, SHFileOperation(&op));
  EXPECT_TRUE(op.fAnyOperationsAborted);
  EXPECT_FALSE(fs::exists(dst_ + "clips"));
}

TEST_F(FileOperationTest, CancelOnTheProgressWindowLeavesNoHalfFile) {
  AnswerWithButton(IDCANCEL);
  SHFILEOPSTRUCT op = Op(FO_COPY, List({src_ + "clips/b.mpg"}), List({dst_ + "copy.mpg"}), 0);
  EXPECT_EQ(DE_OPCANCELLED, SHFileOperation(&op));
  EXPECT_TRUE(op.fAnyOperationsAborted);
  EXPECT_FALSE(fs::exists(dst_ + "copy.mpg"));
  EXPECT_FALSE(fs::exists(dst_ + "copy.mpg.part"));
}

TEST_F(FileOperationTest, DeleteWithUndoGoesToTheTrashAfterAsking) {
  boxes_.QueueAnswer(IDYES);
  SHFILEOPSTRUCT op = Op(FO_DELETE, List({src_ + "clips"}), "", FOF_ALLOWUNDO);
  EXPECT_EQ(0, SHFileOperation(&op));
  EXPECT_FALSE(fs::exists(src_ + "clips"));
  EXPECT_TRUE(fs::exists(platform::TrashFolder() + "files/clips/b.mpg"));
  EXPECT_TRUE(fs::exists(platform::TrashFolder() + "info/clips.trashinfo"));
  EXPECT_NE(std::string::npos, boxes_.Last().text.find("to the Trash"));
}

TEST_F(FileOperationTest, ADeclinedDeleteKeepsTheFiles) {
  boxes_.QueueAnswer(IDNO);
  SHFILEOPSTRUCT op = Op(FO_DELETE, List({src_ + "a.mpg"}), "", 0);
  EXPECT_EQ(DE_OPCANCELLED, SHFileOperation(&op));
  EXPECT_TRUE(op.fAnyOperationsAborted);
  EXPECT_TRUE(fs::exists(src_ + "a.mpg"));
}

TEST_F(FileOperationTest, MoveRenameAndMissingSources) {
  SHFILEOPSTRUCT move = Op(FO_MOVE, List({src_ + "clips"}), List({dst_}), FOF_SILENT | FOF_NOCONFIRMATION);
  EXPECT_EQ(0, SHFileOperation(&move));
  EXPECT_EQ("clip b", Read(dst_ + "clips/b.mpg"));
  EXPECT_FALSE(fs::exists(src_ + "clips"));
  SHFILEOPSTRUCT rename = Op(FO_RENAME, List({dst_ + "clips"}), List({dst_ + "kept"}), 0);
  EXPECT_EQ(0, SHFileOperation(&rename));
  EXPECT_TRUE(fs::exists(dst_ + "kept/b.mpg"));
  SHFILEOPSTRUCT missing = Op(FO_COPY, List({src_ + "none.mpg"}), List({dst_}), FOF_SILENT);
  EXPECT_EQ(DE_SOURCEMISSING, SHFileOperation(&missing));
  EXPECT_NE(std::string::npos, boxes_.Last().text.find("none.mpg"));
  SHFILEOPSTRUCT same = Op(FO_COPY, List({src_ + "a.mpg"}), List({src_ + "a.mpg"}), FOF_SILENT | FOF_NOERRORUI);
  EXPECT_EQ(DE_SAMEFILE, SHFileOperation(&same));
  EXPECT_EQ("new a", Read(src_ + "a.mpg"));
}

}  // namespace
