#include "widgets/folder_browser.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/testkit/testkit.h"
#include "platform/window/dialog.h"

namespace {

using namespace testkit;
namespace fs = std::filesystem;

class FolderChooserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControls();
    root_ = env_.Documents() + "Videos";
    fs::create_directories(root_ + "/Holiday");
  }
  void TearDown() override {
    platform::ClearInputScript();
    ResetWindows();
  }

  Environment env_{CurrentTestName()};
  ManualTime time_;
  MessageBoxAnswers boxes_;
  std::string root_;
};

TEST_F(FolderChooserTest, ChoosingInTheTreeFillsTheEditAndConfirms) {
  CFolderBrowser browser(TRUE, "Output folder", "Choose where converted files go", root_.c_str(), nullptr);
  std::string edit, caption;
  bool statusHidden = false, editEnabled = false;
  WhenDialogShows([&](HWND d) {
    edit = ControlText(d, platform::kFolderEditId);
    char text[64] = {};
    GetWindowText(d, text, sizeof text);
    caption = text;
    statusHidden = !IsWindowVisible(GetDlgItem(d, platform::kFolderStatusId));
    editEnabled = IsWindowEnabled(GetDlgItem(d, platform::kFolderEditId));
    WritePicture(d, "folder_chooser.png");
  });
  AnswerFolderDialog(root_ + "/Holiday");
  ASSERT_EQ(1, browser.DoModal());
  EXPECT_EQ(root_ + "/Holiday", browser.GetFolderPath());
  EXPECT_EQ(root_, edit);
  EXPECT_EQ("Output folder", caption);
  EXPECT_TRUE(statusHidden);
  EXPECT_TRUE(editEnabled);
  EXPECT_EQ(0u, boxes_.Count());
}

RECT ItemRect(HWND dialog, int id) {
  RECT r{};
  GetWindowRect(GetDlgItem(dialog, id), &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(FolderChooserTest, TheTitleThePathFieldAndTheTreeEachHaveTheirOwnPlace) {
  for (const char* title : {"Choose where converted files go", "Folder"}) {
    CFolderBrowser browser(TRUE, "Output folder", title, root_.c_str(), nullptr);
    RECT titleRect{}, edit{}, tree{}, overlap{};
    WhenDialogShows([&](HWND d) {
      SetDlgItemText(d, platform::kFolderEditId, (root_ + "/Holiday/2026 Summer").c_str());
      titleRect = ItemRect(d, platform::kFolderTitleId);
      edit = ItemRect(d, platform::kFolderEditId);
      tree = ItemRect(d, platform::kFolderTreeId);
      WritePicture(d, "folder_chooser_typed.png");
      PostMessage(d, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(-1, browser.DoModal());
    EXPECT_EQ(20, edit.bottom - edit.top);
    EXPECT_EQ(15, tree.top - edit.bottom);
    EXPECT_FALSE(IntersectRect(&overlap, &titleRect, &edit)) << "the title covers the typed path";
    EXPECT_FALSE(IntersectRect(&overlap, &edit, &tree));
    EXPECT_GT(tree.bottom - tree.top, 100);
  }
}

TEST_F(FolderChooserTest, ATypedNestedFolderIsMadeAfterTheUserAgrees) {
  const std::string wanted = root_ + "/Trips/2026/Summer";
  CFolderBrowser browser(TRUE, nullptr, nullptr, root_.c_str(), nullptr);
  browser.SetMessageCaption("Parvel");
  boxes_.QueueAnswer(IDYES);
  TypeIntoFolderDialog(wanted);
  ASSERT_EQ(1, browser.DoModal());
  EXPECT_EQ(wanted, browser.GetFolderPath());
  EXPECT_TRUE(fs::is_directory(wanted));
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONQUESTION), boxes_.Last().flags);
  EXPECT_EQ(0u, boxes_.Last().text.rfind(wanted + "\n\n", 0));
  EXPECT_EQ("Parvel", boxes_.Last().caption);
}

TEST_F(FolderChooserTest, ARefusedOrBadNameKeepsTheBrowserOpenUntilCancelled) {
  CFolderBrowser browser(TRUE, nullptr, nullptr, root_.c_str(), nullptr);
  boxes_.QueueAnswer(IDNO);
  TypeIntoFolderDialog(root_ + "/NotWanted");
  TypeIntoFolderDialog(root_ + "/.hidden");
  bool editHasFocus = false;
  WhenDialogShows([&](HWND d) { editHasFocus = GetFocus() == GetDlgItem(d, platform::kFolderEditId); });
  CancelDialog();
  EXPECT_EQ(-1, browser.DoModal());
  EXPECT_FALSE(fs::exists(root_ + "/NotWanted"));
  EXPECT_FALSE(fs::exists(root_ + "/.hidden"));
  ASSERT_EQ(2u, boxes_.Count());
  EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), boxes_.Last().flags);
  EXPECT_TRUE(editHasFocus);
}

TEST_F(FolderChooserTest, AnEmptyEditDisablesOkAndADisabledEditCannotBeTyped) {
  CFolderBrowser browser(FALSE, nullptr, nullptr, root_.c_str(), nullptr);
  bool okEnabled = true, editEnabled = true;
  WhenDialogShows([&](HWND d) {
    editEnabled = IsWindowEnabled(GetDlgItem(d, platform::kFolderEditId));
    SetDlgItemText(d, platform::kFolderEditId, "");
    okEnabled = IsWindowEnabled(GetDlgItem(d, IDOK));
  });
  CancelDialog();
  EXPECT_EQ(-1, browser.DoModal());
  EXPECT_FALSE(editEnabled);
  EXPECT_FALSE(okEnabled);
}

}  // namespace
