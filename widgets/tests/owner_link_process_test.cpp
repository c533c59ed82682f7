// The owner link between two processes: a child program started with "/owner=" registers with
// this process's dialog, hands it files as a drop, and hears when the owner closes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/ole/drop_files.h"
#include "platform/testkit/testkit.h"
#include "platform/window/afx_app.h"
#include "platform/window/dialog.h"
#include "platform/window/remote_windows.h"
#include "widgets/file_drop_dialog.h"

namespace {

class COwnerDialog : public CFileDropDialog {
 public:
  COwnerDialog() : CFileDropDialog(UINT{0}) {}
  void OnDropFiles(HGLOBAL list) override { dropped = platform::ole::ReadDropFiles(list); }
  std::vector<std::string> dropped;
};

TEST(OwnerLinkAcrossProcesses, FilesAndTheRecordArriveWholeAndTheChildHearsTheOwnerClose) {
  testkit::Environment home;
  platform::StartWindowTransport();
  COwnerDialog owner;
  platform::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION;
  t.caption = "Owner";
  t.cx = 120;
  t.cy = 60;
  ASSERT_TRUE(owner.CreateIndirect(t));

  // The child's own folder is longer than the old 256-character record held.
  const std::string folder = home.Home() + std::string(150, 'f') + "/" + std::string(150, 'g') + "/";
  std::filesystem::create_directories(folder);
  setenv("VIDARRO_APP_DIR", folder.c_str(), 1);
  const std::string longFile = "/clips/" + std::string(200, 'c') + "/" + std::string(200, 'd') + ".mpg";
  char handle[32];
  std::snprintf(handle, sizeof handle, "/owner=%X", HandleToDword(owner.m_hWnd));
  testkit::ProgramProcess child;
  ASSERT_TRUE(
      child.Start(std::string(VIDARRO_TEST_BINARY_DIR) + "/owner_link_child", {handle, "/clips/a.mpg", longFile}));
  unsetenv("VIDARRO_APP_DIR");
  const HWND childWindow = testkit::WaitForWindow(nullptr, "Owner Link Child", 20000);
  ASSERT_NE(childWindow, nullptr) << child.Output();

  // The child posts from its start-up: real time, bounded, for the messages to come.
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while ((CFileDropDialog::RegisteredChildren().empty() || owner.dropped.size() != 2) &&
         std::chrono::steady_clock::now() < limit) {
    testkit::Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const auto children = CFileDropDialog::RegisteredChildren();
  ASSERT_EQ(children.size(), 1u);
  EXPECT_EQ(children[0].window, childWindow);
  EXPECT_EQ(children[0].folder, folder);
  EXPECT_EQ(owner.dropped, (std::vector<std::string>{"/clips/a.mpg", longFile}));

  // Closing the owner tells the child, which ends.
  owner.SendMessage(WM_CLOSE);
  EXPECT_EQ(child.WaitForExit(20000), 0) << child.Output();
  EXPECT_TRUE(CFileDropDialog::RegisteredChildren().empty());
}

}  // namespace
