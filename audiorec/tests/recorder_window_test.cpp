// The main window's recording from the UI: REC and Stop, the clock and read-outs, the limit,
// the new row, and the file read back by ffprobe.
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "audiorec/tests/recorder_window_fixture.h"
#include "platform/filters/recording_recovery.h"
#include "platform/testkit/killed_recording.h"
#include "platform/base/file.h"
#include "platform/base/process.h"
#include "platform/ole/external_drop.h"

namespace auvry::testing {
namespace {

using namespace testkit;

std::map<std::string, std::string> Probe(const std::string& file) {
  std::string out, err;
  int code = -1;
  platform::RunProcess(
      "ffprobe",
      {"-v", "error", "-show_entries", "stream=codec_name,sample_rate,channels:format=format_name,duration", "-of",
       "default=nw=1", file},
      &out, &err, &code, 60000);
  std::map<std::string, std::string> facts;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) facts[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return facts;
}

TEST_F(RecorderWindowTest, RecordAndStopMakeOneWmaRowThatReadersSeeAsAsf) {
  std::string deviceText, runningTime, file;
  bool stopShown = false, recordHidden = false, exitDisabled = false, idleAgain = false;
  int rows = -1;
  std::string name, size, playTime;
  WhenDialogShows([&](HWND d) {
    deviceText = SelectedDevice(d);
    Advance(600);
    EXPECT_FALSE(WritePicture(d, "main_idle.png").empty());
    ClickButton(d, IDC_AUVRY_RECORD);
    stopShown = ControlVisible(d, IDC_AUVRY_STOP) && ControlEnabled(d, IDC_AUVRY_STOP);
    recordHidden = !ControlVisible(d, IDC_AUVRY_RECORD);
    exitDisabled = !ControlEnabled(d, IDC_AUVRY_EXIT);
    Advance(10000);
    runningTime = ControlText(d, IDC_AUVRY_TIME);
    EXPECT_FALSE(WritePicture(d, "main_recording.png").empty());
    ClickButton(d, IDC_AUVRY_STOP);
    PumpUntil([&] { return Rows(d) == 1; });
    idleAgain = ControlVisible(d, IDC_AUVRY_RECORD) && !ControlVisible(d, IDC_AUVRY_STOP);
    rows = Rows(d);
    name = RowText(d, 0, 0), size = RowText(d, 0, 1), playTime = RowText(d, 0, 2);
    EXPECT_FALSE(WritePicture(d, "main_recorded.png").empty());
    ClickButton(d, IDC_AUVRY_EXIT);
  });
  CRecorderDlg dialog;
  EXPECT_EQ(IDOK, dialog.DoModal());
  EXPECT_EQ("Vidarro USB Audio Capture", deviceText);
  EXPECT_TRUE(stopShown);
  EXPECT_TRUE(recordHidden);
  EXPECT_TRUE(exitDisabled);
  EXPECT_TRUE(idleAgain);
  EXPECT_EQ("00 : 00 : 10", runningTime);
  ASSERT_EQ(1, rows);
  EXPECT_EQ("WMA_130542.wma", name);
  EXPECT_EQ("00 : 00 : 10", playTime);
  EXPECT_NE(std::string::npos, size.find(" MB"));
  EXPECT_EQ(Program().outputFolder + "WMA_130542.wma", dialog.CurrentFile());
  auto facts = Probe(dialog.CurrentFile());
  EXPECT_EQ("asf", facts["format_name"]);
  EXPECT_EQ("wmav2", facts["codec_name"]);
  EXPECT_EQ("48000", facts["sample_rate"]);
  EXPECT_EQ("2", facts["channels"]);
  EXPECT_NEAR(std::stod(facts["duration"].empty() ? "0" : facts["duration"]), 10.0, 0.2);
}

std::string MakeWma(const std::string& path, double seconds) {
  std::string out, err;
  int code = -1;
  platform::RunProcess(
      "ffmpeg",
      {"-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=" + std::to_string(seconds), "-ac", "2",
       "-c:a", "wmav2", "-ar", "48000", path},
      &out, &err, &code, 60000);
  EXPECT_EQ(code, 0) << err;
  return path;
}

TEST_F(RecorderWindowTest, ARecordingACrashCutShortIsRepairedAtTheNextStartAndTheUserTold) {
  const std::string file = MakeWma(Program().outputFolder + "WMA_101010.wma", 6.0);
  ASSERT_TRUE(testkit::CutAsfHeader(file));
  ASSERT_TRUE(platform::filters::RecordingJournal(Program().outputFolder).Begin(file));
  WhenDialogShows([&](HWND d) { ClickButton(d, IDC_AUVRY_EXIT); });
  CRecorderDlg dialog;
  EXPECT_EQ(IDOK, dialog.DoModal());
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_NE(boxes_.Last().text.find(file), std::string::npos) << boxes_.Last().text;
  EXPECT_NE(boxes_.Last().text.find("repaired"), std::string::npos) << boxes_.Last().text;
  auto facts = Probe(file);
  EXPECT_NEAR(std::stod(facts["duration"].empty() ? "0" : facts["duration"]), 6.0, 0.2);
  EXPECT_TRUE(platform::filters::RecordingJournal(Program().outputFolder).Unfinished().empty());
  EXPECT_FALSE(platform::FileExists(file + ".unrepaired"));
}

TEST_F(RecorderWindowTest, FilesDroppedOnTheListBecomeRowsOnlyForSoundFiles) {
  const std::string folder = env_.Home() + "dropped/";
  std::string deep = folder;
  while (deep.size() < 280) deep += std::string(50, 'd') + "/";
  std::filesystem::create_directories(deep);
  const std::string one = MakeWma(folder + "one.wma", 1.0), two = MakeWma(folder + "two.wma", 2.0);
  const std::string tooLong = MakeWma(deep + "deep.wma", 1.0);
  std::ofstream(folder + "notes.txt") << "words";
  std::filesystem::create_symlink(folder + "gone.wma", folder + "shortcut.wma");
  std::vector<std::string> dropped = {one, folder, folder + "notes.txt", tooLong, folder + "shortcut.wma", two};
  for (int i = 0; i < 300; ++i) dropped.push_back(folder + "missing" + std::to_string(i) + ".wma");
  std::vector<std::string> names;
  WhenDialogShows([&](HWND d) {
    Advance(600);
    EXPECT_EQ(platform::ole::DropFilesOnWindow(::GetDlgItem(d, IDC_AUVRY_LIST), POINT{20, 40}, dropped),
              DROPEFFECT_COPY);
    PumpUntil([&] { return Rows(d) >= 2; });
    Pump();
    for (int row = 0; row < Rows(d); ++row) names.push_back(RowText(d, row, 0));
    EXPECT_EQ("00 : 00 : 02", RowText(d, 1, 2));
    EXPECT_FALSE(WritePicture(d, "main_after_drop.png").empty());
    ClickButton(d, IDC_AUVRY_EXIT);
  });
  CRecorderDlg dialog;
  EXPECT_EQ(IDOK, dialog.DoModal());
  EXPECT_EQ((std::vector<std::string>{"one.wma", "two.wma"}), names);
}

}  // namespace
}  // namespace auvry::testing
