// A recording that cannot start is told and leaves nothing behind: the file made to reserve its
// name goes with it.
#include <filesystem>

#include "audiorec/tests/recorder_window_fixture.h"

namespace auvry::testing {
namespace {

using namespace testkit;
namespace fs = std::filesystem;

TEST_F(RecorderWindowTest, ARecordingThatCannotStartIsToldAndLeavesNoFile) {
  // Without its profile the WMA writer cannot be set up.
  Program().programFolder = env_.Home() + "without-profiles/";
  fs::create_directories(Program().programFolder);
  bool idle = false;
  int rows = -1;
  WhenDialogShows([&](HWND d) {
    Advance(600);
    ClickButton(d, IDC_AUVRY_RECORD);
    idle = ControlVisible(d, IDC_AUVRY_RECORD) && !ControlVisible(d, IDC_AUVRY_STOP);
    rows = Rows(d);
    ClickButton(d, IDC_AUVRY_EXIT);
  });
  CRecorderDlg dialog;
  EXPECT_EQ(IDOK, dialog.DoModal());
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ("Cannot start the recording.", boxes_.Last().text);
  EXPECT_TRUE(idle);
  EXPECT_EQ(0, rows);
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(Program().outputFolder, error))
    ADD_FAILURE() << "left behind: " << entry.path();
}

}  // namespace
}  // namespace auvry::testing
