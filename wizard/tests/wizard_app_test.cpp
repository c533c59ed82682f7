// The application's start: settings read and written back, work folders, the video standard,
// the single-instance rule and the starter hand-off.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/registry/registry.h"
#include "platform/window/monitors.h"
#include "wizard_ids.h"
#include "widgets/reg_helpers.h"
#include "wizard_state.h"
#include "wizard_test_support.h"

namespace {

using namespace testkit;
using wizard::kSettingsKey;
using wizard::State;

DWORD Number(const char* name) {
  DWORD value = 0xDEAD;
  RegReadDword(HKEY_CURRENT_USER, kSettingsKey, name, &value, REG_READ_NO_DEFAULT);
  return value;
}

std::string Text(const char* name) {
  char buffer[REG_READ_STRING_SIZE] = "<missing>";
  RegReadString(HKEY_CURRENT_USER, kSettingsKey, name, buffer, nullptr);
  return buffer;
}

class WizardStart : public ::testing::Test {
 protected:
  Environment env_{CurrentTestName()};
  MessageBoxAnswers boxes_;
  CWizardApp app_;
};

TEST_F(WizardStart, AFirstStartWritesTheDefaultsAndMakesTheFolders) {
  ASSERT_TRUE(app_.FindRunningProgram());
  EXPECT_EQ(70u, Number("RecTimeWiz"));
  EXPECT_EQ(1u, Number("SourcePlayer"));
  EXPECT_EQ(1u, Number("InputCable"));
  EXPECT_EQ(10u, Number("nVolume"));
  EXPECT_EQ(0u, Number("WideScreen"));
  EXPECT_EQ(0u, Number("LowResolution"));
  EXPECT_EQ(1u, Number("bCheckVideoSignal"));
  // The main program reads the same value as its DVD resolution level, by default the processor's class.
  EXPECT_EQ(static_cast<DWORD>(State().cpuMode), Number("CPUMode"));
  const std::string vidarro = env_.Documents() + "Vidarro/";
  EXPECT_EQ(vidarro, Text("OutFolder"));
  EXPECT_EQ(vidarro + "DVD Folders", Text("CreateDVDFolder"));
  EXPECT_EQ(vidarro + "BD Folders", Text("CreateBDFolder"));
  EXPECT_EQ(vidarro + "DVD Folders/", State().dvdFolder);
  for (const std::string& folder : {State().outputFolder, State().dvdFolder, State().bdFolder})
    EXPECT_TRUE(std::filesystem::is_directory(folder)) << folder;
  EXPECT_EQ("<missing>", Text("DVDWriter"));
  EXPECT_EQ(0x1u, State().videoStandard);
  EXPECT_EQ(1, State().makeCopyDisc);
  // Programs start from anywhere: the program folder is the executable's.
  EXPECT_EQ(app_.GetProgramFolder(), State().programFolder);
}

TEST_F(WizardStart, StoredValuesOfTheWrongKindCountAsMissingAndStaleFoldersAreNotMadeAgain) {
  const std::string stale = env_.Home() + "gone/DVD/";
  RegWriteString(HKEY_CURRENT_USER, kSettingsKey, "CreateDVDFolder", stale.c_str());
  RegWriteString(HKEY_CURRENT_USER, kSettingsKey, "RecTimeWiz", "ninety");
  RegWriteString(HKEY_CURRENT_USER, kSettingsKey, "InputVideoStandard", "pal_m");
  RegWriteString(HKEY_LOCAL_MACHINE, kSettingsKey, "AppPath", env_.Home().c_str());
  ASSERT_TRUE(app_.FindRunningProgram());
  EXPECT_EQ(70, State().recordingMinutes);
  EXPECT_EQ(0x200u, State().videoStandard);
  EXPECT_EQ(1, State().standardFamily);
  EXPECT_EQ(env_.Documents() + "Vidarro/DVD Folders/", State().dvdFolder);
  EXPECT_FALSE(std::filesystem::exists(stale));
  EXPECT_EQ(env_.Home(), State().programFolder);
}

TEST_F(WizardStart, WithoutADocumentsFolderTheDiscFoldersAreTheOutputFolder) {
  ScopedVariable noDocuments("XDG_DOCUMENTS_DIR", "/proc/vidarro/Documents");
  RegWriteString(HKEY_LOCAL_MACHINE, kSettingsKey, "AppPath", env_.Home().c_str());
  ASSERT_TRUE(app_.FindRunningProgram());
  EXPECT_EQ(env_.Home(), State().outputFolder);
  EXPECT_EQ(env_.Home(), State().dvdFolder);
  EXPECT_EQ(env_.Home(), State().bdFolder);
  EXPECT_EQ(env_.Home(), Text("CreateDVDFolder"));
  EXPECT_FALSE(std::filesystem::exists(env_.Home() + "DVD Folders"));
}

TEST(WizardVideoStandard, TextsGiveTheirStandardAndFamily) {
  struct Case {
    const char* text;
    DWORD standard;
    int family;
  };
  const Case cases[] = {
      {"NTSC", 0x1, 1},         {"ntsc_m_j", 0x2, 1},         {"PAL", 0x10, 2},    {"PAL_M", 0x200, 1},
      {"SECAM_L1", 0x80000, 2}, {"PAL_N_COMBO", 0x100000, 2}, {"unknown", 0x1, 1}, {"", 0x1, 1}};
  for (const Case& c : cases) {
    const wizard::VideoStandard s = wizard::VideoStandardFromText(c.text);
    EXPECT_EQ(c.standard, s.standard) << c.text;
    EXPECT_EQ(c.family, s.family) << c.text;
  }
  // France (33) uses SECAM L, which the recorder takes as PAL_B.
  setenv("VIDARRO_LOCALE_COUNTRY", "33", 1);
  const wizard::VideoStandard local = wizard::VideoStandardFromText("LOCAL");
  unsetenv("VIDARRO_LOCALE_COUNTRY");
  EXPECT_EQ(0x10u, local.standard);
  EXPECT_EQ(2, local.family);
}

TEST_F(WizardStart, SavingKeepsAStoredWriterWhenNoneWasChosen) {
  RegWriteString(HKEY_CURRENT_USER, kSettingsKey, "DVDWriter", "D: Old writer");
  ASSERT_TRUE(app_.FindRunningProgram());
  State().writerName.clear();
  State().recordingMinutes = 95;
  app_.SaveSettings();
  EXPECT_EQ("D: Old writer", Text("DVDWriter"));
  EXPECT_EQ(95u, Number("RecTimeWiz"));
}

TEST_F(WizardStart, TheEndHandsOverToTheStarter) {
  const std::string record = env_.Home() + "launches.txt";
  setenv("VIDARRO_LAUNCH_RECORD", record.c_str(), 1);
  State().programFolder = app_.GetProgramFolder();
  app_.LaunchStarter();
  const auto launches = platform::ReadLaunchRecords();
  unsetenv("VIDARRO_LAUNCH_RECORD");
  ASSERT_EQ(1u, launches.size());
  EXPECT_NE(std::string::npos, launches[0].target.find("Lanvik"));
  EXPECT_EQ("/NOINTRO", launches[0].parameters);
}

TEST_F(WizardStart, EveryWayOutSavesTheSettingsRestoresTheScreenSaverAndStartsTheStarter) {
  const std::string record = env_.Home() + "launches.txt";
  setenv("VIDARRO_LAUNCH_RECORD", record.c_str(), 1);
  const std::vector<std::function<void(HWND)>> ways = {
      [](HWND d) { ClickButton(d, IDC_EXIT); },
      [](HWND d) { SendMessage(d, WM_CLOSE, 0, 0); },
      [this](HWND d) {
        boxes_.QueueAnswer(IDYES);
        SendMessage(d, WM_COMMAND, IDC_FINISH, 0);
      },
  };
  int run = 0;
  for (const auto& way : ways) {
    ++run;
    BOOL screenSaverOpen = TRUE;
    WhenDialogShows([&](HWND d) {
      SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &screenSaverOpen, 0);
      State().recordingMinutes = 40 + run;
      way(d);
    });
    EXPECT_FALSE(app_.InitInstance());
    BOOL screenSaver = FALSE;
    SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &screenSaver, 0);
    EXPECT_FALSE(screenSaverOpen) << run;
    EXPECT_TRUE(screenSaver) << run;
    EXPECT_EQ(static_cast<DWORD>(40 + run), Number("RecTimeWiz")) << run;
  }
  const auto launches = platform::ReadLaunchRecords();
  unsetenv("VIDARRO_LAUNCH_RECORD");
  ASSERT_EQ(ways.size(), launches.size());
  for (const auto& launch : launches) EXPECT_EQ("/NOINTRO", launch.parameters);
}

