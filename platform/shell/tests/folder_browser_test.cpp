#include <gtest/gtest.h>

#include <filesystem>

#include "platform/com/task_mem.h"
#include "platform/shell/folder_browser.h"
#include "platform/testkit/testkit.h"
#include "platform/window/dialog.h"

namespace {

using namespace testkit;

struct Conversation {
  explicit Conversation(std::string s) : start(std::move(s)) {}
  std::string start;
  std::vector<std::string> selections;
  std::vector<std::string> refused;
  int refuseAnswer = 1;
};

// Opens on the start folder, shows each selection as status text and allows OK only for one.
int Callback(HWND hwnd, UINT msg, LPARAM lParam, LPARAM data) {
  auto* c = reinterpret_cast<Conversation*>(data);
  if (msg == BFFM_INITIALIZED) SendMessage(hwnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(c->start.c_str()));
  if (msg == BFFM_SELCHANGED) {
    char path[MAX_PATH];
    const BOOL ok = SHGetPathFromIDList(reinterpret_cast<LPCITEMIDLIST>(lParam), path);
    c->selections.push_back(ok ? path : "");
    SendMessage(hwnd, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(ok ? path : ""));
    SendMessage(hwnd, BFFM_ENABLEOK, 0, ok);
  }
  if (msg == BFFM_VALIDATEFAILEDA) {
    c->refused.push_back(reinterpret_cast<LPCSTR>(lParam));
    return c->refuseAnswer;
  }
  return 0;
}

class FolderBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControls();
    root_ = env_.Documents() + "Videos";
    std::filesystem::create_directories(root_ + "/Holiday/Day1");
    std::filesystem::create_directories(root_ + "/Work");
  }
  void TearDown() override {
    platform::ClearInputScript();
    ResetWindows();
  }

  BROWSEINFO Info(UINT flags, Conversation* c) {
    BROWSEINFO bi;
    bi.pszDisplayName = name_;
    bi.lpszTitle = "Choose the output folder";
    bi.ulFlags = flags;
    bi.lpfn = Callback;
    bi.lParam = reinterpret_cast<LPARAM>(c);
    return bi;
  }

  std::string Result(LPITEMIDLIST list) {
    char path[MAX_PATH];
    const std::string out = SHGetPathFromIDList(list, path) ? path : "";
    LPMALLOC malloc = nullptr;
    EXPECT_EQ(S_OK, SHGetMalloc(&malloc));
    malloc->Free(list);
    malloc->Release();
    return out;
  }

  Environment env_{CurrentTestName()};
  ManualTime time_;
  std::string root_;
  char name_[MAX_PATH] = {};
};

TEST_F(FolderBrowserTest, OpensOnTheCallersFolderAndReturnsTheSelectedOne) {
  Conversation c(root_ + "/Holiday");
  std::string status, edit;
  bool parts = false;
  WhenDialogShows([&](HWND d) {
    parts = GetDlgItem(d, platform::kFolderTreeId) && GetDlgItem(d, IDOK) && GetDlgItem(d, IDCANCEL);
    status = ControlText(d, platform::kFolderStatusId);
    edit = ControlText(d, platform::kFolderEditId);
    EXPECT_FALSE(WritePicture(d, "folder_browser.png").empty());
  });
  AnswerFolderDialog(root_ + "/Holiday/Day1");
  BROWSEINFO bi = Info(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_EDITBOX, &c);
  EXPECT_EQ(root_ + "/Holiday/Day1", Result(SHBrowseForFolder(&bi)));
  EXPECT_STREQ("Day1", name_);
  EXPECT_TRUE(parts);
  EXPECT_EQ(root_ + "/Holiday", status);
  EXPECT_EQ(root_ + "/Holiday", edit);
  ASSERT_FALSE(c.selections.empty());
  EXPECT_EQ(root_ + "/Holiday/Day1", c.selections.back());
}

TEST_F(FolderBrowserTest, ATypedFolderWinsAndATypedMissingOneGoesToTheCallback) {
  Conversation c(root_);
  TypeIntoFolderDialog(root_ + "/Nowhere");
  TypeIntoFolderDialog("Work");
  BROWSEINFO bi = Info(BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_VALIDATE, &c);
  EXPECT_EQ(root_ + "/Work", Result(SHBrowseForFolder(&bi)));
  EXPECT_EQ((std::vector<std::string>{root_ + "/Nowhere"}), c.refused);
}

TEST_F(FolderBrowserTest, ACallbackThatLetsAFailedNameGoEndsTheBrowserWithNothing) {
  Conversation c(root_);
  c.refuseAnswer = 0;
  TypeIntoFolderDialog(root_ + "/Nowhere");
  BROWSEINFO bi = Info(BIF_EDITBOX | BIF_VALIDATE, &c);
  EXPECT_EQ(nullptr, SHBrowseForFolder(&bi));
  EXPECT_EQ(1u, c.refused.size());
}

TEST_F(FolderBrowserTest, WithoutAnEditBoxOrStatusThoseControlsAreMissingAndCancelGivesNothing) {
  Conversation c(root_);
  bool edit = true, status = true;
  WhenDialogShows([&](HWND d) {
    edit = GetDlgItem(d, platform::kFolderEditId) != nullptr;
    status = GetDlgItem(d, platform::kFolderStatusId) != nullptr;
  });
  CancelDialog();
  BROWSEINFO bi = Info(BIF_RETURNONLYFSDIRS, &c);
  EXPECT_EQ(nullptr, SHBrowseForFolder(&bi));
  EXPECT_FALSE(edit);
  EXPECT_FALSE(status);
}

TEST_F(FolderBrowserTest, ACallerEndingTheBrowserWithOkGetsTheSelection) {
  Conversation c(root_ + "/Work");
  WhenDialogShows([](HWND d) { EndDialog(d, IDOK); });
  BROWSEINFO bi = Info(BIF_RETURNONLYFSDIRS, &c);
  EXPECT_EQ(root_ + "/Work", Result(SHBrowseForFolder(&bi)));
}

TEST(ItemLists, CarryPathsWithoutTheTrailingSlash) {
  LPITEMIDLIST list = ILCreateFromPath("/media/disc/");
  char path[MAX_PATH];
  ASSERT_TRUE(SHGetPathFromIDList(list, path));
  EXPECT_STREQ("/media/disc", path);
  ILFree(list);
  EXPECT_EQ(nullptr, ILCreateFromPath(""));
  EXPECT_FALSE(SHGetPathFromIDList(nullptr, path));
}

}  // namespace
