#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/shell/file_dialog.h"
#include "platform/testkit/testkit.h"

namespace {

using namespace testkit;

class FileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControls();
    folder_ = env_.Documents() + "clips/";
    std::filesystem::create_directories(folder_ + "older");
    for (const char* name : {"one.mpg", "two.mpg", "notes.txt"}) std::ofstream(folder_ + name) << name;
  }
  void TearDown() override {
    platform::ClearInputScript();
    ResetWindows();
  }

  OPENFILENAME Ofn(DWORD flags) {
    OPENFILENAME ofn;
    ofn.lpstrFilter = "Video files (*.mpg)\0*.mpg;*.mpeg\0All files\0*.*\0\0";
    ofn.lpstrFile = file_;
    ofn.nMaxFile = sizeof file_;
    ofn.lpstrInitialDir = folder_.c_str();
    ofn.Flags = flags;
    return ofn;
  }

  Environment env_{CurrentTestName()};
  ManualTime time_;
  MessageBoxAnswers boxes_;
  std::string folder_;
  char file_[512] = {};
};

std::vector<std::string> Listed(HWND dialog) {
  std::vector<std::string> out;
  HWND list = GetDlgItem(dialog, platform::kFileListId);
  const auto n = static_cast<int>(SendMessage(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    char text[256] = {};
    SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    out.push_back(text);
  }
  return out;
}

TEST_F(FileDialogTest, OpensATypedNameFromTheInitialFolderListingFoldersAndFilteredFiles) {
  std::vector<std::string> listed;
  std::string shownFolder;
  WhenDialogShows([&](HWND d) {
    listed = Listed(d);
    shownFolder = ControlText(d, platform::kFolderTextId);
    EXPECT_EQ("Open", WindowText(d));
    EXPECT_FALSE(WritePicture(d, "file_open_dialog.png").empty());
  });
  AnswerFileDialog("two.mpg");
  OPENFILENAME ofn = Ofn(OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
  ASSERT_TRUE(GetOpenFileName(&ofn));
  EXPECT_EQ(folder_ + "two.mpg", std::string(file_));
  EXPECT_EQ(folder_.size(), ofn.nFileOffset);
  EXPECT_EQ(folder_.size() + 4, ofn.nFileExtension);
  EXPECT_EQ(1u, ofn.nFilterIndex);
  EXPECT_EQ((std::vector<std::string>{"older/", "one.mpg", "two.mpg"}), listed);
  EXPECT_EQ(folder_, shownFolder);
  EXPECT_EQ(0u, boxes_.Count());
}

TEST_F(FileDialogTest, AnotherFilterListsOtherFilesAndIsReported) {
  std::vector<std::string> listed;
  AnswerFileDialogWithFilter(1, "notes.txt");
  OPENFILENAME ofn = Ofn(OFN_FILEMUSTEXIST);
  ASSERT_TRUE(GetOpenFileName(&ofn));
  EXPECT_EQ(folder_ + "notes.txt", std::string(file_));
  EXPECT_EQ(2u, ofn.nFilterIndex);
}

TEST_F(FileDialogTest, SeveralQuotedNamesComeBackAsFolderAndNames) {
  AnswerFileDialog("\"one.mpg\" \"two.mpg\"");
  CFileDialog dialog(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST, "Video|*.mpg||");
  dialog.m_ofn.lpstrInitialDir = folder_.c_str();
  ASSERT_EQ(IDOK, dialog.DoModal());
  EXPECT_EQ((std::vector<std::string>{folder_ + "one.mpg", folder_ + "two.mpg"}), dialog.GetPathNames());
  EXPECT_EQ(folder_.substr(0, folder_.size() - 1), std::string(dialog.m_ofn.lpstrFile));

  // A hundred long names picked at once: every one comes back, however long the typed line.
  std::string typed;
  std::vector<std::string> expected;
  for (int i = 0; i < 100; ++i) {
    const std::string name = "holiday clip number " + std::to_string(i) + " of the long summer.mpg";
    std::ofstream(folder_ + name) << i;
    typed += "\"" + name + "\" ";
    expected.push_back(folder_ + name);
  }
  AnswerFileDialog(typed);
  CFileDialog many(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST, "Video|*.mpg||");
  many.m_ofn.lpstrInitialDir = folder_.c_str();
  ASSERT_EQ(IDOK, many.DoModal());
  EXPECT_EQ(expected, many.GetPathNames());
}

TEST_F(FileDialogTest, AMissingFileIsRefusedAndTheDialogStaysUntilCancelled) {
  AnswerFileDialog("three.mpg");
  bool stillOpen = false;
  WhenDialogShows([&](HWND d) { stillOpen = IsWindowVisible(d) && ControlText(d, IDOK) == "&Open"; });
  CancelDialog();
  OPENFILENAME ofn = Ofn(OFN_FILEMUSTEXIST);
  EXPECT_FALSE(GetOpenFileName(&ofn));
  EXPECT_EQ(0u, CommDlgExtendedError());
  EXPECT_TRUE(stillOpen);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_NE(std::string::npos, boxes_.Last().text.find("three.mpg"));
}

TEST_F(FileDialogTest, SavingOverAFileAsksAndTheDefaultExtensionIsAdded) {
  boxes_.QueueAnswer(IDNO);
  AnswerFileDialog("one.mpg");
  AnswerFileDialog(folder_ + "older/fresh");
  CFileDialog dialog(FALSE, "mpg", nullptr, OFN_OVERWRITEPROMPT, "Video|*.mpg||");
  dialog.m_ofn.lpstrInitialDir = folder_.c_str();
  ASSERT_EQ(IDOK, dialog.DoModal());
  EXPECT_EQ(folder_ + "older/fresh.mpg", dialog.GetPathName());
  EXPECT_EQ("fresh.mpg", dialog.GetFileName());
  EXPECT_EQ("mpg", dialog.GetFileExt());
  EXPECT_EQ("fresh", dialog.GetFileTitle());
  EXPECT_EQ(folder_ + "older", dialog.GetFolderPath());
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_NE(std::string::npos, boxes_.Last().text.find("already exists"));
}

TEST_F(FileDialogTest, TypingAFolderEntersItAndAPatternFiltersTheList) {
  std::vector<std::string> inOlder, filtered;
  AnswerFileDialog("older");
  WhenDialogShows([&](HWND d) { inOlder = Listed(d); });
  AnswerFileDialog(folder_ + "*.txt");
  WhenDialogShows([&](HWND d) { filtered = Listed(d); });
  CancelDialog();
  OPENFILENAME ofn = Ofn(0);
  EXPECT_FALSE(GetOpenFileName(&ofn));
  EXPECT_TRUE(inOlder.empty());
  EXPECT_EQ((std::vector<std::string>{"older/", "notes.txt"}), filtered);
}

TEST_F(FileDialogTest, ABufferTooSmallFailsAndTellsTheSizeNeeded) {
  AnswerFileDialog("one.mpg");
  OPENFILENAME ofn = Ofn(0);
  ofn.nMaxFile = 8;
  EXPECT_FALSE(GetOpenFileName(&ofn));
  EXPECT_EQ(FNERR_BUFFERTOOSMALL, CommDlgExtendedError());
  WORD need = 0;
  std::memcpy(&need, file_, sizeof need);
  EXPECT_EQ(folder_.size() + 8, need);
}

}  // namespace

// Linux names may hold double quotes: such a file is chosen by a click in the list and typed
// as the only name, while a list of quoted names still means several files.
TEST_F(FileDialogTest, NamesHoldingDoubleQuotesAreChosenClickedOrTyped) {
  for (const char* name : {"say \"hi\".mpg", "\"quoted\".mpg"}) std::ofstream(folder_ + name) << name;

  AnswerFileDialog("say \"hi\".mpg");
  OPENFILENAME ofn = Ofn(OFN_FILEMUSTEXIST);
  ASSERT_TRUE(GetOpenFileName(&ofn));
  EXPECT_EQ(folder_ + "say \"hi\".mpg", std::string(file_));

  AnswerFileDialog("\"quoted\".mpg");
  ofn = Ofn(OFN_FILEMUSTEXIST);
  ASSERT_TRUE(GetOpenFileName(&ofn));
  EXPECT_EQ(folder_ + "\"quoted\".mpg", std::string(file_));

  WhenDialogShows([&](HWND d) {
    HWND list = GetDlgItem(d, platform::kFileListId);
    const auto listed = Listed(d);
    const auto at = std::find(listed.begin(), listed.end(), "\"quoted\".mpg");
    ASSERT_NE(at, listed.end());
    SendMessage(list, LB_SETCURSEL, static_cast<WPARAM>(at - listed.begin()), 0);
    SendMessage(d, WM_COMMAND, MAKEWPARAM(platform::kFileListId, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
  });
  ofn = Ofn(OFN_FILEMUSTEXIST);
  ASSERT_TRUE(GetOpenFileName(&ofn));
  EXPECT_EQ(folder_ + "\"quoted\".mpg", std::string(file_));

  EXPECT_EQ(0u, boxes_.Count());
}