TEST_F(WizardStart, AMissingUiLibraryIsReportedAndTheStartFails) {
  const std::string appFolder = platform::AppFolder();
  setenv("VIDARRO_APP_DIR", env_.Home().c_str(), 1);
  CWizardApp app;
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(1, app.ExitInstance());
  setenv("VIDARRO_APP_DIR", appFolder.c_str(), 1);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ("Vidarro5UI.dll is not loaded, please reinstall it", boxes_.Last().text);
}

TEST(WendrelProgram, ASecondStartRaisesTheRunningRecorderAndEnds) {
  Environment env(CurrentTestName());
  ProgramProcess recorder;
  ASSERT_TRUE(recorder.Start("vidarro_gallery", {"/stay"}));
  HWND window = WaitForWindow("#32770", "Vidarro window gallery", 20000);
  ASSERT_NE(nullptr, window) << recorder.Output();
  RegWriteString(HKEY_LOCAL_MACHINE, kSettingsKey, "AudioRecorderName", "Vidarro window gallery");
  ProgramProcess wizard;
  ASSERT_TRUE(wizard.Start("Wendrel", {}));
  EXPECT_EQ(0, wizard.WaitForExit(20000)) << wizard.Output();
  EXPECT_TRUE(recorder.Running());
  PostMessage(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, recorder.WaitForExit(20000)) << recorder.Output();
}

}  // namespace
