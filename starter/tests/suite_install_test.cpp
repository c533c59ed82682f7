// The product key, the application folder, the stand-in component check and the repair.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "lanvik_app.h"
#include "platform/registry/registry.h"
#include "platform/testkit/testkit.h"
#include "platform/window/window.h"
#include "suite_install.h"
#include "widgets/reg_helpers.h"

namespace starter {
namespace {

using namespace testkit;

std::string ReadValue(const char* name) {
  char buffer[REG_READ_STRING_SIZE] = {};
  RegReadString(HKEY_LOCAL_MACHINE, kProductKey, name, buffer, nullptr);
  return buffer;
}

TEST(SuiteInstall, TitlesDefaultToTheProductTitleWhenMissingOrEmpty) {
  Environment env(CurrentTestName());
  SuiteTitles titles = ReadSuiteTitles();
  EXPECT_EQ(kProductTitle, titles.launcher);
  EXPECT_EQ(kProductTitle, titles.audioRecorder);
  RegWriteString(HKEY_LOCAL_MACHINE, kProductKey, "WizardName", "");
  const std::string longTitle(1000, 'w');
  RegWriteString(HKEY_LOCAL_MACHINE, kProductKey, "AdvancedName", longTitle.c_str());
  titles = ReadSuiteTitles();
  EXPECT_EQ(kProductTitle, titles.wizard);
  // A long title is read as far as the reader holds, never past its buffer.
  EXPECT_FALSE(titles.advanced.empty());
  EXPECT_LE(titles.advanced.size(), longTitle.size());
  EXPECT_EQ(longTitle.substr(0, titles.advanced.size()), titles.advanced);
}

TEST(SuiteInstall, WithoutAppPathTheStartersOwnFolderServesNotTheCurrentOne) {
  Environment env(CurrentTestName());
  const std::string own = env.Home() + "own";
  std::filesystem::create_directories(own);
  std::filesystem::current_path(env.Home());
  EXPECT_EQ(own + "/", SettleAppFolder(own));
  RegWriteString(HKEY_LOCAL_MACHINE, kProductKey, "AppPath", "");
  EXPECT_EQ(own + "/", SettleAppFolder(own));
  RegWriteString(HKEY_LOCAL_MACHINE, kProductKey, "AppPath", (env.Home() + "suite").c_str());
  EXPECT_EQ(env.Home() + "suite/", SettleAppFolder(own));
}

TEST(SuiteInstall, TheCheckAnswersOneOnlyWhenEveryListedFileIsThere) {
  Environment env(CurrentTestName());
  const std::string folder = env.Home();
  CQnFilterCheck check;
  EXPECT_EQ(0, check.CheckQnFilter(folder + kCheckDataFile));
  std::ofstream(folder + kCheckDataFile) << "a.so\n\nb.so\n";
  std::ofstream(folder + "a.so") << "a";
  EXPECT_EQ(0, check.CheckQnFilter(folder + kCheckDataFile));
  std::ofstream(folder + "b.so") << "b";
  EXPECT_EQ(1, check.CheckQnFilter(folder + kCheckDataFile));
}

TEST(SuiteInstall, TheRepairWritesTheListAndTheKeyAndNamesWhatIsMissing) {
  Environment env(CurrentTestName());
  const std::string folder = env.Home() + "suite/";
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "Lanvik") << "x";
  const auto lines = RepairInstall(folder);
  EXPECT_TRUE(std::filesystem::exists(folder + kCheckDataFile));
  EXPECT_EQ(folder, ReadValue("AppPath"));
  EXPECT_EQ(kProductTitle, ReadValue("LanuchName"));
  EXPECT_EQ(kAudioRecorderTitle, ReadValue("AudioRecorderName"));
  bool namesMissingUi = false, namesLanvik = false;
  for (const std::string& line : lines) {
    namesMissingUi |= line == "missing " + folder + "Vidarro5UI.so: reinstall the suite";
    namesLanvik |= line.find(folder + "Lanvik:") != std::string::npos;
  }
  EXPECT_TRUE(namesMissingUi);
  EXPECT_FALSE(namesLanvik);
  // The list it wrote is the one the check reads: still broken, so still 0.
  EXPECT_EQ(0, CQnFilterCheck().CheckQnFilter(folder + kCheckDataFile));
}

TEST(SuiteInstall, AnOpenSuiteWindowIsFoundUnderEachTitleInTurn) {
  Environment env(CurrentTestName());
  RegWriteString(HKEY_LOCAL_MACHINE, kProductKey, "WizardName", "Wizard Here");
  CLanvikApp app;
  EXPECT_FALSE(app.FindRunningProgram());
  EXPECT_FALSE(app.AppFolder().empty());
  for (const char* title : {"Wizard Here", "Narvell Vidarro 5.0 Starter", kProductTitle}) {
    HWND window =
        ::CreateWindowEx(0, "#32770", title, WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(app.FindRunningProgram()) << title;
    ::DestroyWindow(window);
  }
  ResetWindows();
}

}  // namespace
}  // namespace starter
