#include <gtest/gtest.h>

#include "platform/base/process.h"
#include "platform/testkit/testkit.h"
#include "platform/window/dialog.h"
#include "platform/window/input.h"
#include "widgets/system_info.h"
#include "widgets/system_info_dialog.h"

namespace {

using namespace testkit;

class SystemInfoWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { InitCommonControls(); }
  void TearDown() override {
    platform::ClearInputScript();
    ResetWindows();
  }
  Environment env_{CurrentTestName()};
  ManualTime time_;
};

TEST_F(SystemInfoWindowTest, ShowsThisMachineAndClosesByButtonOrEscape) {
  std::string caption, text;
  WhenDialogShows([&](HWND d) {
    char title[64] = {};
    GetWindowText(d, title, sizeof title);
    caption = title;
    text = ControlText(d, CSystemInfoDialog::kTextId);
    WritePicture(d, "system_information.png");
  });
  AnswerWithButton(IDOK);
  CSystemInfoLauncher().OpenSystemInformation();
  EXPECT_EQ(caption, "System Information");
  for (const char* line : {"Processor: ", "Logical cores: ", "Memory: ", "Display: ", "Local file systems:"})
    EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
  // This machine has a root file system, and its cores are known.
  EXPECT_NE(text.find("  /: "), std::string::npos) << text;
  EXPECT_EQ(text.find("Logical cores: unknown"), std::string::npos) << text;
  EXPECT_TRUE(platform::ReadLaunchRecords().empty()) << "nothing outside the suite is started";

  CSystemInfoDialog dialog;
  WhenDialogShows([](HWND) { platform::InjectKey(VK_ESCAPE); });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

}  // namespace
